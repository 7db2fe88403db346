#include "image/output_stream.h"

#include <cerrno>

#include "cli/messages.h"
#include "image/image_format.h"

namespace romweld {

namespace {

std::FILE* output_file = nullptr;
const char* output_path = "";
std::uint32_t position = 0;
// Gap bytes skipped but not yet in the file. They are written as zeros just
// before the next block lands beyond them, which is what a forward seek and
// a later write would leave, without flushing the stdio buffer at every gap.
std::uint32_t pending_gap = 0;

unsigned char copy_buffer[COPY_CHUNK_SIZE];
// Large enough that the stream issues few system calls, fixed so memory does
// not depend on what is packed.
char output_buffer[64 * 1024];
const unsigned char zeros[ROMWELD_ALIGNMENT] = {};

void write_exactly(const void* data, std::size_t n) {
    if (std::fwrite(data, 1, n, output_file) != n) report_system_error(output_path);
}

}  // namespace

void open_output_stream(std::FILE* file, const char* path) {
    output_file = file;
    output_path = path;
    position = 0;
    pending_gap = 0;
    std::setvbuf(file, output_buffer, _IOFBF, sizeof output_buffer);
}

std::uint32_t image_position() { return position; }

void check_space(std::uint64_t n) {
    // position never exceeds ROM_LIMIT, so comparing against the room left
    // cannot overflow however large n is.
    if (n > ROM_LIMIT - position) fatal("No space.");
}

void write_block(const void* data, std::uint64_t n) {
    check_space(n);
    if (n == 0) return;
    if (pending_gap != 0) {
        write_exactly(zeros, pending_gap);
        pending_gap = 0;
    }
    write_exactly(data, static_cast<std::size_t>(n));
    position += static_cast<std::uint32_t>(n);
}

void skip_to_boundary(std::uint64_t n) {
    std::uint32_t gap = romweld_alignment_gap(n);
    if (gap == 0) return;
    check_space(gap);
    pending_gap += gap;
    position += gap;
}

void copy_file(std::FILE* source, const char* source_name, std::uint64_t length) {
    check_space(length);
    std::uint64_t remaining = length;
    while (remaining > 0) {
        std::size_t chunk = remaining < COPY_CHUNK_SIZE ? static_cast<std::size_t>(remaining)
                                                        : COPY_CHUNK_SIZE;
        if (std::fread(copy_buffer, 1, chunk, source) != chunk) {
            if (std::ferror(source)) report_system_error(source_name);
            report_failure(source_name, "file is shorter than its listed length");
        }
        write_block(copy_buffer, chunk);
        remaining -= chunk;
    }
    skip_to_boundary(length);
}

void seek_output(std::uint32_t offset) {
    if (std::fseek(output_file, static_cast<long>(offset), SEEK_SET) != 0)
        report_system_error(output_path);
    // A gap still pending lies beyond the offset and is left unwritten, as a
    // seek over it would leave it.
    pending_gap = 0;
    position = offset;
}

void close_output_stream() {
    std::FILE* file = output_file;
    output_file = nullptr;
    // The error indicator also catches a failed flush whose error has not
    // been reported yet.
    if (std::fflush(file) != 0 || std::ferror(file)) {
        if (errno == 0) errno = EIO;
        report_system_error(output_path);
    }
    if (std::fclose(file) != 0) report_system_error(output_path);
}

}  // namespace romweld
