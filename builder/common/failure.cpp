#include "builder/common/failure.h"

bool Fail(Failure &failure, const std::string &file, const std::string &cause) {
    failure.file = file;
    failure.cause = cause;
    return false;
}
