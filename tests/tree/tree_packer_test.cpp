#include "tree/tree_packer.h"

#include <gtest/gtest.h>

#include <ctime>

#include "image/output_stream.h"
#include "support/fixture_tree.h"

namespace {

using namespace test_support;

// Packs root into a fresh image that starts with `system_size` bytes of 0x11
// and a 32-byte zero placeholder, as the front end lays it out.
struct packed {
    bytes image;
    romweld::dir_entry root;
    long long earliest, latest;
};

packed pack_tree(const fs::path& root, const fs::path& output, std::size_t system_size) {
    std::FILE* file = std::fopen(output.c_str(), "w+b");
    romweld::open_output_stream(file, output.c_str());
    bytes system(system_size, 0x11);
    romweld::write_block(system.data(), system.size());
    romweld::skip_to_boundary(system.size());
    bytes placeholder(32, 0);
    romweld::write_block(placeholder.data(), 32);

    packed result;
    result.earliest = std::time(nullptr);
    romweld::set_working_path(root.c_str());
    romweld::entry_list root_list;
    romweld::scan_dir(root_list, nullptr, 1);
    romweld::write_dir(result.root, root_list);
    romweld::free_list(root_list);
    result.latest = std::time(nullptr);
    romweld::close_output_stream();
    result.image = read_file(output);
    return result;
}

class TreePacker : public ::testing::Test {
protected:
    temp_dir dir_;
    fs::path root_ = dir_ / "root";
    fs::path output_ = dir_ / "out.gba";
};

// The layout of a root holding a.txt (5 bytes) and d/b (20 bytes) behind a
// 1000-byte system image, in whichever order the host lists the root.
TEST_F(TreePacker, WorkedExampleLayout) {
    write_file(root_ / "a.txt", std::string("hello"));
    bytes b = pattern(20);
    write_file(root_ / "d" / "b", b);
    set_mtime(root_ / "a.txt", 1000000001);
    set_mtime(root_ / "d" / "b", 1000000002);

    testing::internal::CaptureStdout();
    packed result = pack_tree(root_, output_, 1000);
    std::string listing = testing::internal::GetCapturedStdout();

    const bytes& image = result.image;
    ASSERT_EQ(image.size(), 0x4A0u);
    const std::uint32_t base = 0x08000000;
    bytes a = {'h', 'e', 'l', 'l', 'o'};
    bytes expected;
    if (enumeration_order(root_) == std::vector<std::string>{"a.txt", "d"}) {
        EXPECT_EQ(listing, "  a.txt \n  d\\\n    b \n");
        std::int32_t d_time = stamped_time(image, 0x490, result.earliest, result.latest);
        expected = layout(0x4A0, {{0, bytes(1000, 0x11)},
                                  {0x410, stored_name("a.txt")}, {0x420, a},
                                  {0x430, stored_name("b")}, {0x440, b},
                                  {0x460, stored_name("d")},
                                  {0x470, record(0x00, 16, base + 0x430, 20, 1000000002)},
                                  {0x480, record(0x00, 16, base + 0x410, 5, 1000000001)},
                                  {0x490, record(0x80, 16, base + 0x460, 16, d_time)}});
    } else {
        EXPECT_EQ(listing, "  d\\\n    b \n  a.txt \n");
        std::int32_t d_time = stamped_time(image, 0x480, result.earliest, result.latest);
        expected = layout(0x4A0, {{0, bytes(1000, 0x11)},
                                  {0x410, stored_name("b")}, {0x420, b},
                                  {0x440, stored_name("d")},
                                  {0x450, record(0x00, 16, base + 0x410, 20, 1000000002)},
                                  {0x460, stored_name("a.txt")}, {0x470, a},
                                  {0x480, record(0x80, 16, base + 0x440, 16, d_time)},
                                  {0x490, record(0x00, 16, base + 0x460, 5, 1000000001)}});
    }
    EXPECT_EQ(image, expected);
    EXPECT_EQ(result.root.kind, 0x80);
    EXPECT_EQ(result.root.name_length, 0);
    EXPECT_EQ(result.root.address, base + 0x480);
    EXPECT_EQ(result.root.size, 32u);
    EXPECT_GE(result.root.timestamp, result.earliest);
    EXPECT_LE(result.root.timestamp, result.latest);
}

TEST_F(TreePacker, EmptyRootWritesNothingAfterTheHeader) {
    fs::create_directories(root_);
    testing::internal::CaptureStdout();
    packed result = pack_tree(root_, output_, 0);
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "");
    EXPECT_EQ(result.image, bytes(32, 0));
    EXPECT_EQ(result.root.address, 0x08000020u);
    EXPECT_EQ(result.root.size, 0u);
}

// Empty files, empty directories and names at each padding step: the next
// item always starts right after the stored name when there is no data.
TEST_F(TreePacker, EmptyItemsAndNamePadding) {
    struct {
        std::string name;
        bool directory;
        std::size_t padded;
    } cases[] = {{"x", false, 16},  {std::string(15, 'f'), false, 16}, {std::string(16, 'g'), false, 32},
                 {std::string(239, 'h'), false, 240}, {"e", true, 16}, {std::string(16, 'k'), true, 32}};
    for (const auto& c : cases) {
        fs::remove_all(root_);
        if (c.directory)
            fs::create_directories(root_ / c.name);
        else
            write_file(root_ / c.name, std::string());
        set_mtime(root_ / c.name, 77);
        testing::internal::CaptureStdout();
        packed result = pack_tree(root_, output_, 0);
        EXPECT_EQ(testing::internal::GetCapturedStdout(),
                  "  " + c.name + (c.directory ? "\\" : " ") + "\n");
        const bytes& image = result.image;
        ASSERT_EQ(image.size(), 32 + c.padded + 16) << c.name;
        std::int32_t time = c.directory ? stamped_time(image, 32 + c.padded, result.earliest, result.latest) : 77;
        bytes expected = layout(image.size(), {{32, stored_name(c.name)},
                                               {32 + c.padded, record(c.directory ? 0x80 : 0, static_cast<std::uint8_t>(c.padded),
                                                                      0x08000020, 0, time)}});
        EXPECT_EQ(image, expected) << c.name;
        EXPECT_EQ(result.root.address, 0x08000020u + c.padded);
        EXPECT_EQ(result.root.size, 16u);
    }
}

TEST_F(TreePacker, LastWriteTimesAreClampedToThirtyTwoBits) {
    struct {
        long long seconds;
        std::int32_t stored;
    } cases[] = {{0, 0}, {-1, -1}, {2147483647, 2147483647}, {2147483648LL, 2147483647},
                 {99999999999LL, 2147483647}, {-2147483648LL, INT32_MIN}, {-99999999999LL, INT32_MIN}};
    for (const auto& c : cases) {
        fs::remove_all(root_);
        write_file(root_ / "f", std::string("x"));
        set_mtime(root_ / "f", c.seconds);
        testing::internal::CaptureStdout();
        packed result = pack_tree(root_, output_, 0);
        testing::internal::GetCapturedStdout();
        EXPECT_EQ(static_cast<std::int32_t>(load32(result.image, 64 + 12)), c.stored) << c.seconds;
    }
}

TEST_F(TreePacker, IndentationGrowsTwoSpacesALevel) {
    write_file(root_ / "a" / "b" / "c" / "f", std::string("1"));
    testing::internal::CaptureStdout();
    pack_tree(root_, output_, 0);
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "  a\\\n    b\\\n      c\\\n        f \n");
}

TEST_F(TreePacker, DeepEntriesKeepTheirIndentation) {
    fs::path deepest = root_;
    std::string expected;
    for (int depth = 1; depth <= 20; ++depth) {
        deepest /= "d";
        expected += std::string(2 * depth, ' ') + "d\\\n";
    }
    write_file(deepest / "f", std::string("1"));
    expected += std::string(42, ' ') + "f \n";
    testing::internal::CaptureStdout();
    pack_tree(root_, output_, 0);
    EXPECT_EQ(testing::internal::GetCapturedStdout(), expected);
}

TEST_F(TreePacker, RootPathWithTrailingSeparatorGetsNoSecond) {
    write_file(root_ / "sub" / "f", std::string("1"));
    std::string root = root_.string() + "/";
    // A refused entry names its full path, which shows every separator.
    ASSERT_EQ(mkfifo((root_ / "sub" / "fifo").c_str(), 0644), 0);
    EXPECT_EXIT(
        {
            romweld::open_output_stream(std::fopen(output_.c_str(), "w+b"), output_.c_str());
            romweld::set_working_path(root.c_str());
            romweld::entry_list list;
            romweld::scan_dir(list, nullptr, 1);
        },
        ::testing::ExitedWithCode(1), "^romweld: " + root + "sub/fifo: is not a file.\n$");
}

}  // namespace
