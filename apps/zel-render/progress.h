// What zel-render tells on stderr while it renders frames: a line per frame, or on a terminal one
// line rewritten in place, and a summary at the end. The texts are pure functions of the counts
// and times they are given.
#pragma once

#include <cstdint>
#include <ostream>
#include <string>

namespace zelrender {

enum class ProgressStyle {
    Quiet,     // nothing
    Lines,     // a line per frame done
    Updating,  // one line rewritten after each frame and cleared at the end
};

// Updating only on a terminal and for more than one frame, and not with --verbose, whose
// messages from the module and ffmpeg would break into the line.
ProgressStyle progressStyle(bool quiet, bool verbose, bool terminal, std::int32_t frames);

// A time taken, to a tenth of a second below an hour: "0.4 s", "1 m 23.4 s", "2 h 3 m 4 s".
std::string durationText(double seconds);
// A time still to go, in whole seconds rounded up: "5 s", "1 m 23 s", "2 h 3 m".
std::string timeLeftText(double seconds);
// Frames per second, to two significant figures below 10: "24 fps", "1.4 fps", "0.12 fps".
std::string rateText(double framesPerSecond);

// The updating line after `done` of `total` frames, the last being frame number `frame`, at
// `elapsed` seconds: "frame 6 (3 of 120), 1.4 fps, 1 m 20 s left".
std::string progressText(std::int32_t done, std::int32_t total, std::int32_t frame,
                         double elapsed);
// "120 frames written to f-####.png in 1 m 23.4 s, 0.70 s per frame".
std::string summaryText(std::int32_t frames, const std::string& destination, double elapsed);

class Progress {
public:
    // `destination` names where the frames go, for the summary.
    Progress(std::ostream& out, ProgressStyle style, std::int32_t total, std::string destination);
    // Clears the updating line when the run ends without finish(), so that the error that ends
    // it starts on a line of its own.
    ~Progress();
    Progress(const Progress&) = delete;
    Progress& operator=(const Progress&) = delete;

    // Frame number `frame` is done, `elapsed` seconds after the start; `line` says so, such as
    // "frame 3 written to f-0003.png".
    void frameDone(std::int32_t frame, const std::string& line, double elapsed);
    // "zel-render: warning: " and `text` on a line of its own, even when quiet.
    void warn(const std::string& text);
    // The summary line, for more than one frame.
    void finish(double elapsed);

private:
    void clear();

    std::ostream& out_;
    ProgressStyle style_;
    std::int32_t total_;
    std::string destination_;
    std::int32_t done_ = 0;
    bool lineShown_ = false;
};

}  // namespace zelrender
