// The status line names the member being written, at most once a pump
// interval (progress/status_line.h).
#include "progress/status_line.h"

#include "base/error_exit.h"
#include "base/path_utils.h"
#include "context/extraction_context.h"
#include "image/resources.h"
#include "progress/pump.h"

void FormatUnzipping(WCHAR *buffer) {
    FormatWide(buffer, LookupString(kStrUnzipping), FileNamePart(ctx.messagePath));
}

void ShowUnzipping() {
    FormatUnzipping(ctx.statusText);
    ctx.statusBehind = 1;
}

void CatchUpStatus() {
    // Unsigned difference: right across the tick count's wrap.
    if (GetTickCount() - ctx.statusTick >= kPumpInterval)
        ShowStatusNow();
}

void ShowStatusNow() {
    if (!ctx.statusBehind)
        return;
    ctx.statusBehind = 0;
    ctx.statusTick = GetTickCount();
    // The meter paints the same text itself.
    if (ctx.meterShown)
        return;
    SetDlgItemTextW(ctx.mainDialog, kIdStatus, ctx.statusText);
    InvalidateRect(GetDlgItem(ctx.mainDialog, kIdStatus), 0, FALSE);
}
