// nerivo.exe: the station in its native Windows window.
#include "command_line.h"
#include "dump_output.h"
#include "running_station.h"
#include "station_dialog.h"
#include "wide_text.h"

#include <shellapi.h>

#include <string>
#include <vector>

using namespace nerivo;

namespace {

std::vector<std::string> arguments() {
    std::vector<std::string> result;
    int count = 0;
    LPWSTR* words = CommandLineToArgvW(GetCommandLineW(), &count);
    for (int i = 0; words != nullptr && i < count; ++i) {
        result.push_back(utf8(words[i]));
    }
    LocalFree(words);
    return result;
}

bool write_to(HANDLE out, const std::string& text) {
    if (out == nullptr || out == INVALID_HANDLE_VALUE) {
        return false;
    }
    DWORD mode = 0;
    DWORD written = 0;
    if (GetConsoleMode(out, &mode)) {
        const std::wstring wide_text = wide(text);
        return WriteConsoleW(out, wide_text.data(), static_cast<DWORD>(wide_text.size()), &written,
                             nullptr) != FALSE;
    }
    return WriteFile(out, text.data(), static_cast<DWORD>(text.size()), &written, nullptr) != FALSE;
}

// A window program has no console of its own: the text goes where its output was sent, else
// to the console it was started from, else into a message box.
void tell(const std::string& text, bool problem) {
    if (write_to(GetStdHandle(problem ? STD_ERROR_HANDLE : STD_OUTPUT_HANDLE), text)) {
        return;
    }
    if (AttachConsole(ATTACH_PARENT_PROCESS)) {
        HANDLE console = CreateFileW(L"CONOUT$", GENERIC_READ | GENERIC_WRITE, FILE_SHARE_WRITE,
                                     nullptr, OPEN_EXISTING, 0, nullptr);
        const bool written = write_to(console, text);
        CloseHandle(console);
        FreeConsole();
        if (written) {
            return;
        }
    }
    MessageBoxW(nullptr, wide(text).c_str(), L"Nerivo",
                MB_OK | (problem ? MB_ICONERROR : MB_ICONINFORMATION));
}

// Built in the order each needs the one before: the window, the log files in front of its view
// (with --log-dir), the station over them; taken down in the reverse order, the station first,
// since it may still log a line as it closes its links.
// False when the window could not be made.
bool run_station(HINSTANCE instance, const StationOptions& options) {
    StationDialog window(instance);
    RunningStation behind(window.view(), options);
    window.show_station(behind.station());
    return window.run() != -1;
}

} // namespace

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int) {
    const CommandLine command_line = parse_command_line(arguments());
    switch (command_line.outcome) {
    case CommandLine::Outcome::SHOW_HELP:
    case CommandLine::Outcome::SHOW_VERSION:
        tell(command_line.text, false);
        return 0;
    case CommandLine::Outcome::BAD_USAGE:
        tell(command_line.text, true);
        return 2;
    case CommandLine::Outcome::RUN:
        break;
    }
    apply_command_line(command_line);
    // After the command line, which may still want to write to the console: the record dump
    // goes to descriptor 1, whatever holds it.
    open_closed_standard_descriptors();

    INITCOMMONCONTROLSEX controls{sizeof(INITCOMMONCONTROLSEX),
                                  ICC_LISTVIEW_CLASSES | ICC_BAR_CLASSES};
    InitCommonControlsEx(&controls);
    return run_station(instance, command_line.station) ? 0 : 1;
}
