// What mksfx may write to: a new file, or a regular file it replaces by a
// rename. Anything else standing at the output's name (a device such as
// /dev/null, a FIFO, a link whose target would be left as it was, a folder)
// is refused, as is the input itself, even under another name.
#pragma once
#include <string>
#include <vector>

// Why `output` may not be written for `input` (empty when it may): "is a
// FIFO, not a regular file ...", "is the input itself ...".
std::string OutputRefusal(const std::string &output, const std::string &input);

// The paths an input folder must not take as members because this build
// writes them: the output and, for a spanned set, the disk folders beside it.
std::vector<std::string> PathsToLeaveOut(const std::string &output, bool spanned);
