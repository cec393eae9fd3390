// The stub's exit codes: what a script that runs an image learns from it.
// The table below is the one place they are described; mksfx --help and the
// README print it.
#pragma once

enum ExitCode {
    kExitUnzipped = 0,     // the pass reached the end of the archive (members kept count too)
    kExitFailed = 1,       // a member failed: CRC, cannot create, unsafe name, wrong password, damaged data;
                           // or no usable folder, or no dialog
    kExitCancelled = 2,    // cancelled or aborted by the user, or the dialog closed without unzipping
    kExitDeclined = 3,     // the start-up prompt was declined
    kExitRefused = 4,      // the image was refused at start-up: header corrupt, incomplete, Windows version
    kExitNeedsAnswer = 5,  // -silent: a password or a disk would have been asked for
};

// The table as mksfx --help (and so the README and the manual page) prints
// it, beside the codes it describes.
#define EXIT_CODE_TABLE                                                                        \
    "  0  every member unzipped (members kept rather than overwritten count too)\n"          \
    "  1  a member failed: CRC error, file cannot be created, unsafe name, wrong\n"          \
    "     password, damaged archive; or no usable destination folder; or the\n"             \
    "     dialog could not be shown\n"                                                      \
    "  2  cancelled or aborted by the user, or the dialog closed without unzipping\n"        \
    "  3  the start-up prompt was declined\n"                                                \
    "  4  the image was refused at start-up: header corrupt, incomplete, Windows\n"          \
    "     version, or a folder after AUTO too long\n"                                        \
    "  5  -silent: a password or a disk would have been asked for\n"

static_assert(kExitNeedsAnswer == 5, "EXIT_CODE_TABLE lists every code");
