// The renderer's GL resources on the shared context: diagnostics, the frame's objects, the lookup
// textures and the frame's targets.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <tuple>
#include <vector>

#include "plugin/host/PluginHost_AE_Impl.h"
#include "plugin/render/frame_targets.h"
#include "plugin/render/gl_diagnostics.h"
#include "plugin/render/gl_memory_objects.h"
#include "plugin/render/lookup_textures.h"
#include "plugin/render/noise_tables.h"
#include "plugin/render/shader_programs.h"
#include "plugin/render/shared_gl_state.h"
#include "tests/plugin/gl/gl_test_environment.h"
#include "tests/plugin/recording_host.h"

namespace zel {
namespace {

// What each diagnostic prints on standard output, and its answer. Mesa keeps one error flag, so one
// error is pending however many calls failed; printing clears it.
TEST(GLDiagnostics, PrintErrorsIncompleteFramebuffersAndMissingUniformsInOneLine)
{
    test::SharedContextScope context;
    GLuint framebuffer = 0;
    glCreateFramebuffers(1, &framebuffer);
    glBindFramebuffer(GL_FRAMEBUFFER, framebuffer);
    const struct {
        int (*run)();
        const char* printed;
        int answer;
    } cases[] = {
        {[] { glEnable(0xFFFF); return printOglError("zel", 42); },  // an invalid enumerant
         "glError in file zel @ line 42: invalid enumerant\n", 1},
        {[] { return printOglError("zel", 43); }, "", 0},
        {checkFramebufferStatus, "Framebuffer incomplete, missing attachment\n", 1},
        {[] { return getUniLoc(sharedGL().programs()[Program::density_shader], "Nothing"); }, "No such uniform named \"Nothing\"\n", -1},
        {[] { return getUniLoc(sharedGL().programs()[Program::density_shader], "DensityAffect") >= 0 ? 1 : 0; }, "", 1},
    };
    for (const auto& c : cases) {
        testing::internal::CaptureStdout();
        EXPECT_EQ(c.run(), c.answer) << c.printed;
        EXPECT_EQ(testing::internal::GetCapturedStdout(), c.printed);
    }
    glBindFramebuffer(GL_FRAMEBUFFER, 0);
    glDeleteFramebuffers(1, &framebuffer);
}

TEST(GLMemoryObjects, EachObjectIsDeletedOnceWhateverDeletedItFirst)
{
    test::SharedContextScope context;
    GLMemoryObjects objects;
    const GLuint renderbuffer = objects.genRenderbufferEXT(kMultisampleColorBuffer);
    glBindRenderbufferEXT(GL_RENDERBUFFER_EXT, renderbuffer);
    const GLuint framebuffer = objects.genFramebufferEXT(kMultisampleFramebuffer);
    glBindFramebufferEXT(GL_FRAMEBUFFER_EXT, framebuffer);
    glBindTexture(GL_TEXTURE_2D, objects.genTexture(kTextureLayerTexture));
    objects.deleteTextures(kTextureLayerTexture);
    EXPECT_FALSE(objects.inUse(kTextureLayerTexture));
    EXPECT_EQ(objects.name(kTextureLayerTexture), 0u);
    // A new object may take the freed name; the sweep must not delete it.
    GLuint reused = 0;
    glGenTextures(1, &reused);
    glBindTexture(GL_TEXTURE_2D, reused);

    objects.freeGLMemory();
    objects.freeGLMemory();
    EXPECT_FALSE(glIsRenderbufferEXT(renderbuffer));
    EXPECT_FALSE(glIsFramebufferEXT(framebuffer));
    EXPECT_TRUE(glIsTexture(reused));
    for (int slot = 0; slot < kGLSlotCount; ++slot) EXPECT_FALSE(objects.inUse(slot)) << "slot " << slot;
    GLint bound = -1;
    glGetIntegerv(GL_FRAMEBUFFER_BINDING_EXT, &bound);
    EXPECT_EQ(bound, 0);
    glDeleteTextures(1, &reused);
    EXPECT_EQ(printOglError("zel", __LINE__), 0);
}

TEST(LookupTextures, EachImageSitsOnItsUnitWithNearestFilteringAndTheKernelIsFilled)
{
    test::SharedContextScope context;
    static noise::Image images[4];  // by unit; the simplex table is uploaded as it is
    noise::fillPermutationImage(images[0]);
    noise::fillGradientImage(images[2]);
    noise::fillRandomImage(images[3]);
    std::vector<std::uint8_t> simplex;
    for (const auto& entry : noise::simplex4) simplex.insert(simplex.end(), entry.begin(), entry.end());
    const auto& textures = sharedGL().lookupTextures().names;
    for (GLenum i = 0; i < 4; ++i) {
        SCOPED_TRACE(i);
        const GLenum target = i == 1 ? GL_TEXTURE_1D : GL_TEXTURE_2D;
        GLint bound = 0, filters[2] = {};
        glActiveTexture(kPermutationUnit + i);
        glGetIntegerv(i == 1 ? GL_TEXTURE_BINDING_1D : GL_TEXTURE_BINDING_2D, &bound);
        glGetTexParameteriv(target, GL_TEXTURE_MIN_FILTER, &filters[0]);
        glGetTexParameteriv(target, GL_TEXTURE_MAG_FILTER, &filters[1]);
        EXPECT_TRUE(textures[i] != 0 && GLuint(bound) == textures[i]);
        EXPECT_TRUE(filters[0] == GL_NEAREST && filters[1] == GL_NEAREST);
        const std::vector<std::uint8_t> expected = i == 1 ? simplex : std::vector(images[i].begin(), images[i].end());
        std::vector<std::uint8_t> texels(expected.size());
        glGetTexImage(target, 0, GL_RGBA, GL_UNSIGNED_BYTE, texels.data());
        EXPECT_TRUE(texels == expected);
    }
    glActiveTexture(GL_TEXTURE0);
    float kernel[3 * noise::kKernelSamples];
    noise::GenerateSSAOPattern(kernel);
    EXPECT_TRUE(std::equal(std::begin(kernel), std::end(kernel), std::begin(SSAOSamplePattern)));
}

// A side longer than the largest texture is refused with the memory message before any object is
// made; a side of exactly that size is a frame the targets can hold.
TEST(FrameTargets, AFrameWiderOrTallerThanTheLargestTextureIsRefused)
{
    test::SharedContextScope context;
    test::RecordingHost fixture;
    PluginHost_AE_Impl host{&fixture.in_data, &fixture.out_data, fixture.params(), &fixture.output};
    GLint largest = 0;
    glGetIntegerv(GL_MAX_TEXTURE_SIZE, &largest);
    const std::string refused = "ZEL: Error reached Maximum Video Memory (" + std::to_string(largest) + " x " +
                                std::to_string(largest) + " )";
    for (const auto& [width, height, message] :
         {std::tuple{largest + 1, 4, refused}, {4, largest + 1, refused}, {largest, 2, std::string()}}) {
        SCOPED_TRACE(std::to_string(width) + " x " + std::to_string(height));
        GLMemoryObjects gl;
        FrameValues values;
        values.multisampleRequest = 1;
        values.memoryCheck = params::MemoryCheck::Off;  // only the size test stands in the way
        values.bufferWidth = width;
        values.bufferHeight = height;
        FrameContext frame{&fixture.in_data, &fixture.out_data, fixture.params(), &fixture.output, &host, gl, values};
        fixture.out_data.return_msg[0] = '\0';
        EXPECT_EQ(allocateFrameTargets(frame), message.empty() ? PF_Err_NONE : PF_Err_GENERIC);
        EXPECT_EQ(fixture.out_data.return_msg, message);
        if (message.empty()) {
            EXPECT_TRUE(gl.inUse(kMultisampleFramebuffer) && gl.inUse(kResolvedColorTexture));
        }
        for (int slot = 0; slot < kGLSlotCount && !message.empty(); ++slot) EXPECT_FALSE(gl.inUse(slot)) << slot;
        gl.freeGLMemory();
    }
}

}  // namespace
}  // namespace zel
