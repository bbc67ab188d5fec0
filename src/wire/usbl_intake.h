#pragma once

// Cuts the text of the navigation link into sentences, whatever pieces the reads deliver it
// in. Once the feed has ended a sentence with a line end, a sentence is whole only at its line
// end; before that, as with a feed that never ends its lines, a sentence is whole when the
// next one starts or when a tick brought nothing new after it. A line that never ends is
// taken once it fills a read. Only the newest whole sentence is handed out: older ones are
// passed over, since only the newest position is worth relaying. Text after it is kept.

#include <cstddef>
#include <string>
#include <string_view>

namespace nerivo {

struct UsblPiece {
    enum Kind {
        NONE,      // nothing whole yet: wait for more
        WHOLE,     // a sentence to scan
        CUT_SHORT, // lost its end: another sentence started before its line end
    } kind = NONE;
    std::string text;
};

class UsblIntake {
public:
    // A line this long without its end is taken as it is.
    static constexpr std::size_t LONGEST_LINE = 256;

    // Text as a read delivered it.
    void add(std::string_view text);
    // The newest whole sentence since the last take; `quiet`: nothing came since then.
    UsblPiece take(bool quiet);
    // Everything held, whole or not: the link has said all it will for now.
    UsblPiece take_all();
    // A new device: nothing of the old one's text, nor its habits, is kept.
    void clear();

    std::size_t held_bytes() const { return text_.size(); }

private:
    std::string text_;
    bool line_ends_ = false; // the feed has ended a sentence with CR or LF since the start
};

} // namespace nerivo
