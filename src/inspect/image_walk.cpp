#include "inspect/image_walk.h"

#include <set>

namespace romweld {

namespace {

std::uint32_t offset_in(const romweld_fs& fs, const std::uint8_t* at) {
    return static_cast<std::uint32_t>(at - fs.region);
}

// Offsets of 16-byte boundaries holding "RW" whose root table ends the image.
std::optional<std::uint32_t> find_header_ending_image(const std::vector<std::uint8_t>& image) {
    for (std::size_t at = 0; at + HEADER_SIZE <= image.size(); at += ROMWELD_ALIGNMENT) {
        const std::uint8_t* header = image.data() + at;
        if (header[0] != ROMWELD_MAGIC_0 || header[1] != ROMWELD_MAGIC_1) continue;
        romweld_dir_entry root = romweld_decode_dir_entry(header + ROMWELD_HEADER_ROOT_OFFSET);
        std::uint64_t end = std::uint64_t{root.address} + root.size;
        if (root.address >= ROM_BASE && end - ROM_BASE == image.size()) return static_cast<std::uint32_t>(at);
    }
    return std::nullopt;
}

std::optional<violation> check_header_fields(const std::uint8_t* header, std::uint32_t at) {
    if (header[2] != ROMWELD_HEADER_VERSION) return violation{at + 2, "header version is not 1"};
    if (header[3] != 0) return violation{at + 3, "reserved header byte is not zero"};
    if (romweld_load16(header + 4) != HEADER_SIZE) return violation{at + 4, "header length is not 32"};
    for (std::uint32_t i = 6; i < ROMWELD_HEADER_ROOT_OFFSET; ++i)
        if (header[i] != 0) return violation{at + i, "reserved header byte is not zero"};
    return std::nullopt;
}

std::optional<violation> check_root_record(const romweld_fs& fs) {
    std::uint32_t at = fs.header_offset + ROMWELD_HEADER_ROOT_OFFSET;
    const std::uint8_t* record = fs.region + at;
    if (fs.root.kind != KIND_DIRECTORY) return violation{at, "root is not a directory"};
    if (record[2] != 0 || record[3] != 0) return violation{at + 2, "reserved root bytes are not zero"};
    if (fs.root.name_length != 0) return violation{at + 1, "root has a name length"};
    if (fs.root.address % ROMWELD_ALIGNMENT != 0) return violation{at + 4, "root table not on a 16-byte boundary"};
    if (fs.root.size % DIR_ENTRY_SIZE != 0) return violation{at + 8, "root table size not a multiple of 16"};
    if (fs.root.address - ROM_BASE < fs.header_offset + HEADER_SIZE)
        return violation{at + 4, "root table lies before the file system"};
    return std::nullopt;
}

}  // namespace

bool is_plain_name(const char* name, std::uint32_t size) {
    std::string text(name, size);
    return !text.empty() && text != "." && text != ".." && text.find('/') == std::string::npos;
}

bool mount_image(const std::vector<std::uint8_t>& image, romweld_fs& fs) {
    if (image.size() > ROM_LIMIT) return false;
    auto size = static_cast<std::uint32_t>(image.size());
    if (auto at = find_header_ending_image(image)) {
        fs.region = image.data();
        fs.region_size = size;
        fs.region_address = ROM_BASE;
        if (romweld_check_header(&fs, *at) == ROMWELD_OK) return true;
    }
    return romweld_mount(&fs, image.data(), size, ROM_BASE, 0) == ROMWELD_OK;
}

std::optional<violation> walk_tree(const romweld_fs& fs, const romweld_entry& top,
                                   const std::string& top_path, const entry_visitor& visit) {
    struct frame {
        romweld_entry directory;
        std::string path;
        std::uint32_t next;
    };
    std::set<std::uint32_t> seen_tables{top.record.address + top.record.name_length};
    std::vector<frame> stack{{top, top_path, 0}};
    while (!stack.empty()) {
        frame& current = stack.back();
        if (current.next == romweld_entry_count(&current.directory)) {
            if (stack.size() > 1) visit(current.directory, current.path, true);
            stack.pop_back();
            continue;
        }
        std::uint32_t index = current.next++;
        std::uint32_t at = offset_in(fs, current.directory.data) + index * DIR_ENTRY_SIZE;
        romweld_entry entry;
        romweld_status status = romweld_entry_at(&fs, &current.directory, index, &entry);
        if (status != ROMWELD_OK) return violation{at, romweld_status_text(status)};
        if (!is_plain_name(entry.name, entry.name_size))
            return violation{at, "name \"" + std::string(entry.name, entry.name_size) + "\" is not a plain file name"};
        std::string path = current.path.empty() ? std::string(entry.name) : current.path + "/" + entry.name;
        if (romweld_is_directory(&entry) &&
            !seen_tables.insert(entry.record.address + entry.record.name_length).second)
            return violation{at, "directory " + path + " reached twice"};
        visit(entry, path, false);
        if (romweld_is_directory(&entry)) stack.push_back({entry, path, 0});
    }
    return std::nullopt;
}

std::optional<violation> check_image(const std::vector<std::uint8_t>& image) {
    if (image.size() > ROM_LIMIT) return violation{ROM_LIMIT, "image is larger than 32 MiB"};
    std::optional<std::uint32_t> at = find_header_ending_image(image);
    if (!at) return violation{0, "no 16-byte boundary holds \"RW\" and a root table that ends the image"};
    romweld_fs fs{};
    fs.region = image.data();
    fs.region_size = static_cast<std::uint32_t>(image.size());
    fs.region_address = ROM_BASE;
    fs.header_offset = *at;
    fs.root = romweld_decode_dir_entry(image.data() + *at + ROMWELD_HEADER_ROOT_OFFSET);
    if (auto problem = check_header_fields(image.data() + *at, *at)) return problem;
    if (auto problem = check_root_record(fs)) return problem;
    romweld_entry root;
    romweld_root(&fs, &root);
    return walk_tree(fs, root, "", [](const romweld_entry&, const std::string&, bool) {});
}

}  // namespace romweld
