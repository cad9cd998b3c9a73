// What global set-up tells the host: version, capabilities, the multiprocessing entry in the host's
// settings, and the OpenGL capability report.
#include "plugin/entry/global_setup.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "plugin/render/shared_gl_state.h"
#include "plugin/entry/persistent_mp.h"
#include "sdk/aegp_suites.h"
#include "tests/plugin/recording_host.h"

namespace zel {
namespace {

using Strings = std::vector<std::string>;

// The host's settings store, logging each change.
PF_Err gBlobError = PF_Err_NONE;
const AEGP_PersistentDataSuite3 kSettings = {
    [](AEGP_PersistentBlobH*) { return gBlobError; },
    [](AEGP_PersistentBlobH, const char* section, const char* key, const char* value) {
        return test::RecordingHost::current().note(test::words("set [" + std::string(section) + "]", key, "=", value));
    },
    nullptr,
    [](AEGP_PersistentBlobH, const char* section, const char* key) {
        return test::RecordingHost::current().note(test::words("delete [" + std::string(section) + "]", key));
    },
};
const std::string kSection = "[EffectsCompatability -- Effect MP Compatible";

TEST(GlobalSetup, DeclaresVersionAndCapabilitiesAddingToTheHostsAndMarksTheEffectSingleProcess)
{
    test::RecordingHost host;
    host.offerSuite("AEGP Persistent Data Suite", 3, &kSettings);
    host.out_data.out_flags = 1;
    host.out_data.out_flags2 = 1 << 30;
    EXPECT_EQ(GlobalSetup(&host.in_data, &host.out_data, nullptr, nullptr), PF_Err_NONE);
    EXPECT_EQ(host.out_data.my_version, 0x90601u);
    EXPECT_EQ(host.out_data.out_flags, 1 | PF_OutFlag_DEEP_COLOR_AWARE | PF_OutFlag_SEND_UPDATE_PARAMS_UI);
    EXPECT_EQ(host.out_data.out_flags2, (1 << 30) | PF_OutFlag2_I_USE_3D_CAMERA | PF_OutFlag2_I_USE_3D_LIGHTS |
                                            PF_OutFlag2_SUPPORTS_SMART_RENDER | PF_OutFlag2_FLOAT_COLOR_AWARE);
    EXPECT_EQ(host.entries("set"), Strings{"set " + kSection + " 6] vo Zel = 0"});

    test::RecordingHost editor;  // the editing host is declined and nothing is touched
    editor.in_data.appl_id = PF_APPL_ID_EDITOR;
    const PF_OutData before = editor.out_data;
    EXPECT_EQ(GlobalSetup(&editor.in_data, &editor.out_data, nullptr, nullptr), PF_Interrupt_CANCEL);
    EXPECT_EQ(GlobalSetdown(&editor.in_data, &editor.out_data, nullptr, nullptr), PF_Interrupt_CANCEL);
    EXPECT_EQ(std::memcmp(&before, &editor.out_data, sizeof before), 0);
    EXPECT_TRUE(editor.log.empty());
}

TEST(PersistentMP, TheSectionFollowsTheHostVersionEnablingDeletesAndHostFailuresAreIgnored)
{
    const struct {
        PF_SpecVersion version;
        int enable;
        PF_Err blobError;
        std::string change;  // between acquiring and releasing the settings suite; "-": not even that
    } rows[] = {
        {{13, 0}, 0, PF_Err_NONE, "set " + kSection + " 6] vo Zel = 0"},
        {{12, 14}, 0, PF_Err_NONE, "set " + kSection + " 5] vo Zel = 0"},
        {{12, 13}, 0, PF_Err_NONE, "set " + kSection + "] vo Zel = 0"},
        {{12, 12}, 0, PF_Err_NONE, "-"},  // older hosts keep no such entry
        {{11, 20}, 0, PF_Err_NONE, "-"},
        {{13, 0}, 1, PF_Err_NONE, "delete " + kSection + " 6] vo Zel"},
        {{13, 0}, 0, 7, ""},
    };
    for (const auto& r : rows) {
        test::RecordingHost host;
        host.offerSuite("AEGP Persistent Data Suite", 3, &kSettings);
        host.in_data.version = r.version;
        gBlobError = r.blobError;
        EXPECT_EQ(AEGP_SetPersistentMP(&host.in_data, kMatchName, r.enable), 0);
        Strings expected = {"acquire AEGP Persistent Data Suite 3", r.change, "release AEGP Persistent Data Suite 3"};
        std::erase(expected, "");
        EXPECT_EQ(host.log, r.change == "-" ? Strings{} : expected) << r.version.major << "." << r.version.minor;
    }
    gBlobError = PF_Err_NONE;
    test::RecordingHost bare;  // no settings suite, then no basic suite at all
    EXPECT_EQ(AEGP_SetPersistentMP(&bare.in_data, kMatchName, 0), 0);
    bare.in_data.pica_basicP = nullptr;
    EXPECT_EQ(AEGP_SetPersistentMP(&bare.in_data, kMatchName, 0), 0);
}

TEST(OpenGLInfo, ListsTheFactsAndTheMissingExtensionsAndStopsAtItsBuffer)
{
    const std::string all = "GL_ARB_shading_language_100 GL_ARB_shader_objects GL_EXT_framebuffer_object "
                            "GL_EXT_framebuffer_multisample GL_EXT_framebuffer_blit GL_EXT_gpu_shader4";
    const std::string base = "OpenGL Information\n\nVersion: 2.1 Test\nVendor: Zel Tests\nRenderer: Test Renderer"
                             "\nShader Language: 1.20\nMultisample maximum: 8\nVRAM available (MB): 512";
    const struct {
        const char* missing;
        std::string tail;
    } rows[] = {
        {"", ""},
        // A missing blit alone gives the heading and nothing under it.
        {"GL_EXT_framebuffer_blit", "\nMissing Exenstions:"},
        // A missing multisample gives both framebuffer lines but no heading.
        {"GL_EXT_framebuffer_multisample",
         "\nFramebuffer Multisample (GL_EXT_framebuffer_multisample)\nFramebuffer Blit (GL_EXT_framebuffer_blit)"},
        {"GL_EXT_gpu_shader4", "\nMissing Exenstions:\nGPU Shader 4 (GL_EXT_gpu_shader4)"},
        {"GL_ARB_shader_objects", "\nMissing Exenstions:\nShader Objects (GL_ARB_shader_objects)"},
        {"GL_ARB_shading_language_100", "\nMissing Exenstions:\nShader Language (>= 1.0)"},
        {"GL_EXT_framebuffer_object", "\nMissing Exenstions:\nFramebuffer Objects (EXT_framebuffer_object)"},
    };
    for (const auto& r : rows) {
        OpenGLFacts facts{"2.1 Test", "Zel Tests", "Test Renderer", "1.20", all, 8};
        facts.extensions.erase(facts.extensions.find(r.missing), std::strlen(r.missing));
        // Whole megabytes, rounded down.
        EXPECT_EQ(formatOpenGLInfo(facts, 524288 + 1023), base + r.tail) << r.missing;
    }
    const std::string report = formatOpenGLInfo({"4.5", "vendor", std::string(600, 'r'), "4.50", "", 4}, 0);
    EXPECT_EQ(report.size(), kOpenGLInfoSize - 1);
    EXPECT_TRUE(report.starts_with("OpenGL Information\n\nVersion: 4.5\nVendor: vendor\nRenderer: rrr"));
}

}  // namespace
}  // namespace zel
