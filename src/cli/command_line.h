// Reading romweld's command line: options -s and -o, each followed by a path,
// then the root directory.
#ifndef ROMWELD_CLI_COMMAND_LINE_H
#define ROMWELD_CLI_COMMAND_LINE_H

namespace romweld {

struct build_settings {
    const char* system_image_path = "system.gba";
    const char* output_image_path = "output.gba";
    const char* root_path = nullptr;
};

// Parses argv (argv[0] is the program's own name). Only the second character
// of an option word counts; its value is the next word, taken verbatim.
// Words after the root are ignored. A bad command line ends in usage().
build_settings parse_command_line(int argc, const char* const* argv);

}  // namespace romweld

#endif  // ROMWELD_CLI_COMMAND_LINE_H
