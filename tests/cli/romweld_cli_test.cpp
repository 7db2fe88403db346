// Runs the built romweld on small fixture trees and checks the whole image,
// standard output, standard error and exit status.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <csignal>
#include <ctime>
#include <functional>

#include "image/image_format.h"
#include "support/fixture_tree.h"
#include "support/process.h"

namespace {

using namespace test_support;

constexpr std::uint32_t BASE = 0x08000000;
constexpr std::uint32_t LIMIT = 0x02000000;

class Romweld : public ::testing::Test {
protected:
    void SetUp() override {
        fs::create_directories(root());
        write_file(system(), pattern(1000, 3));
    }
    fs::path root() const { return dir_ / "root"; }
    fs::path system() const { return dir_ / "system.gba"; }
    fs::path output() const { return dir_ / "out.gba"; }

    // Runs romweld in the test directory with the given words.
    process_result run(std::vector<std::string> words, process_options options = {}) {
        words.insert(words.begin(), ROMWELD_BINARY);
        if (options.directory.empty()) options.directory = dir_.path();
        return run_process(words, options);
    }
    // The usual build: -s system.gba -o out.gba root.
    process_result build(process_options options = {}) {
        return run({"-s", "system.gba", "-o", "out.gba", "root"}, std::move(options));
    }
    void make_sparse(const fs::path& path, std::uint64_t size) {
        write_file(path, std::string());
        fs::resize_file(path, size);
    }

    temp_dir dir_;
};

TEST_F(Romweld, WorkedExampleWholeImage) {
    write_file(root() / "a.txt", std::string("hello"));
    bytes b = pattern(20);
    write_file(root() / "d" / "b", b);
    set_mtime(root() / "a.txt", 1600000000);
    set_mtime(root() / "d" / "b", 1600000001);

    long long earliest = std::time(nullptr);
    process_result result = build();
    long long latest = std::time(nullptr);
    ASSERT_EQ(result.status, 0) << result.err;
    EXPECT_EQ(result.err, "");

    bytes image = read_file(output());
    ASSERT_EQ(image.size(), 0x4A0u);
    bytes header{'R', 'W', 1, 0, 32, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0};
    bytes a{'h', 'e', 'l', 'l', 'o'};
    std::int32_t root_time = stamped_time(image, 0x400, earliest, latest);
    std::vector<piece> pieces{{0, pattern(1000, 3)}, {0x3F0, header},
                              {0x400, record(0x80, 0, BASE + 0x480, 32, root_time)}};
    if (enumeration_order(root()) == std::vector<std::string>{"a.txt", "d"}) {
        EXPECT_EQ(result.out, "  a.txt \n  d\\\n    b \n");
        std::int32_t d_time = stamped_time(image, 0x490, earliest, latest);
        pieces.insert(pieces.end(), {{0x410, stored_name("a.txt")}, {0x420, a},
                                     {0x430, stored_name("b")}, {0x440, b}, {0x460, stored_name("d")},
                                     {0x470, record(0, 16, BASE + 0x430, 20, 1600000001)},
                                     {0x480, record(0, 16, BASE + 0x410, 5, 1600000000)},
                                     {0x490, record(0x80, 16, BASE + 0x460, 16, d_time)}});
    } else {
        EXPECT_EQ(result.out, "  d\\\n    b \n  a.txt \n");
        std::int32_t d_time = stamped_time(image, 0x480, earliest, latest);
        pieces.insert(pieces.end(), {{0x410, stored_name("b")}, {0x420, b}, {0x440, stored_name("d")},
                                     {0x450, record(0, 16, BASE + 0x410, 20, 1600000001)},
                                     {0x460, stored_name("a.txt")}, {0x470, a},
                                     {0x480, record(0x80, 16, BASE + 0x440, 16, d_time)},
                                     {0x490, record(0, 16, BASE + 0x460, 5, 1600000000)}});
    }
    EXPECT_EQ(image, layout(0x4A0, pieces));
}

// Header placement for system images of several lengths, with an empty root.
TEST_F(Romweld, HeaderFollowsTheSystemImageAtTheNextBoundary) {
    struct {
        std::size_t system_size, header_offset;
    } cases[] = {{0, 0}, {1, 16}, {15, 16}, {16, 16}, {17, 32}, {1000, 0x3F0}};
    for (const auto& c : cases) {
        bytes system = pattern(c.system_size, 5);
        write_file(this->system(), system);
        process_result result = build();
        ASSERT_EQ(result.status, 0) << result.err;
        EXPECT_EQ(result.out, "");
        bytes image = read_file(output());
        ASSERT_EQ(image.size(), c.header_offset + 32) << c.system_size;
        std::int32_t time = static_cast<std::int32_t>(load32(image, c.header_offset + 28));
        bytes header{'R', 'W', 1, 0, 32, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0};
        EXPECT_EQ(image, layout(image.size(), {{0, system}, {c.header_offset, header},
                                               {c.header_offset + 16,
                                                record(0x80, 0, BASE + c.header_offset + 32, 0, time)}}));
    }
}

// Failures in the checks before the output is created: each leaves an
// existing output file as it was and never touches the system image.
TEST_F(Romweld, RefusedRunsLeaveFilesAlone) {
    fs::create_hard_link(system(), dir_ / "hard.gba");
    fs::create_symlink("system.gba", dir_ / "soft.gba");
    struct {
        std::vector<std::string> words;
        std::string err;
    } cases[] = {
        {{"-s", "nosys.gba", "-o", "out.gba", "missing"}, "missing: No such file or directory\n"},
        {{"-o", "out.gba", ""}, "No such file or directory\n"},
        {{"-s", "system.gba", "-o", "out.gba", "system.gba"}, "romweld: system.gba: is not a directory.\n"},
        {{"-s", "root", "-o", "out.gba", "root"}, "romweld: root: is not a file.\n"},
        {{"-s", "nosys.gba", "-o", "out.gba", "root"}, "nosys.gba: No such file or directory\n"},
        {{"-s", "system.gba", "-o", "system.gba", "root"}, "romweld: system.gba: is the system image.\n"},
        {{"-s", "system.gba", "-o", "hard.gba", "root"}, "romweld: hard.gba: is the system image.\n"},
        {{"-s", "system.gba", "-o", "soft.gba", "root"}, "romweld: soft.gba: is the system image.\n"},
        {{"-s", "soft.gba", "-o", "./system.gba", "root"}, "romweld: ./system.gba: is the system image.\n"},
        {{"-s", "system.gba", "-o", "nodir/out.gba", "root"}, "nodir/out.gba: No such file or directory\n"},
        {{"-s", "system.gba", "-o", "root", "root"}, "root: Is a directory\n"},
        {{}, "Usage: romweld [options] {file system root}\noptions:\t-s {system GBA file}\n\t\t-o {output GBA file}\n"},
    };
    for (const auto& c : cases) {
        write_file(output(), std::string("keep"));
        process_result result = run(c.words);
        EXPECT_EQ(result.status, 1);
        EXPECT_EQ(result.out, "");
        EXPECT_EQ(result.err, c.err);
        EXPECT_EQ(read_file(output()), bytes({'k', 'e', 'e', 'p'}));
        EXPECT_EQ(read_file(system()), pattern(1000, 3));
    }
}

TEST_F(Romweld, LongOptionWordsAndDefaultOutput) {
    write_file(root() / "f", std::string("x"));
    process_result result = run({"-system", "system.gba", "root", "-o", "ignored.gba"});
    ASSERT_EQ(result.status, 0) << result.err;
    EXPECT_TRUE(fs::exists(dir_ / "output.gba"));
    EXPECT_FALSE(fs::exists(dir_ / "ignored.gba"));
    EXPECT_EQ(fs::file_size(dir_ / "output.gba"), 0x3F0u + 32 + 16 + 16 + 16);
}

// Faults in the tree: each stops the run with one line naming the entry.
TEST_F(Romweld, TreeFaultsAreReported) {
    // The refused entry's listing line is the last one printed.
    struct {
        const char* what;
        std::function<void(const fs::path&)> make;
        std::string out, err;
    } cases[] = {
        {"fifo", [](const fs::path& r) { ASSERT_EQ(mkfifo((r / "pipe").c_str(), 0644), 0); },
         "  pipe \n", "romweld: root/pipe: is not a file.\n"},
        {"device", [](const fs::path& r) { fs::create_symlink("/dev/null", r / "null"); },
         "  null \n", "romweld: root/null: is not a file.\n"},
        {"loop to parent",
         [](const fs::path& r) {
             fs::create_directories(r / "d");
             fs::create_directory_symlink("..", r / "d" / "up");
         },
         "  d\\\n    up\\\n", "romweld: root/d/up: directory loop.\n"},
        {"loop to itself", [](const fs::path& r) { fs::create_directory_symlink(".", r / "self"); },
         "  self\\\n", "romweld: root/self: directory loop.\n"},
        {"dangling link", [](const fs::path& r) { fs::create_symlink("nowhere", r / "gone"); },
         "", "root/gone: No such file or directory\n"},
        {"name of 240 bytes", [](const fs::path& r) { write_file(r / std::string(240, 'n'), std::string("x")); },
         "  " + std::string(240, 'n') + " \n", "romweld: root/" + std::string(240, 'n') + ": name too long.\n"},
    };
    for (const auto& c : cases) {
        fs::remove_all(root());
        fs::create_directories(root());
        c.make(root());
        process_result result = build();
        EXPECT_EQ(result.status, 1) << c.what;
        EXPECT_EQ(result.out, c.out) << c.what;
        EXPECT_EQ(result.err, c.err) << c.what;
    }
}

TEST_F(Romweld, LinksAreFollowed) {
    write_file(dir_ / "outside.txt", std::string("linked file"));
    write_file(dir_ / "elsewhere" / "inner", std::string("in a linked directory"));
    fs::create_symlink("../outside.txt", root() / "file");
    fs::create_directory_symlink("../elsewhere", root() / "dir");
    process_result result = build();
    ASSERT_EQ(result.status, 0) << result.err;
    EXPECT_NE(result.out.find("  file \n"), std::string::npos);
    EXPECT_NE(result.out.find("  dir\\\n    inner \n"), std::string::npos);
    bytes image = read_file(output());
    std::string text(image.begin(), image.end());
    EXPECT_NE(text.find("linked file"), std::string::npos);
    EXPECT_NE(text.find("in a linked directory"), std::string::npos);
}

TEST_F(Romweld, NameOf239BytesAndHiddenFilesArePacked) {
    std::string name(239, 'q');
    write_file(root() / name, std::string("long"));
    write_file(root() / ".hidden", std::string());
    process_result result = build();
    ASSERT_EQ(result.status, 0) << result.err;
    EXPECT_NE(result.out.find("  " + name + " \n"), std::string::npos);
    EXPECT_NE(result.out.find("  .hidden \n"), std::string::npos);
}

// The output image below the root ("." with the default name) is not packed
// into itself, whether or not it existed before the run.
TEST_F(Romweld, OutputInsideTheTreeIsSkipped) {
    write_file(root() / "f", std::string("data"));
    for (int round = 0; round < 2; ++round) {
        process_options options;
        options.directory = root();
        process_result result = run({"-s", "../system.gba", "."}, options);
        ASSERT_EQ(result.status, 0) << result.err;
        EXPECT_EQ(result.out, "  f \n");
        bytes image = read_file(root() / "output.gba");
        EXPECT_EQ(image.size(), 0x3F0u + 32 + 16 + 16 + 16);
        EXPECT_EQ(load32(image, 0x3F0 + 24), 16u);  // root table: one record
    }
}

TEST_F(Romweld, OutputFailuresAreNeverSuccess) {
    write_file(root() / "f", pattern(5000));
    process_result full = run({"-s", "system.gba", "-o", "/dev/full", "root"});
    EXPECT_EQ(full.status, 1);
    EXPECT_EQ(full.err, "/dev/full: No space left on device\n");

    process_options small_files;
    small_files.before_exec = [] {
        std::signal(SIGXFSZ, SIG_IGN);
        struct rlimit limit{2000, 2000};
        setrlimit(RLIMIT_FSIZE, &limit);
    };
    process_result short_write = build(small_files);
    EXPECT_EQ(short_write.status, 1);
    EXPECT_EQ(short_write.err, "out.gba: File too large\n");
    bytes image = read_file(output());
    ASSERT_EQ(image.size(), 2000u);
    EXPECT_EQ(bytes(image.begin(), image.begin() + 1000), pattern(1000, 3));

    process_options listing_lost;
    listing_lost.stdout_path = "/dev/full";
    process_result lost = build(listing_lost);
    EXPECT_EQ(lost.status, 1);
    EXPECT_EQ(lost.err, "stdout: No space left on device\n");
}

TEST_F(Romweld, UnreadableDirectoryIsNotPackedEmpty) {
    write_file(root() / "a" / "b" / "c" / "d" / "e" / "f" / "g" / "file", std::string("x"));
    process_options few_files;
    few_files.before_exec = [] {
        // The leak checker of a sanitizer build needs descriptors at exit.
        setenv("ASAN_OPTIONS", "detect_leaks=0", 1);
        struct rlimit limit{8, 8};
        setrlimit(RLIMIT_NOFILE, &limit);
    };
    process_result result = build(few_files);
    EXPECT_EQ(result.status, 1);
    // How deep the walk gets depends on the descriptors already open.
    const std::string suffix = ": Too many open files\n";
    ASSERT_GT(result.err.size(), suffix.size());
    EXPECT_EQ(result.err.substr(result.err.size() - suffix.size()), suffix);
    std::string directory = result.err.substr(0, result.err.size() - suffix.size());
    EXPECT_EQ(std::string("root/a/b/c/d/e/f/g").rfind(directory, 0), 0u) << result.err;
    EXPECT_GE(directory.size(), 6u) << "root/a at least";
}

TEST_F(Romweld, PathTooLongNamesWhatFits) {
    // Twenty-one levels of 200-byte names go past the 4095 characters a path
    // may have; created relative to each parent, as no absolute path would do.
    std::string component(200, 'p');
    std::string full = "root";
    int fd = open(root().c_str(), O_RDONLY | O_DIRECTORY);
    for (int level = 0; level < 21; ++level) {
        ASSERT_EQ(mkdirat(fd, component.c_str(), 0755), 0);
        int child = openat(fd, component.c_str(), O_RDONLY | O_DIRECTORY);
        close(fd);
        fd = child;
        full += "/" + component;
    }
    close(fd);
    process_result result = build();
    EXPECT_EQ(result.status, 1);
    EXPECT_EQ(result.err, "romweld: " + full.substr(0, 4095) + ": path too long.\n");
    // Every directory was listed, the one whose name no longer fits last.
    EXPECT_EQ(std::count(result.out.begin(), result.out.end(), '\n'), 21);
    // Clean up bottom-up: the tree is too deep for an absolute path.
    std::string relative;
    for (int level = 0; level < 21; ++level) relative += component + "/";
    while (!relative.empty()) {
        fd = open(root().c_str(), O_RDONLY | O_DIRECTORY);
        relative.pop_back();
        std::size_t cut = relative.rfind('/');
        std::string parent = cut == std::string::npos ? "." : relative.substr(0, cut);
        std::string name = cut == std::string::npos ? relative : relative.substr(cut + 1);
        int parent_fd = parent == "." ? dup(fd) : openat(fd, parent.c_str(), O_RDONLY | O_DIRECTORY);
        unlinkat(parent_fd, name.c_str(), AT_REMOVEDIR);
        close(parent_fd);
        close(fd);
        relative = cut == std::string::npos ? "" : relative.substr(0, cut + 1);
    }
}

// The 32 MiB limit, with sparse files so the fixtures cost no disk.
TEST_F(Romweld, RomLimit) {
    struct {
        const char* what;
        std::uint64_t system_size, file_size;
        int status;
        std::uint64_t output_size;
    } cases[] = {
        // header, name 16, contents, root table 16: exactly the limit.
        {"exactly the limit", LIMIT - 80, 16, 0, LIMIT},
        {"one byte over", LIMIT - 80, 17, 1, LIMIT - 80 + 32 + 16 + 17},
        {"system image over the limit", LIMIT + 1ull, 0, 1, 0},
        {"no room for the header", LIMIT - 5, 0, 1, LIMIT - 5},
        {"file beyond 32 bits", 1000, 0x100000010ull, 1, 0x3F0 + 32 + 16},
    };
    for (const auto& c : cases) {
        make_sparse(system(), c.system_size);
        fs::remove_all(root());
        fs::create_directories(root());
        if (c.file_size > 0) make_sparse(root() / "f", c.file_size);
        process_result result = build();
        EXPECT_EQ(result.status, c.status) << c.what;
        EXPECT_EQ(result.err, c.status == 0 ? "" : "romweld: No space.\n") << c.what;
        EXPECT_EQ(fs::file_size(output()), c.output_size) << c.what;
    }
}

}  // namespace

namespace {

// A sysfs attribute claims 4096 bytes but reads only a few: the same as a
// file that shrank between enumeration and copy.
TEST_F(Romweld, FileShorterThanListedStopsTheRun) {
    const fs::path attribute = "/sys/kernel/profiling";
    struct stat status;
    if (stat(attribute.c_str(), &status) != 0 || status.st_size != 4096)
        GTEST_SKIP() << "no sysfs attribute to stand in for a shrinking file";
    fs::create_symlink(attribute, root() / "shrinking");
    process_result result = build();
    EXPECT_EQ(result.status, 1);
    EXPECT_EQ(result.err, "root/shrinking: file is shorter than its listed length\n");
    // The stored name was written; no header completes the image.
    bytes image = read_file(output());
    EXPECT_EQ(image[0x3F0], 0);
}

}  // namespace
