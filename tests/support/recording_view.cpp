#include "recording_view.h"

namespace nerivo::testing {

namespace {

constexpr uint32_t NOT_COLOURED = 0xFFFFFFFF;
constexpr std::size_t STAMP_LENGTH = 15; // "[DDD HH:MM:SS] "

std::vector<std::string> newest_first(const std::vector<std::pair<WallTime, std::string>>& log) {
    std::vector<std::string> lines;
    for (auto it = log.rbegin(); it != log.rend(); ++it) {
        lines.push_back(it->second);
    }
    return lines;
}

} // namespace

void RecordingView::add_status_line(WallTime time, const std::string& line) {
    status_.emplace_back(time, line);
}

void RecordingView::add_nav_line(WallTime time, const std::string& line) {
    nav_.emplace_back(time, line);
}

std::string RecordingView::field_text(int id) const {
    const auto it = fields_.find(id);
    return it == fields_.end() ? std::string() : it->second;
}

void RecordingView::set_field_text(int id, const std::string& text) {
    fields_[id] = text;
}

void RecordingView::set_button_colours(int id, uint32_t text_colour, uint32_t face_colour) {
    colours_[id] = {text_colour, face_colour};
}

void RecordingView::set_field_stale(int id, bool stale) {
    if (stale) {
        stale_.insert(id);
    } else {
        stale_.erase(id);
    }
}

void RecordingView::set_field_tooltip(int id, const std::string& text) {
    tooltips_[id] = text;
}

std::string RecordingView::tooltip(int id) const {
    const auto found = tooltips_.find(id);
    return found == tooltips_.end() ? std::string() : found->second;
}

bool RecordingView::ask_yes_no(const std::string& text, const std::string& caption) {
    questions_.push_back({text, caption});
    if (while_asking) {
        while_asking();
    }
    if (answers_.empty()) {
        return false;
    }
    const bool yes = answers_.front();
    answers_.pop_front();
    return yes;
}

void RecordingView::answer(std::initializer_list<bool> answers) {
    answers_.insert(answers_.end(), answers.begin(), answers.end());
}

std::vector<std::string> RecordingView::status_lines() const {
    return newest_first(status_);
}

std::vector<std::string> RecordingView::status_messages() const {
    std::vector<std::string> messages;
    for (const std::string& line : status_lines()) {
        messages.push_back(line.size() > STAMP_LENGTH ? line.substr(STAMP_LENGTH) : "");
    }
    return messages;
}

std::string RecordingView::newest_status() const {
    return status_.empty() ? std::string() : status_messages().front();
}

std::vector<std::string> RecordingView::nav_lines() const {
    return newest_first(nav_);
}

uint32_t RecordingView::face_colour(int id) const {
    const auto it = colours_.find(id);
    return it == colours_.end() ? NOT_COLOURED : it->second.second;
}

uint32_t RecordingView::caption_colour(int id) const {
    const auto it = colours_.find(id);
    return it == colours_.end() ? NOT_COLOURED : it->second.first;
}

} // namespace nerivo::testing
