#include "support/packed_image.h"

#include <gtest/gtest.h>

#include "support/process.h"

namespace test_support {

bytes pack_with_romweld(const fs::path& work, const fs::path& root, const bytes& system_bytes) {
    write_file(work / "system.gba", system_bytes);
    process_result result = run_process({ROMWELD_BINARY, "-s", (work / "system.gba").string(), "-o",
                                         (work / "packed.gba").string(), root.string()});
    EXPECT_EQ(result.status, 0) << result.err;
    return read_file(work / "packed.gba");
}

void make_example_tree(const fs::path& root) {
    write_file(root / "a.txt", std::string("hello"));
    write_file(root / "d" / "b", pattern(20));
}

}  // namespace test_support
