// libFuzzer target: any bytes as an image, through the checker, the mount,
// the walk and path lookups. Nothing may read outside the input, crash or
// loop; every byte the reader hands out must lie inside the input.
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <vector>

#include "inspect/image_walk.h"

namespace {

void touch(const std::uint8_t* data, std::uint32_t size, const std::vector<std::uint8_t>& image) {
    if (size == 0) return;
    // Out-of-range pointers are caught here even when they stay in the heap.
    if (data < image.data() || data + size > image.data() + image.size()) __builtin_trap();
    volatile std::uint8_t sink = 0;
    for (std::uint32_t i = 0; i < size; ++i) sink = static_cast<std::uint8_t>(sink ^ data[i]);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    std::vector<std::uint8_t> image(data, data + size);
    romweld::check_image(image);
    romweld_fs fs;
    if (!romweld::mount_image(image, fs)) return 0;
    romweld_entry root;
    romweld_root(&fs, &root);
    touch(root.data, root.size, image);
    romweld::walk_tree(fs, root, "", [&](const romweld_entry& entry, const std::string&, bool) {
        touch(entry.data, entry.size, image);
        touch(reinterpret_cast<const std::uint8_t*>(entry.name), entry.name_size + 1, image);
    });
    for (const char* path : {"a", "a.txt", "d/b", "music/title.txt", "levels/world1/1-1.lvl", "x/y/z"}) {
        romweld_entry entry;
        if (romweld_lookup(&fs, path, &entry) == ROMWELD_OK) touch(entry.data, entry.size, image);
    }
    return 0;
}
