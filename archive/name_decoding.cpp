#include "archive/name_decoding.h"

#include "app/error_exit.h"
#include "archive/crc32.h"
#include "archive/local_extra.h"
#include "archive/member_files.h"
#include "archive/member_names.h"
#include "archive/zip_format.h"
#include "context/extraction_context.h"
#include "image/byte_order.h"
#include "image/resources.h"

// The Unicode Path extra field: a version byte, the CRC-32 of the stored
// name it stands for, then that name in UTF-8 (no NUL).
enum UnicodePathField {
    kUnicodePathVersion = 1,
    kUnicodePathCrc = 1,
    kUnicodePathName = 5,
};

static_assert(kMemberNameSize > kMaxUnicodeNameBytes, "each UTF-8 byte gives at most one UTF-16 unit");
static_assert(kMaxUnicodeNameBytes >= kMaxNameLength, "a UTF-8 stored name fits too");

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

int DecodeMemberName() {
    const char *text = ctx.entryPath;
    int length = ctx.localHeader.nameLength;
    ctx.unicodeName = (ctx.localHeader.flags & kFlagBitUtf8) != 0;
    if (!ctx.unicodeName) {
        int fieldLength;
        const char *field = UnicodePathName(&fieldLength);
        if (field) {
            text = field;
            length = fieldLength;
            ctx.unicodeName = 1;
        }
    }
    if (length > kMaxUnicodeNameBytes)
        ShowError(LookupString(kStrNamesTooLong));

    // Invalid UTF-8 (overlong forms among it, such as C0 AE for '.') gives 0.
    int count = MultiByteToWideChar(ctx.unicodeName ? CP_UTF8 : CP_ACP, ctx.unicodeName ? MB_ERR_INVALID_CHARS : 0,
                                    text, length, ctx.memberName, kMemberNameSize - 1);
    ctx.memberName[count] = 0;
    if (count > 0 && ctx.unicodeName)
        FormatPathForDisplay(ctx.memberName, ctx.messagePath);
    // A NUL inside the name is a control character like any other: the
    // folder test looks at the name's last character, the paths at the text
    // before the NUL, and the two would disagree.
    int safe = count > 0 && MemberNameIsSafe(ctx.memberName);
    for (int i = 0; i < count; i++)
        safe = safe && ctx.memberName[i] != 0;
    if (!safe)
        RefuseMember(kUnsafeNameText);
    return count;
}
