#include "ui/main_dialog_rules.h"

#include <stdint.h>

#include "context/extraction_context.h"
#include "image/config_record.h"
#include "image/resources.h"
#include "ui/folders.h"

static const int32_t kMeterAtOnceOffset = 0x80000;   // end records this far in mark an archive as large

static const char kUnsupportedFolderText[] =
    "The selected folder contains unsupported\ncharacters, please choose a different folder.";

int MeterShowsAtOnce() {
    return static_cast<int32_t>(configRecord.EndRecordOffset) >= kMeterAtOnceOffset ||
           (configRecord.Flags & kFlagSpanned) != 0;
}

int BrowseCanWork() {
    return ctx.browseForFolder && ctx.getMalloc && ctx.getPathFromIdList && ctx.windows4OrLater;
}

const char *FolderProblem(const char *folder) {
    if (folder[0] == '\0')
        return LookupString(kStrNoFolder);
    if (IsUnsupportedFolderName(folder))
        return kUnsupportedFolderText;
    return 0;
}
