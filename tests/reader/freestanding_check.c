/* Compiled as C99 and as C++17, for the console (arm-none-eabi, freestanding,
 * no library) and for the host, with every warning an error: the reader must
 * drop into console code as it is. */
#include "romweld_fs.h"

uint32_t count_files(const void* cartridge, uint32_t program_end);

/* Counts the files in the root directory, and finds one by path. */
uint32_t count_files(const void* cartridge, uint32_t program_end) {
    romweld_fs fs;
    romweld_entry root, entry;
    uint32_t i, files = 0;
    if (romweld_mount(&fs, cartridge, ROMWELD_ROM_LIMIT, ROMWELD_ROM_BASE, program_end) != ROMWELD_OK)
        return 0;
    romweld_root(&fs, &root);
    for (i = 0; i < romweld_entry_count(&root); ++i)
        if (romweld_entry_at(&fs, &root, i, &entry) == ROMWELD_OK && !romweld_is_directory(&entry))
            ++files;
    if (romweld_lookup(&fs, "music/title.bin", &entry) == ROMWELD_OK && entry.size > 0)
        files += entry.data[0] == 0 ? 0u : 1u;
    return files + (uint32_t)(romweld_status_text(ROMWELD_NOT_FOUND)[0] == 'n');
}
