#include "track_window.h"

#include "station_dialog.h"
#include "track_gpx_file.h"
#include "wide_text.h"
#include "window_dpi.h"
#include "window_ids.h"

#include <commdlg.h>

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <map>
#include <string>
#include <tuple>
#include <vector>

namespace nerivo {
namespace {

constexpr const wchar_t* WINDOW_CLASS = L"NerivoTrackPlot";
constexpr int WIDTH_AT_100 = 640;
constexpr int HEIGHT_AT_100 = 480;

COLORREF colour_ref(uint32_t rgb) {
    return RGB((rgb >> 16) & 0xFF, (rgb >> 8) & 0xFF, rgb & 0xFF);
}

int pixel(float value) {
    return static_cast<int>(std::lround(value));
}

// One pen for each colour, width and dash of a picture: a day of track is few strokes, but the
// grid and the legend share their pens.
class Pens {
public:
    Pens() = default;
    Pens(const Pens&) = delete;
    Pens& operator=(const Pens&) = delete;
    ~Pens() {
        for (const auto& [key, pen] : pens_) {
            DeleteObject(pen);
        }
    }

    HPEN for_stroke(const PlotStroke& stroke) {
        const int width = std::max(1, pixel(stroke.width));
        const auto key = std::tuple{stroke.colour, width, stroke.dashed};
        HPEN& pen = pens_[key];
        if (pen != nullptr) {
            return pen;
        }
        const COLORREF colour = colour_ref(stroke.colour);
        if (width == 1) {
            // Cosmetic pens: the fast ones, and what a one-pixel line is anyway.
            pen = CreatePen(stroke.dashed ? PS_DASH : PS_SOLID, 1, colour);
        } else {
            // Wide cosmetic pens cannot dash, and round joins keep a wide track's corners whole.
            const LOGBRUSH brush{BS_SOLID, colour, 0};
            const DWORD style = stroke.dashed
                                    ? PS_GEOMETRIC | PS_DASH | PS_ENDCAP_FLAT | PS_JOIN_MITER
                                    : PS_GEOMETRIC | PS_SOLID | PS_ENDCAP_ROUND | PS_JOIN_ROUND;
            pen = ExtCreatePen(style, static_cast<DWORD>(width), &brush, 0, nullptr);
        }
        return pen;
    }

private:
    std::map<std::tuple<uint32_t, int, bool>, HPEN> pens_;
};

UINT text_align(PlotText::Align align) {
    switch (align) {
    case PlotText::Align::CENTRE:
        return TA_TOP | TA_CENTER | TA_NOUPDATECP;
    case PlotText::Align::RIGHT:
        return TA_TOP | TA_RIGHT | TA_NOUPDATECP;
    case PlotText::Align::LEFT:
        break;
    }
    return TA_TOP | TA_LEFT | TA_NOUPDATECP;
}

} // namespace

TrackWindow::~TrackWindow() {
    if (window_ != nullptr) {
        DestroyWindow(window_);
    }
    release_picture();
    if (font_ != nullptr) {
        DeleteObject(font_);
    }
}

bool TrackWindow::open(HWND owner) {
    if (window_ == nullptr) {
        WNDCLASSEXW type{};
        type.cbSize = sizeof type;
        if (!GetClassInfoExW(instance_, WINDOW_CLASS, &type)) {
            type.lpfnWndProc = &TrackWindow::window_proc;
            type.hInstance = instance_;
            type.hCursor = LoadCursorW(nullptr, IDC_ARROW);
            type.lpszClassName = WINDOW_CLASS;
            RegisterClassExW(&type);
        }
        // Owned by the station window: above it, minimised and closed with it, and its
        // messages go through the station window's dialog loop.
        if (CreateWindowExW(0, WINDOW_CLASS, wide(TRACK_WINDOW_TITLE).c_str(), WS_OVERLAPPEDWINDOW,
                            CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, owner,
                            nullptr, instance_, this) == nullptr) {
            return false;
        }
        dpi_ = window_dpi(window_);
        RECT frame{0, 0, scaled(WIDTH_AT_100, dpi_), scaled(HEIGHT_AT_100, dpi_)};
        AdjustWindowRectEx(&frame, WS_OVERLAPPEDWINDOW, FALSE, 0);
        SetWindowPos(window_, nullptr, 0, 0, frame.right - frame.left, frame.bottom - frame.top,
                     SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
        for (const auto& [which, size] :
             {std::pair{ICON_BIG, SM_CXICON}, {ICON_SMALL, SM_CXSMICON}}) {
            SendMessageW(
                window_, WM_SETICON, which,
                reinterpret_cast<LPARAM>(application_icon(instance_, system_metric(size, dpi_))));
        }
    }
    ShowWindow(window_, IsIconic(window_) ? SW_RESTORE : SW_SHOW);
    SetForegroundWindow(window_);
    return true;
}

void TrackWindow::show_new_points() {
    if (window_ != nullptr && IsWindowVisible(window_) && plot_.behind(track_)) {
        InvalidateRect(window_, nullptr, FALSE);
    }
}

LRESULT CALLBACK TrackWindow::window_proc(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
    if (message == WM_NCCREATE) {
        auto* self =
            static_cast<TrackWindow*>(reinterpret_cast<CREATESTRUCTW*>(lparam)->lpCreateParams);
        SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(self));
        self->window_ = window;
    }
    auto* self = reinterpret_cast<TrackWindow*>(GetWindowLongPtrW(window, GWLP_USERDATA));
    if (message == WM_NCDESTROY && self != nullptr) {
        SetWindowLongPtrW(window, GWLP_USERDATA, 0);
        self->release_picture();
        self->window_ = nullptr;
        self = nullptr;
    }
    return self != nullptr ? self->on_message(message, wparam, lparam)
                           : DefWindowProcW(window, message, wparam, lparam);
}

LRESULT TrackWindow::on_message(UINT message, WPARAM wparam, LPARAM lparam) {
    switch (message) {
    case WM_PAINT: {
        PAINTSTRUCT paint;
        const HDC dc = BeginPaint(window_, &paint);
        show_picture(dc);
        EndPaint(window_, &paint);
        return 0;
    }
    case WM_PRINTCLIENT:
        show_picture(reinterpret_cast<HDC>(wparam));
        return 0;
    case WM_ERASEBKGND:
        return 1; // the picture covers the whole client area
    case WM_SIZE:
        redraw();
        return 0;
    case WM_KEYDOWN:
        if (on_key(wparam)) {
            return 0;
        }
        break;
    case WM_MOUSEWHEEL:
        plot_.zoom_by_wheel(GET_WHEEL_DELTA_WPARAM(wparam));
        redraw();
        return 0;
    case WM_DPICHANGED: {
        dpi_ = LOWORD(wparam);
        const RECT& suggested = *reinterpret_cast<const RECT*>(lparam);
        SetWindowPos(window_, nullptr, suggested.left, suggested.top,
                     suggested.right - suggested.left, suggested.bottom - suggested.top,
                     SWP_NOZORDER | SWP_NOACTIVATE);
        redraw();
        return 0;
    }
    case WM_CLOSE:
        ShowWindow(window_, SW_HIDE);
        return 0;
    default:
        break;
    }
    return DefWindowProcW(window_, message, wparam, lparam);
}

bool TrackWindow::on_key(WPARAM key) {
    switch (key) {
    case VK_OEM_PLUS:
    case VK_ADD:
        plot_.zoom_in();
        break;
    case VK_OEM_MINUS:
    case VK_SUBTRACT:
        plot_.zoom_out();
        break;
    case VK_HOME:
        plot_.fit();
        break;
    case 'S':
        if (GetKeyState(VK_CONTROL) >= 0) {
            return false;
        }
        save_as_gpx();
        return true;
    default:
        return false;
    }
    redraw();
    return true;
}

// As the Qt window does: nerivo-track.gpx in the current folder the first time, the last name
// saved after that; nothing said on success, and a box saying why on failure.
void TrackWindow::save_as_gpx() {
    std::wstring name(MAX_PATH, L'\0');
    const std::wstring offered = save_path_.empty() ? wide(TRACK_SAVE_FIRST_NAME) : save_path_;
    offered.copy(name.data(), std::min(offered.size(), name.size() - 1));
    std::wstring folder(MAX_PATH, L'\0');
    const DWORD length = GetCurrentDirectoryW(MAX_PATH, folder.data());
    folder.resize(length < MAX_PATH ? length : 0);
    OPENFILENAMEW dialog{};
    dialog.lStructSize = sizeof dialog;
    dialog.hwndOwner = window_;
    dialog.lpstrFilter = L"GPX files (*.gpx)\0*.gpx\0All files (*.*)\0*.*\0";
    dialog.lpstrFile = name.data();
    dialog.nMaxFile = MAX_PATH;
    dialog.lpstrInitialDir = save_path_.empty() && !folder.empty() ? folder.c_str() : nullptr;
    const std::wstring title = wide(TRACK_SAVE_TITLE);
    dialog.lpstrTitle = title.c_str();
    dialog.lpstrDefExt = L"gpx"; // a name typed without it gets it
    dialog.Flags = OFN_OVERWRITEPROMPT | OFN_PATHMUSTEXIST | OFN_HIDEREADONLY | OFN_NOCHANGEDIR;
    std::string problem;
    if (GetSaveFileNameW(&dialog)) {
        name.resize(name.find(L'\0'));
        problem = save_track_gpx(track_, std::filesystem::path(name));
        if (problem.empty()) {
            save_path_ = name;
        }
    } else if (const DWORD error = CommDlgExtendedError(); error != 0) {
        problem = "the save dialog could not be shown (error " + std::to_string(error) + ")";
    }
    if (!problem.empty()) {
        MessageBoxW(window_, wide(TRACK_NOT_SAVED + problem).c_str(),
                    wide(TRACK_WINDOW_TITLE).c_str(), MB_OK | MB_ICONWARNING);
    }
}

void TrackWindow::redraw() {
    picture_stale_ = true;
    if (window_ != nullptr) {
        InvalidateRect(window_, nullptr, FALSE);
    }
}

// A WM_PAINT that only uncovers the window copies the picture kept; a new point or a new view
// draws it again first. Either way the screen gets it in one copy, so it never flickers.
void TrackWindow::show_picture(HDC target) {
    RECT client{};
    GetClientRect(window_, &client);
    const SIZE size{client.right, client.bottom};
    if (size.cx <= 0 || size.cy <= 0) {
        return;
    }
    if (picture_ == nullptr || size.cx != picture_size_.cx || size.cy != picture_size_.cy) {
        release_picture();
        // Made like the window's own DC, whatever DC asked (a WM_PRINTCLIENT's may be any).
        const HDC screen = GetDC(window_);
        picture_dc_ = CreateCompatibleDC(screen);
        picture_ = CreateCompatibleBitmap(screen, size.cx, size.cy);
        ReleaseDC(window_, screen);
        if (picture_dc_ == nullptr || picture_ == nullptr) {
            release_picture();
            return;
        }
        picture_was_ = SelectObject(picture_dc_, picture_);
        picture_size_ = size;
        picture_stale_ = true;
    }
    if (picture_stale_ || plot_.behind(track_)) {
        draw_picture(size.cx, size.cy);
        picture_stale_ = false;
    }
    BitBlt(target, 0, 0, size.cx, size.cy, picture_dc_, 0, 0, SRCCOPY);
}

void TrackWindow::draw_picture(int width, int height) {
    const TrackScene scene =
        plot_.scene(track_, width, height, static_cast<double>(dpi_) / BASE_DPI);
    const HDC dc = picture_dc_;
    const RECT all{0, 0, width, height};
    const HBRUSH background = CreateSolidBrush(colour_ref(PLOT_BACKGROUND));
    FillRect(dc, &all, background);
    DeleteObject(background);

    SetBkMode(dc, TRANSPARENT); // a dashed line's gaps show what is under them
    Pens pens;
    const HGDIOBJ pen_was = SelectObject(dc, GetStockObject(NULL_PEN));
    std::vector<POINT> points;
    for (const PlotStroke& stroke : scene.strokes) {
        if (stroke.points.size() < 2) {
            continue;
        }
        points.clear();
        for (const PlotPoint& point : stroke.points) {
            points.push_back({pixel(point.x), pixel(point.y)});
        }
        SelectObject(dc, pens.for_stroke(stroke));
        Polyline(dc, points.data(), static_cast<int>(points.size()));
    }

    SelectObject(dc, GetStockObject(NULL_PEN));
    const HGDIOBJ brush_was = SelectObject(dc, GetStockObject(DC_BRUSH));
    for (const PlotMark& mark : scene.marks) {
        const int x = pixel(mark.centre.x);
        const int y = pixel(mark.centre.y);
        const int radius = std::max(1, pixel(mark.radius));
        SetDCBrushColor(dc, colour_ref(mark.colour));
        // Without a pen a disc leaves out its right and bottom edges: one more for those.
        Ellipse(dc, x - radius, y - radius, x + radius + 1, y + radius + 1);
    }
    SelectObject(dc, brush_was);
    SelectObject(dc, pen_was);

    fit_font_to(scene.text_height);
    const HGDIOBJ font_was = SelectObject(dc, font_);
    for (const PlotText& text : scene.texts) {
        const std::wstring line = wide(text.text);
        SetTextAlign(dc, text_align(text.align));
        SetTextColor(dc, colour_ref(text.colour));
        TextOutW(dc, pixel(text.at.x), pixel(text.at.y), line.c_str(),
                 static_cast<int>(line.size()));
    }
    SelectObject(dc, font_was);
}

// The system's message font at the window's DPI, made smaller when its lines are taller than
// the scene's.
void TrackWindow::fit_font_to(float text_height) {
    if (font_ != nullptr && text_height == font_for_height_) {
        return;
    }
    if (font_ != nullptr) {
        DeleteObject(font_);
    }
    LOGFONTW face = message_font(dpi_);
    font_ = CreateFontIndirectW(&face);
    TEXTMETRICW metrics{};
    const HGDIOBJ was = SelectObject(picture_dc_, font_);
    GetTextMetricsW(picture_dc_, &metrics);
    SelectObject(picture_dc_, was);
    const int line = static_cast<int>(std::floor(text_height));
    if (metrics.tmHeight > line && line > 0) {
        DeleteObject(font_);
        face.lfHeight = line; // positive: the height of the whole line
        face.lfWidth = 0;
        font_ = CreateFontIndirectW(&face);
    }
    font_for_height_ = text_height;
}

void TrackWindow::release_picture() {
    if (picture_dc_ != nullptr) {
        SelectObject(picture_dc_, picture_was_);
        DeleteDC(picture_dc_);
    }
    if (picture_ != nullptr) {
        DeleteObject(picture_);
    }
    picture_dc_ = nullptr;
    picture_ = nullptr;
    picture_size_ = {};
}

} // namespace nerivo
