/* romweld_fs.h: reads a romweld file system in place, from console code or
 * from a host program. Freestanding C99 and C++: no allocation, no library
 * calls. Include it together with image_format.h, which it uses.
 *
 * The file system is read from a region of memory: a pointer, a length, and
 * the ROM address of the region's first byte (0x08000000 for the cartridge
 * window on the console). Every address in the image is checked against the
 * region before it is followed, and every record an entry comes from must lie
 * before the table that holds it, so a corrupt or hostile image can neither
 * make the reader leave the region nor walk in circles.
 *
 *     romweld_fs fs;
 *     romweld_entry file;
 *     if (romweld_mount(&fs, (const void*)0x08000000, 0x02000000, 0x08000000,
 *                       end_of_program_offset) == ROMWELD_OK &&
 *         romweld_lookup(&fs, "music/title.bin", &file) == ROMWELD_OK)
 *         play(file.data, file.size);
 */
#ifndef ROMWELD_FS_H
#define ROMWELD_FS_H

#include <stddef.h>
#include <stdint.h>

#include "image_format.h"

#ifdef __cplusplus
extern "C" {
#endif

typedef enum romweld_status {
    ROMWELD_OK = 0,
    ROMWELD_NOT_FOUND,         /* no file system, or no entry by that path */
    ROMWELD_NOT_A_DIRECTORY,   /* a path goes through a file */
    ROMWELD_BAD_HEADER,        /* magic, constants or reserved bytes */
    ROMWELD_BAD_KIND,          /* kind is neither file nor directory */
    ROMWELD_BAD_RESERVED,      /* reserved record bytes are not zero */
    ROMWELD_BAD_NAME_LENGTH,   /* not a multiple of 16 from 16 to 240 */
    ROMWELD_MISALIGNED,        /* name, data or table off a 16-byte boundary */
    ROMWELD_OUT_OF_BOUNDS,     /* an address or size leaves the region */
    ROMWELD_BAD_NAME,          /* empty, unterminated, or padded wrongly */
    ROMWELD_NOT_BEFORE_TABLE,  /* an item does not lie before its table */
    ROMWELD_BAD_TABLE_SIZE,    /* a table is not a whole number of records */
    ROMWELD_BEFORE_HEADER      /* an item lies before the file system */
} romweld_status;

/* A mounted file system. */
typedef struct romweld_fs {
    const uint8_t* region;
    uint32_t region_size;
    uint32_t region_address;  /* ROM address of region[0] */
    uint32_t header_offset;   /* offset of the header within the region */
    romweld_dir_entry root;
} romweld_fs;

/* One file or directory, checked against the region. */
typedef struct romweld_entry {
    romweld_dir_entry record;
    const char* name;        /* zero-terminated; "" for the root */
    uint32_t name_size;      /* bytes before the terminator */
    const uint8_t* data;     /* file contents, or the directory's table */
    uint32_t size;           /* bytes at data */
} romweld_entry;

static inline int romweld_is_directory(const romweld_entry* entry) {
    return entry->record.kind == ROMWELD_KIND_DIRECTORY;
}

/* Number of entries in a directory's table. */
static inline uint32_t romweld_entry_count(const romweld_entry* directory) {
    return romweld_is_directory(directory) ? directory->size / ROMWELD_DIR_ENTRY_SIZE : 0;
}

/* A short English description of a status, for messages. */
static inline const char* romweld_status_text(romweld_status status) {
    switch (status) {
        case ROMWELD_OK: return "ok";
        case ROMWELD_NOT_FOUND: return "not found";
        case ROMWELD_NOT_A_DIRECTORY: return "not a directory";
        case ROMWELD_BAD_HEADER: return "bad header";
        case ROMWELD_BAD_KIND: return "bad kind";
        case ROMWELD_BAD_RESERVED: return "reserved bytes not zero";
        case ROMWELD_BAD_NAME_LENGTH: return "bad name length";
        case ROMWELD_MISALIGNED: return "not on a 16-byte boundary";
        case ROMWELD_OUT_OF_BOUNDS: return "outside the image";
        case ROMWELD_BAD_NAME: return "bad stored name";
        case ROMWELD_NOT_BEFORE_TABLE: return "item does not lie before its table";
        case ROMWELD_BAD_TABLE_SIZE: return "table size not a multiple of 16";
        case ROMWELD_BEFORE_HEADER: return "item lies before the file system";
    }
    return "unknown";
}

/* Translates [address, address + size) into an offset in the region. */
static inline int romweld_region_offset(const romweld_fs* fs, uint32_t address, uint32_t size,
                                        uint32_t* offset) {
    uint32_t at;
    if (address < fs->region_address) return 0;
    at = address - fs->region_address;
    if (at > fs->region_size || size > fs->region_size - at) return 0;
    *offset = at;
    return 1;
}

/* Checks a decoded record and fills entry. An item must end at or before
 * table_address, the table that lists it: that keeps every walk moving to
 * lower addresses, so it always ends. */
static inline romweld_status romweld_make_entry(const romweld_fs* fs, const uint8_t* bytes,
                                                uint32_t table_address, romweld_entry* entry) {
    romweld_dir_entry record = romweld_decode_dir_entry(bytes);
    uint32_t name_offset, name_size = 0, data_address, data_offset, i;
    const uint8_t* name;

    if (record.kind != ROMWELD_KIND_FILE && record.kind != ROMWELD_KIND_DIRECTORY)
        return ROMWELD_BAD_KIND;
    if (bytes[2] != 0 || bytes[3] != 0) return ROMWELD_BAD_RESERVED;
    if (record.name_length < ROMWELD_ALIGNMENT || record.name_length > ROMWELD_MAX_PADDED_NAME_LENGTH ||
        record.name_length % ROMWELD_ALIGNMENT != 0)
        return ROMWELD_BAD_NAME_LENGTH;
    if (record.address % ROMWELD_ALIGNMENT != 0) return ROMWELD_MISALIGNED;
    if (!romweld_region_offset(fs, record.address, record.name_length, &name_offset))
        return ROMWELD_OUT_OF_BOUNDS;
    if (name_offset < fs->header_offset + ROMWELD_HEADER_SIZE) return ROMWELD_BEFORE_HEADER;
    data_address = record.address + record.name_length;
    if (!romweld_region_offset(fs, data_address, record.size, &data_offset))
        return ROMWELD_OUT_OF_BOUNDS;
    if (record.kind == ROMWELD_KIND_DIRECTORY && record.size % ROMWELD_DIR_ENTRY_SIZE != 0)
        return ROMWELD_BAD_TABLE_SIZE;
    if (data_address > table_address || record.size > table_address - data_address)
        return ROMWELD_NOT_BEFORE_TABLE;

    name = fs->region + name_offset;
    while (name_size < record.name_length && name[name_size] != 0) ++name_size;
    if (name_size == 0 || romweld_padded_name_length(name_size) != record.name_length)
        return ROMWELD_BAD_NAME;
    for (i = name_size; i < record.name_length; ++i)
        if (name[i] != 0) return ROMWELD_BAD_NAME;

    entry->record = record;
    entry->name = (const char*)name;
    entry->name_size = name_size;
    entry->data = fs->region + data_offset;
    entry->size = record.size;
    return ROMWELD_OK;
}

/* The root directory. */
static inline void romweld_root(const romweld_fs* fs, romweld_entry* entry) {
    uint32_t offset = 0;
    romweld_region_offset(fs, fs->root.address, fs->root.size, &offset);
    entry->record = fs->root;
    entry->name = "";
    entry->name_size = 0;
    entry->data = fs->region + offset;
    entry->size = fs->root.size;
}

/* Entry number index (from 0) of a directory. */
static inline romweld_status romweld_entry_at(const romweld_fs* fs, const romweld_entry* directory,
                                              uint32_t index, romweld_entry* entry) {
    uint32_t table_address;
    if (!romweld_is_directory(directory)) return ROMWELD_NOT_A_DIRECTORY;
    if (index >= romweld_entry_count(directory)) return ROMWELD_NOT_FOUND;
    table_address = directory->record.address + directory->record.name_length;
    return romweld_make_entry(fs, directory->data + index * ROMWELD_DIR_ENTRY_SIZE, table_address,
                              entry);
}

/* Checks a header candidate at a region offset: constants, the root record,
 * and every record of the root's table, so that stray bytes that happen to
 * start with "RW" are not taken for a file system. */
static inline romweld_status romweld_check_header(romweld_fs* fs, uint32_t header_offset) {
    const uint8_t* header;
    uint32_t table_offset, i;
    romweld_entry root, child;
    if (header_offset > fs->region_size || fs->region_size - header_offset < ROMWELD_HEADER_SIZE)
        return ROMWELD_OUT_OF_BOUNDS;
    header = fs->region + header_offset;
    if (!romweld_header_fields_valid(header)) return ROMWELD_BAD_HEADER;
    fs->header_offset = header_offset;
    fs->root = romweld_decode_dir_entry(header + ROMWELD_HEADER_ROOT_OFFSET);
    if (fs->root.kind != ROMWELD_KIND_DIRECTORY) return ROMWELD_BAD_KIND;
    if (header[18] != 0 || header[19] != 0) return ROMWELD_BAD_RESERVED;
    if (fs->root.name_length != 0) return ROMWELD_BAD_NAME_LENGTH;
    if (fs->root.address % ROMWELD_ALIGNMENT != 0) return ROMWELD_MISALIGNED;
    if (fs->root.size % ROMWELD_DIR_ENTRY_SIZE != 0) return ROMWELD_BAD_TABLE_SIZE;
    if (!romweld_region_offset(fs, fs->root.address, fs->root.size, &table_offset))
        return ROMWELD_OUT_OF_BOUNDS;
    if (table_offset < header_offset + ROMWELD_HEADER_SIZE) return ROMWELD_BEFORE_HEADER;
    romweld_root(fs, &root);
    for (i = 0; i < romweld_entry_count(&root); ++i) {
        romweld_status status = romweld_entry_at(fs, &root, i, &child);
        if (status != ROMWELD_OK) return status;
    }
    return ROMWELD_OK;
}

/* Finds the file system in a region: the first 16-byte boundary (in ROM
 * addresses) at or after start_offset that holds a valid header. */
static inline romweld_status romweld_mount(romweld_fs* fs, const void* region, uint32_t region_size,
                                           uint32_t region_address, uint32_t start_offset) {
    uint32_t offset = start_offset;
    fs->region = (const uint8_t*)region;
    fs->region_size = region_size;
    fs->region_address = region_address;
    offset += romweld_alignment_gap((uint64_t)region_address + offset);
    while (offset >= start_offset && offset <= region_size &&
           region_size - offset >= ROMWELD_HEADER_SIZE) {
        if (fs->region[offset] == ROMWELD_MAGIC_0 && romweld_check_header(fs, offset) == ROMWELD_OK)
            return ROMWELD_OK;
        offset += ROMWELD_ALIGNMENT;
    }
    return ROMWELD_NOT_FOUND;
}

/* Finds the entry named by one path component in a directory. */
static inline romweld_status romweld_find_in(const romweld_fs* fs, const romweld_entry* directory,
                                             const char* name, uint32_t name_size,
                                             romweld_entry* entry) {
    uint32_t i, count = romweld_entry_count(directory);
    if (!romweld_is_directory(directory)) return ROMWELD_NOT_A_DIRECTORY;
    for (i = 0; i < count; ++i) {
        uint32_t k = 0;
        if (romweld_entry_at(fs, directory, i, entry) != ROMWELD_OK) continue;
        if (entry->name_size != name_size) continue;
        while (k < name_size && entry->name[k] == name[k]) ++k;
        if (k == name_size) return ROMWELD_OK;
    }
    return ROMWELD_NOT_FOUND;
}

/* Looks up a path such as "music/title.bin": components separated by '/',
 * compared byte for byte. Empty components are skipped, so "" and "/" name
 * the root. On failure entry is not an answer. */
static inline romweld_status romweld_lookup(const romweld_fs* fs, const char* path,
                                            romweld_entry* entry) {
    romweld_entry current, next;
    romweld_root(fs, &current);
    while (*path != 0) {
        uint32_t length = 0;
        romweld_status status;
        while (*path == '/') ++path;
        if (*path == 0) break;
        while (path[length] != 0 && path[length] != '/') ++length;
        status = romweld_find_in(fs, &current, path, length, &next);
        if (status != ROMWELD_OK) return status;
        current = next;
        path += length;
    }
    *entry = current;
    return ROMWELD_OK;
}

#ifdef __cplusplus
}
#endif

#endif /* ROMWELD_FS_H */
