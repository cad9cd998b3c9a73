#include "apps/zel-render/progress.h"

#include <algorithm>
#include <cmath>
#include <cstdarg>
#include <cstdio>
#include <utility>

namespace zelrender {
namespace {

__attribute__((format(printf, 1, 2))) std::string printed(const char* format, ...)
{
    char text[256];
    va_list arguments;
    va_start(arguments, format);
    std::vsnprintf(text, sizeof text, format, arguments);
    va_end(arguments);
    return text;
}

// Back to the start of the line, and everything on it erased.
constexpr const char* kClearLine = "\r\033[K";

}  // namespace

ProgressStyle progressStyle(bool quiet, bool verbose, bool terminal, std::int32_t frames)
{
    if (quiet) {
        return ProgressStyle::Quiet;
    }
    return terminal && !verbose && frames > 1 ? ProgressStyle::Updating : ProgressStyle::Lines;
}

std::string durationText(double seconds)
{
    // Rounded once, so that 59.96 s shows as 1 m 0.0 s, never as 60.0 s.
    const long long tenths = std::llround(std::max(seconds, 0.0) * 10);
    if (tenths < 600) {
        return printed("%lld.%lld s", tenths / 10, tenths % 10);
    }
    if (tenths < 36000) {
        return printed("%lld m %lld.%lld s", tenths / 600, tenths % 600 / 10, tenths % 10);
    }
    const long long whole = (tenths + 5) / 10;
    return printed("%lld h %lld m %lld s", whole / 3600, whole % 3600 / 60, whole % 60);
}

std::string timeLeftText(double seconds)
{
    const auto whole = static_cast<long long>(std::ceil(std::max(seconds, 0.0)));
    if (whole < 60) {
        return printed("%lld s", whole);
    }
    if (whole < 3600) {
        return printed("%lld m %lld s", whole / 60, whole % 60);
    }
    const long long minutes = (whole + 59) / 60;
    return printed("%lld h %lld m", minutes / 60, minutes % 60);
}

std::string rateText(double framesPerSecond)
{
    return printed(framesPerSecond >= 9.95 ? "%.0f fps" : "%.2g fps", framesPerSecond);
}

std::string progressText(std::int32_t done, std::int32_t total, std::int32_t frame,
                         double elapsed)
{
    // The first frame may come back within the clock's resolution.
    const double seconds = std::max(elapsed, 1e-3);
    const double perFrame = seconds / done;
    return printed("frame %d (%d of %d), ", frame, done, total) + rateText(1 / perFrame) + ", " +
           timeLeftText(perFrame * (total - done)) + " left";
}

std::string summaryText(std::int32_t frames, const std::string& destination, double elapsed)
{
    const double perFrame = elapsed / frames;
    return printed("%d frames written to ", frames) + destination + " in " +
           durationText(elapsed) + ", " +
           (perFrame < 60 ? printed("%.2f s", perFrame) : durationText(perFrame)) + " per frame";
}

Progress::Progress(std::ostream& out, ProgressStyle style, std::int32_t total,
                   std::string destination)
    : out_(out), style_(style), total_(total), destination_(std::move(destination))
{
}

Progress::~Progress()
{
    clear();
}

void Progress::frameDone(std::int32_t frame, const std::string& line, double elapsed)
{
    ++done_;
    // Each line goes out in one piece, so that nothing written meanwhile splits it.
    if (style_ == ProgressStyle::Lines) {
        out_ << "zel-render: " + line + "\n" << std::flush;
    } else if (style_ == ProgressStyle::Updating) {
        out_ << "\rzel-render: " + progressText(done_, total_, frame, elapsed) + "\033[K"
             << std::flush;
        lineShown_ = true;
    }
}

void Progress::warn(const std::string& text)
{
    clear();
    out_ << "zel-render: warning: " + text + "\n" << std::flush;
}

void Progress::finish(double elapsed)
{
    clear();
    if (style_ != ProgressStyle::Quiet && total_ > 1) {
        out_ << "zel-render: " + summaryText(done_, destination_, elapsed) + "\n" << std::flush;
    }
}

void Progress::clear()
{
    if (lineShown_) {
        out_ << kClearLine << std::flush;
        lineShown_ = false;
    }
}

}  // namespace zelrender
