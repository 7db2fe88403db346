#include "image/image_format.h"

#include <gtest/gtest.h>

#include "support/fixture_tree.h"

namespace {

using test_support::bytes;

TEST(ImageFormat, PaddedNameLengthLeavesAtLeastOneZero) {
    struct {
        std::uint32_t length, padded;
    } cases[] = {{1, 16}, {15, 16}, {16, 32}, {31, 32}, {32, 48}, {224, 240}, {239, 240}};
    for (const auto& c : cases) EXPECT_EQ(romweld_padded_name_length(c.length), c.padded) << c.length;
}

TEST(ImageFormat, AlignmentGap) {
    struct {
        std::uint64_t n;
        std::uint32_t gap;
    } cases[] = {{0, 0}, {1, 15}, {5, 11}, {15, 1}, {16, 0}, {20, 12}, {0x100000001ull, 15}};
    for (const auto& c : cases) EXPECT_EQ(romweld_alignment_gap(c.n), c.gap) << c.n;
}

TEST(ImageFormat, DirEntryIsLittleEndianAndRoundTrips) {
    struct {
        romweld_dir_entry entry;
        bytes encoded;
    } cases[] = {
        {{0x80, 16, 0x08000460, 16, 0x12345678},
         {0x80, 16, 0, 0, 0x60, 0x04, 0x00, 0x08, 16, 0, 0, 0, 0x78, 0x56, 0x34, 0x12}},
        {{0x00, 240, 0x09FFFFF0, 0xABCDEF01, -1},
         {0x00, 240, 0, 0, 0xF0, 0xFF, 0xFF, 0x09, 0x01, 0xEF, 0xCD, 0xAB, 0xFF, 0xFF, 0xFF, 0xFF}},
        {{0x00, 16, 0, 0, INT32_MIN}, {0, 16, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0x80}},
    };
    for (const auto& c : cases) {
        bytes out(16, 0xEE);
        romweld_encode_dir_entry(out.data(), &c.entry);
        EXPECT_EQ(out, c.encoded);
        romweld_dir_entry back = romweld_decode_dir_entry(out.data());
        EXPECT_EQ(back.kind, c.entry.kind);
        EXPECT_EQ(back.name_length, c.entry.name_length);
        EXPECT_EQ(back.address, c.entry.address);
        EXPECT_EQ(back.size, c.entry.size);
        EXPECT_EQ(back.timestamp, c.entry.timestamp);
    }
}

TEST(ImageFormat, HeaderHoldsMagicConstantsAndRoot) {
    romweld_dir_entry root{0x80, 0, 0x08000480, 32, 7};
    bytes header(32, 0xEE);
    romweld_encode_header(header.data(), &root);
    bytes expected{'R', 'W', 1, 0, 32, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0};
    bytes root_bytes = test_support::record(0x80, 0, 0x08000480, 32, 7);
    expected.insert(expected.end(), root_bytes.begin(), root_bytes.end());
    EXPECT_EQ(header, expected);
    EXPECT_TRUE(romweld_header_fields_valid(header.data()));
}

TEST(ImageFormat, HeaderValidationRejectsAnyChangedField) {
    romweld_dir_entry root{0x80, 0, 0x08000020, 0, 0};
    bytes header(32);
    romweld_encode_header(header.data(), &root);
    for (std::size_t i = 0; i < 16; ++i) {
        bytes broken = header;
        broken[i] ^= 0x01;
        EXPECT_FALSE(romweld_header_fields_valid(broken.data())) << "byte " << i;
    }
}

}  // namespace
