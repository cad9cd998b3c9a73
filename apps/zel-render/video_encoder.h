// Videos: frames piped raw into ffmpeg, which runs as a child process and writes the file.
#pragma once

#include <sys/types.h>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <memory>
#include <span>
#include <string>

#include "apps/zel-render/child_processes.h"
#include "apps/zel-render/module_output.h"
#include "host/composition.h"

namespace zelrender {

// Whether the file's extension names a video: .mp4 (H.264), .mov (ProRes 4444, alpha kept) or
// .gif, in any case.
bool isVideoFile(const std::filesystem::path& file);

// Whether the video file keeps alpha: .mov does; .mp4 and .gif take frames composited over an
// opaque background.
bool videoKeepsAlpha(const std::filesystem::path& file);

// Throws EncoderUnavailable, saying how to install ffmpeg or what to write instead, when no
// directory on PATH holds it.
void requireEncoder();

struct VideoFormat {
    std::int32_t width = 0;
    std::int32_t height = 0;
    bool deep = false;  // 16 bits per channel rather than 8
    // Frames per second, as a fraction, so that 29.97 stays exact.
    std::int64_t rateNumerator = 24;
    std::int64_t rateDenominator = 1;
};

// ffmpeg's name for the pixels rgbaPixels() gives: 8 or, when `deep`, 16 bits per channel.
const char* rawPixelFormat(bool deep);

// The video of frames `width` x `height` of the composition, every `step`-th: it plays at the
// composition's rate over the step, so that it lasts as long.
VideoFormat videoFormat(std::int32_t width, std::int32_t height, const Composition& composition,
                        std::int32_t step);

class VideoEncoder {
public:
    // Starts ffmpeg writing `file`, under its temporary name until finish(), from frames of
    // `format`. What ffmpeg says goes where the module's messages go (the log, or stderr when
    // `verbose`) once it has ended. Throws EncoderUnavailable when ffmpeg cannot be started.
    VideoEncoder(const std::filesystem::path& file, const VideoFormat& format, bool verbose);
    // Unless finish() succeeded: stops ffmpeg and removes what it wrote.
    ~VideoEncoder();
    VideoEncoder(const VideoEncoder&) = delete;
    VideoEncoder& operator=(const VideoEncoder&) = delete;

    const VideoFormat& format() const { return format_; }

    // One frame as rgbaPixels() gives it, of the format's size. Throws OutputFailed with
    // ffmpeg's last message when it has stopped taking frames.
    void write(std::span<const std::byte> pixels);
    // Ends the input, waits for ffmpeg and gives the file its name. Throws OutputFailed with
    // ffmpeg's last message when it failed.
    void finish();

private:
    struct Ending {
        int status;            // ffmpeg's wait status
        std::string lastLine;  // the last thing it said
    };
    struct CloseFile {
        void operator()(std::FILE* file) const { std::fclose(file); }
    };

    // Ends the input, waits for ffmpeg and passes on what it said.
    Ending end();
    // The message of a failure: ffmpeg `what`, how it ended, and its last line.
    std::string failure(const std::string& what, const Ending& ending) const;

    std::filesystem::path file_;
    std::filesystem::path temporary_;
    VideoFormat format_;
    ModuleOutput messages_;
    std::unique_ptr<std::FILE, CloseFile> transcript_;  // what ffmpeg says, kept until it ends
    UniqueFd input_;
    pid_t pid_ = -1;  // until waited for
    bool finished_ = false;
};

}  // namespace zelrender
