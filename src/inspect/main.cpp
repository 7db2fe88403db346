// romweld-ls: lists, checks and extracts the file system inside a ROM image.
#include <getopt.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "inspect/inspect.h"

namespace {

void print_usage(std::FILE* stream) {
    std::fputs(
        "Usage: romweld-ls [options] IMAGE [PATH]\n"
        "List the file system in a romweld ROM image (the subtree at PATH).\n"
        "  -c, --check          verify every invariant of the image\n"
        "  -x, --extract DIR    recreate the tree under DIR\n"
        "  -f, --force          with --extract, replace existing files\n"
        "  -h, --help           show this help\n"
        "  -V, --version        show the version\n",
        stream);
}

[[noreturn]] void usage_error() {
    print_usage(stderr);
    std::exit(2);
}

}  // namespace

int main(int argc, char** argv) {
    static const option options[] = {{"check", no_argument, nullptr, 'c'},
                                     {"extract", required_argument, nullptr, 'x'},
                                     {"force", no_argument, nullptr, 'f'},
                                     {"help", no_argument, nullptr, 'h'},
                                     {"version", no_argument, nullptr, 'V'},
                                     {nullptr, 0, nullptr, 0}};
    bool check = false, force = false;
    const char* extract_to = nullptr;
    int option;
    while ((option = getopt_long(argc, argv, "cx:fhV", options, nullptr)) != -1) {
        switch (option) {
            case 'c': check = true; break;
            case 'x': extract_to = optarg; break;
            case 'f': force = true; break;
            case 'h': print_usage(stdout); return 0;
            case 'V': std::puts("romweld-ls " ROMWELD_VERSION); return 0;
            default: usage_error();
        }
    }
    int operands = argc - optind;
    if (operands < 1 || operands > 2 || (check && extract_to != nullptr) ||
        ((check || extract_to != nullptr) && operands != 1) || (force && extract_to == nullptr))
        usage_error();

    std::string image_path = argv[optind];
    std::vector<std::uint8_t> image;
    if (!romweld::load_image(image_path, image)) return 1;
    int status;
    if (check)
        status = romweld::check_image_file(image_path, image);
    else if (extract_to != nullptr)
        status = romweld::extract_image(image_path, image, extract_to, force);
    else
        status = romweld::list_image(image_path, image, operands == 2 ? argv[optind + 1] : "");
    if (std::fflush(stdout) != 0) {
        std::perror("romweld-ls: stdout");
        return 1;
    }
    return status;
}
