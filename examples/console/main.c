/* The romweld example program: mounts the file system appended to its own
 * cartridge image, walks the whole tree, shows the listing on screen and
 * writes a report into EWRAM for the host to read:
 *
 *   0x02000000  u32  completion marker, "RWDN" once the report is complete
 *   0x02000004  u32  length of the report text
 *   0x02000008       the text, one line per entry:
 *                    "D <path>" or "F <size> <crc-32> <path>"
 */
#include <stdint.h>

#include "crc32.h"
#include "font.h"
#include "romweld_fs.h"

#define REG_DISPCNT (*(volatile uint16_t*)0x04000000)
#define REG_VCOUNT (*(volatile uint16_t*)0x04000006)
#define VRAM ((volatile uint16_t*)0x06000000)
#define SCREEN_WIDTH 240
#define SCREEN_HEIGHT 160
#define MODE_3_BG2 0x0403

#define REPORT_MARKER (*(volatile uint32_t*)0x02000000)
#define REPORT_LENGTH (*(volatile uint32_t*)0x02000004)
#define REPORT_TEXT ((volatile char*)0x02000008)
#define REPORT_CAPACITY (256u * 1024u - 8u)
#define REPORT_DONE 0x4E445752u /* "RWDN" */

#define MAX_DEPTH 32
#define LINE_HEIGHT 6
#define MAX_ROWS (SCREEN_HEIGHT / LINE_HEIGHT)

extern const char __rom_end[];

/* Bytes shaped like a file system header, with a root table that lies far
 * outside the cartridge: the finder must pass over them when it scans this
 * program from its start. */
const uint8_t decoy_header[32] __attribute__((aligned(16))) = {
    'R', 'W', 1, 0, 32, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0,
    0x80, 0, 0, 0, 0x00, 0x00, 0x00, 0x0F, 16, 0, 0, 0, 0, 0, 0, 0};

static uint32_t report_length;
static char path[2048];
static uint32_t entry_count;
static uint32_t screen_row;

static uint16_t rgb(uint32_t r, uint32_t g, uint32_t b) {
    return (uint16_t)(r | (g << 5) | (b << 10));
}

static void draw_text(uint32_t x, uint32_t y, const char* text, uint32_t length, uint16_t color) {
    uint32_t i, row, column;
    for (i = 0; i < length && x + FONT_WIDTH <= SCREEN_WIDTH; ++i, x += FONT_WIDTH + 1) {
        const uint8_t* glyph = font_glyph(text[i]);
        for (row = 0; row < FONT_HEIGHT; ++row)
            for (column = 0; column < FONT_WIDTH; ++column)
                if (glyph[row] & (4u >> column)) VRAM[(y + row) * SCREEN_WIDTH + x + column] = color;
    }
}

static void show_line(const char* text, uint32_t length, uint16_t color) {
    if (screen_row < MAX_ROWS) draw_text(2, 1 + screen_row * LINE_HEIGHT, text, length, color);
    ++screen_row;
}

static void report(const char* text, uint32_t length) {
    uint32_t i;
    for (i = 0; i < length && report_length < REPORT_CAPACITY; ++i) REPORT_TEXT[report_length++] = text[i];
}

/* A line under construction: text, decimal and hexadecimal numbers. */
typedef struct line {
    char text[2200];
    uint32_t length;
} line;

static void put_text(line* l, const char* text, uint32_t length) {
    uint32_t i;
    for (i = 0; i < length && l->length < sizeof l->text; ++i) l->text[l->length++] = text[i];
}

static void put_string(line* l, const char* text) {
    while (*text) put_text(l, text++, 1);
}

static void put_decimal(line* l, uint32_t value) {
    char digits[10];
    uint32_t n = 0;
    do {
        digits[n++] = (char)('0' + value % 10);
        value /= 10;
    } while (value != 0);
    while (n > 0) put_text(l, &digits[--n], 1);
}

static void put_hex(line* l, uint32_t value) {
    int shift;
    for (shift = 28; shift >= 0; shift -= 4) put_text(l, &"0123456789abcdef"[(value >> shift) & 15u], 1);
}

static void finish_line(line* l, uint16_t color) {
    show_line(l->text, l->length, color);
    put_text(l, "\n", 1);
    report(l->text, l->length);
}

/* Reports every entry below directory, whose path has path_length bytes. */
static void walk(const romweld_fs* fs, const romweld_entry* directory, uint32_t path_length, int depth) {
    uint32_t i;
    for (i = 0; i < romweld_entry_count(directory); ++i) {
        romweld_entry entry;
        uint32_t length = path_length;
        line l;
        romweld_status status = romweld_entry_at(fs, directory, i, &entry);
        l.length = 0;
        if (status != ROMWELD_OK) {
            put_string(&l, "E ");
            put_string(&l, romweld_status_text(status));
            finish_line(&l, rgb(31, 0, 0));
            continue;
        }
        if (length > 0) path[length++] = '/';
        if (length + entry.name_size >= sizeof path) {
            put_string(&l, "E path too long");
            finish_line(&l, rgb(31, 0, 0));
            continue;
        }
        for (uint32_t k = 0; k < entry.name_size; ++k) path[length + k] = entry.name[k];
        length += entry.name_size;
        ++entry_count;
        if (romweld_is_directory(&entry)) {
            put_string(&l, "D ");
            put_text(&l, path, length);
            finish_line(&l, rgb(31, 28, 8));
            if (depth < MAX_DEPTH) {
                walk(fs, &entry, length, depth + 1);
            } else {
                l.length = 0;
                put_string(&l, "E too deep to walk");
                finish_line(&l, rgb(31, 0, 0));
            }
        } else {
            put_string(&l, "F ");
            put_decimal(&l, entry.size);
            put_string(&l, " ");
            put_hex(&l, crc32_of(entry.data, entry.size));
            put_string(&l, " ");
            put_text(&l, path, length);
            finish_line(&l, rgb(26, 31, 26));
        }
    }
}

int main(void) {
    romweld_fs fs;
    romweld_entry root;
    line l;
    uint32_t i;
    uint32_t program_size = (uint32_t)((uintptr_t)__rom_end - ROMWELD_ROM_BASE);

    REPORT_MARKER = 0;
    REG_DISPCNT = MODE_3_BG2;
    for (i = 0; i < SCREEN_WIDTH * SCREEN_HEIGHT; ++i) VRAM[i] = rgb(2, 4, 10);

    l.length = 0;
    {
        /* Scanning from the very start crosses the decoy and the reader's
         * own code; it must find the same header as the scan from the end. */
        romweld_fs from_start;
        if (romweld_mount(&from_start, (const void*)ROMWELD_ROM_BASE, ROMWELD_ROM_LIMIT, ROMWELD_ROM_BASE, 0) ==
                ROMWELD_OK &&
            romweld_mount(&fs, (const void*)ROMWELD_ROM_BASE, ROMWELD_ROM_LIMIT, ROMWELD_ROM_BASE, program_size) ==
                ROMWELD_OK &&
            from_start.header_offset != fs.header_offset) {
            put_string(&l, "E a scan from the start found ");
            put_hex(&l, ROMWELD_ROM_BASE + from_start.header_offset);
            finish_line(&l, rgb(31, 0, 0));
            l.length = 0;
        }
    }
    if (romweld_mount(&fs, (const void*)ROMWELD_ROM_BASE, ROMWELD_ROM_LIMIT, ROMWELD_ROM_BASE, program_size) !=
        ROMWELD_OK) {
        put_string(&l, "mount failed");
        finish_line(&l, rgb(31, 0, 0));
    } else {
        put_string(&l, "mount ");
        put_hex(&l, ROMWELD_ROM_BASE + fs.header_offset);
        finish_line(&l, rgb(16, 24, 31));
        romweld_root(&fs, &root);
        walk(&fs, &root, 0, 1);
    }
    if (screen_row > MAX_ROWS) {
        l.length = 0;
        put_string(&l, "...");
        draw_text(2, 1 + (MAX_ROWS - 1) * LINE_HEIGHT, l.text, l.length, rgb(31, 31, 31));
    }
    REPORT_LENGTH = report_length;
    REPORT_MARKER = REPORT_DONE;
    for (;;) {
        while (REG_VCOUNT >= SCREEN_HEIGHT) {
        }
        while (REG_VCOUNT < SCREEN_HEIGHT) {
        }
    }
}
