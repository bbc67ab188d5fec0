#include "target_report.h"

#include "ais_messages.h"
#include "nmea_sentences.h"

namespace nerivo {

std::string TargetReport::tracking(const VehicleStatus& status, WallTime arrived, int64_t now_ms) {
    std::string sentences = nmea_target_sentence(TARGET_NUMBER, status.latitude, status.longitude,
                                                 name_, arrived, TargetStatus::TRACKING);
    if (sentences.empty()) {
        return {};
    }
    last_ = status;
    if (mmsi_ == 0) {
        return sentences;
    }
    AisClassBPosition report;
    report.mmsi = mmsi_;
    report.latitude = status.latitude;
    report.longitude = status.longitude;
    report.true_heading = status.heading;
    report.utc_second = static_cast<int>(arrived.seconds % 60);
    sentences += ais_class_b_position_sentence(report);
    // A receiver knows the name from the first position on.
    if (!static_sent_ms_ || now_ms - *static_sent_ms_ >= STATIC_EVERY_MS) {
        static_sent_ms_ = now_ms;
        AisStaticData data;
        data.mmsi = mmsi_;
        sentences += ais_static_name_sentence(mmsi_, name_);
        sentences += ais_static_data_sentence(data);
    }
    return sentences;
}

std::string TargetReport::lost(WallTime now) {
    if (!last_) {
        return {};
    }
    const VehicleStatus last = *last_;
    last_.reset();
    return nmea_target_sentence(TARGET_NUMBER, last.latitude, last.longitude, name_, now,
                                TargetStatus::LOST);
}

} // namespace nerivo
