#include "crc32.h"

static uint32_t table[256];
static int table_ready;

static void make_table(void) {
    uint32_t n, k, c;
    for (n = 0; n < 256; ++n) {
        c = n;
        for (k = 0; k < 8; ++k) c = (c & 1u) ? 0xEDB88320u ^ (c >> 1) : c >> 1;
        table[n] = c;
    }
    table_ready = 1;
}

uint32_t crc32_of(const uint8_t* data, uint32_t size) {
    uint32_t c = 0xFFFFFFFFu, i;
    if (!table_ready) make_table();
    for (i = 0; i < size; ++i) c = table[(c ^ data[i]) & 0xFFu] ^ (c >> 8);
    return c ^ 0xFFFFFFFFu;
}
