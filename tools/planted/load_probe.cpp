// load_probe NAME...: loads each library NAME the ordinary way (the default
// search, which starts with the program's own folder) and exits with the
// number that loaded. The Wine tests use it to show that planted libraries
// are picked up where nothing narrows the search.
#include <windows.h>

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR commandLine, int) {
    int loaded = 0;
    char *p = commandLine;
    while (*p) {
        while (*p == ' ')
            p++;
        char *name = p;
        while (*p && *p != ' ')
            p++;
        if (*p)
            *p++ = 0;
        if (*name && LoadLibraryA(name))
            loaded++;
    }
    return loaded;
}
