// `mksfx info IMAGE`: prints an image's ConfigRecord, TextBlock and members
// and replays every start-up check the stub makes.
#pragma once
#include <string>

// Prints the report to stdout; on a failed check also one line to stderr
// with the image and the first reason. Answers the exit code: 0 when the
// stub would start and its walk reaches the end with every checkable member
// intact, 1 otherwise.
int ShowImageInfo(const std::string &path);
