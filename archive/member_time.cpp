// The member's MS-DOS modification time onto its output file.
#include "archive/entry_output.h"
#include "context/extraction_context.h"

// MS-DOS time and date words.
enum DosTimeFields {
    kSecondsMask = 0x001F,      // seconds / 2
    kMinutesMask = 0x07E0,
    kHoursMask = 0xF800,
    kMaxHalfSeconds = 29,
    kMaxMinutes = 59 << 5,      // 0x760
    kMaxHours = 23 << 11,       // 0xB800
    kDayMask = 0x001F,
    kMonthMask = 0x01E0,
    kMonthShift = 5,
    kYearShift = 9,
    kDosEpochYear = 1980,
};

static uint16_t ClampTime(uint16_t time) {
    if ((time & kSecondsMask) > kMaxHalfSeconds)
        time = (uint16_t)((time & ~kSecondsMask) | kMaxHalfSeconds);
    if ((time & kMinutesMask) > kMaxMinutes)
        time = (uint16_t)((time & ~kMinutesMask) | kMaxMinutes);
    if ((time & kHoursMask) > kMaxHours)
        time = (uint16_t)((time & ~kHoursMask) | kMaxHours);
    return time;
}

static unsigned DaysInMonth(unsigned year, unsigned month) {
    static const uint8_t days[12] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    int leap = year % 4 == 0 && (year % 100 != 0 || year % 400 == 0);
    return month == 2 && leap ? 29 : days[month - 1];
}

// Day 0 becomes 1, month 0 becomes 1 and 13-15 become 12; a day past the
// end of its month (Feb 30, Apr 31) becomes that month's last day, so the
// conversion below always succeeds.
static uint16_t ClampDate(uint16_t date) {
    unsigned day = date & kDayMask;
    unsigned month = (date & kMonthMask) >> kMonthShift;
    unsigned year = date >> kYearShift;
    if (month == 0)
        month = 1;
    if (month > 12)
        month = 12;
    if (day == 0)
        day = 1;
    unsigned last = DaysInMonth(kDosEpochYear + year, month);
    if (day > last)
        day = last;
    return (uint16_t)((year << kYearShift) | (month << kMonthShift) | day);
}

void SetMemberTime() {
    FILETIME local, universal;
    if (!DosDateTimeToFileTime(ClampDate(ctx.localHeader.date), ClampTime(ctx.localHeader.time), &local))
        return;   // no undefined time ever reaches SetFileTime
    LocalFileTimeToFileTime(&local, &universal);
    SetFileTime((HANDLE)(intptr_t)ctx.outputFile, &universal, &universal, &universal);
}
