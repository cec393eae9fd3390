// The folder browser's types on the host: what ui/browse.cpp uses of them.
// The three shell functions themselves are whatever ctx points at.
#pragma once
#include "platform/host/win32_host.h"

typedef LONG HRESULT;
#define S_OK ((HRESULT)0)
#define E_FAIL ((HRESULT)0x80004005)
#define BIF_RETURNONLYFSDIRS 0x0001
#define BIF_RETURNFSANCESTORS 0x0008

struct ITEMIDLIST {
    BYTE unused;
};
typedef ITEMIDLIST *LPITEMIDLIST;
typedef const ITEMIDLIST *LPCITEMIDLIST;
typedef int (*BFFCALLBACK)(HWND window, UINT message, LPARAM lParam, LPARAM data);

struct BROWSEINFOW {
    HWND hwndOwner;
    LPCITEMIDLIST pidlRoot;
    LPWSTR pszDisplayName;
    LPCWSTR lpszTitle;
    UINT ulFlags;
    BFFCALLBACK lpfn;
    LPARAM lParam;
    int iImage;
};
typedef BROWSEINFOW *LPBROWSEINFOW;

// The shell's allocator, as far as the browser gives memory back to it.
struct IMalloc {
    virtual void Free(void *block) = 0;
    virtual unsigned long Release() = 0;
};
