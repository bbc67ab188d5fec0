#include "station_window.h"

#include "wall_clock.h"

#include <ctime>

void StationWindow::add_status_message(const QString& message) {
    if (status_log == nullptr) {
        return;
    }
    const std::tm local = nerivo::local_time(nerivo::wall_clock_now().seconds);
    QString line = QString::asprintf("[%03d %02d:%02d:%02d] ", local.tm_yday, local.tm_hour,
                                     local.tm_min, local.tm_sec) +
                   message;
    if (line.size() > STATUS_LINE_MAX) {
        // Never split a surrogate pair.
        const bool splits_pair = line.at(STATUS_LINE_MAX - 1).isHighSurrogate();
        line.truncate(splits_pair ? STATUS_LINE_MAX - 1 : STATUS_LINE_MAX);
    }
    status_log->add_line_at_top(line);
}

void StationWindow::add_nav_line(const QString& line) {
    if (nav_log == nullptr) {
        return;
    }
    nav_log->add_line_at_top(line);
}
