// Reading a finished image on the host: finding its file system, walking its
// tree safely, and checking every invariant a reader relies on. Everything is
// read through the console reader (reader/romweld_fs.h), so the host tool and
// the console share one implementation.
#ifndef ROMWELD_INSPECT_IMAGE_WALK_H
#define ROMWELD_INSPECT_IMAGE_WALK_H

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "reader/romweld_fs.h"

namespace romweld {

// The first thing found wrong in an image, and where.
struct violation {
    std::uint32_t offset;
    std::string text;
};

// Mounts the file system of a whole image (its first byte at ROM_BASE). A
// header whose root table ends the image is preferred over any other valid
// header, since that is where the packer puts it.
bool mount_image(const std::vector<std::uint8_t>& image, romweld_fs& fs);

// Called for each entry below the walk's top: on the way down (leaving ==
// false) and, for directories, once more after their contents.
using entry_visitor =
    std::function<void(const romweld_entry& entry, const std::string& path, bool leaving)>;

// Walks the subtree below top depth first, in table order, without
// recursion. Stops at the first invalid record, at a name that is not a
// plain file name, or at a directory reached twice.
std::optional<violation> walk_tree(const romweld_fs& fs, const romweld_entry& top,
                                   const std::string& top_path, const entry_visitor& visit);

// Checks every invariant of a complete image.
std::optional<violation> check_image(const std::vector<std::uint8_t>& image);

// True for a name that can be a file name below a directory: not empty, not
// "." or "..", no '/'.
bool is_plain_name(const char* name, std::uint32_t size);

}  // namespace romweld

#endif
