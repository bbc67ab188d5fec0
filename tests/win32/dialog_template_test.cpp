#include "dialog_template.h"
#include "wide_text.h"
#include "win32_api.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

using namespace nerivo;

namespace {

// Reads a template back the way the dialog manager does.
class TemplateReader {
public:
    explicit TemplateReader(const std::vector<std::uint8_t>& bytes) : bytes_(bytes) {}

    std::uint16_t word() {
        const auto value = static_cast<std::uint16_t>(bytes_.at(at_) | bytes_.at(at_ + 1) << 8);
        at_ += 2;
        return value;
    }
    std::uint32_t dword() { return word() | static_cast<std::uint32_t>(word()) << 16; }
    int coordinate() { return static_cast<std::int16_t>(word()); }
    std::wstring text() {
        std::wstring value;
        for (std::uint16_t c = word(); c != 0; c = word()) {
            value += static_cast<wchar_t>(c);
        }
        return value;
    }
    void align_dword() { at_ = (at_ + 3) & ~std::size_t{3}; }
    bool at_end() const { return at_ == bytes_.size(); }

private:
    const std::vector<std::uint8_t>& bytes_;
    std::size_t at_ = 0;
};

struct ReadControl {
    std::uint32_t style;
    int id, x, y, width, height;
    std::wstring window_class, text;
};

std::wstring class_of(ControlKind kind) {
    switch (kind) {
    case ControlKind::EDIT:
        return L"EDIT";
    case ControlKind::LABEL:
    case ControlKind::ICON:
        return L"STATIC";
    case ControlKind::LIST_VIEW:
        return L"SysListView32";
    default:
        return L"BUTTON";
    }
}

TEST(DialogTemplate, HoldsEveryRowOfTheTableInOrderWithItsIdClassAndPlace) {
    for (const DialogTemplate* layout : {&station_template(), &about_template()}) {
        const std::vector<std::uint8_t> bytes = dialog_template_bytes(*layout);
        TemplateReader in(bytes);
        EXPECT_EQ(in.word(), 1);      // version
        EXPECT_EQ(in.word(), 0xFFFF); // extended
        in.dword();                   // help id
        in.dword();                   // extended style
        in.dword();                   // style
        const int count = in.word();
        EXPECT_EQ(in.coordinate(), 0);
        EXPECT_EQ(in.coordinate(), 0);
        EXPECT_EQ(in.coordinate(), layout->width);
        EXPECT_EQ(in.coordinate(), layout->height);
        EXPECT_EQ(in.word(), 0); // menu
        EXPECT_EQ(in.word(), 0); // class
        EXPECT_EQ(in.text(), wide(layout->caption));
        EXPECT_EQ(in.word(), 8); // points
        in.word();               // weight, italic, charset
        in.word();
        EXPECT_EQ(in.text(), L"MS Shell Dlg");

        ASSERT_EQ(count, static_cast<int>(layout->controls.size()));
        for (const ControlTemplate& row : layout->controls) {
            in.align_dword();
            in.dword(); // help id
            in.dword(); // extended style
            ReadControl read{};
            read.style = in.dword();
            read.x = in.coordinate();
            read.y = in.coordinate();
            read.width = in.coordinate();
            read.height = in.coordinate();
            read.id = static_cast<int>(in.dword());
            read.window_class = in.text();
            read.text = in.text();
            EXPECT_EQ(in.word(), 0); // no creation data
            SCOPED_TRACE(row.text);
            EXPECT_EQ(read.id, row.id);
            EXPECT_EQ(read.window_class, class_of(row.kind));
            EXPECT_EQ((read.style & WS_VISIBLE) != 0, (row.style & STYLE_HIDDEN) == 0);
            EXPECT_EQ((read.style & WS_TABSTOP) != 0, (row.style & STYLE_TAB_STOP) != 0);
            if (row.kind == ControlKind::STATE_BUTTON) {
                EXPECT_EQ(read.style & BS_TYPEMASK, static_cast<std::uint32_t>(BS_OWNERDRAW));
            }
            if (row.kind == ControlKind::LIST_VIEW) {
                EXPECT_EQ(read.style & (LVS_TYPEMASK | LVS_OWNERDATA), LVS_REPORT | LVS_OWNERDATA);
            }
            EXPECT_EQ(read.text, wide(row.text));
            EXPECT_EQ((std::vector{read.x, read.y, read.width, read.height}),
                      (std::vector{row.x, row.y, row.width, row.height}));
        }
        EXPECT_TRUE(in.at_end());
    }
}

} // namespace
