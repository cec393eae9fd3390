// How the builder reports a failure: the file concerned and the cause, shown
// as one line on stderr by the command that gave up ("mksfx: FILE: CAUSE").
//
// Every builder function that can fail answers true on success and, on
// failure, false with its Failure filled: the cause, and the file when the
// function knows which file the cause is about. A caller that knows the file
// better names it (`return Fail(failure, file, failure.cause)`); a failure
// that names none is shown with the command's own input or output. The cause
// is left empty only where a ByteSink stopped a stream: the sink's owner
// holds the reason.
#pragma once
#include <string>

struct Failure {
    std::string file;
    std::string cause;
};

// Fills `failure` and answers false, so that callers can `return Fail(...)`;
// `cause` may be failure.cause itself.
bool Fail(Failure &failure, const std::string &file, const std::string &cause);
