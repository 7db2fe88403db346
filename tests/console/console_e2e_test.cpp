// The real client: the example GBA program, with a fixture tree packed onto
// it by romweld, runs in the emulator and reports every entry it reads
// through the reader. The report must match the tree on the host.
#include <gtest/gtest.h>

#include <algorithm>
#include <sstream>

#include "support/fixture_tree.h"
#include "support/process.h"

extern "C" {
#include "crc32.h"
}

namespace {

using namespace test_support;

std::vector<std::string> host_report(const fs::path& root) {
    std::vector<std::string> lines;
    for (const auto& entry : fs::recursive_directory_iterator(root)) {
        std::string path = fs::relative(entry.path(), root).string();
        if (entry.is_directory()) {
            lines.push_back("D " + path);
        } else {
            bytes contents = read_file(entry.path());
            char crc[9];
            std::snprintf(crc, sizeof crc, "%08x", crc32_of(contents.data(), static_cast<std::uint32_t>(contents.size())));
            lines.push_back("F " + std::to_string(contents.size()) + " " + crc + " " + path);
        }
    }
    std::sort(lines.begin(), lines.end());
    return lines;
}

TEST(ConsoleEndToEnd, Crc32MatchesTheStandardCheckValue) {
    const char* check = "123456789";
    EXPECT_EQ(crc32_of(reinterpret_cast<const std::uint8_t*>(check), 9), 0xCBF43926u);
}

TEST(ConsoleEndToEnd, ProgramReadsEveryPackedEntry) {
    temp_dir dir;
    fs::path root = dir / "tree";
    write_file(root / "a", pattern(1, 1));
    write_file(root / "empty.bin", std::string());
    write_file(root / "music" / "title.bin", pattern(70000, 2));
    write_file(root / "levels" / "world1" / "1-1.lvl", pattern(300, 3));
    write_file(root / "levels" / "world1" / "1-2.lvl", pattern(16, 4));
    write_file(root / "levels" / std::string(239, 'n'), pattern(45, 5));
    fs::create_directories(root / "empty_dir");
    fs::create_directories(root / "levels" / "world2");

    fs::path image = dir / "game.gba";
    process_result pack = run_process({ROMWELD_BINARY, "-s", ROMWELD_EXAMPLE_PROGRAM, "-o", image.string(), root.string()});
    ASSERT_EQ(pack.status, 0) << pack.err;

    fs::path screen = dir / "screen.png";
    process_result run = run_process({GBA_RUN_BINARY, "--screenshot", screen.string(), image.string()});
    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_TRUE(fs::file_size(screen) > 0);

    std::istringstream text(run.out);
    std::string first;
    std::getline(text, first);
    EXPECT_EQ(first.rfind("mount 08", 0), 0u) << run.out;
    std::vector<std::string> console;
    for (std::string line; std::getline(text, line);) console.push_back(line);
    std::sort(console.begin(), console.end());
    EXPECT_EQ(console, host_report(root));
}

}  // namespace
