// The three ways romweld speaks to its user on standard error. Each one ends
// the process with status 1 through exit(), so buffered output (the listing,
// the bytes the output stream accepted) still reaches its file.
#ifndef ROMWELD_CLI_MESSAGES_H
#define ROMWELD_CLI_MESSAGES_H

namespace romweld {

// The program name used in every message, whatever name the tool was run as.
inline constexpr const char PROGRAM_NAME[] = "romweld";

// Prints the usage text and exits with status 1.
[[noreturn]] void usage();

// Prints "romweld: ", the formatted message and a newline; exits with 1.
[[noreturn]] void fatal(const char* format, ...) __attribute__((format(printf, 1, 2)));

// Prints "name: <description of errno>" as perror does (only the description
// when name is empty) and exits with 1.
[[noreturn]] void report_system_error(const char* name);

// The same form for failures that leave no error code with the host, such as
// a file that ends early: "name: description".
[[noreturn]] void report_failure(const char* name, const char* description);

}  // namespace romweld

#endif  // ROMWELD_CLI_MESSAGES_H
