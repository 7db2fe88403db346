#include "reader/romweld_fs.h"

#include <gtest/gtest.h>

#include <string>

#include "support/packed_image.h"

namespace {

using namespace test_support;

class Reader : public ::testing::Test {
protected:
    void SetUp() override {
        make_example_tree(dir_ / "root");
        write_file(dir_ / "root" / "d" / "e" / std::string(239, 'z'), std::string("deep"));
        fs::create_directories(dir_ / "root" / "empty");
        image_ = pack_with_romweld(dir_.path(), dir_ / "root", pattern(1000, 9));
    }
    romweld_fs mount(std::uint32_t start = 0) {
        romweld_fs fs;
        EXPECT_EQ(romweld_mount(&fs, image_.data(), static_cast<std::uint32_t>(image_.size()), 0x08000000, start),
                  ROMWELD_OK);
        return fs;
    }
    temp_dir dir_;
    bytes image_;
};

TEST_F(Reader, FindsTheHeaderFromAnyStartBeforeIt) {
    for (std::uint32_t start : {0u, 1u, 999u, 1000u, 0x3F0u}) EXPECT_EQ(mount(start).header_offset, 0x3F0u) << start;
    romweld_fs fs;
    EXPECT_EQ(romweld_mount(&fs, image_.data(), static_cast<std::uint32_t>(image_.size()), 0x08000000, 0x3F1),
              ROMWELD_NOT_FOUND);
}

TEST_F(Reader, LooksUpPathsByteForByte) {
    romweld_fs fs = mount();
    struct {
        const char* path;
        romweld_status status;
        const char* name;
        std::uint32_t size;
    } cases[] = {
        {"a.txt", ROMWELD_OK, "a.txt", 5},
        {"d/b", ROMWELD_OK, "b", 20},
        {"/d//b/", ROMWELD_OK, "b", 20},
        {"", ROMWELD_OK, "", 48},
        {"empty", ROMWELD_OK, "empty", 0},
        {"d/missing", ROMWELD_NOT_FOUND, nullptr, 0},
        {"a.tx", ROMWELD_NOT_FOUND, nullptr, 0},
        {"a.txt.", ROMWELD_NOT_FOUND, nullptr, 0},
        {"A.TXT", ROMWELD_NOT_FOUND, nullptr, 0},
        {"a.txt/x", ROMWELD_NOT_A_DIRECTORY, nullptr, 0},
        {"empty/x", ROMWELD_NOT_FOUND, nullptr, 0},
    };
    for (const auto& c : cases) {
        romweld_entry entry;
        ASSERT_EQ(romweld_lookup(&fs, c.path, &entry), c.status) << c.path;
        if (c.status != ROMWELD_OK) continue;
        EXPECT_STREQ(entry.name, c.name);
        EXPECT_EQ(entry.size, c.size) << c.path;
    }
    romweld_entry file;
    ASSERT_EQ(romweld_lookup(&fs, "d/b", &file), ROMWELD_OK);
    EXPECT_EQ(bytes(file.data, file.data + file.size), pattern(20));
    std::string deep = "d/e/" + std::string(239, 'z');
    ASSERT_EQ(romweld_lookup(&fs, deep.c_str(), &file), ROMWELD_OK);
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(file.data), file.size), "deep");
    EXPECT_EQ(file.name_size, 239u);
}

TEST_F(Reader, IteratesDirectoriesInTableOrder) {
    romweld_fs fs = mount();
    romweld_entry root, entry;
    romweld_root(&fs, &root);
    ASSERT_EQ(romweld_entry_count(&root), 3u);
    std::vector<std::string> names;
    for (std::uint32_t i = 0; i < romweld_entry_count(&root); ++i) {
        ASSERT_EQ(romweld_entry_at(&fs, &root, i, &entry), ROMWELD_OK);
        names.emplace_back(entry.name);
    }
    EXPECT_EQ(names, enumeration_order(dir_ / "root"));
    EXPECT_EQ(romweld_entry_at(&fs, &root, 3, &entry), ROMWELD_NOT_FOUND);
}

// A program whose own bytes hold the magic, even whole header-like runs,
// must not be taken for the file system.
TEST_F(Reader, SkipsDecoyHeadersInTheProgram) {
    bytes system = pattern(1000, 9);
    auto plant = [&](std::size_t at, std::uint32_t root_address, std::uint32_t root_size) {
        bytes header{'R', 'W', 1, 0, 32, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0};
        bytes root = record(0x80, 0, root_address, root_size, 0);
        header.insert(header.end(), root.begin(), root.end());
        std::copy(header.begin(), header.end(), system.begin() + static_cast<std::ptrdiff_t>(at));
    };
    plant(0, 0x08000000 + 0x40, 16);    // root table full of program bytes
    plant(0x80, 0x08100000, 0);         // root beyond the image
    plant(0x100, 0x08000000 + 0x128, 0);  // misaligned root
    plant(0x200, 0x08000000 + 0x1E0, 0);  // root table before its header
    system[0x300] = 'R';
    system[0x301] = 'W';
    image_ = pack_with_romweld(dir_.path(), dir_ / "root", system);
    EXPECT_EQ(mount(0).header_offset, 0x3F0u);
}

TEST_F(Reader, RefusesRecordsThatLeaveTheRegionOrPointForward) {
    romweld_fs fs = mount();
    romweld_entry root, entry;
    romweld_root(&fs, &root);
    std::size_t first = fs.root.address - 0x08000000;
    struct {
        const char* what;
        std::size_t at;
        std::uint32_t value;
        romweld_status status;
    } cases[] = {
        {"address beyond the image", first + 4, 0x09000000, ROMWELD_OUT_OF_BOUNDS},
        {"address below the region", first + 4, 0x07000000, ROMWELD_OUT_OF_BOUNDS},
        {"size beyond the image", first + 8, 0xFFFFFFF0, ROMWELD_OUT_OF_BOUNDS},
        {"misaligned address", first + 4, 0x08000408, ROMWELD_MISALIGNED},
        {"address inside the program", first + 4, 0x08000100, ROMWELD_BEFORE_HEADER},
        {"item after its table", first + 4, static_cast<std::uint32_t>(0x08000000 + first), ROMWELD_NOT_BEFORE_TABLE},
    };
    for (const auto& c : cases) {
        bytes broken = image_;
        romweld_store32(broken.data() + c.at, c.value);
        romweld_fs copy = fs;
        copy.region = broken.data();
        romweld_root(&copy, &root);
        EXPECT_EQ(romweld_entry_at(&copy, &root, 0, &entry), c.status) << c.what;
    }
}

}  // namespace
