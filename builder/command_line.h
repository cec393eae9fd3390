// The builder's command line and its help text.
#pragma once
#include <stdint.h>

#include <string>
#include <vector>

#include "builder/image_build.h"

struct CommandLine {
    bool info = false;              // mksfx info IMAGE
    bool help = false;
    bool version = false;
    bool quiet = false;             // no progress display, no summary line
    bool allowDamaged = false;      // take members that fail their CRC, with a warning
    std::string input;              // a .zip file or a folder; the image for info
    std::string output;
    std::string stub;               // empty: looked for (FindStub)
    std::string password;           // folder input: encrypt every member; info: check with it
    ImageOptions image;
    uint32_t spanSize = 0;          // 0: one image; else the largest volume file
    std::string runCommand;         // --run: opened after the unzip (with runArguments)
    std::string runArguments;
    bool runArgumentsGiven = false;
};

// Parses the arguments after the program name; fails with the reason (a
// usage error, one line without the program's name).
bool ParseCommandLine(const std::vector<std::string> &arguments, CommandLine &line, std::string &why);

// `mksfx --help`, and the part of it that `mksfx info --help` prints. The
// manual page and the README's option table are made from the first.
extern const char kHelp[];
extern const char kInfoHelp[];

// "mksfx (Tarvex Self-Extractor) VERSION"
std::string VersionLine();
