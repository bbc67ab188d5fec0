// The logs' columns at 100 %, 150 % and 200 % in the station window, in a Wine prefix of the
// test's own: each column read back, against the width the list view itself asks for to show
// the longest nav line and status line whole.
#include "running_station.h"
#include "station_dialog.h"
#include "window_ids.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <process.h>
#include <string>

using namespace nerivo;

namespace {

// The latest time of day and the farthest coordinates, at a slant range as deep as the sea
// goes; the longest status line the station writes itself.
constexpr const char* LONGEST_LINES[2] = {
    "23:59:60.999   LT:-89.99999   LG:-179.99999   SL:10999.99",
    "[365 23:59:59] Record dump to standard output is not being read; records dropped"};

// For the nav log and the status log: the column, the column the control itself asks for to
// show every line whole in its font (LVSCW_AUTOSIZE), and the column after a move to a monitor
// at twice the DPI.
struct Shown {
    int column[2], needed[2], after_move[2];
} shown;
StationDialog* window = nullptr;

void CALLBACK measure(HWND, UINT, UINT_PTR timer, DWORD) {
    KillTimer(nullptr, timer);
    window->view().add_nav_line({}, LONGEST_LINES[0]);
    window->view().add_status_line({}, LONGEST_LINES[1]);
    const HWND dialog = FindWindowW(nullptr, L"Nerivo");
    const HWND logs[2] = {GetDlgItem(dialog, IDC_NAV_LOG), GetDlgItem(dialog, IDC_STATUS_LOG)};
    for (int i = 0; i < 2; ++i) {
        shown.column[i] = ListView_GetColumnWidth(logs[i], 0);
        ListView_SetColumnWidth(logs[i], 0, LVSCW_AUTOSIZE);
        shown.needed[i] = ListView_GetColumnWidth(logs[i], 0);
    }
    RECT place{};
    GetWindowRect(dialog, &place);
    const HDC screen = GetDC(nullptr);
    const auto twice = static_cast<WORD>(2 * GetDeviceCaps(screen, LOGPIXELSX));
    ReleaseDC(nullptr, screen);
    SendMessageW(dialog, WM_DPICHANGED, MAKEWPARAM(twice, twice), reinterpret_cast<LPARAM>(&place));
    MSG message;
    while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
        DispatchMessageW(&message);
    }
    for (int i = 0; i < 2; ++i) {
        shown.after_move[i] = ListView_GetColumnWidth(logs[i], 0);
    }
    PostMessageW(dialog, WM_COMMAND, IDCANCEL, 0);
}

// One row of the table below, run in a process of its own at the scale the row gave the prefix.
TEST(LogColumns, AtThePrefixScale) {
    const char* expected = std::getenv("NERIVO_LOG_COLUMN");
    if (expected == nullptr) {
        GTEST_SKIP() << "a row of FollowTheWindowsScaleAndShowTheLongestLinesWhole";
    }
    const int column = std::atoi(expected);
    INITCOMMONCONTROLSEX controls{sizeof(INITCOMMONCONTROLSEX), ICC_LISTVIEW_CLASSES};
    InitCommonControlsEx(&controls);
    StationDialog station_window(GetModuleHandleW(nullptr));
    RunningStation behind(station_window.view(), StationOptions{});
    station_window.show_station(behind.station());
    window = &station_window;
    SetTimer(nullptr, 0, 100, &measure);
    ASSERT_EQ(station_window.run(), IDCANCEL);

    constexpr const char* NAMES[2] = {"nav log", "status log"};
    for (int i = 0; i < 2; ++i) {
        std::printf("%s: column %d px, its longest line needs %d px; %d px at twice the DPI\n",
                    NAMES[i], shown.column[i], shown.needed[i], shown.after_move[i]);
        EXPECT_GE(shown.column[i], column) << NAMES[i];
        EXPECT_GE(shown.column[i], shown.needed[i]) << NAMES[i];
        EXPECT_EQ(shown.after_move[i], 2 * column) << NAMES[i];
    }
    EXPECT_EQ(shown.column[0], column) << "the nav line needs no more";
}

// Wine reads the scale (LogPixels) as a program starts: each row runs the test above again.
TEST(LogColumns, FollowTheWindowsScaleAndShowTheLongestLinesWhole) {
    struct Scale {
        DWORD dpi;
        int column; // at the least, both logs
    };
    constexpr Scale SCALES[] = {{96, 400}, {144, 600}, {192, 800}};
    char program[MAX_PATH] = {};
    GetModuleFileNameA(nullptr, program, MAX_PATH);
    const std::string quoted = '"' + std::string(program) + '"';
    for (const Scale& scale : SCALES) {
        ASSERT_EQ(RegSetKeyValueW(HKEY_CURRENT_USER, L"Control Panel\\Desktop", L"LogPixels",
                                  REG_DWORD, &scale.dpi, sizeof scale.dpi),
                  ERROR_SUCCESS);
        _putenv(("NERIVO_LOG_COLUMN=" + std::to_string(scale.column)).c_str());
        std::printf("-- %lu DPI\n", scale.dpi);
        std::fflush(stdout);
        EXPECT_EQ(
            _spawnl(_P_WAIT, program, quoted.c_str(), "--gtest_filter=*AtThePrefixScale", nullptr),
            0)
            << "at " << scale.dpi << " DPI";
    }
    _putenv("NERIVO_LOG_COLUMN=");
}

} // namespace
