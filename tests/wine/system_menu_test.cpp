// The system menu's About entry, on a plain Win32 window (Wine's null display driver needs no
// display).
#include "win32_system_menu.h"

#include "windows_api.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

constexpr unsigned ABOUT = 0x0010;

// What reached the window's handler as the About command.
std::vector<WPARAM> about_commands;

LRESULT CALLBACK window_procedure(HWND window, UINT message, WPARAM w, LPARAM l) {
    const MSG msg{window, message, w, l, 0, {}};
    if (nerivo::is_system_command(msg, ABOUT)) {
        about_commands.push_back(w);
        return 0;
    }
    return DefWindowProcW(window, message, w, l);
}

class SystemMenu : public ::testing::Test {
protected:
    void SetUp() override {
        WNDCLASSW type{};
        type.lpfnWndProc = window_procedure;
        type.hInstance = GetModuleHandleW(nullptr);
        type.lpszClassName = L"NerivoSystemMenuTest";
        RegisterClassW(&type);
        window = CreateWindowExW(0, type.lpszClassName, L"Nerivo", WS_OVERLAPPEDWINDOW, 0, 0, 300,
                                 200, nullptr, nullptr, type.hInstance, nullptr);
        ASSERT_NE(window, nullptr) << "no window: error " << GetLastError();
        about_commands.clear();
    }
    void TearDown() override {
        if (window != nullptr) {
            DestroyWindow(window);
        }
    }

    HWND window = nullptr;
};

std::wstring item_text(HMENU menu, int position) {
    wchar_t text[128] = {};
    GetMenuStringW(menu, static_cast<UINT>(position), text, 128, MF_BYPOSITION);
    return text;
}

TEST_F(SystemMenu, AboutEntryFollowsASeparatorAtTheEnd) {
    const HMENU menu = GetSystemMenu(window, FALSE);
    ASSERT_NE(menu, nullptr);
    const int before = GetMenuItemCount(menu);

    ASSERT_TRUE(nerivo::add_system_menu_entry(window, ABOUT, "&About Nerivo..."));

    ASSERT_EQ(GetMenuItemCount(menu), before + 2);
    MENUITEMINFOW separator{};
    separator.cbSize = sizeof separator;
    separator.fMask = MIIM_FTYPE;
    ASSERT_TRUE(GetMenuItemInfoW(menu, static_cast<UINT>(before), TRUE, &separator));
    EXPECT_NE(separator.fType & MFT_SEPARATOR, 0u);
    EXPECT_EQ(GetMenuItemID(menu, before + 1), ABOUT);
    EXPECT_EQ(item_text(menu, before + 1), L"&About Nerivo...");
    // The window's own entries stay as they were.
    EXPECT_NE(GetMenuState(menu, SC_CLOSE, MF_BYCOMMAND), static_cast<UINT>(-1));
}

TEST_F(SystemMenu, UnicodeTextArrivesWhole) {
    ASSERT_TRUE(nerivo::add_system_menu_entry(window, ABOUT, "\xC3\x80 propos"));
    const HMENU menu = GetSystemMenu(window, FALSE);
    EXPECT_EQ(item_text(menu, GetMenuItemCount(menu) - 1), L"\u00C0 propos");
}

TEST_F(SystemMenu, NoEntryWithoutTextOrWindow) {
    const HMENU menu = GetSystemMenu(window, FALSE);
    const int before = GetMenuItemCount(menu);
    EXPECT_FALSE(nerivo::add_system_menu_entry(window, ABOUT, ""));
    EXPECT_FALSE(nerivo::add_system_menu_entry(nullptr, ABOUT, "&About Nerivo..."));
    EXPECT_EQ(GetMenuItemCount(menu), before);
}

TEST_F(SystemMenu, OnlyItsOwnSixteenCommandsReachTheAboutHandler) {
    // The same number as an ordinary command is not the system menu's.
    SendMessageW(window, WM_COMMAND, 0x0010, 0);
    // Close last: the window's default handling ends it.
    for (const WPARAM command : {0x0010, 0x0013, 0x001F, 0x0000, 0x000F, 0x0020, 0xF060}) {
        SendMessageW(window, WM_SYSCOMMAND, command, 0);
    }
    EXPECT_EQ(about_commands, (std::vector<WPARAM>{0x0010, 0x0013, 0x001F}));
}

} // namespace
