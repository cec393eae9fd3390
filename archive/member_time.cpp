// The member's modification time onto its output file: the UTC time of an
// NTFS, extended-timestamp or Info-ZIP Unix extra field when the local
// header carries one, the MS-DOS date and time otherwise.
#include "archive/member_time.h"

#include "archive/extra_fields.h"
#include "archive/zip_format.h"
#include "base/byte_order.h"
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

// Tag 1 of an NTFS body, when it is the size it must be and its time is
// one SetFileTime takes: 0 would leave the file's time unchanged, and values
// with the top bit set are no time at all.
static int NtfsModificationTime(const uint8_t *body, uint32_t size, FILETIME *result) {
    uint32_t at = kNtfsReserved;
    while (at + kNtfsAttributeHeader <= size) {
        uint32_t tag = ReadLe16(body + at);
        uint32_t length = ReadLe16(body + at + 2);
        at += kNtfsAttributeHeader;
        if (length > size - at)
            return 0;
        if (tag == kNtfsTimesTag) {
            uint32_t low = ReadLe32(body + at), high = ReadLe32(body + at + 4);
            if (length != kNtfsTimesSize || (low | high) == 0 || (high & 0x80000000u))
                return 0;
            result->dwLowDateTime = low;
            result->dwHighDateTime = high;
            return 1;
        }
        at += length;
    }
    return 0;
}

static void FileTimeOfUnixTime(const uint8_t *field, FILETIME *result) {
    int64_t seconds = (int32_t)ReadLe32(field);
    uint64_t ticks = (uint64_t)(seconds + kUnixEpochInFileTimeSeconds) * kFileTimeTicksPerSecond;
    result->dwLowDateTime = (DWORD)ticks;
    result->dwHighDateTime = (DWORD)(ticks >> 32);
}

// A body that holds the modification time is enough: the other times are
// not used.
static int UnixModificationTime(const uint8_t *body, uint32_t size, FILETIME *result) {
    if (size < kExtendedTimeMinSize || !(body[kExtendedTimeFlags] & kExtendedTimeHasModified))
        return 0;
    FileTimeOfUnixTime(body + kExtendedTimeModified, result);
    return 1;
}

static int InfoZipUnixModificationTime(const uint8_t *body, uint32_t size, FILETIME *result) {
    if (size < kInfoZipUnixMinSize)
        return 0;
    FileTimeOfUnixTime(body + kInfoZipUnixModified, result);
    return 1;
}

int MemberModificationTime(const uint8_t *extra, uint32_t extraLength, uint16_t date, uint16_t time,
                           FILETIME *result) {
    uint16_t size;
    const uint8_t *body = FindExtraField(extra, extraLength, kExtraNtfs, &size);
    if (body && NtfsModificationTime(body, size, result))
        return kTimeFromNtfs;
    body = FindExtraField(extra, extraLength, kExtraExtendedTime, &size);
    if (body && UnixModificationTime(body, size, result))
        return kTimeFromUnix;
    body = FindExtraField(extra, extraLength, kExtraInfoZipUnix, &size);
    if (body && InfoZipUnixModificationTime(body, size, result))
        return kTimeFromInfoZipUnix;
    if (DosDateTimeToFileTime(ClampDate(date), ClampTime(time), result))
        return kTimeFromDos;
    return kTimeFromNone;
}

// One time for all three: created, accessed and written.
void SetMemberTime() {
    FILETIME found, universal;
    int source = MemberModificationTime(ctx.localExtra, ctx.localExtraLength, ctx.localHeader.date,
                                        ctx.localHeader.time, &found);
    if (source == kTimeFromNone)
        return;   // no undefined time ever reaches SetFileTime
    universal = found;
    if (source == kTimeFromDos)
        LocalFileTimeToFileTime(&found, &universal);
    SetFileTime((HANDLE)(intptr_t)ctx.outputFile, &universal, &universal, &universal);
}
