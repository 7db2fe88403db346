// Packing benchmark: generates three workloads, runs romweld and its peers on
// each (a warm-up, then several timed runs, taken round-robin) and prints median wall times,
// ratios to romweld, and romweld's peak resident memory.
//
//   pack_bench ROMWELD [RUNS [OTHER_ROMWELD...]]
//
// Other romweld builds, when given, run in the same round as "romweld #2"
// and so on, for before-and-after comparisons on a noisy machine.
#include <fcntl.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

namespace fs = std::filesystem;

namespace {

struct measurement {
    double seconds;
    long peak_kib;
};

// Runs a command with standard output to /dev/null, in directory.
measurement run(const std::vector<std::string>& words, const std::string& directory) {
    auto start = std::chrono::steady_clock::now();
    pid_t child = fork();
    if (child == 0) {
        int null_fd = open("/dev/null", O_WRONLY);
        dup2(null_fd, 1);
        if (chdir(directory.c_str()) != 0) _exit(126);
        std::vector<char*> argv;
        for (const std::string& word : words) argv.push_back(const_cast<char*>(word.c_str()));
        argv.push_back(nullptr);
        execvp(argv[0], argv.data());
        _exit(127);
    }
    int status = 0;
    struct rusage usage {};
    wait4(child, &status, 0, &usage);
    double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) {
        std::fprintf(stderr, "pack_bench: %s failed\n", words[0].c_str());
        std::exit(1);
    }
    return {seconds, usage.ru_maxrss};
}

// Peak resident memory of a command, as GNU time reports it: the command is
// forked from time, a small process, so the figure is not inflated by the
// memory of this benchmark (a forked child inherits its parent's peak).
long peak_kib(const std::vector<std::string>& words, const std::string& directory, const fs::path& report) {
    std::vector<std::string> timed{"/usr/bin/time", "-f", "%M", "-o", report.string()};
    timed.insert(timed.end(), words.begin(), words.end());
    run(timed, directory);
    std::ifstream in(report);
    long kib = 0;
    in >> kib;
    return kib;
}

double median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

void write_bytes(const fs::path& path, std::size_t size, unsigned seed) {
    std::string data(size, '\0');
    for (std::size_t i = 0; i < size; ++i) data[i] = static_cast<char>((i * 131 + seed * 17 + i / 97) & 0xFF);
    std::ofstream(path, std::ios::binary).write(data.data(), static_cast<std::streamsize>(data.size()));
}

// Makes `files` files of `size` bytes spread over `directories` directories;
// returns their paths relative to tree.
std::vector<std::string> make_tree(const fs::path& tree, int directories, int files, std::size_t size) {
    std::vector<std::string> paths;
    for (int d = 0; d < directories; ++d) fs::create_directories(tree / ("d" + std::to_string(d)));
    for (int f = 0; f < files; ++f) {
        std::string path = "d" + std::to_string(f % directories) + "/f" + std::to_string(f);
        write_bytes(tree / path, size, static_cast<unsigned>(f));
        paths.push_back(path);
    }
    return paths;
}

struct workload {
    std::string name;
    int directories, files;
    std::size_t size;
};

}  // namespace

int main(int argc, char** argv) {
    if (argc < 2) {
        std::fprintf(stderr, "usage: pack_bench ROMWELD [RUNS [OTHER_ROMWELD...]]\n");
        return 2;
    }
    std::string romweld = fs::absolute(argv[1]).string();
    int runs = argc > 2 ? std::atoi(argv[2]) : 7;
    fs::path base = fs::temp_directory_path() / ("romweld-bench-" + std::to_string(getpid()));
    fs::create_directories(base);
    write_bytes(base / "system.gba", 4096, 1);
    fs::create_directories(base / "empty");

    const workload workloads[] = {
        {"1 file of 31 MiB", 1, 1, 31u << 20},
        {"20,000 files of 1 KiB in 100 directories", 100, 20000, 1024},
        {"50,000 files of 64 B in 500 directories", 500, 50000, 64},
    };
    std::printf("%-44s %-10s %12s %10s\n", "workload", "command", "median ms", "vs romweld");
    for (const workload& w : workloads) {
        fs::path tree = base / "tree";
        fs::remove_all(tree);
        std::vector<std::string> files = make_tree(tree, w.directories, w.files, w.size);
        std::string out = (base / "out").string();
        std::vector<std::string> cat{"cat"};
        cat.insert(cat.end(), files.begin(), files.end());
        struct command {
            std::string name;
            std::vector<std::string> words;
            std::string directory;
        };
        std::vector<command> commands{
            {"romweld", {romweld, "-s", (base / "system.gba").string(), "-o", out, tree.string()}, base.string()},
            {"cat", {"sh", "-c", "exec \"$0\" \"$@\" > " + out + "", "cat"}, tree.string()},
            {"tar -cf", {"tar", "-cf", out, "-C", tree.string(), "."}, base.string()},
            {"genromfs", {"genromfs", "-f", out, "-d", tree.string()}, base.string()},
        };
        commands[1].words.insert(commands[1].words.end(), files.begin(), files.end());
        for (int other = 3; other < argc; ++other)
            commands.push_back({"romweld #" + std::to_string(other - 1),
                                {fs::absolute(argv[other]).string(), "-s", (base / "system.gba").string(), "-o", out,
                                 tree.string()},
                                base.string()});
        // Settle the freshly written tree, warm every command up once, then
        // take the runs round-robin so that background activity (writeback,
        // other tenants) falls on all commands alike.
        sync();
        for (const command& c : commands) run(c.words, c.directory);
        std::vector<std::vector<double>> seconds(commands.size());
        // Each run writes a new file: truncating the previous run's output
        // (possibly still under writeback) is not part of packing.
        for (int r = 0; r < runs; ++r)
            for (std::size_t i = 0; i < commands.size(); ++i) {
                fs::remove(out);
                seconds[i].push_back(run(commands[i].words, commands[i].directory).seconds);
            }
        std::vector<double> medians;
        for (const auto& times : seconds) medians.push_back(median(times));
        for (std::size_t i = 0; i < commands.size(); ++i)
            std::printf("%-44s %-10s %12.1f %9.2fx\n", i == 0 ? w.name.c_str() : "", commands[i].name.c_str(),
                        medians[i] * 1000, medians[i] / medians[0]);
        std::printf("%-44s romweld peak resident memory: %ld KiB\n", "",
                    peak_kib(commands[0].words, commands[0].directory, base / "peak"));
    }
    long empty = peak_kib({romweld, "-s", (base / "system.gba").string(), "-o", (base / "out").string(),
                           (base / "empty").string()},
                          base.string(), base / "peak");
    std::printf("%-44s romweld peak resident memory: %ld KiB\n", "empty tree", empty);
    fs::remove_all(base);
    return 0;
}
