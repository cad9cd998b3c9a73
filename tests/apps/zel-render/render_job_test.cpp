// Which frames a run renders, how they are shared among workers, and what it tells meanwhile.
#include "apps/zel-render/render_job.h"

#include <gtest/gtest.h>

#include <set>
#include <sstream>
#include <stdexcept>
#include <string>
#include <vector>

#include "apps/zel-render/progress.h"

namespace zelrender {
namespace {

std::vector<std::int32_t> framesOf(const FrameRange& range)
{
    std::vector<std::int32_t> frames;
    for (std::int32_t i = 0; i < range.count(); ++i) {
        frames.push_back(range.at(i));
    }
    return frames;
}

TEST(FrameRange, IsReadAsAFrameARangeOrARangeWithAStepAndNothingElse)
{
    const std::pair<const char*, std::vector<std::int32_t>> taken[] = {
        {"12", {12}},
        {"0-9", {0, 1, 2, 3, 4, 5, 6, 7, 8, 9}},
        {"1-9x3", {1, 4, 7}},
        {"1-10x3", {1, 4, 7, 10}},
        {"5-5x7", {5}},
        {"0-2147483647x2147483647", {0, 2147483647}},
        {"0-2147483646x2147483647", {0}},
    };
    for (const auto& [text, frames] : taken) {
        EXPECT_EQ(framesOf(parseFrames(text)), frames) << text;
    }
    for (const char* text : {"", "-1", "3-1", "0-5x0", "0-5x-1", "0-5x", "x2", "7x2", "0-5x2x3",
                             "1-", "a-b", " 1", "0-2147483648", "0-9x2147483648", "0-2147483647"}) {
        try {
            parseFrames(text);
            ADD_FAILURE() << "accepted \"" << text << "\"";
        } catch (const std::invalid_argument& e) {
            EXPECT_EQ(std::string(e.what()),
                      "--frames takes a frame A, a range A-B, or every STEP-th frame of a range "
                      "from A, A-BxSTEP (A <= B, STEP >= 1), in frame numbers from 0, such as 12, "
                      "0-23 or 0-239x2; got \"" + std::string(text) + "\"");
        }
    }
}

TEST(FrameRange, WorkersSharesCoverTheRangeOnceInTurn)
{
    const FrameRange range{3, 40, 3};
    for (const std::int32_t workers : {1, 2, 5, range.count()}) {
        std::multiset<std::int32_t> rendered;
        for (std::int32_t k = 0; k < workers; ++k) {
            const std::vector<std::int32_t> share = framesOf(range.share(k, workers));
            ASSERT_FALSE(share.empty());
            EXPECT_EQ(share.front(), range.at(k)) << "worker " << k << " of " << workers;
            rendered.insert(share.begin(), share.end());
        }
        const std::vector<std::int32_t> all = framesOf(range);
        EXPECT_EQ(rendered, std::multiset<std::int32_t>(all.begin(), all.end())) << workers;
    }
    // A step that would overflow still leaves each worker its one frame.
    const FrameRange wide{0, 2147483646, 1073741824};
    EXPECT_EQ(framesOf(wide.share(1, 2)), (std::vector<std::int32_t>{1073741824}));
}

TEST(ProgressText, RoundsTimesOnceSoNoUnitShowsItsWholeNextOne)
{
    const std::pair<std::string, std::string> cases[] = {
        {durationText(0.04), "0.0 s"},         {durationText(59.94), "59.9 s"},
        {durationText(59.96), "1 m 0.0 s"},    {durationText(83.4), "1 m 23.4 s"},
        {durationText(3599.96), "1 h 0 m 0 s"}, {durationText(7384.4), "2 h 3 m 4 s"},
        {durationText(-1), "0.0 s"},           {timeLeftText(0), "0 s"},
        {timeLeftText(4.1), "5 s"},            {timeLeftText(59.5), "1 m 0 s"},
        {timeLeftText(83), "1 m 23 s"},        {timeLeftText(3600), "1 h 0 m"},
        {timeLeftText(3601), "1 h 1 m"},       {rateText(24), "24 fps"},
        {rateText(9.96), "10 fps"},            {rateText(1.43), "1.4 fps"},
        {rateText(0.123), "0.12 fps"},
        // 4 frames in 2 s: 2 fps, and 196 frames to go at 0.5 s each.
        {progressText(4, 200, 6, 2.0), "frame 6 (4 of 200), 2 fps, 1 m 38 s left"},
        {progressText(120, 120, 238, 80.0), "frame 238 (120 of 120), 1.5 fps, 0 s left"},
        {summaryText(2, "out.mp4", 150),
         "2 frames written to out.mp4 in 2 m 30.0 s, 1 m 15.0 s per frame"},
    };
    for (const auto& [text, expected] : cases) {
        EXPECT_EQ(text, expected);
    }
}

TEST(Progress, UpdatesALineOnlyOnATerminalForSeveralFramesWithoutVerbose)
{
    EXPECT_EQ(progressStyle(false, false, true, 2), ProgressStyle::Updating);
    EXPECT_EQ(progressStyle(false, false, false, 2), ProgressStyle::Lines);
    EXPECT_EQ(progressStyle(false, true, true, 2), ProgressStyle::Lines);
    EXPECT_EQ(progressStyle(false, false, true, 1), ProgressStyle::Lines);
    EXPECT_EQ(progressStyle(true, false, true, 2), ProgressStyle::Quiet);
    EXPECT_EQ(progressStyle(true, true, false, 1), ProgressStyle::Quiet);
}

// The other styles are told in full by zel-render's own runs.
TEST(Progress, AnUpdatingLineIsRewrittenInPlaceAndClearedHoweverTheRunEnds)
{
    for (const bool finished : {true, false}) {
        std::ostringstream out;
        {
            Progress progress(out, ProgressStyle::Updating, 2, "f-##.png");
            progress.frameDone(4, "frame 4 written to f-04.png", 1.0);
            progress.frameDone(6, "frame 6 written to f-06.png", 2.0);
            if (finished) {
                progress.finish(3.0);
            }
        }
        EXPECT_EQ(out.str(), std::string("\rzel-render: frame 4 (1 of 2), 1 fps, 1 s left\033[K"
                                         "\rzel-render: frame 6 (2 of 2), 1 fps, 0 s left\033[K"
                                         "\r\033[K") +
                                 (finished ? "zel-render: 2 frames written to f-##.png in 3.0 s, "
                                             "1.50 s per frame\n"
                                           : ""));
    }
}

}  // namespace
}  // namespace zelrender
