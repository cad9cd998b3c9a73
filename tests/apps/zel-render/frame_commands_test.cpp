// The frame commands against a module written in the test: what smart pre-render, smart render
// and classic render hand the module, and what the host makes of its answers.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "tests/apps/zel-render/fake_module.h"

namespace zelrender {
namespace {

using test::FakeModule;

constexpr PF_Err kBad = PF_Err_BAD_CALLBACK_PARAM;
constexpr PF_Pixel16 kMarked = {PF_MAX_CHAN16, 1, 2, 3};

// 40 x 20 at 16 bits, rendered at half resolution: a 20 x 10 layer.
Composition halfSize()
{
    Composition c;
    c.width = 40;
    c.height = 20;
    c.downsampleX = c.downsampleY = {1, 2};
    c.bitsPerChannel = 16;
    return c;
}

bool sameRect(const PF_Rect& a, const PF_Rect& b)
{
    return std::memcmp(&a, &b, sizeof a) == 0;
}

// Marks the first pixel of `world`, so the test can see that the host delivered that world.
void mark(PF_LayerDef& world)
{
    std::memcpy(world.data, &kMarked, sizeof kMarked);
}

PF_Pixel16 firstPixel(const WorldView& world)
{
    PF_Pixel16 p{};
    std::memcpy(&p, world.data, sizeof p);
    return p;
}

// One frame with FakeModule; returns what render() threw, or "".
std::string renderFrame(EffectHost::RenderPath path, std::vector<std::int32_t>& size,
                        PF_Pixel16& first)
{
    const ModuleOutput output = ModuleOutput::toStderr();
    EffectHost host(FakeModule::entry, halfSize(), output);
    host.setUp();
    std::string failure;
    try {
        host.render(3, path, [&](const WorldView& world) {
            size = {world.width, world.height};
            first = firstPixel(world);
        });
    } catch (const CommandFailed& e) {
        failure = e.what();
    }
    host.setDown();
    EXPECT_EQ(host.worlds().size(), 0u);  // the host's worlds are gone, however the frame ended
    return failure;
}

TEST(FrameCommands, SmartRenderHandsOutTheInputByCheckoutIdAndAnOutputOfTheAnswersSize)
{
    const PF_Rect layer = {0, 0, 20, 10};
    std::vector<PF_Err> answers;
    FakeModule::reset();
    FakeModule::behaviour = [&](PF_Cmd cmd, PF_InData& in, PF_OutData& out) {
        if (cmd == PF_Cmd_PARAMS_SETUP) {
            out.num_params = 1;
        }
        if (cmd == PF_Cmd_SMART_PRE_RENDER) {
            auto* extra = static_cast<PF_PreRenderExtra*>(FakeModule::extra);
            EXPECT_TRUE(sameRect(extra->input->output_request.rect, layer));
            EXPECT_EQ(extra->input->bitdepth, 16);
            EXPECT_EQ(in.current_time, 3 * in.time_step);
            PF_CheckoutResult result{};
            const PF_RenderRequest& request = extra->input->output_request;
            answers.push_back(extra->cb->checkout_layer(in.effect_ref, 0, 7, &request,
                                                        in.current_time, in.time_step,
                                                        in.time_scale, &result));
            EXPECT_TRUE(sameRect(result.result_rect, layer));
            EXPECT_EQ(std::vector<std::int32_t>({result.ref_width, result.ref_height}),
                      std::vector<std::int32_t>({40, 20}));
            answers.push_back(extra->cb->checkout_layer(in.effect_ref, 1, 8, &request, 0, 1, 24,
                                                        &result));
            extra->output->result_rect = {2, 1, 14, 9};
        }
        if (cmd == PF_Cmd_SMART_RENDER) {
            auto* extra = static_cast<PF_SmartRenderExtra*>(FakeModule::extra);
            PF_EffectWorld stale{};
            PF_EffectWorld* input = nullptr;
            PF_EffectWorld* unknown = &stale;  // a refusal must not leave it pointing anywhere
            PF_EffectWorld* output = nullptr;
            answers.push_back(extra->cb->checkout_layer_pixels(in.effect_ref, 7, &input));
            answers.push_back(extra->cb->checkout_layer_pixels(in.effect_ref, 8, &unknown));
            answers.push_back(extra->cb->checkout_output(in.effect_ref, &output));
            answers.push_back(extra->cb->checkin_layer_pixels(in.effect_ref, 7));
            EXPECT_EQ(unknown, nullptr);
            EXPECT_EQ(std::vector<std::int32_t>({input->width, input->height}),
                      std::vector<std::int32_t>({20, 10}));
            EXPECT_NE(input->world_flags & PF_WorldFlag_DEEP, 0);
            EXPECT_EQ(std::vector<std::int32_t>({output->origin_x, output->origin_y}),
                      std::vector<std::int32_t>({2, 1}));
            mark(*output);
        }
        return PF_Err{PF_Err_NONE};
    };
    std::vector<std::int32_t> size;
    PF_Pixel16 first{};
    EXPECT_EQ(renderFrame(EffectHost::RenderPath::Smart, size, first), "");
    EXPECT_EQ(answers, (std::vector<PF_Err>{PF_Err_NONE, kBad, PF_Err_NONE, kBad, PF_Err_NONE,
                                            PF_Err_NONE}));
    EXPECT_EQ(size, (std::vector<std::int32_t>{12, 8}));
    EXPECT_EQ(first.alpha, kMarked.alpha);
    EXPECT_EQ(first.blue, kMarked.blue);
}

TEST(FrameCommands, ClassicRenderGetsTheInputAsParameterZeroAndALayerSizedOutput)
{
    FakeModule::reset();
    FakeModule::behaviour = [](PF_Cmd cmd, PF_InData&, PF_OutData& out) {
        if (cmd == PF_Cmd_PARAMS_SETUP) {
            out.num_params = 1;
        }
        if (cmd == PF_Cmd_RENDER) {
            const PF_LayerDef& input = FakeModule::params[0]->u.ld;
            EXPECT_NE(input.data, nullptr);
            EXPECT_EQ(input.width, 20);
            EXPECT_EQ(FakeModule::extra, nullptr);
            mark(*FakeModule::output);
        }
        return PF_Err{PF_Err_NONE};
    };
    std::vector<std::int32_t> size;
    PF_Pixel16 first{};
    EXPECT_EQ(renderFrame(EffectHost::RenderPath::Classic, size, first), "");
    EXPECT_EQ(FakeModule::received, (std::vector<PF_Cmd>{PF_Cmd_GLOBAL_SETUP, PF_Cmd_PARAMS_SETUP,
                                                         PF_Cmd_RENDER, PF_Cmd_GLOBAL_SETDOWN}));
    EXPECT_EQ(size, (std::vector<std::int32_t>{20, 10}));
    EXPECT_EQ(first.alpha, kMarked.alpha);
}

TEST(FrameCommands, AFailedFrameOrAnAnswerWithoutPixelsIsTold)
{
    const struct {
        PF_Rect answer;
        PF_Err renderError;
        const char* failure;
    } cases[] = {
        {{5, 0, 5, 10}, PF_Err_NONE,
         "SMART_PRE_RENDER answered the result rectangle {5, 0, 5, 10} (left, top, right, "
         "bottom); the output world takes 1 to 30000 pixels each way"},
        {{0, 0, 20, 10}, PF_Err_OUT_OF_MEMORY, "SMART_RENDER failed with error 4: no room"},
    };
    for (const auto& c : cases) {
        FakeModule::reset();
        FakeModule::behaviour = [&c](PF_Cmd cmd, PF_InData&, PF_OutData& out) {
            if (cmd == PF_Cmd_PARAMS_SETUP) {
                out.num_params = 1;
            }
            if (cmd == PF_Cmd_SMART_PRE_RENDER) {
                static_cast<PF_PreRenderExtra*>(FakeModule::extra)->output->result_rect =
                    c.answer;
            }
            if (cmd == PF_Cmd_SMART_RENDER) {
                std::strcpy(out.return_msg, "no room");
                return c.renderError;
            }
            return PF_Err{PF_Err_NONE};
        };
        std::vector<std::int32_t> size;
        PF_Pixel16 first{};
        EXPECT_EQ(renderFrame(EffectHost::RenderPath::Smart, size, first), c.failure);
        EXPECT_TRUE(size.empty());  // nothing was delivered
    }
}

}  // namespace
}  // namespace zelrender
