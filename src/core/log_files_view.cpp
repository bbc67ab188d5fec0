#include "log_files_view.h"

#include "c_text.h"

#include <system_error>
#include <utility>

namespace nerivo {
namespace {

std::filesystem::path utf8_path(const std::string& text) {
    return std::filesystem::path(
        std::u8string(reinterpret_cast<const char8_t*>(text.data()), text.size()));
}

std::string utf8_text(const std::filesystem::path& path) {
    const std::u8string text = path.u8string();
    return std::string(reinterpret_cast<const char*>(text.data()), text.size());
}

} // namespace

std::string iso_local_time(int64_t seconds) {
    const std::tm local = local_time(seconds);
    const int32_t offset = local_utc_offset(seconds);
    const int32_t minutes = (offset < 0 ? -offset : offset) / 60;
    return c_format("%04d-%02d-%02dT%02d:%02d:%02d%c%02d:%02d", local.tm_year + 1900,
                    local.tm_mon + 1, local.tm_mday, local.tm_hour, local.tm_min, local.tm_sec,
                    offset < 0 ? '-' : '+', minutes / 60, minutes % 60);
}

LogFilesView::LogFilesView(StationView& next, std::string folder)
    : next_(next), folder_(std::move(folder)) {}

void LogFilesView::report_problems_to(std::function<void(const std::string&)> report) {
    report_ = std::move(report);
}

void LogFilesView::open_files(WallTime start) {
    started_ = true;
    const std::filesystem::path folder = utf8_path(folder_);
    const auto cannot_write_here = [this](const std::string& reason) {
        stop("Cannot write log files in " + folder_ + ": " + reason);
    };
    std::error_code error;
    std::filesystem::create_directories(folder, error);
    if (error) {
        cannot_write_here(error.message());
        return;
    }

    const std::tm local = local_time(start.seconds);
    const std::string stem =
        c_format("nerivo-%04d-%02d-%02dT%02d-%02d-%02d", local.tm_year + 1900, local.tm_mon + 1,
                 local.tm_mday, local.tm_hour, local.tm_min, local.tm_sec);
    File* const files[] = {&status_, &nav_, &track_};
    for (int run = 0; run < MAX_RUNS_PER_SECOND; ++run) {
        // "." sorts after "-", so a second run in the same second lists after the first.
        const std::string name = run == 0 ? stem : stem + c_format(".%02d", run);
        status_.path = folder / (name + "-status.log");
        nav_.path = folder / (name + "-nav.log");
        track_.path = folder / (name + "-track.csv");
        // The files of a run share their name: a name already taken undoes the files just
        // made, and the run tries the next name.
        std::size_t made = 0;
        LogFile::Made last = LogFile::Made::NEW;
        for (; made < std::size(files); ++made) {
            last = files[made]->file.make(files[made]->path);
            if (last != LogFile::Made::NEW) {
                break;
            }
        }
        if (last == LogFile::Made::NEW) {
            writing_ = true;
            tracking_ = true;
            if (!track_.file.append(std::string(TRACK_CSV_HEADER) + '\n')) {
                stop_tracking();
            }
            return;
        }
        const std::string reason = LogFile::last_reason();
        for (std::size_t undo = 0; undo < made; ++undo) {
            files[undo]->file.close();
            std::filesystem::remove(files[undo]->path, error);
        }
        if (last == LogFile::Made::FAILED) {
            cannot_write_here(reason);
            return;
        }
    }
    cannot_write_here(std::make_error_code(std::errc::file_exists).message());
}

void LogFilesView::append(File& file, WallTime time, const std::string& line) {
    if (!writing_) {
        return;
    }
    // One write per line, no fsync: a crash of the station loses at most the line in hand,
    // and the tick never waits for the disk.
    if (!file.file.append(iso_local_time(time.seconds) + ' ' + line + '\n')) {
        stop("Cannot write log file " + utf8_text(file.path) + ": " + LogFile::last_reason());
    }
}

void LogFilesView::stop(std::string problem) {
    writing_ = false;
    tracking_ = false;
    status_.file.close();
    nav_.file.close();
    track_.file.close();
    problem_ = std::move(problem);
}

void LogFilesView::stop_tracking() {
    const std::string reason = LogFile::last_reason();
    tracking_ = false;
    track_.file.close();
    if (problem_.empty()) {
        problem_ = "Cannot write track file " + utf8_text(track_.path) + ": " + reason;
    }
}

void LogFilesView::add_track_row(const TrackRow& row) {
    if (!started_) {
        open_files(row.time);
    }
    if (tracking_ && !track_.file.append(track_csv_line(row) + '\n')) {
        stop_tracking();
    }
    report_problem();
}

void LogFilesView::report_problem() {
    if (!problem_.empty() && report_) {
        // Taken first: the report comes back through this view as a status line.
        report_(std::exchange(problem_, {}));
    }
}

void LogFilesView::add_status_line(WallTime time, const std::string& line) {
    if (!started_) {
        open_files(time);
    }
    append(status_, time, line);
    next_.add_status_line(time, line);
    report_problem();
}

void LogFilesView::add_nav_line(WallTime time, const std::string& line) {
    if (!started_) {
        open_files(time);
    }
    append(nav_, time, line);
    next_.add_nav_line(time, line);
    report_problem();
}

std::string LogFilesView::field_text(int id) const {
    return next_.field_text(id);
}

void LogFilesView::set_field_text(int id, const std::string& text) {
    next_.set_field_text(id, text);
}

void LogFilesView::set_button_colours(int id, uint32_t text_colour, uint32_t face_colour) {
    next_.set_button_colours(id, text_colour, face_colour);
}

void LogFilesView::set_field_stale(int id, bool stale) {
    next_.set_field_stale(id, stale);
}

void LogFilesView::set_field_tooltip(int id, const std::string& text) {
    next_.set_field_tooltip(id, text);
}

bool LogFilesView::ask_yes_no(const std::string& text, const std::string& caption) {
    return next_.ask_yes_no(text, caption);
}

} // namespace nerivo
