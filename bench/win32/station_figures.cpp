// nerivo.exe's figures under Wine, from inside a run of the real window. The program does what
// nerivo.exe does and also times each tick's timer message through the window's procedure; a
// tick that put a line in the nav log sent a nav record (busy). When the window ends it
// writes, to standard error:
//   figure win32_tick busy_median_us M busy_p99_us P quiet_median_us Q ticks N busy B
//   figure win32_working_set_kb W peak_kb P
//
//   nerivo-figures.exe [nerivo.exe's options]
//   nerivo-figures.exe --first-tick-runs N   start-up to the first tick of N fresh processes:
//                                            figure win32_first_tick_ms median M runs N
#include "command_line.h"
#include "measures.h"
#include "running_station.h"
#include "station_dialog.h"
#include "wide_text.h"

#include <psapi.h>
#include <shellapi.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

using namespace nerivo;
using bench::quantile;

namespace {

constexpr const char* SPAWNED_AT = "NERIVO_FIGURES_SPAWNED_AT";

double now_us() {
    static const double per_us = [] {
        LARGE_INTEGER frequency;
        QueryPerformanceFrequency(&frequency);
        return static_cast<double>(frequency.QuadPart) / 1e6;
    }();
    LARGE_INTEGER count;
    QueryPerformanceCounter(&count);
    return static_cast<double>(count.QuadPart) / per_us;
}

// The window's view with the nav log's lines counted on the way.
class CountingView : public StationView {
public:
    explicit CountingView(StationView& next) : next_(next) {}
    void add_status_line(WallTime time, const std::string& line) override {
        next_.add_status_line(time, line);
    }
    void add_nav_line(WallTime time, const std::string& line) override {
        ++nav_lines;
        next_.add_nav_line(time, line);
    }
    std::string field_text(int id) const override { return next_.field_text(id); }
    void set_field_text(int id, const std::string& text) override {
        next_.set_field_text(id, text);
    }
    void set_button_colours(int id, uint32_t text_colour, uint32_t face_colour) override {
        next_.set_button_colours(id, text_colour, face_colour);
    }
    void set_field_stale(int id, bool stale) override { next_.set_field_stale(id, stale); }
    void set_field_tooltip(int id, const std::string& text) override {
        next_.set_field_tooltip(id, text);
    }
    bool ask_yes_no(const std::string& text, const std::string& caption) override {
        return next_.ask_yes_no(text, caption);
    }

    long nav_lines = 0;

private:
    StationView& next_;
};

// What the watch sees; one window, one thread.
struct Watch {
    const CountingView* view = nullptr;
    bool first_tick_only = false;
    WNDPROC window_proc = nullptr;
    std::vector<double> busy_us, quiet_us;
} watch;

// The window's own procedure, with each tick timed (wall time: the tick waits for its writes).
LRESULT CALLBACK timed_window_proc(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
    if (message != WM_TIMER || wparam != StationDialog::TICK_TIMER) {
        return CallWindowProcW(watch.window_proc, window, message, wparam, lparam);
    }
    const long nav_lines = watch.view->nav_lines;
    const double started = now_us();
    const LRESULT result = CallWindowProcW(watch.window_proc, window, message, wparam, lparam);
    const double took = now_us() - started;
    (watch.view->nav_lines != nav_lines ? watch.busy_us : watch.quiet_us).push_back(took);
    return result;
}

// Sees the first tick's timer message before it is handled: notes the time for a start-up
// run, and puts the timing procedure in front of the window's.
LRESULT CALLBACK on_message_taken(int code, WPARAM wparam, LPARAM lparam) {
    const auto* message = reinterpret_cast<const MSG*>(lparam);
    if (code == HC_ACTION && wparam == PM_REMOVE && message->message == WM_TIMER &&
        message->wParam == StationDialog::TICK_TIMER && watch.window_proc == nullptr) {
        if (watch.first_tick_only) {
            const double spawned_at = std::atof(std::getenv(SPAWNED_AT));
            std::fprintf(stderr, "%.1f\n", (now_us() - spawned_at) / 1e3);
            std::fflush(stderr);
            PostMessageW(message->hwnd, WM_COMMAND, IDCANCEL, 0);
        }
        watch.window_proc = reinterpret_cast<WNDPROC>(SetWindowLongPtrW(
            message->hwnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&timed_window_proc)));
    }
    return CallNextHookEx(nullptr, code, wparam, lparam);
}

void report_ticks() {
    std::fprintf(stderr,
                 "figure win32_tick busy_median_us %.0f busy_p99_us %.0f quiet_median_us %.0f "
                 "ticks %zu busy %zu\n",
                 quantile(watch.busy_us, 0.5), quantile(watch.busy_us, 0.99),
                 quantile(watch.quiet_us, 0.5), watch.busy_us.size() + watch.quiet_us.size(),
                 watch.busy_us.size());
    PROCESS_MEMORY_COUNTERS memory{};
    GetProcessMemoryInfo(GetCurrentProcess(), &memory, sizeof memory);
    std::fprintf(stderr, "figure win32_working_set_kb %zu peak_kb %zu\n",
                 memory.WorkingSetSize / 1024, memory.PeakWorkingSetSize / 1024);
}

// Spawns this program `runs` times, each ending after its first tick, and gives the median
// of the times from just before the spawn to that tick.
int first_tick_runs(int runs) {
    wchar_t self[MAX_PATH];
    GetModuleFileNameW(nullptr, self, MAX_PATH);
    std::vector<double> times;
    for (int run = 0; run < runs; ++run) {
        HANDLE read_end = nullptr;
        HANDLE write_end = nullptr;
        SECURITY_ATTRIBUTES inherit{sizeof inherit, nullptr, TRUE};
        CreatePipe(&read_end, &write_end, &inherit, 0);
        SetHandleInformation(read_end, HANDLE_FLAG_INHERIT, 0);
        STARTUPINFOW startup{};
        startup.cb = sizeof startup;
        startup.dwFlags = STARTF_USESTDHANDLES;
        startup.hStdError = write_end;
        startup.hStdOutput = GetStdHandle(STD_OUTPUT_HANDLE);
        PROCESS_INFORMATION process{};
        std::wstring command = L"\"" + std::wstring(self) + L"\" --figures-first-tick";
        SetEnvironmentVariableA(SPAWNED_AT, std::to_string(now_us()).c_str());
        if (!CreateProcessW(self, command.data(), nullptr, nullptr, TRUE, 0, nullptr, nullptr,
                            &startup, &process)) {
            std::fprintf(stderr, "cannot start %s\n", utf8(self).c_str());
            return 1;
        }
        CloseHandle(write_end);
        char text[64] = {};
        DWORD got = 0;
        ReadFile(read_end, text, sizeof text - 1, &got, nullptr);
        WaitForSingleObject(process.hProcess, INFINITE);
        CloseHandle(process.hProcess);
        CloseHandle(process.hThread);
        CloseHandle(read_end);
        std::fprintf(stderr, "  run %d: first tick %s", run + 1, text);
        times.push_back(std::atof(text));
    }
    std::fprintf(stderr, "figure win32_first_tick_ms median %.1f runs %d\n", quantile(times, 0.5),
                 runs);
    return 0;
}

} // namespace

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int) {
    int count = 0;
    LPWSTR* words = CommandLineToArgvW(GetCommandLineW(), &count);
    std::vector<std::string> arguments;
    for (int i = 0; i < count; ++i) {
        arguments.push_back(utf8(words[i]));
    }
    LocalFree(words);
    if (arguments.size() == 3 && arguments[1] == "--first-tick-runs") {
        return first_tick_runs(std::max(1, std::atoi(arguments[2].c_str())));
    }
    watch.first_tick_only = arguments.size() == 2 && arguments[1] == "--figures-first-tick";
    if (watch.first_tick_only) {
        arguments.pop_back();
    }
    const CommandLine command_line = parse_command_line(arguments);
    if (command_line.outcome != CommandLine::Outcome::RUN) {
        std::fprintf(stderr, "%s", command_line.text.c_str());
        return 2;
    }
    apply_command_line(command_line);
    open_closed_standard_descriptors();
    INITCOMMONCONTROLSEX controls{sizeof(INITCOMMONCONTROLSEX),
                                  ICC_LISTVIEW_CLASSES | ICC_BAR_CLASSES};
    InitCommonControlsEx(&controls);

    StationDialog window(instance);
    CountingView counting(window.view());
    watch.view = &counting;
    HHOOK hook = SetWindowsHookExW(WH_GETMESSAGE, on_message_taken, nullptr, GetCurrentThreadId());
    {
        RunningStation behind(counting, command_line.station);
        window.show_station(behind.station());
        window.run();
    }
    UnhookWindowsHookEx(hook);
    if (!watch.first_tick_only) {
        report_ticks();
    }
    return 0;
}
