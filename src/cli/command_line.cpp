#include "cli/command_line.h"

#include "cli/messages.h"

namespace romweld {

build_settings parse_command_line(int argc, const char* const* argv) {
    build_settings settings;
    int next = 1;
    if (next >= argc) usage();
    while (next < argc && argv[next][0] == '-') {
        const char** selected = nullptr;
        switch (argv[next][1]) {
            case 'o': selected = &settings.output_image_path; break;
            case 's': selected = &settings.system_image_path; break;
            default: usage();
        }
        if (next + 1 >= argc) usage();
        *selected = argv[next + 1];
        next += 2;
    }
    if (next >= argc) usage();
    settings.root_path = argv[next];
    return settings;
}

}  // namespace romweld
