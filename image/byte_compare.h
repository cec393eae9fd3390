// Byte compare, shared by the image checks, start-up and the archive walk.
#pragma once
#include <stdint.h>

// 0 when the first n bytes of a and b are equal (also for n 0), 1 at the
// first difference. It stops there, so a NUL-terminated text compared with a
// longer pattern is never read past its terminator.
int ByteCompare(const void *a, const void *b, uint32_t n);
