// gba-run: runs a GBA ROM headless in the mGBA core until the program's
// report is complete, prints the report, and can save the final screen.
//
// The program signals completion by storing "RWDN" at 0x02000000, the report
// length at 0x02000004 and the text from 0x02000008 (EWRAM).
#include <mgba/flags.h>  // must come first: it fixes the core's layout

#include <mgba/core/config.h>
#include <mgba/core/core.h>
#include <mgba/core/log.h>
#include <mgba-util/png-io.h>
#include <mgba-util/vfs.h>

#include <fcntl.h>

#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

namespace {

constexpr std::uint32_t REPORT_ADDRESS = 0x02000000;
constexpr std::uint32_t REPORT_DONE = 0x4E445752;  // "RWDN"
constexpr std::uint32_t REPORT_CAPACITY = 256 * 1024 - 8;

void usage() {
    std::fputs("Usage: gba-run [--frames N] [--screenshot FILE.png] [--scale N] ROM\n", stderr);
    std::exit(2);
}

// The core logs to standard output unless given a logger of our own.
void discard_log(mLogger*, int, mLogLevel, const char*, va_list) {}

bool save_screenshot(mCore* core, const char* path, unsigned scale) {
    unsigned width = 0, height = 0;
    core->desiredVideoDimensions(core, &width, &height);
    const void* pixels = nullptr;
    std::size_t stride = 0;
    core->getPixels(core, &pixels, &stride);
    const color_t* source = static_cast<const color_t*>(pixels);
    std::vector<color_t> scaled(static_cast<std::size_t>(width) * height * scale * scale);
    for (unsigned y = 0; y < height * scale; ++y)
        for (unsigned x = 0; x < width * scale; ++x)
            scaled[static_cast<std::size_t>(y) * width * scale + x] = source[(y / scale) * stride + x / scale];

    VFile* file = VFileOpen(path, O_WRONLY | O_CREAT | O_TRUNC);
    if (file == nullptr) return false;
    png_structp png = PNGWriteOpen(file);
    png_infop info = PNGWriteHeader(png, width * scale, height * scale);
    bool written = PNGWritePixels(png, width * scale, height * scale, width * scale, scaled.data());
    PNGWriteClose(png, info);
    file->close(file);
    return written;
}

}  // namespace

int main(int argc, char** argv) {
    long frame_limit = 1200;
    unsigned scale = 1;
    const char* screenshot = nullptr;
    const char* rom = nullptr;
    for (int i = 1; i < argc; ++i) {
        std::string word = argv[i];
        if (word == "--frames" && i + 1 < argc)
            frame_limit = std::strtol(argv[++i], nullptr, 10);
        else if (word == "--screenshot" && i + 1 < argc)
            screenshot = argv[++i];
        else if (word == "--scale" && i + 1 < argc)
            scale = static_cast<unsigned>(std::strtoul(argv[++i], nullptr, 10));
        else if (word.rfind("-", 0) == 0 || rom != nullptr)
            usage();
        else
            rom = argv[i];
    }
    if (rom == nullptr || frame_limit <= 0 || scale == 0 || scale > 8) usage();

    static mLogger logger = {discard_log, nullptr};
    mLogSetDefaultLogger(&logger);

    mCore* core = mCoreFind(rom);
    if (core == nullptr || !core->init(core)) {
        std::fprintf(stderr, "gba-run: %s: not a ROM the emulator knows\n", rom);
        return 1;
    }
    // Defaults only: the user's own configuration is never read or written.
    mCoreInitConfig(core, nullptr);
    unsigned width = 0, height = 0;
    core->desiredVideoDimensions(core, &width, &height);
    std::vector<color_t> video(static_cast<std::size_t>(width) * height);
    core->setVideoBuffer(core, video.data(), width);
    if (!mCoreLoadFile(core, rom)) {
        std::fprintf(stderr, "gba-run: %s: cannot load\n", rom);
        return 1;
    }
    core->reset(core);

    long frame = 0;
    while (frame < frame_limit && core->busRead32(core, REPORT_ADDRESS) != REPORT_DONE) {
        core->runFrame(core);
        ++frame;
    }
    if (core->busRead32(core, REPORT_ADDRESS) != REPORT_DONE) {
        std::fprintf(stderr, "gba-run: %s: no complete report after %ld frames\n", rom, frame_limit);
        return 1;
    }
    // Two more frames, so the screen shows what the program drew.
    core->runFrame(core);
    core->runFrame(core);

    std::uint32_t length = core->busRead32(core, REPORT_ADDRESS + 4);
    if (length > REPORT_CAPACITY) {
        std::fprintf(stderr, "gba-run: %s: report length %u is impossible\n", rom, length);
        return 1;
    }
    std::string text(length, '\0');
    for (std::uint32_t i = 0; i < length; ++i)
        text[i] = static_cast<char>(core->busRead8(core, REPORT_ADDRESS + 8 + i));
    std::fwrite(text.data(), 1, text.size(), stdout);

    int status = 0;
    if (screenshot != nullptr && !save_screenshot(core, screenshot, scale)) {
        std::fprintf(stderr, "gba-run: %s: cannot write the screenshot\n", screenshot);
        status = 1;
    }
    mCoreConfigDeinit(&core->config);
    core->deinit(core);
    return status;
}
