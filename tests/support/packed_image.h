// Builds real images with the romweld binary, for tests of the readers.
#ifndef ROMWELD_TESTS_SUPPORT_PACKED_IMAGE_H
#define ROMWELD_TESTS_SUPPORT_PACKED_IMAGE_H

#include "support/fixture_tree.h"

namespace test_support {

// Packs root onto system (a file written from system_bytes) with the built
// romweld and returns the image; fails the test on a packer error.
bytes pack_with_romweld(const fs::path& work, const fs::path& root, const bytes& system_bytes);

// The worked example tree: a.txt ("hello") and d/b (20 bytes).
void make_example_tree(const fs::path& root);

}  // namespace test_support

#endif
