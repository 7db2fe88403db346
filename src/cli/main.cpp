// romweld: packs a directory tree into a read-only file system and appends
// it to a Game Boy Advance ROM image.
#include <cerrno>
#include <cstdio>
#include <new>

#include "cli/build.h"
#include "cli/command_line.h"
#include "cli/messages.h"

namespace {

[[noreturn]] void out_of_memory() {
    errno = ENOMEM;
    romweld::report_system_error(romweld::PROGRAM_NAME);
}

}  // namespace

int main(int argc, char** argv) {
    std::set_new_handler(out_of_memory);
    romweld::build_settings settings = romweld::parse_command_line(argc, argv);
    romweld::run_build(settings);
    // A listing that could not be written is a failure too.
    if (std::fflush(stdout) != 0 || std::ferror(stdout)) romweld::report_system_error("stdout");
    return 0;
}
