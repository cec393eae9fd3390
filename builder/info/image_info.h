// `mksfx info`: prints an image's ConfigRecord, TextBlock and members and
// checks it: the start-up tests worked out here, then the stub's own
// start-up and extraction pass run over it (builder/info/stub_run.h).
#pragma once
#include <string>

// Prints the report to stdout; on a failed check also one line to stderr
// with the image and the first reason. With a non-empty `password`
// encrypted members are decoded too. Answers the exit code: 0 when the stub
// would start and its walk reaches the end with every member it decoded
// intact, 1 otherwise.
int ShowImageInfo(const std::string &path, const std::string &password);
