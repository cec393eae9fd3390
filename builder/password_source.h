// Where a password comes from besides --password, which leaves it in the
// shell's history and the process list: the first line of a file (or of
// standard input), or a prompt on the terminal that does not echo.
#pragma once
#include "builder/command_line.h"
#include "builder/common/failure.h"

// Fills line.password from line.passwordFile or, with line.askPassword, from
// the terminal (typed twice when `confirm`, as for encrypting). Fails with
// the file or "--ask-password" and the reason; does nothing when neither is
// given.
bool ResolvePassword(CommandLine &line, bool confirm, Failure &failure);
