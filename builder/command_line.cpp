#include "builder/command_line.h"

#include <stdlib.h>
#include <string.h>

#include "app/exit_codes.h"
#include "image/config_record.h"

#ifndef TARVEX_VERSION
#define TARVEX_VERSION "unknown"
#endif

#define INFO_HELP                                                                              \
    "Usage: mksfx info [--password TEXT] [--] IMAGE\n"                                         \
    "Print an image's settings, text block and members, and check it as its stub\n"             \
    "would: the start-up tests, then every member walked and decoded by the\n"                 \
    "stub's own code.\n"                                                                       \
    "  --password TEXT              also decode encrypted members with this password\n"        \
    "                               (without it they are stepped over unchecked)\n"            \
    "  -h, --help                   show this help and exit\n"

const char kInfoHelp[] = INFO_HELP;

const char kHelp[] =
    "Usage: mksfx [OPTION]... [--] INPUT -o OUTPUT.exe\n"
    "       mksfx info [--password TEXT] [--] IMAGE\n"
    "Make a self-extractor for 32-bit Windows from INPUT, a .zip file made by any\n"
    "tool or a folder, or print and check one with \"info\".\n"
    "\n"
    "Options:\n"
    "  -o, --output FILE            the self-extractor to write\n"
    "  --stub FILE                  the stub to use (default: see Files)\n"
    "  --folder TEXT                default destination folder\n"
    "  --prompt TEXT                start-up prompt\n"
    "  --prompt-buttons ok|yesno|okcancel\n"
    "                               the start-up prompt's buttons (default ok)\n"
    "  --title TEXT                 title text\n"
    "  --title-in-window            the dialog's caption is the title text\n"
    "  --info TEXT                  info text, shown by \"-info\"\n"
    "  --auto                       auto mode: unpack without asking\n"
    "  --overwrite                  overwrite without prompting by default\n"
    "  --run PROGRAM                open PROGRAM (a file unzipped into the destination\n"
    "                               folder, or a command) after a successful unzip; the\n"
    "                               dialog offers it ticked, auto mode opens it\n"
    "  --run-args TEXT              the arguments PROGRAM is opened with\n"
    "  --install-verb               open the after-unzip command with the verb Install\n"
    "  --encrypted                  ask for the password before the first member (set\n"
    "                               anyway when a member is encrypted)\n"
    "  --password TEXT              folder input: encrypt every member (traditional ZIP\n"
    "                               encryption)\n"
    "  --crc-whole-stub             checksum the whole stub (by default the PE headers\n"
    "                               are left out, so that signing the image afterwards\n"
    "                               keeps the checksum valid)\n"
    "  --no-stub-crc                no stub checksum\n"
    "  --no-end-record-test         no end-record test at start-up\n"
    "  --no-text-block              no text block\n"
    "  --incomplete                 mark the image incomplete (to test the refusal)\n"
    "  --span SIZE                  write a spanned set of volumes of at most SIZE bytes\n"
    "                               (suffix k or m); see Spanned sets\n"
    "  --exe-volumes                with --span: later disks hold .EXE volumes (default\n"
    "                               .ZIP)\n"
    "  --allow-damaged              take members whose data fails its CRC or size check\n"
    "                               as they are, with a warning for each (by default\n"
    "                               such an input is refused)\n"
    "  -q, --quiet                  no progress display and no summary line\n"
    "  -h, --help                   show this help and exit\n"
    "  --version                    show the version and exit\n"
    "  --                           end of the options: what follows is the input\n"
    "\n"
    "Info:\n"
    INFO_HELP
    "\n"
    "Spanned sets:\n"
    "  mksfx writes one folder per disk beside OUTPUT: disk1/ holds OUTPUT under the\n"
    "  name given (with .ZIP volumes also NAME.ZIP); each later diskN/ holds NAME.ZIP\n"
    "  (NAME.EXE with --exe-volumes), NAME being OUTPUT's name without its\n"
    "  extension. The volume extensions are .ZIP and .EXE in capitals, as the stub\n"
    "  forms them (Windows finds them in any case). The whole set is written apart\n"
    "  and moved into place when complete; volume files of an earlier, larger set\n"
    "  in further diskN/ folders are removed (the folder too when that empties it).\n"
    "  Give each disk the label mksfx prints, in capitals as printed: PKBACK# 001,\n"
    "  PKBACK# 002, ...\n"
    "\n"
    "Files:\n"
    "  The stub is sfxstub.exe in ../share/tarvex/ from mksfx's own folder (an\n"
    "  installed mksfx), else beside mksfx, else in the build tree (../win32/);\n"
    "  --stub overrides all three.\n"
    "\n"
    "Unattended use (switches of the self-extractor, before AUTO or NOAUTO):\n"
    "  -y                           overwrite existing files without asking\n"
    "  -silent                      no window and no message box; implies auto mode;\n"
    "                               existing files are kept unless -y is given\n"
    "  -log FILE                    one UTF-8 line per member written or kept, per\n"
    "                               message, and the exit code\n"
    "\n"
    "Self-extractor exit codes:\n"
    EXIT_CODE_TABLE
    "\n"
    "Exit status:\n"
    "  0  done (info: the stub would start and extract every member)\n"
    "  1  the input was refused or could not be read or written (info: the image\n"
    "     would fail, or could not be read)\n"
    "  2  usage error\n";

std::string VersionLine() {
    return std::string("mksfx (Tarvex Self-Extractor) ") + TARVEX_VERSION;
}

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
    if (text.empty() || text[0] < '0' || text[0] > '9')
        return false;
    unsigned long long value = strtoull(text.c_str(), &end, 10);
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

const char *const kValueOptions[] = {"-o",     "--output",   "--stub",           "--folder", "--prompt",
                                     "--title", "--info",    "--password",       "--prompt-buttons",
                                     "--span",  "--run",      "--run-args"};
const char *const kInfoValueOptions[] = {"--password"};

template <size_t N>
bool IsOneOf(const std::string &name, const char *const (&names)[N]) {
    for (const char *option : names)
        if (name == option)
            return true;
    return false;
}

// Takes the value of one of kValueOptions; sets `why` when it is not valid.
void TakeValue(const std::string &name, const std::string &value, CommandLine &line, std::string &why) {
    ImageOptions &image = line.image;
    if (name == "-o" || name == "--output") {
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
            why = "--password needs a password that is not empty";
        line.password = value;
    } else if (name == "--prompt-buttons") {
        if (!SetPromptButtons(value, image.flags))
            why = "--prompt-buttons takes ok, yesno or okcancel, not '" + value + "'";
    } else if (name == "--run") {
        line.runCommand = value;
        line.image.flags |= kFlagRunCommand;
    } else if (name == "--run-args") {
        line.runArguments = value;
        line.runArgumentsGiven = true;
    } else if (name == "--span") {
        if (!ParseSize(value, line.spanSize))
            why = "--span takes a size in bytes, optionally with k or m, not '" + value + "'";
    }
}

// The options without a value; false when `name` is none of them.
bool TakeSwitch(const std::string &name, CommandLine &line) {
    ImageOptions &image = line.image;
    if (name == "--help" || name == "-h")
        line.help = true;
    else if (line.info)
        return false;
    else if (name == "--version")
        line.version = true;
    else if (name == "--quiet" || name == "-q")
        line.quiet = true;
    else if (name == "--allow-damaged")
        line.allowDamaged = true;
    else if (name == "--crc-whole-stub")
        image.flags &= ~kFlagCrcSkipsHeaders;
    else if (name == "--no-stub-crc")
        image.stubCrc = false;
    else if (name == "--no-end-record-test")
        image.endRecordTest = false;
    else if (name == "--no-text-block")
        image.textBlock = false;
    else if (name == "--incomplete")
        image.complete = false;
    else {
        for (const FlagOption &option : kFlagOptions)
            if (name == option.name) {
                image.flags |= option.set;
                return true;
            }
        return false;
    }
    return true;
}

bool TakeOperand(const std::string &arg, CommandLine &line, std::string &why) {
    if (!line.input.empty()) {
        why = "more than one input: '" + line.input + "' and '" + arg + "'";
        return false;
    }
    line.input = arg;
    return true;
}

}  // namespace

bool ParseCommandLine(const std::vector<std::string> &arguments, CommandLine &line, std::string &why) {
    line.image.flags = kFlagCrcSkipsHeaders;
    size_t first = 0;
    if (!arguments.empty() && arguments[0] == "info") {
        line.info = true;
        first = 1;
    }
    bool optionsEnded = false;
    for (size_t i = first; i < arguments.size(); i++) {
        std::string arg = arguments[i];
        if (optionsEnded || arg.size() < 2 || arg[0] != '-') {
            if (!TakeOperand(arg, line, why))
                return false;
            continue;
        }
        if (arg == "--") {
            optionsEnded = true;
            continue;
        }
        // --name=value is the same as --name value.
        std::string value;
        bool joined = false;
        size_t equals = arg.find('=');
        if (arg.compare(0, 2, "--") == 0 && equals != std::string::npos) {
            value = arg.substr(equals + 1);
            arg = arg.substr(0, equals);
            joined = true;
        }
        bool takesValue = line.info ? IsOneOf(arg, kInfoValueOptions) : IsOneOf(arg, kValueOptions);
        if (!takesValue) {
            if (!joined && TakeSwitch(arg, line))
                continue;
            why = (joined ? "option " + arg + " takes no value" : "unknown option " + arg) +
                  (line.info ? " for info" : "");
            return false;
        }
        if (!joined) {
            if (i + 1 >= arguments.size()) {
                why = "option " + arg + " needs a value";
                return false;
            }
            value = arguments[++i];
        }
        TakeValue(arg, value, line, why);
        if (!why.empty())
            return false;
    }
    if (line.help || line.version)
        return true;
    if (line.input.empty()) {
        why = line.info ? "info needs an image to check" : "no input given (a .zip file or a folder)";
        return false;
    }
    if (!line.info && line.output.empty()) {
        why = "no output given (-o OUTPUT.exe)";
        return false;
    }
    if (line.runArgumentsGiven && !(line.image.flags & kFlagRunCommand)) {
        why = "--run-args needs --run";
        return false;
    }
    if ((line.image.flags & kFlagRunCommand) &&
        !ComposeRunCommand(line.runCommand, line.runArguments, line.image.texts[kTextSkipped], why))
        return false;
    if ((line.image.flags & kFlagExeVolumes) && line.spanSize == 0) {
        why = "--exe-volumes needs --span";
        return false;
    }
    return true;
}
