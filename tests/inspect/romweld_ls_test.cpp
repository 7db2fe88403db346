// Runs the built romweld and romweld-ls together: pack, check, list, extract.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include "support/packed_image.h"
#include "support/process.h"

namespace {

using namespace test_support;

class RomweldLs : public ::testing::Test {
protected:
    process_result ls(std::vector<std::string> words) {
        words.insert(words.begin(), ROMWELD_LS_BINARY);
        return run_process(words);
    }
    std::string image_path() const { return (dir_ / "packed.gba").string(); }
    temp_dir dir_;
};

long long mtime_of(const fs::path& path) {
    struct stat status;
    EXPECT_EQ(stat(path.c_str(), &status), 0) << path;
    return status.st_mtim.tv_sec;
}

TEST_F(RomweldLs, RoundTripRestoresNamesContentsAndTimes) {
    fs::path source = dir_ / "source";
    struct {
        std::string path;
        bytes contents;
        long long mtime;
    } files[] = {
        {"a", pattern(1), 100},
        {"empty.bin", {}, 1700000000},
        {"nested/deeper/still/data.bin", pattern(70000, 4), 1234567890},
        {std::string(239, 'L'), pattern(33, 5), 42},
        {"nested/" + std::string(200, 'm'), pattern(16, 6), -5},
    };
    for (const auto& f : files) {
        write_file(source / f.path, f.contents);
        set_mtime(source / f.path, f.mtime);
    }
    fs::create_directories(source / "empty_dir");
    fs::create_directories(source / "nested" / "empty_too");
    pack_with_romweld(dir_.path(), source, pattern(4000, 1));

    process_result check = ls({"--check", image_path()});
    EXPECT_EQ(check.status, 0) << check.err;
    EXPECT_EQ(check.out, image_path() + ": ok\n");

    fs::path out = dir_ / "out";
    process_result extract = ls({"--extract", out.string(), image_path()});
    ASSERT_EQ(extract.status, 0) << extract.err;
    for (const auto& f : files) {
        EXPECT_EQ(read_file(out / f.path), f.contents) << f.path;
        EXPECT_EQ(mtime_of(out / f.path), f.mtime) << f.path;
    }
    std::vector<std::string> expected, actual;
    for (const auto& entry : fs::recursive_directory_iterator(source))
        expected.push_back(fs::relative(entry.path(), source).string() + (entry.is_directory() ? "/" : ""));
    for (const auto& entry : fs::recursive_directory_iterator(out))
        actual.push_back(fs::relative(entry.path(), out).string() + (entry.is_directory() ? "/" : ""));
    std::sort(expected.begin(), expected.end());
    std::sort(actual.begin(), actual.end());
    EXPECT_EQ(actual, expected);
}

TEST_F(RomweldLs, ExtractNeverReplacesOrEscapes) {
    make_example_tree(dir_ / "root");
    pack_with_romweld(dir_.path(), dir_ / "root", pattern(100));
    fs::path out = dir_ / "out";
    write_file(out / "a.txt", std::string("mine"));
    process_result refused = ls({"-x", out.string(), image_path()});
    EXPECT_EQ(refused.status, 1);
    EXPECT_EQ(refused.err, "romweld-ls: a.txt: exists; --force replaces it\n");
    EXPECT_EQ(read_file(out / "a.txt"), bytes({'m', 'i', 'n', 'e'}));

    process_result forced = ls({"-x", out.string(), "--force", image_path()});
    EXPECT_EQ(forced.status, 0) << forced.err;
    EXPECT_EQ(read_file(out / "a.txt"), bytes({'h', 'e', 'l', 'l', 'o'}));

    // A link already in the target is not followed, even with --force.
    fs::path elsewhere = dir_ / "elsewhere";
    fs::create_directories(elsewhere);
    fs::path linked = dir_ / "linked";
    fs::create_directories(linked);
    fs::create_directory_symlink(elsewhere, linked / "d");
    fs::create_symlink(elsewhere / "victim", linked / "a.txt");
    process_result escaped = ls({"-x", linked.string(), "-f", image_path()});
    EXPECT_EQ(escaped.status, 1);
    EXPECT_TRUE(fs::is_empty(elsewhere));
}

TEST_F(RomweldLs, ListsTheTreeAndSubtrees) {
    write_file(dir_ / "root" / "d" / "b", pattern(20));
    set_mtime(dir_ / "root" / "d" / "b", 0);
    pack_with_romweld(dir_.path(), dir_ / "root", pattern(1000));
    process_result listing = ls({image_path(), "d/b"});
    EXPECT_EQ(listing.status, 0);
    EXPECT_EQ(listing.out,
              "system image: 1008 bytes; file system header at 0x080003f0, 128 bytes\n"
              "-         20 0x08000410 1970-01-01 00:00:00 d/b\n");
}

TEST_F(RomweldLs, StatusCodes) {
    make_example_tree(dir_ / "root");
    bytes image = pack_with_romweld(dir_.path(), dir_ / "root", pattern(100));
    image[image.size() - 16] = 0x40;  // kind of the last root record
    write_file(dir_ / "broken.gba", image);
    struct {
        std::vector<std::string> words;
        int status;
    } cases[] = {
        {{"--help"}, 0}, {{"--version"}, 0}, {{image_path()}, 0},
        {{"--check", (dir_ / "broken.gba").string()}, 1},
        {{(dir_ / "missing.gba").string()}, 1},
        {{image_path(), "no/such/path"}, 1},
        {{}, 2}, {{"--bogus", image_path()}, 2}, {{"--check", "--extract", "x", image_path()}, 2},
        {{"--force", image_path()}, 2},
    };
    for (const auto& c : cases) {
        process_result result = ls(c.words);
        EXPECT_EQ(result.status, c.status) << (c.words.empty() ? "" : c.words[0]) << result.err;
        if (c.status == 1) {
            EXPECT_EQ(std::count(result.err.begin(), result.err.end(), '\n'), 1) << result.err;
        }
    }
}

}  // namespace
