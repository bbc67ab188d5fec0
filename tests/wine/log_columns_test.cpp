// The logs' columns at 100 %, 150 % and 200 %: the station window, in a fresh process for each
// scale of the test's own Wine prefix (HKCU\Control Panel\Desktop\LogPixels), shows the
// longest nav line and status line whole. The program is both the test and, run with
// --measure FILE, the window it measures.
#include "running_station.h"
#include "station_dialog.h"
#include "wide_text.h"
#include "window_ids.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <string>

using namespace nerivo;

namespace {

// The widest each log sees: the latest time of day and the farthest coordinates, at a slant
// range as deep as the sea goes; the longest status line the station writes itself.
constexpr const char* LONGEST_NAV_LINE =
    "23:59:60.999   LT:-89.99999   LG:-179.99999   SL:10999.99";
constexpr const char* LONGEST_STATUS_LINE =
    "[365 23:59:59] Record dump to standard output is not being read; records dropped";

// What the window showed, for the nav log and the status log: the column at the start, the
// longest line's text in the list's font, the column the control itself asks for to show
// every line whole (LVSCW_AUTOSIZE), and the column after a move to a monitor at twice the DPI.
struct Columns {
    int column[2], text[2], needed[2], after_move[2];
};

StationDialog* measured_window = nullptr;
std::string report_file;

int column_width(HWND list) {
    return ListView_GetColumnWidth(list, 0);
}

void CALLBACK measure(HWND, UINT, UINT_PTR timer, DWORD) {
    KillTimer(nullptr, timer);
    HWND window = FindWindowW(nullptr, L"Nerivo");
    measured_window->view().add_nav_line({}, LONGEST_NAV_LINE);
    measured_window->view().add_status_line({}, LONGEST_STATUS_LINE);
    const HWND logs[2] = {GetDlgItem(window, IDC_NAV_LOG), GetDlgItem(window, IDC_STATUS_LOG)};
    const std::wstring lines[2] = {wide(LONGEST_NAV_LINE), wide(LONGEST_STATUS_LINE)};
    Columns shown{};
    for (int i = 0; i < 2; ++i) {
        shown.column[i] = column_width(logs[i]);
        shown.text[i] = ListView_GetStringWidth(logs[i], lines[i].c_str());
        ListView_SetColumnWidth(logs[i], 0, LVSCW_AUTOSIZE);
        shown.needed[i] = column_width(logs[i]);
    }
    RECT place{};
    GetWindowRect(window, &place);
    const HDC screen = GetDC(nullptr);
    const WORD twice = static_cast<WORD>(2 * GetDeviceCaps(screen, LOGPIXELSX));
    ReleaseDC(nullptr, screen);
    SendMessageW(window, WM_DPICHANGED, MAKEWPARAM(twice, twice), reinterpret_cast<LPARAM>(&place));
    MSG message;
    while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
        DispatchMessageW(&message);
    }
    for (int i = 0; i < 2; ++i) {
        shown.after_move[i] = column_width(logs[i]);
    }
    std::ofstream report(report_file);
    for (const int* values : {shown.column, shown.text, shown.needed, shown.after_move}) {
        report << values[0] << ' ' << values[1] << ' ';
    }
    PostMessageW(window, WM_COMMAND, IDCANCEL, 0);
}

int run_measured_window(const char* file) {
    report_file = file;
    INITCOMMONCONTROLSEX controls{sizeof(INITCOMMONCONTROLSEX), ICC_LISTVIEW_CLASSES};
    InitCommonControlsEx(&controls);
    StationDialog window(GetModuleHandleW(nullptr));
    RunningStation behind(window.view(), StationOptions{});
    window.show_station(behind.station());
    measured_window = &window;
    SetTimer(nullptr, 0, 100, &measure);
    return window.run() == IDCANCEL ? 0 : 1;
}

// The window at `dpi`, in a process of its own: Wine reads the scale as a program starts.
Columns columns_at(unsigned dpi) {
    const DWORD value = dpi;
    EXPECT_EQ(RegSetKeyValueW(HKEY_CURRENT_USER, L"Control Panel\\Desktop", L"LogPixels", REG_DWORD,
                              &value, sizeof value),
              ERROR_SUCCESS);
    wchar_t program[MAX_PATH] = {};
    GetModuleFileNameW(nullptr, program, MAX_PATH);
    const std::string file = "columns-" + std::to_string(dpi) + ".txt";
    std::wstring command =
        L"\"" + std::wstring(program) + L"\" --measure " + std::wstring(file.begin(), file.end());
    STARTUPINFOW start{};
    start.cb = sizeof start;
    PROCESS_INFORMATION child{};
    Columns shown{};
    if (!CreateProcessW(program, command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                        &start, &child)) {
        ADD_FAILURE() << "cannot start the window: error " << GetLastError();
        return shown;
    }
    EXPECT_EQ(WaitForSingleObject(child.hProcess, 30000), WAIT_OBJECT_0);
    CloseHandle(child.hThread);
    CloseHandle(child.hProcess);
    std::ifstream report(file);
    for (int* values : {shown.column, shown.text, shown.needed, shown.after_move}) {
        report >> values[0] >> values[1];
    }
    EXPECT_TRUE(report) << "no report from the window at " << dpi << " DPI";
    report.close();
    DeleteFileA(file.c_str());
    return shown;
}

TEST(LogColumns, FollowTheWindowsScaleAndShowTheLongestLinesWhole) {
    // The column at each scale: 400 px at 100 %, scaled, and wider where a line needs it.
    struct Scale {
        unsigned dpi;
        int column;
    };
    constexpr Scale SCALES[] = {{96, 400}, {144, 600}, {192, 800}};
    constexpr const char* NAMES[2] = {"nav log", "status log"};
    for (const Scale& scale : SCALES) {
        SCOPED_TRACE(std::to_string(scale.dpi) + " DPI");
        const Columns shown = columns_at(scale.dpi);
        for (int i = 0; i < 2; ++i) {
            SCOPED_TRACE(NAMES[i]);
            std::printf("%u DPI, %s: column %d px; the longest line %d px, %d px with the "
                        "control's margins; %d px at twice the DPI\n",
                        scale.dpi, NAMES[i], shown.column[i], shown.text[i], shown.needed[i],
                        shown.after_move[i]);
            EXPECT_GE(shown.column[i], scale.column);
            EXPECT_GE(shown.column[i], shown.needed[i]);
            EXPECT_EQ(shown.after_move[i], 2 * scale.column);
        }
        EXPECT_EQ(shown.column[0], scale.column) << "the nav line needs no more";
    }
}

} // namespace

int main(int argc, char** argv) {
    if (argc == 3 && std::string(argv[1]) == "--measure") {
        return run_measured_window(argv[2]);
    }
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
