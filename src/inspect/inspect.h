// romweld-ls's three jobs on a loaded image: list, check, extract.
#ifndef ROMWELD_INSPECT_INSPECT_H
#define ROMWELD_INSPECT_INSPECT_H

#include <cstdint>
#include <string>
#include <vector>

#include "inspect/image_walk.h"

namespace romweld {

// Reads a whole image file; on failure prints a message and returns false.
bool load_image(const std::string& path, std::vector<std::uint8_t>& image);

// Prints the subtree at path (the whole tree for "") like ls -l. Returns the
// exit status.
int list_image(const std::string& image_path, const std::vector<std::uint8_t>& image,
               const std::string& path);

// Checks every invariant; prints the first violation. Returns the exit status.
int check_image_file(const std::string& image_path, const std::vector<std::uint8_t>& image);

// Recreates the tree under directory, with contents and last-write times,
// never writing outside it and never replacing a file unless force.
int extract_image(const std::string& image_path, const std::vector<std::uint8_t>& image,
                  const std::string& directory, bool force);

// Shared by the commands above: "romweld-ls: subject: text" on standard
// error; a violation as "romweld-ls: image: offset 0x..: text" (returns 1);
// and mounting an image or saying that none was found.
void print_error(const std::string& subject, const std::string& text);
int report_violation(const std::string& image_path, const violation& problem);
bool mount_or_report(const std::string& image_path, const std::vector<std::uint8_t>& image, romweld_fs& fs);

}  // namespace romweld

#endif
