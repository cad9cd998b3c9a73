#include "apps/zel-render/render_job.h"

#include <gtest/gtest.h>

#include <set>
#include <stdexcept>
#include <string>
#include <tuple>
#include <vector>

namespace zelrender {
namespace {

std::tuple<std::int32_t, std::int32_t, std::int32_t> parts(const FrameRange& range)
{
    return {range.first, range.last, range.step};
}

std::vector<std::int32_t> framesOf(const FrameRange& range)
{
    std::vector<std::int32_t> frames;
    for (std::int32_t i = 0; i < range.count(); ++i) {
        frames.push_back(range.at(i));
    }
    return frames;
}

TEST(ParseFrames, TakesAFrameARangeAndARangeWithAStep)
{
    EXPECT_EQ(parts(parseFrames("12")), std::make_tuple(12, 12, 1));
    EXPECT_EQ(parts(parseFrames("0-23")), std::make_tuple(0, 23, 1));
    EXPECT_EQ(parts(parseFrames("0-239x2")), std::make_tuple(0, 239, 2));
    EXPECT_EQ(parts(parseFrames("5-5x7")), std::make_tuple(5, 5, 7));
    EXPECT_EQ(parts(parseFrames("0-2147483647x2147483647")),
              std::make_tuple(0, 2147483647, 2147483647));
}

TEST(ParseFrames, RefusesEverythingElseSayingWhatItTakes)
{
    for (const char* text : {"", "-1", "3-1", "0-5x0", "0-5x-1", "0-5x", "x2", "7x2", "0-5x2x3",
                             "1-", "a-b", " 1", "0-2147483648", "0-9x2147483648"}) {
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

TEST(FrameRange, CountsTheFramesTheStepReachesWithoutPassingTheLast)
{
    EXPECT_EQ(framesOf({0, 9, 1}), (std::vector<std::int32_t>{0, 1, 2, 3, 4, 5, 6, 7, 8, 9}));
    EXPECT_EQ(framesOf({1, 9, 3}), (std::vector<std::int32_t>{1, 4, 7}));
    EXPECT_EQ(framesOf({0, 239, 2}).back(), 238);
    EXPECT_EQ(framesOf({4, 4, 1}), (std::vector<std::int32_t>{4}));
    EXPECT_EQ(FrameRange({0, 2147483646, 2147483647}).count(), 1);
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

}  // namespace
}  // namespace zelrender
