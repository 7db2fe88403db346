#include "cli/command_line.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

struct parsed {
    std::string system, output, root;
};

parsed parse(std::vector<const char*> words) {
    words.insert(words.begin(), "romweld");
    romweld::build_settings s = romweld::parse_command_line(static_cast<int>(words.size()), words.data());
    return {s.system_image_path, s.output_image_path, s.root_path};
}

TEST(CommandLine, OptionsAndDefaults) {
    struct {
        std::vector<const char*> words;
        parsed expected;
    } cases[] = {
        {{"assets"}, {"system.gba", "output.gba", "assets"}},
        {{"-s", "game.gba", "-o", "out.gba", "assets"}, {"game.gba", "out.gba", "assets"}},
        {{"-system", "a", "-output", "b", "r"}, {"a", "b", "r"}},
        {{"-sfoo", "x", "r"}, {"x", "output.gba", "r"}},
        {{"-o", "first", "-o", "second", "r"}, {"system.gba", "second", "r"}},
        {{"-o", "-s", "r"}, {"system.gba", "-s", "r"}},
        {{"r", "-o", "ignored", "extra"}, {"system.gba", "output.gba", "r"}},
        {{""}, {"system.gba", "output.gba", ""}},
    };
    for (const auto& c : cases) {
        parsed p = parse(c.words);
        EXPECT_EQ(p.system, c.expected.system);
        EXPECT_EQ(p.output, c.expected.output);
        EXPECT_EQ(p.root, c.expected.root);
    }
}

TEST(CommandLine, BadCommandLinesPrintUsage) {
    const std::string usage =
        "^Usage: romweld \\[options\\] \\{file system root\\}\n"
        "options:\t-s \\{system GBA file\\}\n"
        "\t\t-o \\{output GBA file\\}\n$";
    std::vector<std::vector<const char*>> cases = {
        {}, {"-"}, {"-x", "a", "r"}, {"-S", "a", "r"}, {"-O", "a", "r"}, {"--", "r"},
        {"-s"}, {"-o"},
        {"-s", "sys.gba"}, {"-s", "a", "-o", "b"},
    };
    for (const auto& words : cases) {
        EXPECT_EXIT(parse(words), ::testing::ExitedWithCode(1), usage);
    }
}

}  // namespace
