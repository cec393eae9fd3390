// The builder's command line.
#pragma once
#include <stdint.h>

#include <string>

#include "builder/image_build.h"

struct CommandLine {
    bool info = false;              // mksfx info IMAGE
    bool help = false;
    std::string input;              // a .zip file or a folder; the image for info
    std::string output;
    std::string stub;               // empty: the default beside mksfx
    std::string password;           // folder input: encrypt every member
    ImageOptions image;
    uint32_t spanSize = 0;          // 0: one image; else the largest volume file
};

// Parses argv; fails with the reason (a usage error).
bool ParseCommandLine(int argc, char **argv, CommandLine &line, std::string &why);

extern const char kUsage[];
