#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "inspect/inspect.h"

namespace romweld {

namespace {

// Writes entries below the open directories on its stack. Every file and
// directory is opened relative to its parent and never through a link, so
// nothing lands outside the target directory.
class extractor {
public:
    extractor(int top, bool force) : force_(force), directories_{top} {}

    void visit(const romweld_entry& entry, const std::string& path, bool leaving) {
        if (failed()) return;
        if (leaving) {
            finish_directory(entry);
        } else if (romweld_is_directory(&entry)) {
            enter_directory(entry, path);
        } else {
            write_file(entry, path);
        }
    }
    bool failed() const { return !error_path_.empty(); }
    // Prints the first failure; returns the exit status.
    int report() const {
        if (!failed()) return 0;
        print_error(error_path_, error_text_);
        return 1;
    }
    void close_all() {
        for (int fd : directories_) close(fd);
        directories_.clear();
    }

private:
    void fail(const std::string& path, const std::string& text) {
        if (failed()) return;
        error_path_ = path;
        error_text_ = text;
    }

    void enter_directory(const romweld_entry& entry, const std::string& path) {
        int parent = directories_.back();
        if (mkdirat(parent, entry.name, 0755) != 0 && errno != EEXIST) return fail(path, std::strerror(errno));
        int fd = openat(parent, entry.name, O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
        if (fd < 0) return fail(path, errno == ENOTDIR || errno == ELOOP ? "exists and is not a directory"
                                                                          : std::strerror(errno));
        directories_.push_back(fd);
    }

    void finish_directory(const romweld_entry& entry) {
        int fd = directories_.back();
        directories_.pop_back();
        set_time(fd, entry.record.timestamp);
        close(fd);
    }

    void write_file(const romweld_entry& entry, const std::string& path) {
        int flags = O_WRONLY | O_CREAT | O_NOFOLLOW | O_CLOEXEC | (force_ ? O_TRUNC : O_EXCL);
        int fd = openat(directories_.back(), entry.name, flags, 0644);
        if (fd < 0) {
            if (errno == EEXIST) return fail(path, "exists; --force replaces it");
            return fail(path, std::strerror(errno));
        }
        const std::uint8_t* data = entry.data;
        std::size_t left = entry.size;
        while (left > 0) {
            ssize_t written = write(fd, data, left);
            if (written < 0 && errno == EINTR) continue;
            if (written <= 0) {
                fail(path, std::strerror(errno));
                close(fd);
                return;
            }
            data += written;
            left -= static_cast<std::size_t>(written);
        }
        set_time(fd, entry.record.timestamp);
        if (close(fd) != 0) fail(path, std::strerror(errno));
    }

    static void set_time(int fd, std::int32_t seconds) {
        struct timespec times[2];
        times[0].tv_sec = seconds;
        times[0].tv_nsec = 0;
        times[1] = times[0];
        futimens(fd, times);
    }

    bool force_;
    std::vector<int> directories_;
    std::string error_path_, error_text_;
};

}  // namespace

int extract_image(const std::string& image_path, const std::vector<std::uint8_t>& image,
                  const std::string& directory, bool force) {
    romweld_fs fs;
    if (!mount_or_report(image_path, image, fs)) return 1;
    romweld_entry root;
    romweld_root(&fs, &root);
    // Refuse the whole image before writing anything if any entry is unsafe.
    if (auto problem = walk_tree(fs, root, "", [](const romweld_entry&, const std::string&, bool) {}))
        return report_violation(image_path, *problem);
    if (mkdir(directory.c_str(), 0755) != 0 && errno != EEXIST) {
        print_error(directory, std::strerror(errno));
        return 1;
    }
    int top = open(directory.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (top < 0) {
        print_error(directory, std::strerror(errno));
        return 1;
    }
    extractor writer(top, force);
    walk_tree(fs, root, "", [&writer](const romweld_entry& entry, const std::string& path, bool leaving) {
        writer.visit(entry, path, leaving);
    });
    writer.close_all();
    return writer.report();
}

}  // namespace romweld
