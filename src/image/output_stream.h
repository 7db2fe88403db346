// The output stream: every byte of the output image passes through here, and
// nothing lets the image grow past ROM_LIMIT. The stream keeps
// image_position, the number of bytes written or skipped so far, which is
// always the offset at which the next byte lands.
#ifndef ROMWELD_IMAGE_OUTPUT_STREAM_H
#define ROMWELD_IMAGE_OUTPUT_STREAM_H

#include <cstdint>
#include <cstdio>

namespace romweld {

// Size of copy_buffer, through which all contents are streamed, so memory use
// does not depend on file sizes.
inline constexpr std::size_t COPY_CHUNK_SIZE = 4096;

// Binds the stream to an output file opened at offset 0; path names it in
// error reports. Gives the file a larger buffer than stdio's default.
void open_output_stream(std::FILE* file, const char* path);

// Bytes written or skipped since the stream was opened.
std::uint32_t image_position();

// Ends the run with "No space." unless n more bytes fit under ROM_LIMIT.
// The sum cannot wrap around, so any n that does not fit is refused.
void check_space(std::uint64_t n);

// Appends n bytes; a stream that does not take them all ends the run.
void write_block(const void* data, std::uint64_t n);

// After a block of n bytes that began on a 16-byte boundary, skips forward to
// the next boundary. Skipped bytes read back as zeros once a later write
// lands beyond them; a run that stops right after a gap leaves a file that
// ends before it.
void skip_to_boundary(std::uint64_t n);

// Copies exactly length bytes of source into the image, then skips to the
// next boundary. A source that delivers fewer bytes ends the run with a report
// naming source_name.
void copy_file(std::FILE* source, const char* source_name, std::uint64_t length);

// Moves the stream to an absolute offset at or below image_position, to
// rewrite bytes already written (the header).
void seek_output(std::uint32_t offset);

// Flushes and closes the output file, reporting any failure that shows only
// now (the last buffered bytes), so a lost write never passes as success.
void close_output_stream();

}  // namespace romweld

#endif  // ROMWELD_IMAGE_OUTPUT_STREAM_H
