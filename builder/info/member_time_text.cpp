#include "builder/info/member_time_text.h"

#include <stdio.h>

#include "archive/member_time.h"
#include "archive/zip_format.h"

namespace {

struct CivilTime {
    int64_t year;
    unsigned month, day, hour, minute, second;
};

// The calendar date and time of a count of seconds since 1970 (proleptic
// Gregorian, no leap seconds).
CivilTime CivilFromSeconds(int64_t seconds) {
    int64_t days = seconds / 86400 - (seconds % 86400 < 0);
    int64_t rest = seconds - days * 86400;
    days += 719468;   // from 0000-03-01
    int64_t era = (days >= 0 ? days : days - 146096) / 146097;
    int64_t dayOfEra = days - era * 146097;
    int64_t yearOfEra = (dayOfEra - dayOfEra / 1460 + dayOfEra / 36524 - dayOfEra / 146096) / 365;
    int64_t dayOfYear = dayOfEra - (365 * yearOfEra + yearOfEra / 4 - yearOfEra / 100);
    int64_t monthIndex = (5 * dayOfYear + 2) / 153;   // from March
    CivilTime t;
    t.day = (unsigned)(dayOfYear - (153 * monthIndex + 2) / 5 + 1);
    t.month = (unsigned)(monthIndex < 10 ? monthIndex + 3 : monthIndex - 9);
    t.year = yearOfEra + era * 400 + (t.month <= 2);
    t.hour = (unsigned)(rest / 3600);
    t.minute = (unsigned)(rest / 60 % 60);
    t.second = (unsigned)(rest % 60);
    return t;
}

}  // namespace

std::string MemberTimeText(const std::vector<uint8_t> &localExtra, uint16_t date, uint16_t time) {
    FILETIME found;
    int source = MemberModificationTime(localExtra.data(), (uint32_t)localExtra.size(), date, time, &found);
    if (source == kTimeFromNone)
        return "no time";
    uint64_t ticks = ((uint64_t)found.dwHighDateTime << 32) | found.dwLowDateTime;
    CivilTime t = CivilFromSeconds((int64_t)(ticks / kFileTimeTicksPerSecond) - kUnixEpochInFileTimeSeconds);
    char text[80];
    int length = snprintf(text, sizeof text, "%04lld-%02u-%02u %02u:%02u:%02u", (long long)t.year, t.month, t.day,
                          t.hour, t.minute, t.second);
    if (ticks % kFileTimeTicksPerSecond)
        length += snprintf(text + length, sizeof text - length, ".%07u", (unsigned)(ticks % kFileTimeTicksPerSecond));
    static const char *const sources[] = {"", "local (DOS)", "UTC (NTFS)", "UTC (Unix)", "UTC (Info-ZIP Unix)"};
    static_assert(kTimeFromDos == 1 && kTimeFromNtfs == 2 && kTimeFromUnix == 3 && kTimeFromInfoZipUnix == 4,
                  "sources by MemberTimeSource");
    snprintf(text + length, sizeof text - length, " %s", sources[source]);
    return text;
}
