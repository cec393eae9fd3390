// The floor of an extraction under Wine: the cheapest Win32 program that
// writes the same tree as the extractor. It takes the members' contents from
// memory, so it neither reads the archive nor decodes anything, and it makes
// each folder once and each file with one write of all its bytes, then gives
// it the member's time the way the extractor does (the UTC time of its NTFS
// or extended-timestamp field, or else the MS-DOS date and time taken as
// local time; set as creation, access and write time). Nothing the
// extractor does for a tree is left out, and nothing is done twice: no
// extractor can take less.
//
//   wine_floor.exe PLAN CONTENTS DESTINATION
//
// PLAN, one entry a line, in the archive's order:
//   D <path>                          a folder (each once, parents first)
//   F <size> <date> <time> <utc> <path>
//                                     a file; its bytes are the next <size>
//                                     bytes of CONTENTS; date and time are the
//                                     member's MS-DOS fields, utc the FILETIME
//                                     its extra fields give (0: none), all in
//                                     decimal
// Paths are relative to DESTINATION, with '\' between their parts;
// DESTINATION itself is made first.
//
// Both files are read into memory first; that part is timed apart and is
// not the floor. Prints "load: S s", then "tree: S s" and the number of
// folders, files and bytes; the caller takes the load time off the run's
// wall time, which leaves Wine's start-up, the tree and the exit.
#include <windows.h>

#include <stdint.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

enum FloorLimits {
    kPathSize = MAX_PATH,
};

struct Loaded {
    char *bytes;
    uint64_t size;
};

// The whole file in memory, NUL-terminated; bytes is null on failure.
static Loaded LoadFile(const char *path) {
    Loaded loaded = {nullptr, 0};
    HANDLE file = CreateFileA(path, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return loaded;
    LARGE_INTEGER size;
    if (GetFileSizeEx(file, &size)) {
        char *bytes = static_cast<char *>(
            VirtualAlloc(nullptr, static_cast<SIZE_T>(size.QuadPart) + 1, MEM_COMMIT | MEM_RESERVE, PAGE_READWRITE));
        uint64_t done = 0;
        while (bytes && done < static_cast<uint64_t>(size.QuadPart)) {
            uint64_t left = static_cast<uint64_t>(size.QuadPart) - done;
            DWORD piece = left < (1u << 26) ? static_cast<DWORD>(left) : DWORD{1u << 26};
            DWORD got = 0;
            if (!ReadFile(file, bytes + done, piece, &got, nullptr) || got == 0)
                break;
            done += got;
        }
        if (bytes && done == static_cast<uint64_t>(size.QuadPart)) {
            bytes[done] = '\0';
            loaded.bytes = bytes;
            loaded.size = done;
        }
    }
    CloseHandle(file);
    return loaded;
}

static double Seconds(const LARGE_INTEGER &from, const LARGE_INTEGER &to) {
    LARGE_INTEGER frequency;
    QueryPerformanceFrequency(&frequency);
    return static_cast<double>(to.QuadPart - from.QuadPart) / static_cast<double>(frequency.QuadPart);
}

// DESTINATION\relative into path; false when it does not fit.
static bool JoinPath(char *path, const char *destination, const char *relative) {
    int written = snprintf(path, kPathSize, "%s\\%s", destination, relative);
    return written > 0 && written < kPathSize;
}

static bool WriteMember(const char *path, const char *bytes, DWORD size, WORD date, WORD time, uint64_t utc) {
    HANDLE file = CreateFileA(path, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return false;
    DWORD written = 0;
    bool ok = size == 0 || (WriteFile(file, bytes, size, &written, nullptr) && written == size);
    FILETIME local, universal;
    if (utc != 0) {
        universal.dwLowDateTime = static_cast<DWORD>(utc);
        universal.dwHighDateTime = static_cast<DWORD>(utc >> 32);
    } else {
        DosDateTimeToFileTime(date, time, &local);
        LocalFileTimeToFileTime(&local, &universal);
    }
    SetFileTime(file, &universal, &universal, &universal);
    CloseHandle(file);
    return ok;
}

int main(int argc, char **argv) {
    if (argc != 4) {
        fprintf(stderr, "usage: wine_floor PLAN CONTENTS DESTINATION\n");
        return 2;
    }
    LARGE_INTEGER start, loadedAt, done;
    QueryPerformanceCounter(&start);
    Loaded plan = LoadFile(argv[1]);
    Loaded contents = LoadFile(argv[2]);
    if (!plan.bytes || !contents.bytes) {
        fprintf(stderr, "cannot read %s\n", !plan.bytes ? argv[1] : argv[2]);
        return 2;
    }
    QueryPerformanceCounter(&loadedAt);
    printf("load: %.3f s\n", Seconds(start, loadedAt));
    fflush(stdout);

    // The destination is made too, as the extractor makes it; its parent
    // must exist.
    const char *destination = argv[3];
    char path[kPathSize];
    uint64_t at = 0;
    unsigned long folders = 1, files = 0;
    int status = 0;
    if (!CreateDirectoryA(destination, nullptr)) {
        fprintf(stderr, "cannot create %s\n", destination);
        status = 1;
    }
    for (char *line = plan.bytes; status == 0 && *line;) {
        char *end = strchr(line, '\n');
        if (end)
            *end = '\0';
        if (line[0] == 'D' && line[1] == ' ') {
            if (!JoinPath(path, destination, line + 2) || !CreateDirectoryA(path, nullptr)) {
                fprintf(stderr, "cannot create folder %s\n", line + 2);
                status = 1;
            }
            folders++;
        } else if (line[0] == 'F' && line[1] == ' ') {
            char *cursor = line + 2;
            uint64_t size = strtoull(cursor, &cursor, 10);
            unsigned long date = strtoul(cursor, &cursor, 10);
            unsigned long time = strtoul(cursor, &cursor, 10);
            uint64_t utc = strtoull(cursor, &cursor, 10);
            const char *name = cursor + 1;
            if (*cursor != ' ' || size > contents.size - at || size > 0xFFFFFFFFu) {
                fprintf(stderr, "bad plan line for %s\n", name);
                status = 1;
            } else if (!JoinPath(path, destination, name) ||
                       !WriteMember(path, contents.bytes + at, static_cast<DWORD>(size), static_cast<WORD>(date),
                                    static_cast<WORD>(time), utc)) {
                fprintf(stderr, "cannot write %s\n", name);
                status = 1;
            }
            at += size;
            files++;
        }
        line = end ? end + 1 : line + strlen(line);
    }
    QueryPerformanceCounter(&done);
    printf("tree: %.3f s, %lu folders, %lu files, %llu bytes\n", Seconds(loadedAt, done), folders, files,
           static_cast<unsigned long long>(at));
    return status;
}
