// Small file trees and byte helpers for tests.
#ifndef ROMWELD_TESTS_SUPPORT_FIXTURE_TREE_H
#define ROMWELD_TESTS_SUPPORT_FIXTURE_TREE_H

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

namespace test_support {

namespace fs = std::filesystem;

using bytes = std::vector<unsigned char>;

// A fresh directory under /tmp, removed with everything in it at the end.
class temp_dir {
public:
    temp_dir();
    ~temp_dir();
    temp_dir(const temp_dir&) = delete;
    temp_dir& operator=(const temp_dir&) = delete;
    const fs::path& path() const { return path_; }
    fs::path operator/(const std::string& name) const { return path_ / name; }

private:
    fs::path path_;
};

// Creates a file (and its parent directories) holding contents; optionally
// sets its last-write time in seconds since 1970.
void write_file(const fs::path& path, const std::string& contents);
void write_file(const fs::path& path, const bytes& contents);
void set_mtime(const fs::path& path, long long seconds);

bytes read_file(const fs::path& path);

// n bytes of a repeating, position-dependent pattern.
bytes pattern(std::size_t n, unsigned seed = 1);

// The 16-byte little-endian record, for building expected images.
bytes record(std::uint8_t kind, std::uint8_t name_length, std::uint32_t address,
             std::uint32_t size, std::int32_t timestamp);

// A stored name: the name padded with zeros to the next multiple of 16 above.
bytes stored_name(const std::string& name);

std::uint32_t load32(const bytes& image, std::size_t offset);

}  // namespace test_support



namespace test_support {

// The names in a directory in the order the host enumerates them, without
// "." and "..": the order the packer must follow.
std::vector<std::string> enumeration_order(const fs::path& directory);

// An image of size zero bytes with the given pieces laid in at their offsets.
struct piece {
    std::size_t offset;
    bytes data;
};
bytes layout(std::size_t size, const std::vector<piece>& pieces);

// The timestamp stored in the record at offset, after checking that it lies
// in [earliest, latest]: directories are stamped with the time of writing.
std::int32_t stamped_time(const bytes& image, std::size_t record_offset, long long earliest,
                          long long latest);

}  // namespace test_support
#endif
