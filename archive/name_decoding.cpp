#include "archive/name_decoding.h"

#include "archive/extra_fields.h"
#include "archive/member_files.h"
#include "archive/member_names.h"
#include "archive/zip_format.h"
#include "base/crc32.h"
#include "context/extraction_context.h"

static_assert(kMemberNameSize > kMaxNameLength, "a decoded name and its NUL fit");

int DecodeNameText(const char *text, int length, int utf8, WCHAR *name) {
    // A name that does not fit the room given answers 0.
    return MultiByteToWideChar(utf8 ? CP_UTF8 : CP_ACP, utf8 ? MB_ERR_INVALID_CHARS : 0, text, length, name,
                               kMaxNameLength);
}

const char *ChooseNameText(uint16_t flags, const char *stored, int *length, const uint8_t *extra, uint32_t extraLength,
                           uint32_t storedCrc, int *utf8) {
    *utf8 = 1;
    if (flags & kFlagBitUtf8)
        return stored;
    const char *field = UnicodePathName(extra, extraLength, storedCrc, length);
    if (field)
        return field;
    *utf8 = 0;
    return stored;
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
    int length = ctx.localHeader.nameLength;
    ctx.crcRegister = 0xFFFFFFFFu;
    CrcUpdate((const uint8_t *)ctx.entryPath, length);
    const char *text = ChooseNameText(ctx.localHeader.flags, ctx.entryPath, &length, ctx.localExtra,
                                      ctx.localExtraLength, ~ctx.crcRegister, &ctx.unicodeName);
    int count = DecodeNameText(text, length, ctx.unicodeName, ctx.memberName);
    // A name that DecodeNameText refuses shows as stored, in the ANSI code
    // page (which takes any byte).
    ShowNameEscaped(count ? count : DecodeNameText(ctx.entryPath, ctx.localHeader.nameLength, 0, ctx.memberName));
    ctx.memberName[count] = 0;
    if (MemberNameRule(ctx.memberName, count) != kNameSafe)
        RefuseMember(kUnsafeNameText);
    return count;
}
