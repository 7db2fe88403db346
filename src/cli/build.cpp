#include "cli/build.h"

#include <sys/stat.h>

#include <cstdio>

#include "cli/messages.h"
#include "image/image_format.h"
#include "image/output_stream.h"
#include "tree/tree_packer.h"

namespace romweld {

namespace {

// The system image is read once, in large reads.
char system_buffer[64 * 1024];

void check_root_directory(const char* root_path) {
    struct stat status;
    if (stat(root_path, &status) != 0) report_system_error(root_path);
    if (!S_ISDIR(status.st_mode)) fatal("%s: is not a directory.", root_path);
}

struct stat check_system_image(const char* path) {
    struct stat status;
    if (stat(path, &status) != 0) report_system_error(path);
    if (!S_ISREG(status.st_mode)) fatal("%s: is not a file.", path);
    return status;
}

// Creating the output truncates it, so an output path that reaches the system
// image by any name (the same path, a hard or symbolic link) would destroy the
// image before it is read.
void refuse_output_over_system_image(const char* output_path, const struct stat& system) {
    struct stat output;
    if (stat(output_path, &output) == 0 && output.st_dev == system.st_dev &&
        output.st_ino == system.st_ino)
        fatal("%s: is the system image.", output_path);
}

}  // namespace

void run_build(const build_settings& settings) {
    set_working_path(settings.root_path);
    check_root_directory(settings.root_path);
    struct stat system = check_system_image(settings.system_image_path);

    std::FILE* system_file = std::fopen(settings.system_image_path, "rb");
    if (system_file == nullptr) report_system_error(settings.system_image_path);
    std::setvbuf(system_file, system_buffer, _IOFBF, sizeof system_buffer);
    refuse_output_over_system_image(settings.output_image_path, system);

    std::FILE* output_file = std::fopen(settings.output_image_path, "w+b");
    if (output_file == nullptr) report_system_error(settings.output_image_path);
    struct stat output;
    if (fstat(fileno(output_file), &output) != 0) report_system_error(settings.output_image_path);
    exclude_from_tree(output);
    open_output_stream(output_file, settings.output_image_path);

    copy_file(system_file, settings.system_image_path, static_cast<std::uint64_t>(system.st_size));
    std::uint32_t header_offset = image_position();
    unsigned char header[HEADER_SIZE] = {};
    write_block(header, sizeof header);

    entry_list root_list;
    scan_dir(root_list, nullptr, 1);
    dir_entry root;
    write_dir(root, root_list);

    // The magic goes in only now, so an image without it never passes for a
    // finished one.
    romweld_encode_header(header, &root);
    seek_output(header_offset);
    write_block(header, sizeof header);

    free_list(root_list);
    close_output_stream();
    std::fclose(system_file);
}

}  // namespace romweld
