// The builder's command line and its help text.
#pragma once
#include <stdint.h>

#include <string>
#include <vector>

#include "builder/common/failure.h"
#include "builder/members/member_deflate.h"
#include "builder/output/image_build.h"

struct CommandLine {
    bool info = false;              // mksfx info IMAGE
    bool help = false;
    bool version = false;
    bool quiet = false;             // no progress display, no summary line
    bool allowDamaged = false;      // take members that fail their CRC, with a warning
    unsigned nameCodePage = 0;      // unmarked names are read in this code page; 0: kept as stored
    std::string input;              // a .zip file or a folder; the image for info
    std::string output;
    std::string stub;               // empty: looked for (FindStub)
    std::string password;           // folder input: encrypt every member; info: check with it
    std::string passwordFile;       // the password is this file's first line ("-": standard input)
    bool askPassword = false;       // the password is typed at a prompt without echo
    int passwordWays = 0;           // how many of the three were given (at most one may be)
    int level = kLevelDefault;      // deflate level of what mksfx compresses (member_deflate.h)
    bool recompress = false;        // ZIP input: deflate its members again at `level`
    ImageOptions image;
    uint32_t spanSize = 0;          // 0: one image; else the largest volume file
    std::string runCommand;         // --run: opened after the unzip (with runArguments)
    std::string runArguments;
    bool runArgumentsGiven = false;
};

// Parses the arguments after the program name; fails with the reason (a
// usage error, one line without the program's name).
bool ParseCommandLine(const std::vector<std::string> &arguments, CommandLine &line, Failure &failure);

// `mksfx --help`, and the part of it that `mksfx info --help` prints. The
// manual page and the README's option table are made from the first.
extern const char kHelp[];
extern const char kInfoHelp[];

// "mksfx (Tarvex Self-Extractor) VERSION"
std::string VersionLine();
