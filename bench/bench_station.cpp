#include "bench_station.h"

#include "state_button.h"

#include <QAbstractButton>
#include <QAbstractEventDispatcher>

#include <cstdlib>
#include <ctime>
#include <fcntl.h>
#include <unistd.h>

namespace nerivo::bench {

namespace {

constexpr int POSITIONS = 400'000;

std::string minutes_text(int units) { // units of 1/10,000 minute
    char text[16];
    std::snprintf(text, sizeof text, "%02d.%04d", units / 10'000, units % 10'000);
    return text;
}

// As the station turns degrees and minutes into decimal degrees.
float decimal_degrees(int degrees, const std::string& minutes) {
    const float parsed = std::strtof(minutes.c_str(), nullptr);
    return static_cast<float>(static_cast<double>(degrees) + parsed / 60.0);
}

} // namespace

Sentence usbl_sentence(int index) {
    const int step = index % POSITIONS;
    const std::string lat_minutes = minutes_text(100'000 + step);
    const std::string lon_minutes = minutes_text(450'000 - step);

    const int half_seconds = 43'200 * 2 + index % (12 * 3600 * 2);
    const int hours = half_seconds / 7200;
    const int minutes = half_seconds / 120 % 60;
    char seconds[8];
    std::snprintf(seconds, sizeof seconds, "%05.2f", (half_seconds % 120) / 2.0);

    // Every digit of the last number counts, so a number cut short would show.
    char sl[16];
    std::snprintf(sl, sizeof sl, "%.2f", 100.0 + (index % 1000) * 0.37);

    char text[128];
    std::snprintf(text, sizeof text,
                  "$NVPOS,%02d%02d%s,50%s,N,001%s,W,25.0,120.0,80.0,0.5,0.2,%s\r\n", hours, minutes,
                  seconds, lat_minutes.c_str(), lon_minutes.c_str(), sl);

    Sentence sentence;
    sentence.text = text;
    sentence.latitude = decimal_degrees(50, lat_minutes);
    sentence.longitude = 0.0f - decimal_degrees(1, lon_minutes);
    sentence.time_of_day =
        static_cast<float>(hours * 3600.0 + minutes * 60.0 + std::strtof(seconds, nullptr));
    sentence.sl = std::strtof(sl, nullptr);
    return sentence;
}

namespace {

void click(StationWindow& window, int id) {
    qobject_cast<QAbstractButton*>(window.control(id))->click();
}

uint32_t face(const StationWindow& window, int id) {
    return qobject_cast<StateButton*>(window.control(id))->face_colour;
}

} // namespace

BenchStation::BenchStation() : parts(std::make_unique<StationParts>()) {
    com_dir.map(1, usbl.device_path());
    com_dir.map(5, vehicle.device_path());
    window().show();
    click(window(), IDC_WINFROG_BUTTON);
    click(window(), IDC_AUV_BUTTON);
    window().set_field_text(IDC_XMIT_PERIOD, QStringLiteral("0"));
    click(window(), IDC_XMIT_BUTTON);
}

bool BenchStation::ready() const {
    return face(window(), IDC_WINFROG_BUTTON) == STATE_GREEN &&
           face(window(), IDC_AUV_BUTTON) == STATE_GREEN &&
           window().field_text(IDC_XMIT_BUTTON) == QStringLiteral("Stop Packet Xmit");
}

void stop_ticking(StationWindow& window) {
    for (const auto& timer : QAbstractEventDispatcher::instance()->registeredTimers(&window)) {
        window.killTimer(timer.timerId);
    }
}

StdoutToNull::StdoutToNull() {
    std::fflush(stdout);
    saved_ = dup(STDOUT_FILENO);
    saved_file_ = fdopen(dup(saved_), "w");
    const int null = open("/dev/null", O_WRONLY);
    dup2(null, STDOUT_FILENO);
    close(null);
}

StdoutToNull::~StdoutToNull() {
    std::fflush(stdout);
    if (saved_file_ != nullptr) {
        std::fclose(saved_file_);
    }
    dup2(saved_, STDOUT_FILENO);
    close(saved_);
}

double thread_cpu_us() {
    timespec now{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    return static_cast<double>(now.tv_sec) * 1e6 + static_cast<double>(now.tv_nsec) / 1e3;
}

} // namespace nerivo::bench
