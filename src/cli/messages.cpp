#include "cli/messages.h"

#include <cerrno>
#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace romweld {

void usage() {
    std::fprintf(stderr, "Usage: %s [options] {file system root}\n", PROGRAM_NAME);
    std::fputs("options:\t-s {system GBA file}\n", stderr);
    std::fputs("\t\t-o {output GBA file}\n", stderr);
    std::exit(1);
}

void fatal(const char* format, ...) {
    std::fprintf(stderr, "%s: ", PROGRAM_NAME);
    va_list arguments;
    va_start(arguments, format);
    std::vfprintf(stderr, format, arguments);
    va_end(arguments);
    std::fputc('\n', stderr);
    std::exit(1);
}

void report_system_error(const char* name) {
    report_failure(name, std::strerror(errno));
}

void report_failure(const char* name, const char* description) {
    if (name != nullptr && name[0] != '\0')
        std::fprintf(stderr, "%s: %s\n", name, description);
    else
        std::fprintf(stderr, "%s\n", description);
    std::exit(1);
}

}  // namespace romweld
