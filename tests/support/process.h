// Runs a program to completion and captures what it printed.
#ifndef ROMWELD_TESTS_SUPPORT_PROCESS_H
#define ROMWELD_TESTS_SUPPORT_PROCESS_H

#include <functional>
#include <string>
#include <vector>

namespace test_support {

struct process_result {
    int status = -1;       // exit status, or 128 + signal number
    std::string out;       // standard output
    std::string err;       // standard error
};

struct process_options {
    std::string directory;                  // working directory ("" = this one)
    std::function<void()> before_exec;      // runs in the child, e.g. setrlimit
    std::string stdout_path;                // send standard output here instead
    int timeout_seconds = 60;               // killed after this, status 128+9
};

process_result run_process(const std::vector<std::string>& arguments,
                           const process_options& options = {});

}  // namespace test_support

#endif
