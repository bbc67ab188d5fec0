#pragma once

// A session on the station's two links as readable text, one event a line: what the
// simulator captures and what a replay feeds back into the station.
//
//   # a comment; blank lines are skipped too
//   start 1700000000000              time 0 of the session, ms since 1970 (UTC)
//   1000 usbl $NVPOS,...,143.70\r\n  bytes on the navigation link as text (\r \n \t \\ \xHH)
//   1004 vehicle 01 00 00 00 24 ...  bytes on the vehicle link in hexadecimal
//   2000 click abort_mission yes     an operator's button, with the answer to its question
//   2000 field 1018 2                the whole new text of a field (may be empty)
//   2250 tick                        one tick of the station
//
// Times are ms after the start and never go back; events at the same time keep their order.

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

namespace nerivo::sim {

enum class SessionEventKind { USBL, VEHICLE, TICK, CLICK, FIELD };

struct SessionEvent {
    int64_t time_ms = 0;
    SessionEventKind kind = SessionEventKind::TICK;
    std::vector<uint8_t> bytes;     // usbl, vehicle
    std::vector<std::string> words; // click: operation, then any answer; field: the id
    std::string text;               // field: the new text
    int line = 0;                   // line in the file it came from, 1 first
};

struct Session {
    int64_t start_ms = 0;
    std::vector<SessionEvent> events;
};

// Reads a whole session. Returns an empty text when it was understood, else
// "line N: what is wrong" for the first line that was not.
std::string parse_session(const std::string& text, Session& out);

// Bytes as text that survives a line-based file: printable ASCII as it is, the rest escaped.
std::string escape_session_text(const uint8_t* bytes, std::size_t count);
// "01 0a ff"
std::string hex_bytes(const uint8_t* bytes, std::size_t count);

// One event as a line of the file, without the line end.
std::string format_session_event(const SessionEvent& event);

// Writes what the simulator's peers put on their lines as a session, with notes (comments
// stamped with their time) that say what happened, so a session can be cut to the part
// worth keeping and the operator's actions written in at the right moments.
class SessionWriter {
public:
    // Does not own `out`. Writes the heading as comments, then the start line.
    SessionWriter(std::FILE* out, int64_t start_ms, const std::string& heading);

    void usbl(int64_t now_ms, const uint8_t* bytes, std::size_t count);
    void vehicle(int64_t now_ms, const uint8_t* bytes, std::size_t count);
    void note(int64_t now_ms, const std::string& text);

private:
    void put(const std::string& line);

    std::FILE* out_;
    int64_t start_ms_;
};

} // namespace nerivo::sim
