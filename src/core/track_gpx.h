#pragma once

// The track as a GPX 1.1 document, for charting and GIS programs: the USBL fixes and the
// vehicle's own positions as two tracks of one segment each, written point by point.

#include "track_model.h"

#include <ostream>

namespace nerivo {

// Everything the model holds now, oldest point first. The caller sees to the stream's state.
void write_track_gpx(const TrackModel& track, std::ostream& out);

} // namespace nerivo
