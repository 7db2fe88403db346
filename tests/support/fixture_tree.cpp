#include "support/fixture_tree.h"

#include <fcntl.h>
#include <sys/stat.h>

#include <cstdlib>
#include <ctime>
#include <fstream>
#include <iterator>
#include <stdexcept>

namespace test_support {

temp_dir::temp_dir() {
    char name[] = "/tmp/romweld-test-XXXXXX";
    if (mkdtemp(name) == nullptr) throw std::runtime_error("mkdtemp failed");
    path_ = name;
}

temp_dir::~temp_dir() {
    std::error_code ignored;
    fs::remove_all(path_, ignored);
}

void write_file(const fs::path& path, const bytes& contents) {
    if (path.has_parent_path()) fs::create_directories(path.parent_path());
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(contents.data()), static_cast<std::streamsize>(contents.size()));
    if (!out) throw std::runtime_error("cannot write " + path.string());
}

void write_file(const fs::path& path, const std::string& contents) {
    write_file(path, bytes(contents.begin(), contents.end()));
}

void set_mtime(const fs::path& path, long long seconds) {
    struct timespec times[2];
    times[0].tv_sec = static_cast<time_t>(seconds);
    times[0].tv_nsec = 0;
    times[1] = times[0];
    if (utimensat(AT_FDCWD, path.c_str(), times, AT_SYMLINK_NOFOLLOW) != 0)
        throw std::runtime_error("cannot set time of " + path.string());
}

bytes read_file(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return bytes(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

bytes pattern(std::size_t n, unsigned seed) {
    bytes out(n);
    for (std::size_t i = 0; i < n; ++i) out[i] = static_cast<unsigned char>((i * 31 + seed * 7 + i / 251) & 0xFF);
    return out;
}

bytes record(std::uint8_t kind, std::uint8_t name_length, std::uint32_t address, std::uint32_t size,
             std::int32_t timestamp) {
    bytes out{kind, name_length, 0, 0};
    for (std::uint32_t value : {address, size, static_cast<std::uint32_t>(timestamp)})
        for (int shift = 0; shift < 32; shift += 8) out.push_back(static_cast<unsigned char>(value >> shift));
    return out;
}

bytes stored_name(const std::string& name) {
    bytes out(name.begin(), name.end());
    out.resize((name.size() + 16) / 16 * 16, 0);
    return out;
}

std::uint32_t load32(const bytes& image, std::size_t offset) {
    return image.at(offset) | (image.at(offset + 1) << 8) | (image.at(offset + 2) << 16) |
           (static_cast<std::uint32_t>(image.at(offset + 3)) << 24);
}

}  // namespace test_support

#include <dirent.h>
#include <gtest/gtest.h>

#include <cstring>

namespace test_support {

std::vector<std::string> enumeration_order(const fs::path& directory) {
    std::vector<std::string> names;
    DIR* dir = opendir(directory.c_str());
    if (dir == nullptr) throw std::runtime_error("cannot open " + directory.string());
    while (const dirent* entry = readdir(dir)) {
        if (std::strcmp(entry->d_name, ".") != 0 && std::strcmp(entry->d_name, "..") != 0)
            names.emplace_back(entry->d_name);
    }
    closedir(dir);
    return names;
}

bytes layout(std::size_t size, const std::vector<piece>& pieces) {
    bytes image(size, 0);
    for (const piece& p : pieces) {
        if (p.offset + p.data.size() > size) throw std::runtime_error("piece beyond image");
        std::copy(p.data.begin(), p.data.end(), image.begin() + static_cast<std::ptrdiff_t>(p.offset));
    }
    return image;
}

std::int32_t stamped_time(const bytes& image, std::size_t record_offset, long long earliest,
                          long long latest) {
    auto time = static_cast<std::int32_t>(load32(image, record_offset + 12));
    EXPECT_GE(time, earliest) << "record at " << record_offset;
    EXPECT_LE(time, latest) << "record at " << record_offset;
    return time;
}

}  // namespace test_support
