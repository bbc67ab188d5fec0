#pragma once

#include "dump_output.h"
#include "station_view.h"

#include <cstdint>
#include <deque>
#include <functional>
#include <initializer_list>
#include <map>
#include <set>
#include <string>
#include <utility>
#include <vector>

namespace nerivo::testing {

// A station's view that keeps what the operator would see: both logs, every field and
// caption by id, the state buttons' colours, and the questions asked, answered from a queue.
class RecordingView : public StationView {
public:
    struct Question {
        std::string text;
        std::string caption;
    };

    void add_status_line(WallTime time, const std::string& line) override;
    void add_nav_line(WallTime time, const std::string& line) override;
    std::string field_text(int id) const override;
    void set_field_text(int id, const std::string& text) override;
    void set_button_colours(int id, uint32_t text_colour, uint32_t face_colour) override;
    void set_field_stale(int id, bool stale) override;
    void set_field_tooltip(int id, const std::string& text) override;
    bool ask_yes_no(const std::string& text, const std::string& caption) override;

    // The next questions get these answers, in order; a question with none left gets No.
    void answer(std::initializer_list<bool> answers);
    // Runs while a question waits for its answer (the window's ticks go on meanwhile).
    std::function<void()> while_asking;

    // Newest first, as the logs show them.
    std::vector<std::string> status_lines() const;
    std::vector<std::string> status_messages() const; // without their stamps
    std::string newest_status() const;
    std::size_t status_count() const { return status_.size(); }
    std::vector<std::string> nav_lines() const;
    // Each line with the time it was added, oldest first.
    const std::vector<std::pair<WallTime, std::string>>& status_log() const { return status_; }
    const std::vector<std::pair<WallTime, std::string>>& nav_log() const { return nav_; }

    std::string field(int id) const { return field_text(id); }
    uint32_t face_colour(int id) const;    // 0xFFFFFFFF until the station colours it
    uint32_t caption_colour(int id) const; // likewise
    const std::vector<Question>& questions() const { return questions_; }
    bool stale(int id) const { return stale_.count(id) > 0; }
    std::string tooltip(int id) const;

private:
    std::vector<std::pair<WallTime, std::string>> status_;
    std::vector<std::pair<WallTime, std::string>> nav_;
    std::map<int, std::string> fields_;
    std::map<int, std::pair<uint32_t, uint32_t>> colours_;
    std::vector<Question> questions_;
    std::set<int> stale_;
    std::map<int, std::string> tooltips_;
    std::deque<bool> answers_;
};

// Keeps the record dumps a station writes, instead of standard output.
class RecordedDump : public DumpOutput {
public:
    void write(const std::string& text) override { text_ += text; }
    const std::string& text() const { return text_; }
    std::string take() { return std::exchange(text_, {}); }

private:
    std::string text_;
};

} // namespace nerivo::testing
