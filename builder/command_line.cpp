#include "builder/command_line.h"

#include <stdlib.h>
#include <string.h>

#include "base/exit_codes.h"
#include "builder/common/system.h"
#include "image/config_record.h"

#ifndef TARVEX_VERSION
#define TARVEX_VERSION "unknown"
#endif

#define INFO_HELP                                                                   \
    "Usage: mksfx info [--password TEXT] [--] IMAGE\n"                              \
    "Print an image's settings, text block and members, and check it as its stub\n"  \
    "would: the start-up tests, then every member walked and decoded by the\n"      \
    "stub's own code.\n"                                                            \
    "  --password TEXT         also decode encrypted members with this password\n"  \
    "                          (without one they are stepped over unchecked)\n"     \
    "  --password-file FILE    the same, with the first line of FILE (- for\n"      \
    "                          standard input)\n"                                   \
    "  --ask-password          the same, typed at a prompt that does not echo\n"   \
    "  -h, --help              show this help and exit\n"

const char kInfoHelp[] = INFO_HELP;

const char kHelp[] =
    "Usage: mksfx [OPTION]... [--] INPUT -o OUTPUT.exe\n"
    "       mksfx info [--password TEXT] [--] IMAGE\n"
    "Make a self-extractor for 32-bit Windows from INPUT: a .zip file made by any\n"
    "tool, with members of any method libarchive decodes; another archive that\n"
    "libarchive reads (.7z, .tar.gz, .tar.bz2, .tar.xz, .tar.zst, cpio, ISO 9660,\n"
    "...); or a folder. Or print and check one with \"info\". mksfx.exe is built\n"
    "without libarchive: it takes folders and ZIP files of stored and deflated\n"
    "members only.\n"
    "\n"
    "Options:\n"
    "  -o, --output FILE       the self-extractor to write: a new file, or a\n"
    "                          regular file that is replaced when the build is done\n"
    "  --stub FILE             the stub to use (default: see Files)\n"
    "  --folder TEXT           default destination folder\n"
    "  --prompt TEXT           start-up prompt\n"
    "  --prompt-buttons ok|yesno|okcancel\n"
    "                          the start-up prompt's buttons (default ok)\n"
    "  --title TEXT            title text\n"
    "  --title-in-window       the dialog's caption is the title text\n"
    "  --info TEXT             info text, shown by \"-info\"\n"
    "  --auto                  auto mode: unpack without asking\n"
    "  --overwrite             overwrite without prompting by default\n"
    "  --run PROGRAM           open PROGRAM (a file unzipped into the destination\n"
    "                          folder, or a command) after a successful unzip;\n"
    "                          the dialog offers it ticked, auto mode opens it\n"
    "  --run-args TEXT         the arguments PROGRAM is opened with\n"
    "  --install-verb          open the after-unzip command with the verb Install\n"
    "  --encrypted             ask for the password before the first member (set\n"
    "                          anyway when a member is encrypted)\n"
    "  --password TEXT         folder input: encrypt every member (traditional ZIP\n"
    "                          encryption); the password shows in the process list\n"
    "  --password-file FILE    the same, with the first line of FILE as the\n"
    "                          password (- for standard input)\n"
    "  --ask-password          the same, typed twice at a prompt that does not echo\n"
    "  -0 ... -9               store every file (-0), or deflate from the fastest\n"
    "                          (-1) to the smallest (-9, the default)\n"
    "  --best                  smaller still and slower: libdeflate's level 12\n"
    "                          (mksfx.exe has zlib only: the same as -9)\n"
    "  --recompress            ZIP input: deflate stored and deflated members again\n"
    "                          at the chosen level, keeping whichever is smaller\n"
    "  --crc-whole-stub        checksum the whole stub (by default the PE headers\n"
    "                          are left out, so that signing the image afterwards\n"
    "                          keeps the checksum valid)\n"
    "  --no-stub-crc           no stub checksum\n"
    "  --no-end-record-test    no end-record test at start-up\n"
    "  --no-text-block         no text block\n"
    "  --span SIZE             write a spanned set of volumes of at most SIZE bytes\n"
    "                          (suffix k or m); see Spanned sets\n"
    "  --exe-volumes           with --span: later disks hold .EXE volumes (default\n"
    "                          .ZIP)\n"
    "  --name-codepage N       read the names the archive does not mark as UTF-8\n"
    "                          in code page N (437, 850, 866, 932, 1251, ...)\n"
    "  --allow-damaged         take members whose data fails its CRC or size check\n"
    "                          as they are, with a warning for each (by default\n"
    "                          such an input is refused)\n"
    "  -q, --quiet             no progress display and no summary line\n"
    "  -h, --help              show this help and exit\n"
    "  --version               show the version and exit\n"
    "  --                      end of the options: what follows is the input\n"
    "Short options may be bundled (-qo FILE, -oFILE) and long ones shortened to\n"
    "any unambiguous beginning (--out FILE).\n"
    "\n"
    "Info:\n"
    INFO_HELP
    "\n"
    "Texts:\n"
    "  --folder, --prompt, --title, --info, --run and --run-args are taken as\n"
    "  UTF-8 (mksfx.exe: as typed), and the self-extractor shows exactly those\n"
    "  characters. Their limits count characters as Windows does, in UTF-16\n"
    "  units (a character beyond U+FFFF, such as most emoji, counts as two):\n"
    "  folder 260, prompt 513, title 64, info 511, --run and --run-args 256 each;\n"
    "  together, as UTF-8, they take at most 1256 bytes.\n"
    "\n"
    "Spanned sets:\n"
    "  mksfx writes one folder per disk beside OUTPUT: disk1/ holds OUTPUT under\n"
    "  the name given (with .ZIP volumes also NAME.ZIP); each later diskN/ holds\n"
    "  NAME.ZIP (NAME.EXE with --exe-volumes), NAME being OUTPUT's name without\n"
    "  its extension. The volume extensions are .ZIP and .EXE in capitals, as the\n"
    "  stub forms them (Windows finds them in any case). The whole set is written\n"
    "  apart and moved into place when complete; volume files of an earlier,\n"
    "  larger set in further diskN/ folders are removed (the folder too when that\n"
    "  empties it). Give each disk the label mksfx prints, in capitals as\n"
    "  printed: PKBACK# 001, PKBACK# 002, ...\n"
    "\n"
    "Files:\n"
    "  The stub is sfxstub.exe in ../share/tarvex/ from mksfx's own folder (an\n"
    "  installed mksfx), else beside mksfx, else in the build tree (../win32/);\n"
    "  --stub overrides all three. An output inside a folder given as INPUT is\n"
    "  left out of the members.\n"
    "\n"
    "Unattended use (switches of the self-extractor, before AUTO or NOAUTO):\n"
    "  -y                      overwrite existing files without asking\n"
    "  -silent                 no window and no message box; implies auto mode;\n"
    "                          existing files are kept unless -y is given\n"
    "  -log FILE               one UTF-8 line per member written or kept, per\n"
    "                          message, and the exit code\n"
    "\n"
    "Self-extractor exit codes:\n"
    EXIT_CODE_TABLE
    "\n"
    "Exit status:\n"
    "  0  done (info: the stub would start and extract every member)\n"
    "  1  the input was refused or could not be read or written (info: the image\n"
    "     would fail, or could not be read)\n"
    "  2  usage error\n"
    "\n"
    "Examples:\n"
    "  mksfx --title 'My program' --folder 'C:\\Program Files\\Mine' dist/ -o setup.exe\n"
    "  mksfx --ask-password -q release.zip -o release.exe\n"
    "  mksfx info setup.exe\n";

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

// Every option by its long name. `shortName` is its one-letter form (0:
// none); `forInfo` marks those `mksfx info` takes too; a hidden option (for
// the tests: an image the stub must refuse) is left out of the help and
// matches only when spelt in full.
struct OptionSpec {
    const char *name;
    char shortName;
    bool takesValue;
    bool forInfo;
    bool hidden;
};

const OptionSpec kOptions[] = {
    {"--output", 'o', true, false, false},        {"--stub", 0, true, false, false},
    {"--folder", 0, true, false, false},          {"--prompt", 0, true, false, false},
    {"--prompt-buttons", 0, true, false, false},  {"--title", 0, true, false, false},
    {"--title-in-window", 0, false, false, false}, {"--info", 0, true, false, false},
    {"--auto", 0, false, false, false},           {"--overwrite", 0, false, false, false},
    {"--install-verb", 0, false, false, false},   {"--encrypted", 0, false, false, false},
    {"--password", 0, true, true, false},         {"--password-file", 0, true, true, false},
    {"--ask-password", 0, false, true, false},    {"--crc-whole-stub", 0, false, false, false},
    {"--no-stub-crc", 0, false, false, false},    {"--no-end-record-test", 0, false, false, false},
    {"--no-text-block", 0, false, false, false},  {"--incomplete", 0, false, false, true},
    {"--span", 0, true, false, false},            {"--exe-volumes", 0, false, false, false},
    {"--name-codepage", 0, true, false, false},   {"--run", 0, true, false, false},
    {"--run-args", 0, true, false, false},
    {"--allow-damaged", 0, false, false, false},  {"--quiet", 'q', false, false, false},
    {"--help", 'h', false, true, false},          {"--version", 0, false, false, false},
    {"--best", 0, false, false, false},           {"--recompress", 0, false, false, false},
};

bool Offered(const OptionSpec &option, const CommandLine &line) {
    return !line.info || option.forInfo;
}

// The option `name` (from "--" on, without "=value") stands for: the one
// spelt so, else the only one it begins; null with the failure otherwise.
const OptionSpec *FindLongOption(const std::string &name, const CommandLine &line, Failure &failure) {
    std::vector<const OptionSpec *> matches;
    for (const OptionSpec &option : kOptions) {
        if (!Offered(option, line))
            continue;
        if (name == option.name)
            return &option;
        if (!option.hidden && name.size() > 2 && strncmp(option.name, name.c_str(), name.size()) == 0)
            matches.push_back(&option);
    }
    if (matches.size() == 1)
        return matches[0];
    std::string why = "unknown option " + name + (line.info ? " for info" : "");
    if (!matches.empty()) {
        why = "option " + name + " is ambiguous (";
        for (size_t i = 0; i < matches.size(); i++)
            why += std::string(i ? ", " : "") + matches[i]->name;
        why += ")";
    }
    Fail(failure, "", why);
    return nullptr;
}

const OptionSpec *FindShortOption(char letter, const CommandLine &line, Failure &failure) {
    for (const OptionSpec &option : kOptions)
        if (option.shortName == letter && Offered(option, line))
            return &option;
    Fail(failure, "", std::string("unknown option -") + letter + (line.info ? " for info" : ""));
    return nullptr;
}

// Takes the value of the option `name` (its long name); fails when it is not valid.
bool TakeValue(const std::string &name, const std::string &value, CommandLine &line, Failure &failure) {
    ImageOptions &image = line.image;
    if (name == "--output") {
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
            return Fail(failure, "", "--password needs a password that is not empty");
        line.password = value;
        line.passwordWays++;
    } else if (name == "--password-file") {
        line.passwordFile = value;
        line.passwordWays++;
    } else if (name == "--prompt-buttons") {
        if (!SetPromptButtons(value, image.flags))
            return Fail(failure, "", "--prompt-buttons takes ok, yesno or okcancel, not '" + value + "'");
    } else if (name == "--name-codepage") {
        char *end = nullptr;
        unsigned long page = strtoul(value.c_str(), &end, 10);
        std::string probe;
        if (value.empty() || *end || page == 0 || page > 65535 || !CodePageToUtf8((unsigned)page, "A", probe))
            return Fail(failure, "", "--name-codepage takes a code page number such as 437, 866 or 932, not '" + value +
                                         "'");
        line.nameCodePage = (unsigned)page;
    } else if (name == "--run") {
        line.runCommand = value;
        line.image.flags |= kFlagRunCommand;
    } else if (name == "--run-args") {
        line.runArguments = value;
        line.runArgumentsGiven = true;
    } else if (name == "--span") {
        if (!ParseSize(value, line.spanSize))
            return Fail(failure, "", "--span takes a size in bytes, optionally with k or m, not '" + value + "'");
    }
    return true;
}

// The option without a value whose long name is `name`.
void TakeSwitch(const std::string &name, CommandLine &line) {
    ImageOptions &image = line.image;
    if (name == "--help") {
        line.help = true;
    } else if (name == "--ask-password") {
        line.askPassword = true;
        line.passwordWays++;
    } else if (name == "--version") {
        line.version = true;
    } else if (name == "--best") {
        line.level = kLevelBest;
    } else if (name == "--recompress") {
        line.recompress = true;
    } else if (name == "--quiet") {
        line.quiet = true;
    } else if (name == "--allow-damaged") {
        line.allowDamaged = true;
    } else if (name == "--crc-whole-stub") {
        image.flags &= ~kFlagCrcSkipsHeaders;
    } else if (name == "--no-stub-crc") {
        image.stubCrc = false;
    } else if (name == "--no-end-record-test") {
        image.endRecordTest = false;
    } else if (name == "--no-text-block") {
        image.textBlock = false;
    } else if (name == "--incomplete") {
        image.complete = false;
    } else {
        for (const FlagOption &option : kFlagOptions)
            if (name == option.name)
                image.flags |= option.set;
    }
}

bool TakeOperand(const std::string &arg, CommandLine &line, Failure &failure) {
    if (!line.input.empty()) 
        return Fail(failure, "", "more than one input: '" + line.input + "' and '" + arg + "'");
    line.input = arg;
    return true;
}

}  // namespace

bool ParseCommandLine(const std::vector<std::string> &arguments, CommandLine &line, Failure &failure) {
    line.image.flags = kFlagCrcSkipsHeaders;
    size_t first = 0;
    if (!arguments.empty() && arguments[0] == "info") {
        line.info = true;
        first = 1;
    }
    bool optionsEnded = false;
    for (size_t i = first; i < arguments.size(); i++) {
        const std::string &arg = arguments[i];
        if (optionsEnded || arg.size() < 2 || arg[0] != '-') {
            if (!TakeOperand(arg, line, failure))
                return false;
            continue;
        }
        if (arg == "--") {
            optionsEnded = true;
            continue;
        }
        if (arg[1] == '-') {
            // --name=value is the same as --name value.
            size_t equals = arg.find('=');
            const OptionSpec *option = FindLongOption(arg.substr(0, equals), line, failure);
            if (!option)
                return false;
            if (!option->takesValue && equals != std::string::npos) 
                return Fail(failure, "", std::string("option ") + option->name + " takes no value");
            if (!option->takesValue) {
                TakeSwitch(option->name, line);
                continue;
            }
            if (equals == std::string::npos && i + 1 >= arguments.size()) 
                return Fail(failure, "", std::string("option ") + option->name + " needs a value");
            if (!TakeValue(option->name, equals != std::string::npos ? arg.substr(equals + 1) : arguments[++i], line,
                           failure))
                return false;
        } else {
            // A bundle of short options: switches, then at most one that
            // takes the rest of the argument, or the next one, as its value.
            for (size_t at = 1; at < arg.size(); at++) {
                if (arg[at] >= '0' && arg[at] <= '9' && !line.info) {
                    line.level = arg[at] - '0';
                    continue;
                }
                const OptionSpec *option = FindShortOption(arg[at], line, failure);
                if (!option)
                    return false;
                if (!option->takesValue) {
                    TakeSwitch(option->name, line);
                    continue;
                }
                if (at + 1 == arg.size() && i + 1 >= arguments.size()) 
                    return Fail(failure, "", std::string("option -") + arg[at] + " needs a value");
                if (!TakeValue(option->name, at + 1 < arg.size() ? arg.substr(at + 1) : arguments[++i], line, failure))
                    return false;
                break;
            }
        }
    }
    if (line.help || line.version)
        return true;
    if (line.input.empty()) 
        return Fail(failure, "", line.info ? "info needs an image to check" : "no input given (a .zip file or a folder)");
    if (!line.info && line.output.empty()) 
        return Fail(failure, "", "no output given (-o OUTPUT.exe)");
    if (line.passwordWays > 1) 
        return Fail(failure, "", "give the password one way only: --password, --password-file or --ask-password");
    if (line.runArgumentsGiven && !(line.image.flags & kFlagRunCommand)) 
        return Fail(failure, "", "--run-args needs --run");
    if ((line.image.flags & kFlagRunCommand) &&
        !ComposeRunCommand(line.runCommand, line.runArguments, line.image.texts[kTextSkipped], failure))
        return false;
    if ((line.image.flags & kFlagExeVolumes) && line.spanSize == 0) 
        return Fail(failure, "", "--exe-volumes needs --span");
    return true;
}
