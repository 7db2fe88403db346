// One build from start to end: check the inputs, copy the system image,
// write the placeholder header, pack the tree, then complete the header.
#ifndef ROMWELD_CLI_BUILD_H
#define ROMWELD_CLI_BUILD_H

#include "cli/command_line.h"

namespace romweld {

// Runs the build; returns only when the image is complete (every failure
// ends the process with status 1).
void run_build(const build_settings& settings);

}  // namespace romweld

#endif  // ROMWELD_CLI_BUILD_H
