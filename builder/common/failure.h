// How the builder reports a failure: the file concerned and the cause, shown
// as one line on stderr by the command that gave up.
#pragma once
#include <string>

struct Failure {
    std::string file;
    std::string cause;
};

// Fills `failure` and answers false, so that callers can `return Fail(...)`.
bool Fail(Failure &failure, const std::string &file, const std::string &cause);
