#include "support/process.h"

#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>

namespace test_support {

namespace {

std::string read_whole(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

int redirect(const std::string& path, int target) {
    int fd = open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    if (fd < 0) return -1;
    if (dup2(fd, target) < 0) return -1;
    close(fd);
    return 0;
}

}  // namespace

process_result run_process(const std::vector<std::string>& arguments, const process_options& options) {
    char out_template[] = "/tmp/romweld-out-XXXXXX";
    char err_template[] = "/tmp/romweld-err-XXXXXX";
    int out_fd = mkstemp(out_template);
    int err_fd = mkstemp(err_template);
    close(out_fd);
    close(err_fd);
    std::string out_path = options.stdout_path.empty() ? out_template : options.stdout_path;

    std::fflush(nullptr);
    pid_t child = fork();
    if (child == 0) {
        int null_in = open("/dev/null", O_RDONLY);
        dup2(null_in, 0);
        if (redirect(out_path, 1) != 0 || redirect(err_template, 2) != 0) _exit(126);
        if (!options.directory.empty() && chdir(options.directory.c_str()) != 0) _exit(126);
        alarm(static_cast<unsigned>(options.timeout_seconds));
        if (options.before_exec) options.before_exec();
        std::vector<char*> argv;
        for (const std::string& argument : arguments) argv.push_back(const_cast<char*>(argument.c_str()));
        argv.push_back(nullptr);
        execv(argv[0], argv.data());
        _exit(127);
    }
    int status = 0;
    while (waitpid(child, &status, 0) < 0 && errno == EINTR) {
    }
    process_result result;
    result.status = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
    if (options.stdout_path.empty()) result.out = read_whole(out_template);
    result.err = read_whole(err_template);
    unlink(out_template);
    unlink(err_template);
    return result;
}

}  // namespace test_support
