#include "tree/tree_packer.h"

#include <dirent.h>
#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <ctime>

#include "cli/messages.h"
#include "image/output_stream.h"

namespace romweld {

char working_path[WORKING_PATH_SIZE];

namespace {

// Device and inode: what makes two paths the same file.
struct file_identity {
    dev_t device;
    ino_t inode;
};

bool same_file(const file_identity& identity, const struct stat& status) {
    return identity.device == status.st_dev && identity.inode == status.st_ino;
}

// The directories from the root down to the one being scanned: a directory
// met again on this path (through a link) would be descended forever.
std::vector<file_identity> current_path;

bool excluding = false;
file_identity excluded;

// Buffer for the source file being copied; only one is open at a time.
char source_buffer[64 * 1024];

// Writes text into working_path at position end and returns the new end. A
// path that does not fit ends the run, naming as much of it as fits.
std::size_t put_in_path(std::size_t end, const char* text) {
    std::size_t length = std::strlen(text);
    if (length >= WORKING_PATH_SIZE - end) {
        std::size_t room = WORKING_PATH_SIZE - 1 - end;
        std::memcpy(working_path + end, text, room);
        working_path[WORKING_PATH_SIZE - 1] = '\0';
        fatal("%s: path too long.", working_path);
    }
    std::memcpy(working_path + end, text, length + 1);
    return end + length;
}

// Writes a stored name: the name and at least one zero byte up to a multiple
// of 16. Returns the padded length.
std::uint8_t write_stored_name(const char* name) {
    unsigned char buffer[ROMWELD_MAX_PADDED_NAME_LENGTH] = {};
    std::size_t length = std::strlen(name);
    std::uint32_t padded = romweld_padded_name_length(static_cast<std::uint32_t>(length));
    std::memcpy(buffer, name, length);
    write_block(buffer, padded);
    return static_cast<std::uint8_t>(padded);
}

// One listing line: two spaces per level, the name, then '\\' for a
// directory or ' ' for a file. Written piecewise: printf's format parsing
// was a sixth of the packer's own instructions on trees of small files.
void print_listing_line(const char* name, int depth, bool is_directory) {
    static const char spaces[] = "                                ";
    for (int left = 2 * depth; left > 0; left -= static_cast<int>(sizeof spaces - 1))
        std::fwrite(spaces, 1, std::min<std::size_t>(static_cast<std::size_t>(left), sizeof spaces - 1), stdout);
    std::fputs(name, stdout);
    std::putchar(is_directory ? '\\' : ' ');
    std::putchar('\n');
}

void append_record(entry_list& list, const dir_entry& record) {
    std::size_t at = list.table.size();
    list.table.resize(at + DIR_ENTRY_SIZE);
    romweld_encode_dir_entry(list.table.data() + at, &record);
}

// Writes a file's stored name and contents; length is the size found when
// the directory was enumerated, and only that many bytes are packed.
dir_entry write_file(int directory, const char* name, const struct stat& status) {
    std::uint32_t start = image_position();
    std::uint8_t padded = write_stored_name(name);
    // A FIFO, socket or device is refused where a file would be opened:
    // opening a FIFO would wait for a writer forever.
    if (!S_ISREG(status.st_mode)) fatal("%s: is not a file.", working_path);
    // Non-blocking, so that a file replaced by a FIFO since it was examined
    // cannot stall the run; it reads short and is reported instead.
    int fd = openat(directory, name, O_RDONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK);
    if (fd < 0) report_system_error(working_path);
    std::FILE* file = fdopen(fd, "rb");
    if (file == nullptr) report_system_error(working_path);
    std::setvbuf(file, source_buffer, _IOFBF, sizeof source_buffer);
    copy_file(file, working_path, static_cast<std::uint64_t>(status.st_size));
    std::fclose(file);
    return dir_entry{KIND_FILE, padded, start + ROM_BASE, static_cast<std::uint32_t>(status.st_size),
                     clamp_time(status.st_mtim.tv_sec)};
}

void scan_open_directory(int fd, entry_list& list, const char* name, int depth);

// Packs everything below a subdirectory, then its stored name and table.
dir_entry pack_directory(int directory, const char* name, const struct stat& status, int depth) {
    for (const file_identity& ancestor : current_path)
        if (same_file(ancestor, status)) fatal("%s: directory loop.", working_path);
    int child = openat(directory, name, O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (child < 0) report_system_error(working_path);
    current_path.push_back({status.st_dev, status.st_ino});
    entry_list child_list;
    scan_open_directory(child, child_list, name, depth + 1);
    dir_entry record;
    write_dir(record, child_list);
    free_list(child_list);
    current_path.pop_back();
    return record;
}

// Packs one directory entry found in the directory open as `directory`;
// working_path ends at `end`, just behind the separator. The entry's status
// is what the enumeration tells; its listing line comes before anything else
// is done with it, so a refused entry is the last line of the listing.
void pack_entry(int directory, entry_list& list, const char* name, int depth, std::size_t end) {
    struct stat status;
    if (fstatat(directory, name, &status, 0) != 0) {
        int error = errno;
        put_in_path(end, name);
        errno = error;
        report_system_error(working_path);
    }
    if (excluding && same_file(excluded, status)) return;
    bool is_directory = S_ISDIR(status.st_mode);
    print_listing_line(name, depth, is_directory);

    put_in_path(end, name);
    if (std::strlen(name) > MAX_NAME_LENGTH) fatal("%s: name too long.", working_path);
    dir_entry record = is_directory ? pack_directory(directory, name, status, depth)
                                    : write_file(directory, name, status);
    append_record(list, record);
}

// Scans the directory open as fd and named by working_path; takes ownership
// of fd.
void scan_open_directory(int fd, entry_list& list, const char* name, int depth) {
    list.table.clear();
    list.name = name;
    std::size_t directory_end = std::strlen(working_path);
    std::size_t end = directory_end;
    if (end == 0 || working_path[end - 1] != '/') end = put_in_path(end, "/");

    DIR* directory = fdopendir(fd);
    if (directory == nullptr) {
        working_path[directory_end] = '\0';
        report_system_error(working_path);
    }
    for (;;) {
        errno = 0;
        const struct dirent* entry = readdir(directory);
        if (entry == nullptr) {
            // An enumeration that fails part way would lose the rest of the
            // directory: report it rather than pack what was seen.
            if (errno != 0) {
                working_path[directory_end] = '\0';
                report_system_error(working_path);
            }
            break;
        }
        if (std::strcmp(entry->d_name, ".") == 0 || std::strcmp(entry->d_name, "..") == 0)
            continue;
        pack_entry(dirfd(directory), list, entry->d_name, depth, end);
    }
    closedir(directory);
    working_path[directory_end] = '\0';
}

}  // namespace

void set_working_path(const char* root_path) { put_in_path(0, root_path); }

void exclude_from_tree(const struct stat& file) {
    excluding = true;
    excluded = {file.st_dev, file.st_ino};
}

void scan_dir(entry_list& list, const char* name, int depth) {
    int fd = open(working_path, O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    struct stat status;
    if (fd < 0 || fstat(fd, &status) != 0) report_system_error(working_path);
    current_path.push_back({status.st_dev, status.st_ino});
    scan_open_directory(fd, list, name, depth);
    current_path.pop_back();
}

void write_dir(dir_entry& record, const entry_list& list) {
    std::uint32_t start = image_position();
    std::uint8_t padded = list.name != nullptr ? write_stored_name(list.name) : 0;
    write_block(list.table.data(), list.table.size());
    record = dir_entry{KIND_DIRECTORY, padded, start + ROM_BASE,
                       static_cast<std::uint32_t>(list.table.size()), clamp_time(std::time(nullptr))};
}

void free_list(entry_list& list) {
    list.table.clear();
    list.table.shrink_to_fit();
    list.name = nullptr;
}

std::int32_t clamp_time(long long seconds) {
    if (seconds > INT32_MAX) return INT32_MAX;
    if (seconds < INT32_MIN) return INT32_MIN;
    return static_cast<std::int32_t>(seconds);
}

}  // namespace romweld
