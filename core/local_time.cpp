#include "core/local_time.h"

#include <cstdio>
#include <ctime>

std::string LocalIsoTime(std::chrono::system_clock::time_point when) {
    using namespace std::chrono;
    const auto ms = duration_cast<milliseconds>(when.time_since_epoch()).count();
    const time_t seconds = time_t(ms >= 0 ? ms / 1000 : (ms - 999) / 1000);
    const int millis = int(ms - int64_t(seconds) * 1000);
    tm local{};
    localtime_r(&seconds, &local);
    char date[32];
    std::strftime(date, sizeof date, "%Y-%m-%dT%H:%M:%S", &local);
    const int offset = int(local.tm_gmtoff / 60) % (24 * 60);  // minutes east of UTC
    const int magnitude = offset < 0 ? -offset : offset;
    char text[80];
    std::snprintf(text, sizeof text, "%s.%03d%c%02d:%02d", date, millis % 1000, offset < 0 ? '-' : '+',
                  magnitude / 60, magnitude % 60);
    return text;
}
