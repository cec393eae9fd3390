#include "archive/name_decoding.h"

#include "archive/crc32.h"
#include "archive/local_extra.h"
#include "archive/member_files.h"
#include "archive/member_names.h"
#include "archive/zip_format.h"
#include "context/extraction_context.h"
#include "image/byte_order.h"

// The Unicode Path extra field: a version byte, the CRC-32 of the stored
// name it stands for, then that name in UTF-8 (no NUL).
enum UnicodePathField {
    kUnicodePathVersion = 1,
    kUnicodePathCrc = 1,
    kUnicodePathName = 5,
};

// A field's body lies inside the kept extra field, so its name fits.
static_assert(kMemberNameSize >= kLocalExtraCapacity - 4 - kUnicodePathName + 1, "a Unicode Path name fits");
static_assert(kMemberNameSize > kMaxNameLength, "a UTF-8 stored name fits");

// The UTF-8 name of a Unicode Path field that stands for the stored name:
// version 1 and the stored name's CRC-32. Null when there is none; a field
// that fails either test is passed over, as a field of an unknown kind is.
static const char *UnicodePathName(int *length) {
    uint16_t size;
    const uint8_t *field = FindLocalExtraField(kExtraUnicodePath, &size);
    if (!field || size <= kUnicodePathName || field[0] != kUnicodePathVersion)
        return 0;
    ctx.crcRegister = 0xFFFFFFFFu;
    CrcUpdate((const uint8_t *)ctx.entryPath, ctx.localHeader.nameLength);
    if (~ctx.crcRegister != ReadLe32(field + kUnicodePathCrc))
        return 0;
    *length = size - kUnicodePathName;
    return (const char *)field + kUnicodePathName;
}

// The first length characters of memberName into messagePath, each control
// character as \xNN: a name holding a NUL or a line break shows whole, never
// as a harmless-looking part of itself. A name too long for messagePath
// comes out cut.
static void ShowNameEscaped(int length) {
    WCHAR *shown = ctx.messagePath;
    const WCHAR *end = ctx.messagePath + kMessagePathSize - 4;
    for (const WCHAR *c = ctx.memberName; c < ctx.memberName + length && shown < end; c++) {
        if (*c < 32) {
            *shown++ = '\\';
            *shown++ = 'x';
            int low = *c & 15;
            *shown++ = (WCHAR)('0' + (*c >> 4));
            *shown++ = (WCHAR)(low < 10 ? '0' + low : 'A' - 10 + low);
        } else {
            *shown++ = *c;
        }
    }
    *shown = 0;
}

int DecodeMemberName() {
    const char *text = ctx.entryPath;
    int length = ctx.localHeader.nameLength;
    int unicode = (ctx.localHeader.flags & kFlagBitUtf8) != 0;
    if (!unicode) {
        const char *field = UnicodePathName(&length);
        unicode = field != 0;
        if (field)
            text = field;
    }
    ctx.unicodeName = unicode;
    // Invalid UTF-8 (overlong forms among it, such as C0 AE for '.') gives 0.
    int count = MultiByteToWideChar(unicode ? CP_UTF8 : CP_ACP, unicode ? MB_ERR_INVALID_CHARS : 0, text, length,
                                    ctx.memberName, kMemberNameSize - 1);
    // A name that is no UTF-8 shows as stored, in the ANSI code page (which
    // takes any byte).
    ShowNameEscaped(count ? count
                          : MultiByteToWideChar(CP_ACP, 0, ctx.entryPath, ctx.localHeader.nameLength, ctx.memberName,
                                                kMemberNameSize - 1));
    ctx.memberName[count] = 0;
    if (!MemberNameIsSafe(ctx.memberName, count))
        RefuseMember(kUnsafeNameText);
    return count;
}
