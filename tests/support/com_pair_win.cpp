#include "com_pair.h"

#include "windows_api.h"

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <map>
#include <set>
#include <sstream>
#include <stdexcept>
#include <thread>

namespace nerivo::testing {
namespace {

using Clock = std::chrono::steady_clock;

constexpr int SCRIPT_TIMEOUT_MS = 5000;

struct PairNumbers {
    int32_t device;
    int32_t far_end;
};

std::string environment(const char* name) {
    const char* value = std::getenv(name);
    if (value == nullptr || value[0] == '\0') {
        throw std::runtime_error(std::string(name) + " is not set: run the test through ctest");
    }
    return value;
}

std::vector<PairNumbers> pairs_from_environment() {
    std::vector<PairNumbers> pairs;
    std::istringstream list(environment("NERIVO_COM_PAIRS"));
    std::string item;
    while (std::getline(list, item, ',')) {
        const auto colon = item.find(':');
        if (colon != std::string::npos) {
            pairs.push_back({std::atoi(item.c_str()), std::atoi(item.c_str() + colon + 1)});
        }
    }
    return pairs;
}

// The pairs in use by live objects of this process.
std::set<std::size_t>& slots_in_use() {
    static std::set<std::size_t> slots;
    return slots;
}

// A pair whose socat still runs after its object went, with the object's two handles.
struct KeptPair {
    int32_t device;
    intptr_t far_end;
    intptr_t device_end;
};

std::map<std::size_t, KeptPair>& kept_pairs() {
    static std::map<std::size_t, KeptPair> pairs;
    return pairs;
}

// Wine shows the Unix root as drive Z.
std::string windows_path(const std::string& unix_path) {
    std::string path = "Z:" + unix_path;
    std::replace(path.begin(), path.end(), '/', '\\');
    return path;
}

HANDLE as_handle(intptr_t value) {
    return reinterpret_cast<HANDLE>(value);
}

int remaining_ms(Clock::time_point deadline) {
    const auto left =
        std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
    return left > 0 ? static_cast<int>(left) : 0;
}

HANDLE open_port(int32_t number) {
    const std::string path = "\\\\.\\COM" + std::to_string(number);
    const HANDLE port = CreateFileA(path.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr,
                                    OPEN_EXISTING, FILE_FLAG_OVERLAPPED, nullptr);
    if (port == INVALID_HANDLE_VALUE) {
        throw std::runtime_error("cannot open " + path + ": error " +
                                 std::to_string(GetLastError()));
    }
    COMMTIMEOUTS timeouts{};
    timeouts.ReadIntervalTimeout = 1000;
    SetCommTimeouts(port, &timeouts);
    return port;
}

std::size_t queued(HANDLE port) {
    DWORD errors = 0;
    COMSTAT status{};
    return ClearCommError(port, &errors, &status) ? status.cbInQue : 0;
}

// One overlapped transfer, waited for at most `wait_ms` and then cancelled and collected, so
// nothing of it runs on after the call. Returns the bytes moved.
DWORD transfer(HANDLE port, bool writing, void* data, DWORD size, int wait_ms) {
    OVERLAPPED request{};
    request.hEvent = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    DWORD moved = 0;
    const BOOL done = writing ? WriteFile(port, data, size, &moved, &request)
                              : ReadFile(port, data, size, &moved, &request);
    if (!done && GetLastError() == ERROR_IO_PENDING) {
        if (WaitForSingleObject(request.hEvent, static_cast<DWORD>(wait_ms)) != WAIT_OBJECT_0) {
            CancelIoEx(port, &request);
        }
        GetOverlappedResult(port, &request, &moved, TRUE);
    }
    CloseHandle(request.hEvent);
    return moved;
}

// Runs com_pair.sh with `arguments`. A Windows program cannot wait on a Unix process here, so
// the script touches a file when it is done and this waits for the file.
bool run_script(const std::string& arguments) {
    static int runs = 0;
    const std::string links = environment("NERIVO_COM_LINKS");
    const std::string done =
        links + "/done-" + std::to_string(GetCurrentProcessId()) + "-" + std::to_string(++runs);
    const std::string done_file = windows_path(done);
    std::string command =
        "Z:\\bin\\sh " + environment("NERIVO_COM_PAIR_SCRIPT") + " " + arguments + " " + done;
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process{};
    // Wine starts a Unix program for a Windows one and hands back no process handle.
    if (!CreateProcessA(nullptr, command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                        &startup, &process)) {
        return false;
    }
    if (process.hProcess != nullptr) {
        CloseHandle(process.hProcess);
        CloseHandle(process.hThread);
    }
    const auto deadline = Clock::now() + std::chrono::milliseconds(SCRIPT_TIMEOUT_MS);
    while (GetFileAttributesA(done_file.c_str()) == INVALID_FILE_ATTRIBUTES) {
        if (Clock::now() >= deadline) {
            return false;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
    DeleteFileA(done_file.c_str());
    return true;
}

void stop_socat(int32_t device) {
    run_script("stop " + environment("NERIVO_COM_LINKS") + " " + std::to_string(device));
}

void close_handle(intptr_t& value) {
    if (value != -1) {
        CloseHandle(as_handle(value));
        value = -1;
    }
}

bool ends_with(const std::vector<uint8_t>& bytes, const std::string& tail) {
    return bytes.size() >= tail.size() &&
           std::equal(tail.begin(), tail.end(), bytes.end() - static_cast<long>(tail.size()));
}

// Writes a marker at `from` and reads at `to` until it comes out: whatever was on its way
// from one to the other arrived before it, and is gone with it. The line may be full towards
// `to`, so writing and reading take turns.
bool pass_marker(HANDLE from, HANDLE to) {
    constexpr int MARKER_TIMEOUT_MS = 1000;
    constexpr std::size_t KEEP = 64;
    static int markers = 0;
    const std::string marker = "\x02nerivo-line-clear-" + std::to_string(++markers) + "\x03";
    const auto deadline = Clock::now() + std::chrono::milliseconds(MARKER_TIMEOUT_MS);
    std::size_t written = 0;
    std::vector<uint8_t> seen;
    while (remaining_ms(deadline) > 0) {
        if (written < marker.size()) {
            std::string rest = marker.substr(written);
            written += transfer(from, true, rest.data(), static_cast<DWORD>(rest.size()), 10);
        }
        const std::size_t waiting = queued(to);
        if (waiting > 0) {
            std::vector<uint8_t> buffer(waiting);
            const DWORD moved =
                transfer(to, false, buffer.data(), static_cast<DWORD>(waiting), 100);
            seen.insert(seen.end(), buffer.begin(), buffer.begin() + moved);
            if (seen.size() > KEEP) {
                seen.erase(seen.begin(), seen.end() - KEEP);
            }
        } else if (written == marker.size()) {
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        }
        if (written == marker.size() && ends_with(seen, marker)) {
            return true;
        }
    }
    return false;
}

} // namespace

ComPair::ComPair() : links_(environment("NERIVO_COM_LINKS")) {
    const std::size_t pairs = pairs_from_environment().size();
    std::size_t slot = 0;
    while (slot < pairs && slots_in_use().count(slot) != 0) {
        ++slot;
    }
    if (slot == pairs) {
        throw std::runtime_error("no free COM pair left in NERIVO_COM_PAIRS");
    }
    take(slot);
}

ComPair::ComPair(int32_t device_number) : links_(environment("NERIVO_COM_LINKS")) {
    const std::vector<PairNumbers> pairs = pairs_from_environment();
    const auto pair = std::find_if(pairs.begin(), pairs.end(), [&](const PairNumbers& numbers) {
        return numbers.device == device_number;
    });
    const auto slot = static_cast<std::size_t>(pair - pairs.begin());
    if (pair == pairs.end() || slots_in_use().count(slot) != 0) {
        throw std::runtime_error("COM " + std::to_string(device_number) +
                                 " is no free pair's device end in NERIVO_COM_PAIRS");
    }
    take(slot);
}

void ComPair::take(std::size_t slot) {
    const PairNumbers numbers = pairs_from_environment()[slot];
    slot_ = slot;
    device_ = numbers.device;
    far_ = numbers.far_end;
    const auto kept = kept_pairs().find(slot);
    if (kept != kept_pairs().end()) {
        far_end_ = kept->second.far_end;
        device_end_ = kept->second.device_end;
        kept_pairs().erase(kept);
        running_ = true;
        if (!clear_line()) {
            stop();
            close_handle(device_end_);
        }
    }
    if (!running_) {
        start();
    }
    slots_in_use().insert(slot_);
}

void ComPair::start() {
    if (!run_script("start " + links_ + " " + std::to_string(device_) + " " +
                    std::to_string(far_))) {
        throw std::runtime_error("socat did not make COM " + std::to_string(device_));
    }
    running_ = true;
    far_end_ = reinterpret_cast<intptr_t>(open_port(far_));
    device_end_ = reinterpret_cast<intptr_t>(open_port(device_));
}

void ComPair::stop() {
    close_handle(far_end_);
    if (running_) {
        stop_socat(device_);
        running_ = false;
    }
}

bool ComPair::clear_line() {
    return pass_marker(as_handle(far_end_), as_handle(device_end_)) &&
           pass_marker(as_handle(device_end_), as_handle(far_end_));
}

ComPair::~ComPair() {
    if (running_ && far_end_ != -1 && device_end_ != -1) {
        kept_pairs()[slot_] = KeptPair{device_, far_end_, device_end_};
    } else {
        stop();
        close_handle(device_end_);
    }
    slots_in_use().erase(slot_);
}

void ComPair::end_kept_pairs() {
    for (auto& [slot, pair] : kept_pairs()) {
        close_handle(pair.far_end);
        close_handle(pair.device_end);
        stop_socat(pair.device);
    }
    kept_pairs().clear();
}

std::string ComPair::device_path() const {
    return "\\\\.\\COM" + std::to_string(device_);
}

bool ComPair::write(const void* data, std::size_t size, int timeout_ms) {
    if (far_end_ == -1) {
        return false;
    }
    std::vector<uint8_t> bytes(static_cast<const uint8_t*>(data),
                               static_cast<const uint8_t*>(data) + size);
    const DWORD moved = transfer(as_handle(far_end_), true, bytes.data(),
                                 static_cast<DWORD>(bytes.size()), timeout_ms);
    return moved == size;
}

std::vector<uint8_t> ComPair::read(std::size_t count, int timeout_ms) {
    const auto deadline = Clock::now() + std::chrono::milliseconds(timeout_ms);
    std::vector<uint8_t> out;
    while (out.size() < count && far_end_ != -1) {
        const std::size_t waiting = std::min(queued(as_handle(far_end_)), count - out.size());
        if (waiting > 0) {
            std::vector<uint8_t> buffer(waiting);
            const DWORD moved = transfer(as_handle(far_end_), false, buffer.data(),
                                         static_cast<DWORD>(waiting), remaining_ms(deadline));
            out.insert(out.end(), buffer.begin(), buffer.begin() + moved);
            continue;
        }
        if (remaining_ms(deadline) == 0) {
            break;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    return out;
}

std::vector<uint8_t> ComPair::drain(int quiet_ms, int timeout_ms) {
    const auto deadline = Clock::now() + std::chrono::milliseconds(timeout_ms);
    std::vector<uint8_t> out;
    auto quiet_since = Clock::now();
    while (far_end_ != -1 && remaining_ms(deadline) > 0) {
        const std::size_t waiting = queued(as_handle(far_end_));
        if (waiting > 0) {
            std::vector<uint8_t> buffer(waiting);
            const DWORD moved = transfer(as_handle(far_end_), false, buffer.data(),
                                         static_cast<DWORD>(waiting), remaining_ms(deadline));
            out.insert(out.end(), buffer.begin(), buffer.begin() + moved);
            quiet_since = Clock::now();
            continue;
        }
        if (Clock::now() - quiet_since >= std::chrono::milliseconds(quiet_ms)) {
            break;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    return out;
}

std::size_t ComPair::pending_at_device() const {
    return device_end_ != -1 ? queued(as_handle(device_end_)) : 0;
}

bool ComPair::wait_pending_at_device(std::size_t count, int timeout_ms) const {
    const auto deadline = Clock::now() + std::chrono::milliseconds(timeout_ms);
    while (pending_at_device() < count) {
        if (Clock::now() >= deadline) {
            return false;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    return true;
}

// A pseudo-terminal keeps taking small writes after it refused a large one, and Wine only
// retries a waiting write once the line has drained, so each refused size is given up after a
// short wait and the next pass writes half as much, down to single bytes.
std::size_t ComPair::stall_far_end() {
    constexpr int REFUSED_AFTER_MS = 10;
    std::size_t taken = 0;
    std::vector<uint8_t> filler(1024, 0);
    for (DWORD size = 1024; size > 0 && device_end_ != -1; size /= 2) {
        for (;;) {
            const DWORD moved =
                transfer(as_handle(device_end_), true, filler.data(), size, REFUSED_AFTER_MS);
            taken += moved;
            if (moved < size) {
                break;
            }
        }
    }
    return taken;
}

std::size_t ComPair::stall_far_end_settled(int settle_ms) {
    std::size_t taken = stall_far_end();
    for (;;) {
        std::this_thread::sleep_for(std::chrono::milliseconds(settle_ms));
        const std::size_t more = stall_far_end();
        if (more == 0) {
            return taken;
        }
        taken += more;
    }
}

void ComPair::close_master() {
    stop();
}

void ComPair::plug_in_again() {
    stop();
    close_handle(device_end_);
    start();
}

ComPair::LineState ComPair::device_line() const {
    DCB dcb{};
    dcb.DCBlength = sizeof dcb;
    if (device_end_ == -1 || !GetCommState(as_handle(device_end_), &dcb)) {
        return {};
    }
    return LineState{dcb.BaudRate, dcb.ByteSize, dcb.Parity, dcb.StopBits};
}

} // namespace nerivo::testing
