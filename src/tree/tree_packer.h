// The tree packer: walks the directory tree below the root depth first,
// prints the indented listing on standard output, and writes every file's
// stored name and contents and every directory's stored name and table
// through the output stream.
#ifndef ROMWELD_TREE_TREE_PACKER_H
#define ROMWELD_TREE_TREE_PACKER_H

#include <sys/stat.h>

#include <climits>
#include <cstdint>
#include <vector>

#include "image/image_format.h"

namespace romweld {

// The host's path limit, terminator included.
inline constexpr std::size_t WORKING_PATH_SIZE = PATH_MAX;

// The root path, then a separator and a name for each level of the walk: it
// always names the entry being handled, for messages and for the host.
extern char working_path[WORKING_PATH_SIZE];

// A directory's table while it is being scanned: its records, already
// encoded as they will stand in the image (16 bytes each), and its name (none
// for the root). The name is held by the caller, not copied.
struct entry_list {
    std::vector<unsigned char> table;
    const char* name = nullptr;
};

// Copies the root path into working_path; a path that does not fit ends the
// run with "path too long.".
void set_working_path(const char* root_path);

// Keeps one file out of the packed tree wherever it appears below the root:
// the output image itself, which would otherwise be packed half-written.
void exclude_from_tree(const struct stat& file);

// Scans the directory named by working_path into list and packs everything
// below it; depth is 1 for the root's entries and sets the indentation.
void scan_dir(entry_list& list, const char* name, int depth);

// Writes a directory's stored name (the root has none) and its table, and
// fills the directory's record.
void write_dir(dir_entry& record, const entry_list& list);

// Releases the list's table and unbinds its name.
void free_list(entry_list& list);

// Seconds since 1970 clamped to the signed 32-bit range the image stores.
std::int32_t clamp_time(long long seconds);

}  // namespace romweld

#endif  // ROMWELD_TREE_TREE_PACKER_H
