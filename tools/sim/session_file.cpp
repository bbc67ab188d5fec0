#include "session_file.h"

#include <cerrno>
#include <cstdlib>
#include <sstream>

namespace nerivo::sim {
namespace {

int hex_digit(char c) {
    if (c >= '0' && c <= '9') {
        return c - '0';
    }
    if (c >= 'a' && c <= 'f') {
        return c - 'a' + 10;
    }
    if (c >= 'A' && c <= 'F') {
        return c - 'A' + 10;
    }
    return -1;
}

bool unescape(const std::string& text, std::vector<uint8_t>& out, std::string& error) {
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        if (c != '\\') {
            out.push_back(static_cast<uint8_t>(c));
            continue;
        }
        if (++i >= text.size()) {
            error = "a \\ at the end of the line";
            return false;
        }
        switch (text[i]) {
        case 'r':
            out.push_back('\r');
            break;
        case 'n':
            out.push_back('\n');
            break;
        case 't':
            out.push_back('\t');
            break;
        case '\\':
            out.push_back('\\');
            break;
        case 'x': {
            const int high = i + 1 < text.size() ? hex_digit(text[i + 1]) : -1;
            const int low = i + 2 < text.size() ? hex_digit(text[i + 2]) : -1;
            if (high < 0 || low < 0) {
                error = "\\x wants two hexadecimal digits";
                return false;
            }
            out.push_back(static_cast<uint8_t>(high * 16 + low));
            i += 2;
            break;
        }
        default:
            error = std::string("unknown escape \\") + text[i];
            return false;
        }
    }
    return true;
}

bool parse_hex(const std::string& text, std::vector<uint8_t>& out, std::string& error) {
    int high = -1;
    for (const char c : text) {
        if (c == ' ' || c == '\t') {
            if (high >= 0) {
                error = "a byte wants two hexadecimal digits";
                return false;
            }
            continue;
        }
        const int digit = hex_digit(c);
        if (digit < 0) {
            error = std::string("not a hexadecimal digit: ") + c;
            return false;
        }
        if (high < 0) {
            high = digit;
        } else {
            out.push_back(static_cast<uint8_t>(high * 16 + digit));
            high = -1;
        }
    }
    if (high >= 0) {
        error = "a byte wants two hexadecimal digits";
        return false;
    }
    return true;
}

bool parse_int(const std::string& word, int64_t& out) {
    if (word.empty() || (word[0] == '-' && word.size() == 1)) {
        return false;
    }
    errno = 0;
    char* end = nullptr;
    const long long value = std::strtoll(word.c_str(), &end, 10);
    if (errno != 0 || end == nullptr || *end != '\0') {
        return false;
    }
    out = value;
    return true;
}

// The first blank-separated word of `text` from `at`, moving `at` past it and one blank.
std::string next_word(const std::string& text, std::size_t& at) {
    while (at < text.size() && text[at] == ' ') {
        ++at;
    }
    const std::size_t begin = at;
    while (at < text.size() && text[at] != ' ') {
        ++at;
    }
    std::string word = text.substr(begin, at - begin);
    if (at < text.size()) {
        ++at;
    }
    return word;
}

std::string parse_line(const std::string& line, SessionEvent& event, bool& is_start,
                       int64_t& start_ms) {
    std::size_t at = 0;
    const std::string first = next_word(line, at);
    if (first == "start") {
        is_start = true;
        if (!parse_int(next_word(line, at), start_ms) || at < line.size()) {
            return "start wants one whole number of ms since 1970";
        }
        return "";
    }
    if (!parse_int(first, event.time_ms) || event.time_ms < 0) {
        return "an event starts with its time in ms, not \"" + first + "\"";
    }
    const std::string kind = next_word(line, at);
    const std::string rest = at < line.size() ? line.substr(at) : std::string();
    std::string error;
    if (kind == "usbl") {
        event.kind = SessionEventKind::USBL;
        if (!unescape(rest, event.bytes, error)) {
            return error;
        }
        return event.bytes.empty() ? "usbl wants some text" : "";
    }
    if (kind == "vehicle") {
        event.kind = SessionEventKind::VEHICLE;
        if (!parse_hex(rest, event.bytes, error)) {
            return error;
        }
        return event.bytes.empty() ? "vehicle wants some bytes" : "";
    }
    if (kind == "tick") {
        event.kind = SessionEventKind::TICK;
        return rest.find_first_not_of(' ') == std::string::npos ? "" : "tick takes nothing more";
    }
    if (kind == "click") {
        event.kind = SessionEventKind::CLICK;
        std::size_t from = 0;
        for (std::string word = next_word(rest, from); !word.empty();
             word = next_word(rest, from)) {
            event.words.push_back(word);
        }
        return event.words.empty() ? "click wants the name of an operation" : "";
    }
    if (kind == "field") {
        event.kind = SessionEventKind::FIELD;
        std::size_t from = 0;
        const std::string id = next_word(rest, from);
        int64_t number = 0;
        if (!parse_int(id, number)) {
            return "field wants a control id, then the text";
        }
        event.words.push_back(id);
        std::vector<uint8_t> text;
        if (!unescape(from < rest.size() ? rest.substr(from) : std::string(), text, error)) {
            return error;
        }
        event.text.assign(text.begin(), text.end());
        return "";
    }
    return "unknown event \"" + kind + "\"";
}

} // namespace

std::string parse_session(const std::string& text, Session& out) {
    out = Session{};
    bool have_start = false;
    int64_t last_ms = 0;
    std::istringstream in(text);
    std::string line;
    for (int number = 1; std::getline(in, line); ++number) {
        if (!line.empty() && line.back() == '\r') {
            line.pop_back();
        }
        if (line.find_first_not_of(" \t") == std::string::npos || line[0] == '#') {
            continue;
        }
        SessionEvent event;
        event.line = number;
        bool is_start = false;
        int64_t start_ms = 0;
        const std::string problem = parse_line(line, event, is_start, start_ms);
        const std::string where = "line " + std::to_string(number) + ": ";
        if (!problem.empty()) {
            return where + problem;
        }
        if (is_start) {
            if (have_start) {
                return where + "a second start";
            }
            have_start = true;
            out.start_ms = start_ms;
            continue;
        }
        if (!have_start) {
            return where + "events come after the start line";
        }
        if (event.time_ms < last_ms) {
            return where + "time goes back from " + std::to_string(last_ms);
        }
        last_ms = event.time_ms;
        out.events.push_back(std::move(event));
    }
    return have_start ? "" : "no start line";
}

std::string escape_session_text(const uint8_t* bytes, std::size_t count) {
    static const char DIGITS[] = "0123456789abcdef";
    std::string out;
    for (std::size_t i = 0; i < count; ++i) {
        const uint8_t b = bytes[i];
        switch (b) {
        case '\r':
            out += "\\r";
            continue;
        case '\n':
            out += "\\n";
            continue;
        case '\t':
            out += "\\t";
            continue;
        case '\\':
            out += "\\\\";
            continue;
        default:
            break;
        }
        // A blank at either end would not survive someone tidying the file.
        const bool edge_blank = b == ' ' && (i == 0 || i + 1 == count);
        if (b >= 0x20 && b < 0x7f && !edge_blank) {
            out += static_cast<char>(b);
        } else {
            out += "\\x";
            out += DIGITS[b >> 4];
            out += DIGITS[b & 15];
        }
    }
    return out;
}

std::string hex_bytes(const uint8_t* bytes, std::size_t count) {
    static const char DIGITS[] = "0123456789abcdef";
    std::string out;
    out.reserve(count * 3);
    for (std::size_t i = 0; i < count; ++i) {
        if (i > 0) {
            out += ' ';
        }
        out += DIGITS[bytes[i] >> 4];
        out += DIGITS[bytes[i] & 15];
    }
    return out;
}

std::string format_session_event(const SessionEvent& e) {
    std::string line = std::to_string(e.time_ms) + " ";
    switch (e.kind) {
    case SessionEventKind::USBL:
        return line + "usbl " + escape_session_text(e.bytes.data(), e.bytes.size());
    case SessionEventKind::VEHICLE:
        return line + "vehicle " + hex_bytes(e.bytes.data(), e.bytes.size());
    case SessionEventKind::TICK:
        return line + "tick";
    case SessionEventKind::CLICK:
        line += "click";
        for (const std::string& word : e.words) {
            line += " " + word;
        }
        return line;
    case SessionEventKind::FIELD:
        line += "field " + (e.words.empty() ? std::string("0") : e.words[0]);
        if (!e.text.empty()) {
            line += " " + escape_session_text(reinterpret_cast<const uint8_t*>(e.text.data()),
                                              e.text.size());
        }
        return line;
    }
    return line;
}

SessionWriter::SessionWriter(std::FILE* out, int64_t start_ms, const std::string& heading)
    : out_(out), start_ms_(start_ms) {
    std::istringstream lines(heading);
    std::string line;
    while (std::getline(lines, line)) {
        put("# " + line);
    }
    put("start " + std::to_string(start_ms));
}

void SessionWriter::usbl(int64_t now_ms, const uint8_t* bytes, std::size_t count) {
    SessionEvent e;
    e.time_ms = now_ms - start_ms_;
    e.kind = SessionEventKind::USBL;
    e.bytes.assign(bytes, bytes + count);
    put(format_session_event(e));
}

void SessionWriter::vehicle(int64_t now_ms, const uint8_t* bytes, std::size_t count) {
    SessionEvent e;
    e.time_ms = now_ms - start_ms_;
    e.kind = SessionEventKind::VEHICLE;
    e.bytes.assign(bytes, bytes + count);
    put(format_session_event(e));
}

void SessionWriter::note(int64_t now_ms, const std::string& text) {
    put("# " + std::to_string(now_ms - start_ms_) + " " + text);
}

void SessionWriter::put(const std::string& line) {
    if (out_ == nullptr) {
        return;
    }
    std::fputs(line.c_str(), out_);
    std::fputc('\n', out_);
    // A capture cut short by a signal still holds everything up to that moment.
    std::fflush(out_);
}

} // namespace nerivo::sim
