// `mksfx info`: prints an image's ConfigRecord, TextBlock and members and
// checks it: the start-up tests worked out here, then the stub's own
// start-up and extraction pass run over it (builder/info/stub_run.h).
#pragma once
#include <string>

#include "builder/common/failure.h"

// Prints the report to stdout. With a non-empty `password` encrypted
// members are decoded too. True when the stub would start and its walk
// reaches the end with every member it decoded intact; otherwise fails
// naming the image, with the first reason (the image cannot be read, is no
// self-extractor, or a check failed).
bool ShowImageInfo(const std::string &path, const std::string &password, Failure &failure);
