// Browse: the shell's folder browser, in its wide form, as the folder is
// wide. Its three functions are looked up in Shell32 at start-up (older
// systems lack them), so they are called through the pointers kept in ctx.
#include "base/error_exit.h"
#include "context/extraction_context.h"
#include "image/resources.h"
#include "platform/shell.h"
#include "ui/folders.h"

enum BrowseIds {
    kFolderEdit = 106,
    kBrowseFlags = BIF_RETURNONLYFSDIRS | BIF_RETURNFSANCESTORS,
};
static_assert(kBrowseFlags == 9, "file-system folders and their ancestors only");

typedef HRESULT(WINAPI *GetMallocCall)(IMalloc **allocator);
typedef LPITEMIDLIST(WINAPI *BrowseForFolderCall)(LPBROWSEINFOW info);
typedef BOOL(WINAPI *GetPathFromIdListCall)(LPCITEMIDLIST list, LPWSTR path);

// GetProcAddress answers a generic pointer; the detour through void(*)()
// states that the real type is known.
#define SHELL_CALL(type, pointer) ((type)(void (*)())(pointer))

void BrowseForDestination(HWND owner) {
    IMalloc *allocator;
    if (SHELL_CALL(GetMallocCall, ctx.getMalloc)(&allocator) != S_OK)
        return;
    WCHAR displayName[MAX_PATH];   // filled by the browser, not used
    WCHAR title[kMessageBufferSize];
    WidenText(LookupString(kStrUnzipToFolder), title);
    BROWSEINFOW info = {};
    info.hwndOwner = owner;
    info.pidlRoot = nullptr;      // the desktop
    info.pszDisplayName = displayName;
    info.lpszTitle = title;
    info.ulFlags = kBrowseFlags;
    LPITEMIDLIST list = SHELL_CALL(BrowseForFolderCall, ctx.browseForFolder)(&info);
    if (list) {
        if (SHELL_CALL(GetPathFromIdListCall, ctx.getPathFromIdList)(list, ctx.destinationFolder))
            SetDlgItemTextW(owner, kFolderEdit, ctx.destinationFolder);
        allocator->Free(list);
    }
    allocator->Release();
}
