#include "pty_pair.h"

#include "raw_pty.h"

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <poll.h>
#include <stdexcept>
#include <sys/ioctl.h>
#include <thread>
#include <unistd.h>

namespace nerivo::testing {
namespace {

using Clock = std::chrono::steady_clock;

int remaining_ms(Clock::time_point deadline) {
    const auto left =
        std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
    return left > 0 ? static_cast<int>(left) : 0;
}

} // namespace

PtyPair::PtyPair() {
    std::string error;
    if (!open_raw_pty(master_, slave_, device_path_, error)) {
        throw std::runtime_error(error);
    }
}

PtyPair::~PtyPair() {
    close_master();
    if (slave_ >= 0) {
        ::close(slave_);
    }
}

bool PtyPair::write(const void* data, std::size_t size, int timeout_ms) {
    const auto deadline = Clock::now() + std::chrono::milliseconds(timeout_ms);
    const auto* bytes = static_cast<const uint8_t*>(data);
    std::size_t done = 0;
    while (done < size) {
        if (master_ < 0) {
            return false;
        }
        const ssize_t n = ::write(master_, bytes + done, size - done);
        if (n > 0) {
            done += static_cast<std::size_t>(n);
            continue;
        }
        if (n < 0 && errno != EAGAIN && errno != EINTR) {
            return false;
        }
        pollfd p{master_, POLLOUT, 0};
        if (poll(&p, 1, remaining_ms(deadline)) <= 0) {
            return false;
        }
    }
    return true;
}

std::vector<uint8_t> PtyPair::read(std::size_t count, int timeout_ms) {
    const auto deadline = Clock::now() + std::chrono::milliseconds(timeout_ms);
    std::vector<uint8_t> out;
    while (out.size() < count && master_ >= 0) {
        uint8_t buffer[4096];
        const std::size_t want = std::min(sizeof buffer, count - out.size());
        const ssize_t n = ::read(master_, buffer, want);
        if (n > 0) {
            out.insert(out.end(), buffer, buffer + n);
            continue;
        }
        if (n < 0 && errno != EAGAIN && errno != EINTR) {
            break;
        }
        const int wait = remaining_ms(deadline);
        pollfd p{master_, POLLIN, 0};
        if (wait == 0 || poll(&p, 1, wait) <= 0) {
            break;
        }
    }
    return out;
}

std::vector<uint8_t> PtyPair::drain(int quiet_ms, int timeout_ms) {
    const auto deadline = Clock::now() + std::chrono::milliseconds(timeout_ms);
    std::vector<uint8_t> out;
    while (master_ >= 0) {
        uint8_t buffer[4096];
        const ssize_t n = ::read(master_, buffer, sizeof buffer);
        if (n > 0) {
            out.insert(out.end(), buffer, buffer + n);
            continue;
        }
        if (n < 0 && errno != EAGAIN && errno != EINTR) {
            break;
        }
        const int wait = std::min(quiet_ms, remaining_ms(deadline));
        pollfd p{master_, POLLIN, 0};
        if (wait == 0 || poll(&p, 1, wait) <= 0) {
            break;
        }
    }
    return out;
}

std::size_t PtyPair::pending_at_device() const {
    int count = 0;
    if (ioctl(slave_, FIONREAD, &count) != 0 || count < 0) {
        return 0;
    }
    return static_cast<std::size_t>(count);
}

bool PtyPair::wait_pending_at_device(std::size_t count, int timeout_ms) const {
    const auto deadline = Clock::now() + std::chrono::milliseconds(timeout_ms);
    while (pending_at_device() < count) {
        if (Clock::now() >= deadline) {
            return false;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    return true;
}

std::size_t PtyPair::stall_far_end() {
    std::size_t taken = 0;
    const uint8_t filler[256] = {};
    for (;;) {
        const ssize_t n = ::write(slave_, filler, sizeof filler);
        if (n > 0) {
            taken += static_cast<std::size_t>(n);
            continue;
        }
        if (n < 0 && errno == EINTR) {
            continue;
        }
        break; // EAGAIN: the buffer towards the far end is full
    }
    return taken;
}

std::size_t PtyPair::stall_far_end_settled(int settle_ms) {
    std::size_t taken = stall_far_end();
    for (;;) {
        pollfd p{slave_, POLLOUT, 0};
        const int ready = poll(&p, 1, settle_ms);
        if (ready < 0 && errno == EINTR) {
            continue;
        }
        if (ready <= 0 || (p.revents & POLLOUT) == 0) {
            return taken;
        }
        const std::size_t more = stall_far_end();
        if (more == 0) {
            return taken; // writable yet taking nothing: no stall to be had
        }
        taken += more;
    }
}

void PtyPair::close_master() {
    if (master_ >= 0) {
        ::close(master_);
        master_ = -1;
    }
}

} // namespace nerivo::testing
