#include "apps/zel-render/progress.h"

#include <gtest/gtest.h>

#include <sstream>

namespace zelrender {
namespace {

TEST(ProgressText, DurationsRoundOnceSoNoUnitShowsItsWholeNextOne)
{
    EXPECT_EQ(durationText(0.04), "0.0 s");
    EXPECT_EQ(durationText(23.44), "23.4 s");
    EXPECT_EQ(durationText(59.94), "59.9 s");
    EXPECT_EQ(durationText(59.96), "1 m 0.0 s");
    EXPECT_EQ(durationText(83.4), "1 m 23.4 s");
    EXPECT_EQ(durationText(3599.96), "1 h 0 m 0 s");
    EXPECT_EQ(durationText(7384.4), "2 h 3 m 4 s");
    EXPECT_EQ(durationText(-1), "0.0 s");
}

TEST(ProgressText, TimeLeftIsRoundedUpToWholeSecondsAndMinutesPastAnHour)
{
    EXPECT_EQ(timeLeftText(0), "0 s");
    EXPECT_EQ(timeLeftText(4.1), "5 s");
    EXPECT_EQ(timeLeftText(59.5), "1 m 0 s");
    EXPECT_EQ(timeLeftText(83), "1 m 23 s");
    EXPECT_EQ(timeLeftText(3600), "1 h 0 m");
    EXPECT_EQ(timeLeftText(3601), "1 h 1 m");
    EXPECT_EQ(timeLeftText(7380), "2 h 3 m");
}

TEST(ProgressText, RatesKeepTwoFiguresBelowTen)
{
    EXPECT_EQ(rateText(24), "24 fps");
    EXPECT_EQ(rateText(9.96), "10 fps");
    EXPECT_EQ(rateText(1.43), "1.4 fps");
    EXPECT_EQ(rateText(0.123), "0.12 fps");
}

TEST(ProgressText, TheLineAndTheSummaryTellRateTimeLeftAndTimePerFrame)
{
    // 4 frames in 2 s: 2 fps, and 196 frames to go at 0.5 s each.
    EXPECT_EQ(progressText(4, 200, 6, 2.0), "frame 6 (4 of 200), 2 fps, 1 m 38 s left");
    EXPECT_EQ(progressText(120, 120, 238, 80.0), "frame 238 (120 of 120), 1.5 fps, 0 s left");
    EXPECT_EQ(summaryText(120, "f-####.png", 84), "120 frames written to f-####.png in 1 m 24.0 s, "
                                                  "0.70 s per frame");
    EXPECT_EQ(summaryText(2, "out.mp4", 150), "2 frames written to out.mp4 in 2 m 30.0 s, "
                                              "1 m 15.0 s per frame");
}

TEST(ProgressStyle, UpdatesALineOnlyOnATerminalForSeveralFramesWithoutVerbose)
{
    EXPECT_EQ(progressStyle(false, false, true, 2), ProgressStyle::Updating);
    EXPECT_EQ(progressStyle(false, false, false, 2), ProgressStyle::Lines);
    EXPECT_EQ(progressStyle(false, true, true, 2), ProgressStyle::Lines);
    EXPECT_EQ(progressStyle(false, false, true, 1), ProgressStyle::Lines);
    EXPECT_EQ(progressStyle(true, false, true, 2), ProgressStyle::Quiet);
    EXPECT_EQ(progressStyle(true, true, false, 1), ProgressStyle::Quiet);
}

TEST(Progress, AnUpdatingLineIsRewrittenInPlaceAndClearedBeforeTheSummary)
{
    std::ostringstream out;
    {
        Progress progress(out, ProgressStyle::Updating, 2, "f-##.png");
        progress.frameDone(4, "frame 4 written to f-04.png", 1.0);
        progress.frameDone(6, "frame 6 written to f-06.png", 3.0);
        progress.finish(3.0);
    }
    EXPECT_EQ(out.str(), "\rzel-render: frame 4 (1 of 2), 1 fps, 1 s left\033[K"
                         "\rzel-render: frame 6 (2 of 2), 0.67 fps, 0 s left\033[K"
                         "\r\033[K"
                         "zel-render: 2 frames written to f-##.png in 3.0 s, 1.50 s per frame\n");
}

TEST(Progress, ARunEndingEarlyLeavesTheCursorAtTheStartOfAnEmptyLine)
{
    std::ostringstream out;
    {
        Progress progress(out, ProgressStyle::Updating, 3, "f-##.png");
        progress.frameDone(0, "frame 0 written to f-00.png", 1.0);
    }
    EXPECT_EQ(out.str(), "\rzel-render: frame 0 (1 of 3), 1 fps, 2 s left\033[K\r\033[K");
}

TEST(Progress, LinesTellEachFrameAndASingleFrameGetsNoSummary)
{
    std::ostringstream several;
    Progress lines(several, ProgressStyle::Lines, 2, "out.mp4");
    lines.frameDone(0, "frame 0 added to out.mp4", 0.5);
    lines.frameDone(1, "frame 1 added to out.mp4", 1.0);
    lines.finish(1.5);
    EXPECT_EQ(several.str(), "zel-render: frame 0 added to out.mp4\n"
                             "zel-render: frame 1 added to out.mp4\n"
                             "zel-render: 2 frames written to out.mp4 in 1.5 s, 0.75 s per "
                             "frame\n");

    std::ostringstream single;
    Progress one(single, ProgressStyle::Lines, 1, "zel.png");
    one.frameDone(0, "frame 0 written to zel.png", 0.5);
    one.finish(0.5);
    EXPECT_EQ(single.str(), "zel-render: frame 0 written to zel.png\n");

    std::ostringstream quiet;
    Progress none(quiet, ProgressStyle::Quiet, 2, "f-#.png");
    none.frameDone(0, "frame 0 written to f-0.png", 0.5);
    none.frameDone(1, "frame 1 written to f-1.png", 1.0);
    none.finish(1.0);
    EXPECT_EQ(quiet.str(), "");
}

}  // namespace
}  // namespace zelrender
