#include "inspect/inspect.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cinttypes>
#include <cstdio>
#include <cstring>
#include <ctime>


namespace romweld {

namespace {

std::string utc_time(std::int32_t seconds) {
    std::time_t time = seconds;
    std::tm parts{};
    gmtime_r(&time, &parts);
    char text[32];
    std::strftime(text, sizeof text, "%Y-%m-%d %H:%M:%S", &parts);
    return text;
}

void print_entry(const romweld_entry& entry, const std::string& path) {
    std::printf("%c %10" PRIu32 " 0x%08" PRIx32 " %s %s%s\n", romweld_is_directory(&entry) ? 'd' : '-',
                entry.size, entry.record.address, utc_time(entry.record.timestamp).c_str(),
                path.empty() ? "/" : path.c_str(), romweld_is_directory(&entry) && !path.empty() ? "/" : "");
}

}  // namespace

void print_error(const std::string& subject, const std::string& text) {
    std::fprintf(stderr, "romweld-ls: %s: %s\n", subject.c_str(), text.c_str());
}

int report_violation(const std::string& image_path, const violation& problem) {
    char offset[32];
    std::snprintf(offset, sizeof offset, "offset 0x%" PRIx32, problem.offset);
    print_error(image_path, std::string(offset) + ": " + problem.text);
    return 1;
}

bool mount_or_report(const std::string& image_path, const std::vector<std::uint8_t>& image, romweld_fs& fs) {
    if (mount_image(image, fs)) return true;
    print_error(image_path, "no romweld file system found");
    return false;
}

bool load_image(const std::string& path, std::vector<std::uint8_t>& image) {
    std::FILE* file = std::fopen(path.c_str(), "rb");
    if (file == nullptr) {
        print_error(path, std::strerror(errno));
        return false;
    }
    struct stat status;
    if (fstat(fileno(file), &status) != 0 || !S_ISREG(status.st_mode)) {
        print_error(path, "not a regular file");
        std::fclose(file);
        return false;
    }
    if (status.st_size > static_cast<off_t>(ROM_LIMIT)) {
        print_error(path, "larger than 32 MiB, not a ROM image");
        std::fclose(file);
        return false;
    }
    image.resize(static_cast<std::size_t>(status.st_size));
    bool complete = std::fread(image.data(), 1, image.size(), file) == image.size();
    std::fclose(file);
    if (!complete) print_error(path, "could not read the whole file");
    return complete;
}

int list_image(const std::string& image_path, const std::vector<std::uint8_t>& image, const std::string& path) {
    romweld_fs fs;
    if (!mount_or_report(image_path, image, fs)) return 1;
    romweld_entry top;
    romweld_status status = romweld_lookup(&fs, path.c_str(), &top);
    if (status != ROMWELD_OK) {
        print_error(path, romweld_status_text(status));
        return 1;
    }
    std::printf("system image: %" PRIu32 " bytes; file system header at 0x%08" PRIx32 ", %" PRIu32 " bytes\n",
                fs.header_offset, ROM_BASE + fs.header_offset,
                static_cast<std::uint32_t>(image.size()) - fs.header_offset);
    std::string top_path;
    for (char c : path)
        if (c != '/' || (!top_path.empty() && top_path.back() != '/')) top_path += c;
    while (!top_path.empty() && top_path.back() == '/') top_path.pop_back();
    print_entry(top, top_path);
    if (!romweld_is_directory(&top)) return 0;
    auto problem = walk_tree(fs, top, top_path, [](const romweld_entry& entry, const std::string& entry_path, bool leaving) {
        if (!leaving) print_entry(entry, entry_path);
    });
    return problem ? report_violation(image_path, *problem) : 0;
}

int check_image_file(const std::string& image_path, const std::vector<std::uint8_t>& image) {
    if (auto problem = check_image(image)) return report_violation(image_path, *problem);
    std::printf("%s: ok\n", image_path.c_str());
    return 0;
}

}  // namespace romweld
