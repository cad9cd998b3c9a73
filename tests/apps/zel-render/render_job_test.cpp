// Which frames a run renders, how they are shared among workers, and what it tells meanwhile.
#include "apps/zel-render/render_job.h"

#include <gtest/gtest.h>

#include <set>
#include <sstream>
#include <stdexcept>
#include <string>
#include <tuple>
#include <vector>

#include "apps/zel-render/frame_writer.h"
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

// In a composition of 10 s at 24 fps (frames 0 to 239), and at 100 fps, where 0.29 s is 28.999...
// frames in doubles and still names frame 29.
TEST(FrameRange, IsReadAsFramesOrTimesWithinTheCompositionAndNothingElse)
{
    Composition fast;
    fast.timeScale = 100;
    fast.duration = 1000;
    const std::tuple<const char*, std::int32_t, std::int32_t, std::int32_t> taken[] = {
        {"12", 12, 12, 1},      {"1-10x3", 1, 10, 3},     {"236-", 236, 239, 1},
        {"10-x5", 10, 239, 5},  {"all", 0, 239, 1},       {"allx2", 0, 239, 2},
        {"48f", 48, 48, 1},     {"2.5s", 60, 60, 1},      {"0.05s", 1, 1, 1},
        {"0s-4s", 0, 95, 1},    {"0s-4sx2", 0, 95, 2},    {"1s-48", 24, 48, 1},
        {"0.05s-0.1s", 1, 2, 1}, {"0s-10s", 0, 239, 1},
    };
    for (const auto& [text, first, last, step] : taken) {
        const FrameRange range = parseFrames(text, Composition{});
        EXPECT_EQ(std::tuple(range.first, range.last, range.step), std::tuple(first, last, step))
            << text;
    }
    const FrameRange tolerant = parseFrames("0.29s-0.3s", fast);
    EXPECT_EQ(std::pair(tolerant.first, tolerant.last), std::pair(29, 29));

    const auto refusal = [](const char* text) -> std::string {
        try {
            parseFrames(text, Composition{});
        } catch (const std::invalid_argument& e) {
            return e.what();
        }
        return "accepted";
    };
    for (const char* text : {"", "-1", "0-5x0", "0-5x-1", "0-5x", "x2", "0-5x2x3", "a-b", " 1",
                             "1.5", "2.5f", "-2s", "2ss", "s", "1e2s", "infs", "al", "all-",
                             "0-9x2147483648"}) {
        EXPECT_EQ(refusal(text),
                  "--frames takes a frame A, a range A-B, A- to the end or \"all\", A and B each a "
                  "frame number from 0 or a time in seconds such as 2.5s, then xSTEP for every "
                  "STEP-th frame: such as 12, 0-23, 10-, 0s-4s or 0-239x2; got \"" +
                      std::string(text) + "\"");
    }
    const std::string past = "--frames: the composition has frames 0 to 239 (10 s at 24 fps), so not ";
    const std::pair<const char*, std::string> wrong[] = {
        {"240", past + "240"},
        {"0-2147483647", past + "2147483647"},
        {"10s", past + "10s (frame 240)"},
        {"0-10.5s", past + "10.5s (frame 251)"},
        {"3-1", "--frames: \"3-1\" runs backwards, from frame 3 to frame 1"},
        {"2s-2s", "--frames: \"2s-2s\" runs backwards, from frame 48 to frame 47, a time B "
                  "ending a range with the frame before B"},
    };
    for (const auto& [text, message] : wrong) {
        EXPECT_EQ(refusal(text), message);
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

// The writer's copy must be the frame as handed over, not the world the next frame is drawn into;
// a failed write stops the writing and is thrown wherever the caller is next.
TEST(FrameWriter, WritesCopiesInOrderAndAfterAFailedWriteNoMore)
{
    for (const bool failAtEnd : {false, true}) {
        std::vector<std::pair<std::int32_t, int>> written;  // frame, its first pixel's byte
        FrameWriter writer([&](std::int32_t frame, const WorldView& world, const std::string&) {
            if (frame == 2) {
                throw std::runtime_error("frame 2: cannot be written");
            }
            written.emplace_back(frame, world.data[0]);
        });
        unsigned char pixels[16] = {};
        const WorldView world{pixels, 1, 1, 16, &layoutOf(PF_PixelFormat_ARGB32)};
        const auto hand = [&](std::int32_t frame) {
            pixels[0] = static_cast<unsigned char>(10 + frame);
            writer.hand(frame, world, "");
        };
        hand(0);
        hand(1);
        hand(2);
        if (!failAtEnd) {  // handing over frames goes on until the failure has come
            EXPECT_THROW(for (std::int32_t frame = 3;; ++frame) { hand(frame); }, std::runtime_error);
        }
        EXPECT_THROW(writer.finish(), std::runtime_error);
        EXPECT_EQ(written, (std::vector<std::pair<std::int32_t, int>>{{0, 10}, {1, 11}}));
    }
}

}  // namespace
}  // namespace zelrender
