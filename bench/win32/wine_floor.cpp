// The floor of an extraction under Wine: the file-system work of unpacking
// an archive without reading or decoding it. Given a manifest of the
// archive's members and a destination folder, it makes the same folders and
// files with the same calls the extractor makes for them (an existence look-up
// per folder on the way, _lcreat, 2,048-byte _lwrite pieces of arbitrary bytes,
// the file time, _lclose). What the extractor takes beyond this is its own.
//
//   wine_floor.exe MANIFEST DESTINATION
//
// MANIFEST: one member per line, "path<TAB>size" (size in bytes, decimal);
// the path uses '/' or '\'; a path ending in a separator is a folder.
// Prints the number of files and bytes written.
#include <windows.h>

#include <stdint.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

enum FloorLimits {
    kPiece = 2048,          // the extractor's output buffer
    kPathSize = 600,
    kLineSize = 1024,
    kStampDate = 0x5821,    // MS-DOS date 2024-01-01, as a member would carry it
    kStampTime = 0x6000,    // 12:00:00
};

static char piece[kPiece];

static int IsSeparator(char c) {
    return c == '\\' || c == '/';
}

static int Exists(const char *path) {
    WIN32_FIND_DATAA found;
    HANDLE search = FindFirstFileA(path, &found);
    if (search == INVALID_HANDLE_VALUE)
        return 0;
    FindClose(search);
    return 1;
}

// Creates every missing folder before the last component of path (all of it
// when path ends in a separator). Answers 0 on success.
static int MakeFolders(char *path) {
    size_t start = (path[0] != '\0' && path[1] == ':') ? 2 : 0;
    if (IsSeparator(path[start]))
        start++;
    for (size_t i = start; path[i] != '\0'; i++) {
        if (!IsSeparator(path[i]))
            continue;
        path[i] = '\0';
        int failed = !Exists(path) && !CreateDirectoryA(path, NULL);
        if (failed)
            fprintf(stderr, "cannot create folder %s\n", path);
        path[i] = '\\';
        if (failed)
            return 1;
    }
    return 0;
}

static int WriteMember(const char *path, uint64_t size) {
    HFILE file = _lcreat(path, 0);
    if (file == HFILE_ERROR) {
        fprintf(stderr, "cannot create %s\n", path);
        return 1;
    }
    uint64_t left = size;
    while (left > 0) {
        UINT count = left < kPiece ? static_cast<UINT>(left) : UINT{kPiece};
        if (_lwrite(file, piece, count) != count) {
            fprintf(stderr, "cannot write %s\n", path);
            _lclose(file);
            return 1;
        }
        left -= count;
    }
    FILETIME local, universal;
    DosDateTimeToFileTime(kStampDate, kStampTime, &local);
    LocalFileTimeToFileTime(&local, &universal);
    SetFileTime(reinterpret_cast<HANDLE>(static_cast<intptr_t>(file)), &universal, &universal, &universal);
    _lclose(file);
    return 0;
}

int main(int argc, char **argv) {
    if (argc != 3) {
        fprintf(stderr, "usage: wine_floor MANIFEST DESTINATION\n");
        return 2;
    }
    FILE *manifest = fopen(argv[1], "rb");
    if (!manifest) {
        fprintf(stderr, "cannot open %s\n", argv[1]);
        return 2;
    }
    for (int i = 0; i < kPiece; i++)
        piece[i] = static_cast<char>(i * 7 + 1);

    char line[kLineSize];
    char path[kPathSize];
    unsigned long files = 0;
    uint64_t bytes = 0;
    int status = 0;
    while (status == 0 && fgets(line, sizeof line, manifest)) {
        line[strcspn(line, "\r\n")] = '\0';
        char *tab = strrchr(line, '\t');
        if (!tab || tab == line)
            continue;
        *tab = '\0';
        uint64_t size = strtoull(tab + 1, NULL, 10);
        int written = snprintf(path, sizeof path, "%s\\%s", argv[2], line);
        if (written < 0 || written >= kPathSize) {
            fprintf(stderr, "path too long: %s\n", line);
            status = 1;
            break;
        }
        for (char *c = path; *c; c++)
            if (*c == '/')
                *c = '\\';
        status = MakeFolders(path);
        if (status == 0 && !IsSeparator(tab[-1])) {
            status = WriteMember(path, size);
            files++;
            bytes += size;
        }
    }
    fclose(manifest);
    printf("%lu files, %llu bytes\n", files, static_cast<unsigned long long>(bytes));
    return status;
}
