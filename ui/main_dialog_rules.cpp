#include "ui/main_dialog_rules.h"

#include <stdint.h>

#include "context/extraction_context.h"
#include "image/config_record.h"
#include "image/resources.h"

static const int32_t kMeterAtOnceOffset = 0x80000;   // end records this far in mark an archive as large

int MeterShowsAtOnce() {
    return static_cast<int32_t>(configRecord.EndRecordOffset) >= kMeterAtOnceOffset ||
           (configRecord.Flags & kFlagSpanned) != 0;
}

int BrowseCanWork() {
    return ctx.browseForFolder && ctx.getMalloc && ctx.getPathFromIdList && ctx.windows4OrLater;
}

const char *FolderProblem(const WCHAR *folder) {
    return folder[0] == '\0' ? LookupString(kStrNoFolder) : 0;
}
