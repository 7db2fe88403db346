#include "image/output_stream.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include "image/image_format.h"
#include "support/fixture_tree.h"

namespace {

using test_support::bytes;
using test_support::read_file;

// An output stream on a fresh file; the death tests run in a child process,
// so each test starts from its own stream.
class OutputStream : public ::testing::Test {
protected:
    void SetUp() override {
        path_ = dir_ / "out.gba";
        file_ = std::fopen(path_.c_str(), "w+b");
        ASSERT_NE(file_, nullptr);
        romweld::open_output_stream(file_, path_.c_str());
    }
    bytes close_and_read() {
        romweld::close_output_stream();
        return read_file(path_);
    }
    // Writes n bytes of 0xAB in large blocks.
    void fill(std::uint64_t n) {
        static const bytes block(1 << 20, 0xAB);
        while (n > 0) {
            std::uint64_t chunk = std::min<std::uint64_t>(n, block.size());
            romweld::write_block(block.data(), chunk);
            n -= chunk;
        }
    }
    test_support::temp_dir dir_;
    test_support::fs::path path_;
    std::FILE* file_ = nullptr;
};

TEST_F(OutputStream, GapsReadBackAsZerosOnceAWriteFollows) {
    bytes five{1, 2, 3, 4, 5};
    romweld::write_block(five.data(), 5);
    romweld::skip_to_boundary(5);
    EXPECT_EQ(romweld::image_position(), 16u);
    romweld::write_block(five.data(), 1);
    bytes expected{1, 2, 3, 4, 5, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 1};
    EXPECT_EQ(close_and_read(), expected);
}

TEST_F(OutputStream, AlignedBlockNeedsNoGap) {
    bytes sixteen(16, 7);
    romweld::write_block(sixteen.data(), 16);
    romweld::skip_to_boundary(16);
    romweld::write_block(sixteen.data(), 0);
    EXPECT_EQ(romweld::image_position(), 16u);
    EXPECT_EQ(close_and_read(), sixteen);
}

TEST_F(OutputStream, TrailingGapIsNotWritten) {
    bytes three{9, 9, 9};
    romweld::write_block(three.data(), 3);
    romweld::skip_to_boundary(3);
    EXPECT_EQ(romweld::image_position(), 16u);
    EXPECT_EQ(close_and_read(), three);
}

TEST_F(OutputStream, SeekRewritesEarlierBytes) {
    bytes block(32, 1);
    romweld::write_block(block.data(), 32);
    bytes patch{5, 6};
    romweld::seek_output(4);
    romweld::write_block(patch.data(), 2);
    bytes expected = block;
    expected[4] = 5;
    expected[5] = 6;
    EXPECT_EQ(close_and_read(), expected);
}

TEST_F(OutputStream, ImageOfExactlyTheLimitIsAccepted) {
    fill(romweld::ROM_LIMIT - 1);
    romweld::check_space(1);
    fill(1);
    romweld::check_space(0);
    EXPECT_EQ(romweld::image_position(), romweld::ROM_LIMIT);
    romweld::close_output_stream();
    EXPECT_EQ(test_support::fs::file_size(path_), romweld::ROM_LIMIT);
}

TEST_F(OutputStream, OneByteOverTheLimitIsRefused) {
    fill(romweld::ROM_LIMIT - 1);
    EXPECT_EXIT(romweld::check_space(2), ::testing::ExitedWithCode(1), "^romweld: No space.\n$");
    EXPECT_EXIT(fill(2), ::testing::ExitedWithCode(1), "^romweld: No space.\n$");
}

TEST_F(OutputStream, GapPastTheLimitIsRefused) {
    fill(romweld::ROM_LIMIT - 4);
    EXPECT_EXIT(romweld::skip_to_boundary(1), ::testing::ExitedWithCode(1), "^romweld: No space.\n$");
}

TEST_F(OutputStream, HugeCountsDoNotWrapAround) {
    bytes sixteen(16);
    romweld::write_block(sixteen.data(), 16);
    for (std::uint64_t n : {0x100000000ull - 16, 0x100000000ull, 0xFFFFFFFFFFFFFFFFull,
                            0x100000000ull + 16}) {
        EXPECT_EXIT(romweld::check_space(n), ::testing::ExitedWithCode(1), "^romweld: No space.\n$") << n;
    }
}

TEST_F(OutputStream, CopyFileCopiesAndAligns) {
    bytes contents = test_support::pattern(10000);
    auto source_path = dir_ / "source";
    test_support::write_file(source_path, contents);
    std::FILE* source = std::fopen(source_path.c_str(), "rb");
    romweld::copy_file(source, "source", contents.size());
    std::fclose(source);
    EXPECT_EQ(romweld::image_position(), 10000u + 0u);  // 10000 is a multiple of 16
    EXPECT_EQ(close_and_read(), contents);
}

TEST_F(OutputStream, CopyFileChecksTheWholeLengthBeforeWriting) {
    auto source_path = dir_ / "source";
    test_support::write_file(source_path, std::string("abc"));
    std::FILE* source = std::fopen(source_path.c_str(), "rb");
    EXPECT_EXIT(romweld::copy_file(source, "source", romweld::ROM_LIMIT + 1ull),
                ::testing::ExitedWithCode(1), "^romweld: No space.\n$");
    std::fclose(source);
    EXPECT_EQ(close_and_read(), bytes{});
}

TEST_F(OutputStream, SourceShorterThanListedIsReported) {
    auto source_path = dir_ / "source";
    test_support::write_file(source_path, test_support::pattern(5000));
    std::FILE* source = std::fopen(source_path.c_str(), "rb");
    EXPECT_EXIT(romweld::copy_file(source, "assets/x.bin", 5001), ::testing::ExitedWithCode(1),
                "^assets/x.bin: file is shorter than its listed length\n$");
    std::fclose(source);
}

TEST_F(OutputStream, FailedWriteIsReportedWithTheOutputPath) {
    std::FILE* full = std::fopen("/dev/full", "w+b");
    ASSERT_NE(full, nullptr);
    romweld::open_output_stream(full, "/dev/full");
    bytes block(1000, 1);
    EXPECT_EXIT(
        {
            for (int i = 0; i < 1000; ++i) romweld::write_block(block.data(), block.size());
            romweld::close_output_stream();
        },
        ::testing::ExitedWithCode(1), "^/dev/full: No space left on device\n$");
}

TEST_F(OutputStream, FailureAtCloseIsReported) {
    std::FILE* full = std::fopen("/dev/full", "w+b");
    ASSERT_NE(full, nullptr);
    romweld::open_output_stream(full, "/dev/full");
    bytes block(10, 1);
    EXPECT_EXIT(
        {
            romweld::write_block(block.data(), block.size());
            romweld::close_output_stream();
        },
        ::testing::ExitedWithCode(1),
                "^/dev/full: No space left on device\n$");
}

}  // namespace
