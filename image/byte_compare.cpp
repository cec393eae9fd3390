#include "image/byte_compare.h"

int ByteCompare(const void *a, const void *b, uint32_t n) {
    const uint8_t *p = (const uint8_t *)a;
    const uint8_t *q = (const uint8_t *)b;
    for (uint32_t i = 0; i < n; i++)
        if (p[i] != q[i])
            return 1;
    return 0;
}
