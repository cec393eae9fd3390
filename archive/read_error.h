// Reads of the archive that come up short.
#pragma once

// String 36 with imagePath and " <code>", through ShowError. The codes
// are listed with the reads that raise them (archive/extraction_pass.h,
// archive/member_input.h).
[[noreturn]] void ReadError(int code);
