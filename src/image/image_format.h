/* The on-ROM layout of a romweld file system: the header, the directory
 * record, stored names and alignment. This is the one definition of the
 * layout, shared by the packer, the console reader and the inspector, so it
 * is freestanding C99 and C++ (only <stdint.h> and <stddef.h>).
 *
 * Every multi-byte field is little-endian and is read and written byte by
 * byte, so the code is independent of the host's byte order and of the
 * alignment of the bytes it is given. */
#ifndef ROMWELD_IMAGE_FORMAT_H
#define ROMWELD_IMAGE_FORMAT_H

#include <stddef.h>
#include <stdint.h>

/* Address at which the console maps the first byte of the cartridge. */
#define ROMWELD_ROM_BASE 0x08000000u
/* Largest image, in bytes, that the cartridge window can hold (32 MiB). */
#define ROMWELD_ROM_LIMIT 0x02000000u

#define ROMWELD_KIND_FILE 0x00u
#define ROMWELD_KIND_DIRECTORY 0x80u

#define ROMWELD_HEADER_SIZE 32u
#define ROMWELD_DIR_ENTRY_SIZE 16u
/* Names, contents and tables all start on this boundary. */
#define ROMWELD_ALIGNMENT 16u
/* A stored name holds at most 240 bytes, one of which is a terminating zero. */
#define ROMWELD_MAX_NAME_LENGTH 239u
#define ROMWELD_MAX_PADDED_NAME_LENGTH 240u

/* Header fields: "RW", the byte 1, and the header's own length. */
#define ROMWELD_MAGIC_0 0x52u /* 'R' */
#define ROMWELD_MAGIC_1 0x57u /* 'W' */
#define ROMWELD_HEADER_VERSION 1u
#define ROMWELD_HEADER_ROOT_OFFSET 16u

/* One file or directory: 16 bytes in the image. */
typedef struct romweld_dir_entry {
    uint8_t kind;         /* ROMWELD_KIND_FILE or ROMWELD_KIND_DIRECTORY */
    uint8_t name_length;  /* padded stored name length; 0 for the root */
    uint32_t address;     /* ROM address of the stored name (root: its table) */
    uint32_t size;        /* file: content length; directory: table length */
    int32_t timestamp;    /* seconds since 1970-01-01 00:00 UTC */
} romweld_dir_entry;

static inline uint16_t romweld_load16(const uint8_t* p) {
    return (uint16_t)(p[0] | (p[1] << 8));
}

static inline uint32_t romweld_load32(const uint8_t* p) {
    return (uint32_t)p[0] | ((uint32_t)p[1] << 8) | ((uint32_t)p[2] << 16) |
           ((uint32_t)p[3] << 24);
}

static inline void romweld_store16(uint8_t* p, uint16_t value) {
    p[0] = (uint8_t)value;
    p[1] = (uint8_t)(value >> 8);
}

static inline void romweld_store32(uint8_t* p, uint32_t value) {
    p[0] = (uint8_t)value;
    p[1] = (uint8_t)(value >> 8);
    p[2] = (uint8_t)(value >> 16);
    p[3] = (uint8_t)(value >> 24);
}

/* Length of a stored name: the smallest multiple of 16 strictly greater than
 * the name's length, so at least one zero byte always follows the name. */
static inline uint32_t romweld_padded_name_length(uint32_t length) {
    return (length + ROMWELD_ALIGNMENT) & ~(ROMWELD_ALIGNMENT - 1u);
}

/* Zero bytes that follow a block of n bytes to reach the next boundary. */
static inline uint32_t romweld_alignment_gap(uint64_t n) {
    return (uint32_t)((ROMWELD_ALIGNMENT - n % ROMWELD_ALIGNMENT) % ROMWELD_ALIGNMENT);
}

static inline void romweld_encode_dir_entry(uint8_t* out, const romweld_dir_entry* entry) {
    out[0] = entry->kind;
    out[1] = entry->name_length;
    out[2] = 0;
    out[3] = 0;
    romweld_store32(out + 4, entry->address);
    romweld_store32(out + 8, entry->size);
    romweld_store32(out + 12, (uint32_t)entry->timestamp);
}

static inline romweld_dir_entry romweld_decode_dir_entry(const uint8_t* in) {
    romweld_dir_entry entry;
    uint32_t time = romweld_load32(in + 12);
    entry.kind = in[0];
    entry.name_length = in[1];
    entry.address = romweld_load32(in + 4);
    entry.size = romweld_load32(in + 8);
    /* Two's complement without relying on implementation-defined conversion. */
    entry.timestamp = time <= 0x7FFFFFFFu ? (int32_t)time
                                          : -(int32_t)(0xFFFFFFFFu - time) - 1;
    return entry;
}

/* Writes the complete 32-byte header: magic, constants, reserved zeros and
 * the root directory's record. */
static inline void romweld_encode_header(uint8_t* out, const romweld_dir_entry* root) {
    size_t i;
    for (i = 0; i < ROMWELD_HEADER_SIZE; ++i) out[i] = 0;
    out[0] = ROMWELD_MAGIC_0;
    out[1] = ROMWELD_MAGIC_1;
    out[2] = ROMWELD_HEADER_VERSION;
    romweld_store16(out + 4, (uint16_t)ROMWELD_HEADER_SIZE);
    romweld_encode_dir_entry(out + ROMWELD_HEADER_ROOT_OFFSET, root);
}

/* True when the 16 bytes before the root record are exactly what a complete
 * header holds: magic, version, length and zeros. */
static inline int romweld_header_fields_valid(const uint8_t* in) {
    size_t i;
    if (in[0] != ROMWELD_MAGIC_0 || in[1] != ROMWELD_MAGIC_1) return 0;
    if (in[2] != ROMWELD_HEADER_VERSION || in[3] != 0) return 0;
    if (romweld_load16(in + 4) != ROMWELD_HEADER_SIZE) return 0;
    for (i = 6; i < ROMWELD_HEADER_ROOT_OFFSET; ++i)
        if (in[i] != 0) return 0;
    return 1;
}

#ifdef __cplusplus
/* The same definitions under the packer's own names. */
namespace romweld {
using dir_entry = romweld_dir_entry;
inline constexpr uint32_t ROM_BASE = ROMWELD_ROM_BASE;
inline constexpr uint32_t ROM_LIMIT = ROMWELD_ROM_LIMIT;
inline constexpr uint8_t KIND_FILE = ROMWELD_KIND_FILE;
inline constexpr uint8_t KIND_DIRECTORY = ROMWELD_KIND_DIRECTORY;
inline constexpr uint32_t HEADER_SIZE = ROMWELD_HEADER_SIZE;
inline constexpr uint32_t DIR_ENTRY_SIZE = ROMWELD_DIR_ENTRY_SIZE;
inline constexpr uint32_t MAX_NAME_LENGTH = ROMWELD_MAX_NAME_LENGTH;
}  // namespace romweld
#endif

#endif /* ROMWELD_IMAGE_FORMAT_H */
