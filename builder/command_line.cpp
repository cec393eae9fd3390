#include "builder/command_line.h"

#include <stdlib.h>
#include <string.h>

#include "image/config_record.h"

const char kUsage[] =
    "usage: mksfx [options] INPUT -o OUTPUT.exe   INPUT: a .zip file or a folder\n"
    "       mksfx info IMAGE                     print and check an image\n"
    "  --stub FILE            stub to use (default: sfxstub.exe beside mksfx, else ../win32/sfxstub.exe)\n"
    "  --folder TEXT          default destination folder\n"
    "  --prompt TEXT          start-up prompt\n"
    "  --prompt-buttons ok|yesno|okcancel\n"
    "  --title TEXT           title text\n"
    "  --title-in-window      the main window's caption is the title\n"
    "  --info TEXT            text shown by -info\n"
    "  --auto                 auto mode\n"
    "  --overwrite            overwrite without prompting by default\n"
    "  --install-verb         start the after-unzip command with the verb Install\n"
    "  --crc-whole-stub       checksum from file offset 0 (default: from the section table on,\n"
    "                         so that signing the image leaves the checksum valid)\n"
    "  --no-stub-crc          no stub checksum\n"
    "  --no-end-record-test   EndRecordOffset 0\n"
    "  --no-text-block        no TextBlock\n"
    "  --encrypted            ask for the password before extracting (set anyway when a member is encrypted)\n"
    "  --password TEXT        folder input: encrypt every member\n"
    "  --incomplete           mark the image incomplete\n"
    "  --span SIZE            write a spanned set: folders disk1/, disk2/ ... beside OUTPUT, at most\n"
    "                         SIZE bytes of files in each (suffix k or m)\n"
    "  --exe-volumes          with --span: the archive starts inside OUTPUT on disk 1 and later disks\n"
    "                         hold NAME.EXE volumes (default: NAME.ZIP volumes on every disk)\n";

namespace {

struct FlagOption {
    const char *name;
    uint32_t set;
};

const FlagOption kFlagOptions[] = {
    {"--title-in-window", kFlagTitleInWindow}, {"--auto", kFlagAutoMode},
    {"--overwrite", kFlagOverwriteDefault},    {"--install-verb", kFlagInstallVerb},
    {"--encrypted", kFlagEncrypted},           {"--exe-volumes", kFlagExeVolumes},
};

// A size in bytes with an optional k or m suffix (1024 and 1048576).
bool ParseSize(const std::string &text, uint32_t &size) {
    char *end = nullptr;
    unsigned long long value = strtoull(text.c_str(), &end, 10);
    if (end == text.c_str())
        return false;
    if (*end == 'k' || *end == 'K') {
        value *= 1024;
        end++;
    } else if (*end == 'm' || *end == 'M') {
        value *= 1024 * 1024;
        end++;
    }
    if (*end != 0 || value == 0 || value > 0xFFFFFFFFull)
        return false;
    size = (uint32_t)value;
    return true;
}

bool SetPromptButtons(const std::string &value, uint32_t &flags) {
    flags &= ~(kFlagPromptButtons | kFlagPromptOkCancel);
    if (value == "yesno")
        flags |= kFlagPromptButtons;
    else if (value == "okcancel")
        flags |= kFlagPromptButtons | kFlagPromptOkCancel;
    else if (value != "ok")
        return false;
    return true;
}

const char *const kValueOptions[] = {"-o",    "--stub",     "--folder",         "--prompt", "--title",
                                     "--info", "--password", "--prompt-buttons", "--span"};

bool IsValueOption(const std::string &name) {
    for (const char *option : kValueOptions)
        if (name == option)
            return true;
    return false;
}

// Takes the value of one of kValueOptions; sets `why` when it is not valid.
void TakeValue(const std::string &name, const std::string &value, CommandLine &line, std::string &why) {
    ImageOptions &image = line.image;
    if (name == "-o") {
        line.output = value;
    } else if (name == "--stub") {
        line.stub = value;
    } else if (name == "--folder") {
        image.texts[kTextFolder] = value;
    } else if (name == "--prompt") {
        image.texts[kTextPrompt] = value;
    } else if (name == "--title") {
        image.texts[kTextTitle] = value;
        image.flags |= kFlagHasTitle;
    } else if (name == "--info") {
        image.texts[kTextInfo] = value;
    } else if (name == "--password") {
        if (value.empty())
            why = "--password needs a non-empty password";
        line.password = value;
    } else if (name == "--prompt-buttons") {
        if (!SetPromptButtons(value, image.flags))
            why = "--prompt-buttons takes ok, yesno or okcancel";
    } else if (name == "--span") {
        if (!ParseSize(value, line.spanSize))
            why = "--span takes a size in bytes, optionally with k or m";
    }
}

bool TakeSwitch(const std::string &name, CommandLine &line) {
    ImageOptions &image = line.image;
    for (const FlagOption &option : kFlagOptions)
        if (name == option.name) {
            image.flags |= option.set;
            return true;
        }
    if (name == "--crc-whole-stub")
        image.flags &= ~kFlagCrcSkipsHeaders;
    else if (name == "--no-stub-crc")
        image.stubCrc = false;
    else if (name == "--no-end-record-test")
        image.endRecordTest = false;
    else if (name == "--no-text-block")
        image.textBlock = false;
    else if (name == "--incomplete")
        image.complete = false;
    else if (name == "--help" || name == "-h")
        line.help = true;
    else
        return false;
    return true;
}

}  // namespace

bool ParseCommandLine(int argc, char **argv, CommandLine &line, std::string &why) {
    line.image.flags = kFlagCrcSkipsHeaders;
    int first = 1;
    if (argc > 1 && strcmp(argv[1], "info") == 0) {
        line.info = true;
        first = 2;
    }
    for (int i = first; i < argc; i++) {
        std::string arg = argv[i];
        if (arg.size() > 1 && arg[0] == '-' && !line.info) {
            if (TakeSwitch(arg, line))
                continue;
            if (!IsValueOption(arg)) {
                why = "unknown option " + arg;
                return false;
            }
            if (i + 1 >= argc) {
                why = arg + " needs a value";
                return false;
            }
            TakeValue(arg, argv[++i], line, why);
            if (!why.empty())
                return false;
            continue;
        }
        if (!line.input.empty()) {
            why = "more than one input: " + line.input + " and " + arg;
            return false;
        }
        line.input = arg;
    }
    if (line.help)
        return true;
    if (line.input.empty()) {
        why = line.info ? "info needs an image" : "no input given";
        return false;
    }
    if (!line.info && line.output.empty()) {
        why = "no output given (-o OUTPUT.exe)";
        return false;
    }
    if ((line.image.flags & kFlagExeVolumes) && line.spanSize == 0) {
        why = "--exe-volumes needs --span";
        return false;
    }
    return true;
}
