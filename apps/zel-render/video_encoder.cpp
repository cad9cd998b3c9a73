#include "apps/zel-render/video_encoder.h"

#include <signal.h>
#include <strings.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <bit>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <numeric>
#include <string_view>
#include <system_error>
#include <vector>

#include "apps/zel-render/failure.h"
#include "apps/zel-render/image_files.h"
#include "host/message_text.h"
#include "host/whole_files.h"

namespace zelrender {
namespace {

namespace fs = std::filesystem;

// How each kind of video is encoded. H.264 in 4:2:0 takes even sizes only, so an odd width or
// height gains a black column or row at the right or the bottom; it has no alpha. ProRes 4444
// keeps alpha at any size. A GIF gets one palette made for the whole clip.
constexpr const char* kMp4[] = {
    "-vf", "pad=ceil(iw/2)*2:ceil(ih/2)*2", "-c:v", "libx264", "-crf", "18",
    "-pix_fmt", "yuv420p", "-movflags", "+faststart", "-f", "mp4"};
constexpr const char* kMov[] = {
    "-c:v", "prores_ks", "-profile:v", "4444", "-pix_fmt", "yuva444p10le", "-f", "mov"};
constexpr const char* kGif[] = {
    "-vf", "split[a][b];[a]palettegen[p];[b][p]paletteuse", "-f", "gif"};

struct Container {
    const char* extension;
    std::span<const char* const> options;
    bool alpha;  // else frames come composited over an opaque background
};

constexpr Container kContainers[] = {
    {".mp4", kMp4, false}, {".mov", kMov, true}, {".gif", kGif, false}};

const Container* containerOf(const fs::path& file)
{
    const std::string extension = file.extension().string();
    for (const Container& container : kContainers) {
        if (::strcasecmp(extension.c_str(), container.extension) == 0) {
            return &container;
        }
    }
    return nullptr;
}

bool succeeded(int status)
{
    return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

}  // namespace

VideoFormat videoFormat(std::int32_t width, std::int32_t height, const Composition& composition,
                        std::int32_t step)
{
    const std::int64_t numerator = composition.timeScale;
    const std::int64_t denominator = std::int64_t{composition.timeStep} * step;
    const std::int64_t common = std::gcd(numerator, denominator);
    return {width, height, composition.bitsPerChannel > 8, numerator / common,
            denominator / common};
}

const char* rawPixelFormat(bool deep)
{
    return !deep                                    ? "rgba"
           : std::endian::native == std::endian::big ? "rgba64be"
                                                     : "rgba64le";
}

bool isVideoFile(const fs::path& file)
{
    return containerOf(file) != nullptr;
}

bool videoKeepsAlpha(const fs::path& file)
{
    const Container* container = containerOf(file);
    return container != nullptr && container->alpha;
}

void requireEncoder()
{
    // Searched as posix_spawnp searches: PATH, or its default when there is none; an empty entry
    // is the working directory.
    const char* variable = std::getenv("PATH");
    const std::string_view path = variable != nullptr ? variable : "/bin:/usr/bin";
    for (std::size_t start = 0; start <= path.size();) {
        const std::size_t end = std::min(path.find(':', start), path.size());
        const std::string_view directory = path.substr(start, end - start);
        const fs::path candidate =
            fs::path(directory.empty() ? "." : std::string(directory)) / "ffmpeg";
        std::error_code error;
        if (fs::is_regular_file(candidate, error) && ::access(candidate.c_str(), X_OK) == 0) {
            return;
        }
        start = end + 1;
    }
    throw EncoderUnavailable(
        "videos are encoded by ffmpeg, and no directory on PATH holds it: install it (on Debian "
        "and Ubuntu: sudo apt install ffmpeg), or write an image sequence instead, such as -o "
        "frame-####.png");
}

VideoEncoder::VideoEncoder(const fs::path& file, const VideoFormat& format, bool verbose)
    : file_(file), temporary_(temporaryName(file)), format_(format),
      messages_(verbose ? ModuleOutput::toStderr() : ModuleOutput::toLogFile())
{
    const Container* container = containerOf(file);
    if (container == nullptr) {
        throw std::invalid_argument(file.string() + ": not a video file name");
    }
    transcript_.reset(std::tmpfile());
    if (!transcript_) {
        throw OutputFailed(file.string() + ": cannot keep ffmpeg's messages: " +
                           std::strerror(errno));
    }
    const int transcript = ::fileno(transcript_.get());
    Pipe input = makePipe();

    std::vector<std::string> arguments = {
        "ffmpeg", "-hide_banner", "-nostats", "-loglevel", "warning", "-f", "rawvideo",
        "-pix_fmt", rawPixelFormat(format.deep), "-video_size",
        std::to_string(format.width) + "x" + std::to_string(format.height), "-framerate",
        std::to_string(format.rateNumerator) + "/" + std::to_string(format.rateDenominator),
        "-i", "pipe:0"};
    arguments.insert(arguments.end(), container->options.begin(), container->options.end());
    // "file:" keeps a name with a colon from being read as a protocol.
    arguments.insert(arguments.end(), {"-y", "file:" + temporary_.string()});
    try {
        pid_ = spawn("ffmpeg", arguments,
                     {{input.read.get(), STDIN_FILENO},
                      {transcript, STDOUT_FILENO},
                      {transcript, STDERR_FILENO}});
    } catch (const std::system_error& e) {
        throw EncoderUnavailable("cannot run ffmpeg to encode " + file.string() + ": " +
                                 e.code().message());
    }
    input_ = std::move(input.write);
}

VideoEncoder::~VideoEncoder()
{
    if (pid_ > 0) {
        // Stopped before the end: what ffmpeg wrote is no whole video.
        ::kill(pid_, SIGKILL);
        end();
    }
    if (!finished_) {
        std::error_code ignored;
        fs::remove(temporary_, ignored);
    }
}

void VideoEncoder::write(std::span<const std::byte> pixels)
{
    if (!writeAll(input_.get(), pixels.data(), pixels.size())) {
        const std::string reason = std::strerror(errno);
        throw OutputFailed(failure("stopped taking frames (" + reason + ")", end()));
    }
}

void VideoEncoder::finish()
{
    const Ending ending = end();
    if (!succeeded(ending.status)) {
        throw OutputFailed(failure("failed", ending));
    }
    std::error_code renamed;
    fs::rename(temporary_, file_, renamed);
    if (renamed) {
        throw OutputFailed(file_.string() + ": cannot take the finished video: " +
                           renamed.message());
    }
    finished_ = true;
}

VideoEncoder::Ending VideoEncoder::end()
{
    input_.reset();
    const int status = waitFor(pid_);
    pid_ = -1;
    std::string said;
    std::rewind(transcript_.get());
    char buffer[4096];
    for (std::size_t n; (n = std::fread(buffer, 1, sizeof buffer, transcript_.get())) > 0;) {
        said.append(buffer, n);
    }
    writeAll(messages_.fd(), said.data(), said.size());
    return {status, lastLine(said)};
}

std::string VideoEncoder::failure(const std::string& what, const Ending& ending) const
{
    return file_.string() + ": ffmpeg " + what + ", ending with " + endingText(ending.status) +
           (ending.lastLine.empty() ? "" : ": " + ending.lastLine);
}

}  // namespace zelrender
