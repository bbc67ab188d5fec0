#pragma once

// What the station shows and asks, and nothing else: the window implements this, and so does
// any other front (a test's recording view, a log-file writer in front of the window). The
// station decides everything; a view only draws and answers.

#include "wall_clock.h"

#include <cstdint>
#include <string>

namespace nerivo {

// Face colours of the state buttons, as COLORREF values (0x00BBGGRR).
constexpr uint32_t STATE_RED = 0x004141FF;   // RGB(255, 65, 65): not connected, relay off
constexpr uint32_t STATE_GREEN = 0x0014FF14; // RGB(20, 255, 20): connected, relay on

// Their captions are always black.
constexpr uint32_t STATE_CAPTION = 0x00000000;

class StationView {
public:
    // A whole status log line, stamp included, to go on top of the status log; `time` is the
    // moment it was stamped with.
    virtual void add_status_line(WallTime time, const std::string& line) = 0;
    // A line for the top of the nav log, for the nav record sent at `time`.
    virtual void add_nav_line(WallTime time, const std::string& line) = 0;

    // The text of a field or a button's caption, by control id (UTF-8).
    virtual std::string field_text(int id) const = 0;
    virtual void set_field_text(int id, const std::string& text) = 0;
    // A state button's caption colour and face colour.
    virtual void set_button_colours(int id, uint32_t text_colour, uint32_t face_colour) = 0;
    // A field's text drawn in the system's disabled text colour when `stale`, normally
    // otherwise; its text and layout stay as they are.
    virtual void set_field_stale(int id, bool stale) = 0;
    // The tip a field shows when the pointer rests on it (UTF-8); empty: none.
    virtual void set_field_tooltip(int id, const std::string& text) = 0;

    // A Yes/No question with Yes as the default; true when the answer is Yes. The tick goes
    // on while the operator thinks.
    virtual bool ask_yes_no(const std::string& text, const std::string& caption) = 0;

protected:
    ~StationView() = default;
};

} // namespace nerivo
