#pragma once

#include "fake_clock.h"
#include "recording_view.h"
#include "station_app.h"

#include <QImage>
#include <QStringList>
#include <QWidgetList>

#include <functional>
#include <memory>

namespace nerivo::testing {

// A station built as the program builds it, at 09:05:07 on 1 January 2023, UTC, its record
// dumps kept in `dump`; its window not shown yet.
struct BuiltStation {
    explicit BuiltStation(const StationOptions& options = {});
    StationWindow& window() const { return parts->window(); }
    Station& station() const { return parts->station(); }

    ScopedTimeZone zone{"UTC0"};
    FakeClock clock{local_seconds(2023, 1, 1, 9, 5, 7)};
    RecordedDump dump;
    std::unique_ptr<StationParts> parts;
};

// The same, its window shown: started.
struct StartedStation : BuiltStation {
    explicit StartedStation(const StationOptions& options = {});
};

// What opened while an action ran.
struct Opened {
    QStringList boxes;      // titles of modal boxes, each answered with Esc
    QStringList menu_items; // entries of the popup menus
};

// Runs `action` and answers every modal box and popup menu that opens meanwhile, a menu by
// choosing its entry number `menu_choice` (from 0).
Opened run_answering(const std::function<void()>& action, int menu_choice = 0);

// Runs the window modally; `act` runs from inside the modal loop. Gives up after 3 s with -1.
int exec_and(StationWindow& window, const std::function<void()>& act);

// What reached the screen of a shown window, once pending paints are done: unlike a grab,
// which paints afresh, this misses an update the window never asked for.
QImage on_screen(QWidget& window);

// The windows on screen with this title.
QWidgetList shown_windows_titled(const QString& title);

// Every control's text, in layout order, plus the log lengths: what the operator sees.
QStringList screen_of(const StationWindow& window);

} // namespace nerivo::testing
