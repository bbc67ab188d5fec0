#include "usbl_intake.h"

namespace nerivo {
namespace {

constexpr const char* BLANKS = " \t\r\n\v\f";

} // namespace

void UsblIntake::add(std::string_view text) {
    line_ends_ = line_ends_ || text.find_first_of("\r\n") != std::string_view::npos;
    text_.append(text);
}

UsblPiece UsblIntake::take(bool quiet) {
    UsblPiece::Kind kind = UsblPiece::NONE;
    std::size_t begin = 0, end = 0;
    std::size_t from = 0;
    for (;;) {
        const std::size_t start = text_.find_first_not_of(BLANKS, from);
        if (start == std::string::npos) {
            from = text_.size(); // blanks alone: nothing to say about them
            break;
        }
        const std::size_t line_end = text_.find_first_of("\r\n", start);
        const std::size_t next = text_.find('$', start + 1);
        const bool fills_a_read = text_.size() - start >= LONGEST_LINE;
        UsblPiece::Kind found = UsblPiece::WHOLE;
        std::size_t stop = text_.size();
        if (line_ends_ && next != std::string::npos &&
            (line_end == std::string::npos || next < line_end)) {
            found = UsblPiece::CUT_SHORT;
            stop = next;
        } else if (line_ends_ && line_end != std::string::npos) {
            stop = line_end;
        } else if (!line_ends_ && next != std::string::npos) {
            stop = next;
        } else if (!((!line_ends_ && quiet) || fills_a_read)) {
            from = start; // the rest of this one is still to come
            break;
        }
        kind = found;
        begin = start;
        end = stop;
        from = stop;
    }
    UsblPiece piece{kind, text_.substr(begin, end - begin)};
    text_.erase(0, from);
    return piece;
}

UsblPiece UsblIntake::take_all() {
    UsblPiece piece{UsblPiece::WHOLE, std::move(text_)};
    text_.clear();
    return piece;
}

void UsblIntake::clear() {
    text_.clear();
    line_ends_ = false;
}

} // namespace nerivo
