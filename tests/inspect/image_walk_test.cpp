#include "inspect/image_walk.h"

#include <gtest/gtest.h>

#include <functional>

#include "support/packed_image.h"

namespace {

using namespace test_support;

constexpr std::uint32_t BASE = 0x08000000;

// Each case breaks one invariant of the worked example image (header at
// 0x3F0, root table of two records at 0x480) and names what check_image
// must report, and where.
TEST(CheckImage, NamesTheFirstBrokenInvariant) {
    temp_dir dir;
    make_example_tree(dir / "root");
    const bytes good = pack_with_romweld(dir.path(), dir / "root", pattern(1000, 2));
    ASSERT_FALSE(romweld::check_image(good).has_value());

    const std::size_t file_record = good[0x480] == 0 ? 0x480 : 0x490;
    const std::size_t dir_record = file_record == 0x480 ? 0x490 : 0x480;
    const std::size_t file_name = load32(good, file_record + 4) - BASE;
    auto put32 = [](bytes& image, std::size_t at, std::uint32_t value) { romweld_store32(image.data() + at, value); };

    struct {
        const char* what;
        std::function<void(bytes&)> breakage;
        std::uint32_t offset;
        std::string text;
    } cases[] = {
        {"magic", [](bytes& i) { i[0x3F0] = 'X'; }, 0, "no 16-byte boundary holds \"RW\" and a root table that ends the image"},
        {"trailing bytes", [](bytes& i) { i.resize(i.size() + 16); }, 0, "no 16-byte boundary holds \"RW\" and a root table that ends the image"},
        {"version", [](bytes& i) { i[0x3F2] = 2; }, 0x3F2, "header version is not 1"},
        {"header length", [](bytes& i) { i[0x3F4] = 33; }, 0x3F4, "header length is not 32"},
        {"reserved header", [](bytes& i) { i[0x3F9] = 1; }, 0x3F9, "reserved header byte is not zero"},
        {"root kind", [](bytes& i) { i[0x400] = 0; }, 0x400, "root is not a directory"},
        {"root name length", [](bytes& i) { i[0x401] = 16; }, 0x401, "root has a name length"},
        {"kind", [&](bytes& i) { i[file_record] = 0x40; }, static_cast<std::uint32_t>(file_record), "bad kind"},
        {"reserved", [&](bytes& i) { i[file_record + 3] = 1; }, static_cast<std::uint32_t>(file_record), "reserved bytes not zero"},
        {"name length", [&](bytes& i) { i[file_record + 1] = 17; }, static_cast<std::uint32_t>(file_record), "bad name length"},
        {"alignment", [&](bytes& i) { put32(i, file_record + 4, BASE + file_name + 8); }, static_cast<std::uint32_t>(file_record), "not on a 16-byte boundary"},
        {"outside", [&](bytes& i) { put32(i, file_record + 4, 0x09000000); }, static_cast<std::uint32_t>(file_record), "outside the image"},
        {"size outside", [&](bytes& i) { put32(i, file_record + 8, 0x7FFFFFF0); }, static_cast<std::uint32_t>(file_record), "outside the image"},
        {"before the header", [&](bytes& i) { put32(i, file_record + 4, BASE + 0x10); }, static_cast<std::uint32_t>(file_record), "item lies before the file system"},
        {"after its table", [&](bytes& i) { put32(i, file_record + 4, BASE + 0x480); put32(i, file_record + 8, 0); }, static_cast<std::uint32_t>(file_record), "item does not lie before its table"},
        {"unterminated name", [&](bytes& i) { std::fill_n(i.begin() + static_cast<std::ptrdiff_t>(file_name), 16, 'x'); }, static_cast<std::uint32_t>(file_record), "bad stored name"},
        {"empty name", [&](bytes& i) { i[file_name] = 0; }, static_cast<std::uint32_t>(file_record), "bad stored name"},
        {"junk after the name", [&](bytes& i) { i[file_name + 15] = 'j'; }, static_cast<std::uint32_t>(file_record), "bad stored name"},
        {"padding too long", [&](bytes& i) { i[file_record + 1] = 32; }, static_cast<std::uint32_t>(file_record), "bad stored name"},
        {"table size", [&](bytes& i) { put32(i, dir_record + 8, 15); }, static_cast<std::uint32_t>(dir_record), "table size not a multiple of 16"},
        {"dot-dot name", [&](bytes& i) { std::fill_n(i.begin() + static_cast<std::ptrdiff_t>(file_name), 16, 0); i[file_name] = '.'; i[file_name + 1] = '.'; },
         static_cast<std::uint32_t>(file_record), "name \"..\" is not a plain file name"},
        {"slash in name", [&](bytes& i) { i[file_name + 1] = '/'; }, static_cast<std::uint32_t>(file_record), "name \"a/txt\" is not a plain file name"},
        {"directory twice", [&](bytes& i) { std::copy_n(i.begin() + static_cast<std::ptrdiff_t>(dir_record), 16, i.begin() + static_cast<std::ptrdiff_t>(file_record)); },
         static_cast<std::uint32_t>(std::max(file_record, dir_record)), "directory d reached twice"},
    };
    for (const auto& c : cases) {
        bytes image = good;
        c.breakage(image);
        std::optional<romweld::violation> problem = romweld::check_image(image);
        ASSERT_TRUE(problem.has_value()) << c.what;
        EXPECT_EQ(problem->text, c.text) << c.what;
        EXPECT_EQ(problem->offset, c.offset) << c.what;
    }
}

// Directories that list each other's ancestors cannot exist in a valid
// image; a hostile one is stopped instead of walked forever.
TEST(WalkTree, StopsAtAnyDirectoryReachedTwice) {
    temp_dir dir;
    write_file(dir / "root" / "x" / "f", std::string("1"));
    bytes image = pack_with_romweld(dir.path(), dir / "root", bytes(16, 0));
    romweld_fs fs;
    ASSERT_TRUE(romweld::mount_image(image, fs));
    romweld_entry root;
    romweld_root(&fs, &root);
    int visits = 0;
    auto problem = romweld::walk_tree(fs, root, "", [&](const romweld_entry&, const std::string&, bool) { ++visits; });
    EXPECT_FALSE(problem.has_value());
    EXPECT_EQ(visits, 3);  // x, f, and x once more on the way out
}

}  // namespace
