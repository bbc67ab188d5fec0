// The track window's picture as the screen gets it (WM_PRINTCLIENT goes through the same
// double buffer as WM_PAINT), on a plain window under Wine's null display driver, against the
// scene a TrackPlot of the same size and scale works out.
#include "track_window.h"
#include "window_dpi.h"
#include "window_ids.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <numbers>
#include <tuple>
#include <vector>

using namespace nerivo;

namespace {

// Metres east and north of 50° N 1° W.
GeoPosition at(double east, double north) {
    constexpr double METRES_PER_DEGREE = 6371000.0 * std::numbers::pi / 180.0;
    return {50.0 + north / METRES_PER_DEGREE,
            -1.0 + east / (METRES_PER_DEGREE * std::cos(50.0 * std::numbers::pi / 180))};
}

// The latest points of both tracks 10 m apart, right of the legend, and near enough to each
// other to stay in sight two zoom steps in.
TrackModel two_point_track() {
    TrackModel track;
    for (const auto& [ms, usbl, vehicle] :
         {std::tuple{1000, at(0, 0), at(10, 60)}, std::tuple{2000, at(50, 30), at(42, 36)}}) {
        track.add_usbl_fix(ms, usbl.latitude, usbl.longitude);
        (void)track.add_vehicle_position(ms, vehicle.latitude, vehicle.longitude, 20, 90);
    }
    return track;
}

// The client area as painted into a 32-bit bitmap: 0xRRGGBB a pixel, rows top down.
struct Picture {
    int width = 0;
    std::vector<uint32_t> pixels;

    uint32_t at(PlotPoint point) const {
        return pixels[std::lround(point.y) * width + std::lround(point.x)] & 0xFFFFFF;
    }
};

Picture print(HWND window) {
    RECT client{};
    GetClientRect(window, &client);
    BITMAPINFO format{};
    format.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    format.bmiHeader.biWidth = client.right;
    format.bmiHeader.biHeight = -client.bottom;
    format.bmiHeader.biPlanes = 1;
    format.bmiHeader.biBitCount = 32;
    void* bits = nullptr;
    const HDC dc = CreateCompatibleDC(nullptr);
    const HBITMAP bitmap = CreateDIBSection(dc, &format, DIB_RGB_COLORS, &bits, nullptr, 0);
    const HGDIOBJ was = SelectObject(dc, bitmap);
    SendMessageW(window, WM_PRINTCLIENT, reinterpret_cast<WPARAM>(dc), PRF_CLIENT);
    GdiFlush();
    const auto* first = static_cast<const uint32_t*>(bits);
    Picture picture{client.right, {first, first + client.right * client.bottom}};
    SelectObject(dc, was);
    DeleteObject(bitmap);
    DeleteDC(dc);
    return picture;
}

TEST(TrackWindow, PaintsEachTracksLatestPointInItsColourAtEveryZoom) {
    const TrackModel track = two_point_track();
    TrackWindow window(GetModuleHandleW(nullptr), track);
    ASSERT_TRUE(window.open(nullptr));
    wchar_t title[64] = {};
    GetWindowTextW(window.handle(), title, 64);
    EXPECT_STREQ(title, L"Track plot - Nerivo");

    TrackPlot expected;
    const unsigned dpi = window_dpi(window.handle());
    double scale = dpi / 96.0;
    struct Step {
        const char* what;
        UINT message;
        WPARAM key_or_wheel;
        void (TrackPlot::*on_plot)(); // the same on a plot of the test's own
    };
    const Step steps[] = {
        {"fitted", WM_NULL, 0, nullptr},
        {"+", WM_KEYDOWN, VK_OEM_PLUS, &TrackPlot::zoom_in},
        {"keypad + again", WM_KEYDOWN, VK_ADD, &TrackPlot::zoom_in},
        {"two wheel notches back", WM_MOUSEWHEEL, MAKEWPARAM(0, -240), &TrackPlot::zoom_out},
        // Hidden, and shown again at the zoom it had.
        {"closed", WM_CLOSE, 0, nullptr},
        {"-", WM_KEYDOWN, VK_OEM_MINUS, &TrackPlot::zoom_out},
        {"Home", WM_KEYDOWN, VK_HOME, &TrackPlot::fit},
        // Moved to a screen at twice the DPI, in the place Windows suggests, twice as large.
        {"twice the DPI", WM_DPICHANGED, MAKEWPARAM(2 * dpi, 2 * dpi), nullptr},
    };
    for (const Step& step : steps) {
        RECT place{};
        GetWindowRect(window.handle(), &place);
        place.right += place.right - place.left;
        place.bottom += place.bottom - place.top;
        SendMessageW(window.handle(), step.message, step.key_or_wheel,
                     step.message == WM_DPICHANGED ? reinterpret_cast<LPARAM>(&place) : 0);
        if (step.message == WM_DPICHANGED) {
            scale *= 2;
        }
        if (step.on_plot != nullptr) {
            (expected.*step.on_plot)();
        }
        if (step.message == WM_CLOSE) {
            EXPECT_FALSE(IsWindowVisible(window.handle()));
            ASSERT_TRUE(window.open(nullptr));
        }
        EXPECT_TRUE(IsWindowVisible(window.handle())) << step.what;
        RECT client{};
        GetClientRect(window.handle(), &client);
        const TrackScene scene = expected.scene(track, client.right, client.bottom, scale);
        ASSERT_TRUE(scene.usbl_latest && scene.vehicle_latest) << step.what;
        const Picture picture = print(window.handle());
        EXPECT_EQ(picture.at(*scene.usbl_latest), USBL_TRACK_COLOUR) << step.what;
        EXPECT_EQ(picture.at(*scene.vehicle_latest), VEHICLE_TRACK_COLOUR) << step.what;
    }
}

} // namespace
