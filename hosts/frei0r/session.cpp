#include "hosts/frei0r/session.h"

#include <dlfcn.h>

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <memory>
#include <mutex>
#include <optional>
#include <set>
#include <stdexcept>
#include <system_error>

#include "host/zel_host.h"
#include "plugin/params/param_table.h"

namespace zelfrei0r {
namespace {

using zelrender::EffectHost;

// Notes of the host library and the module's failures go to stderr, each once; the module's own
// diagnostics (stdout) are kept from the host's stdout, which may carry its video, and shown only
// when the command they came with fails.
class PluginOutput final : public zelrender::HostOutput {
public:
    void note(const std::string& text) const noexcept override { tellOnce(text); }

    void whileModuleRuns(const std::function<void()>& command) const override
    {
        Diversion diversion;
        try {
            command();
        } catch (...) {
            diversion.show();
            throw;
        }
    }

private:
    // While it lives, stdout (the stream the module's printf writes to) is a buffer. Only the
    // stream is swapped, never file descriptor 1, which the host's other threads may be writing
    // frames to.
    class Diversion {
    public:
        Diversion() : stream_(open_memstream(&text_, &size_))
        {
            if (stream_ == nullptr) {
                throw std::system_error(errno, std::generic_category(),
                                        "cannot keep the module's messages from stdout");
            }
            std::fflush(stdout);
            saved_ = stdout;
            stdout = stream_;
        }
        ~Diversion()
        {
            stdout = saved_;
            std::fclose(stream_);
            if (shown_ && size_ > 0) {
                std::fprintf(stderr, "%s", text_);
            }
            std::free(text_);
        }
        Diversion(const Diversion&) = delete;
        Diversion& operator=(const Diversion&) = delete;

        void show() { shown_ = true; }

    private:
        char* text_ = nullptr;
        std::size_t size_ = 0;
        FILE* stream_;
        FILE* saved_ = nullptr;
        bool shown_ = false;
    };
};

PF_EntryPointFunc gModuleEntry = nullptr;
bool gClosing = false;

// The module is set up once per process: a host made for another scene or size sets down only
// itself, and the module's GLOBAL_SETDOWN, which ends its GL context for good, is sent at
// f0r_deinit.
PF_Err relay(PF_Cmd cmd, PF_InData* in_data, PF_OutData* out_data, PF_ParamDef* params[],
             PF_LayerDef* output, void* extra)
{
    if (cmd == PF_Cmd_GLOBAL_SETDOWN && !gClosing) {
        return PF_Err_NONE;
    }
    return gModuleEntry(cmd, in_data, out_data, params, output, extra);
}

// zel.so where the build and the install put it, relative to this plug-in.
std::filesystem::path modulePath()
{
    Dl_info self{};
    if (dladdr(reinterpret_cast<void*>(&relay), &self) == 0 || self.dli_fname == nullptr) {
        throw zelrender::ModuleUnavailable("cannot find where this plug-in lies, to load zel.so "
                                           "from beside it");
    }
    return std::filesystem::path(self.dli_fname).parent_path() / ZEL_FREI0R_MODULE;
}

class Session {
public:
    Timing render(const Frame& frame, std::uint32_t* output);

    ~Session()
    {
        gClosing = true;
        host_.reset();
    }

private:
    void setUp(const Setup& setup);
    void apply(const Frame& frame);

    PluginOutput output_;
    std::optional<zelrender::ModuleLibrary> module_;
    std::unique_ptr<EffectHost> host_;
    std::optional<Setup> setup_;                          // what host_ is set up for
    std::optional<std::pair<Setup, std::string>> failed_;  // the last that could not be, and why
    std::vector<zelrender::AnimatedValue> sceneValues_;    // every control's, by index
    std::uint64_t applied_ = 0;                            // the values the controls hold
    zelrender::WorldView texture_{};
    Timing timing_;
};

std::mutex gSessionMutex;
// Made at the first frame and ended at f0r_deinit; a host that exits without f0r_deinit leaves
// it, and the GL driver's own clean-up at exit, alone.
Session* gSession = nullptr;

void Session::setUp(const Setup& setup)
{
    if (setup_ == setup) {
        return;
    }
    if (failed_ && failed_->first == setup) {
        throw std::runtime_error(failed_->second);
    }
    host_.reset();
    setup_.reset();
    try {
        if (!module_) {
            module_.emplace(modulePath());
            gModuleEntry = module_->entryPoint();
        }
        zelrender::Scene scene =
            setup.scene.empty() ? zelrender::defaultScene() : zelrender::readScene(setup.scene);
        zelrender::Composition& composition = scene.composition;
        composition.width = setup.width;
        composition.height = setup.height;
        composition.bitsPerChannel = 8;
        const auto named = [](int index) { return std::string(zel::params::paramAt(index).name); };
        for (const auto& [index, file] : setup.layers) {
            std::erase_if(scene.layers, [&](const auto& layer) { return layer.first == named(index); });
            scene.layers.emplace_back(named(index), file);
        }
        if (setup.texture) {
            std::erase_if(scene.layers, [&](const auto& layer) {
                return layer.first == named(zel::params::kTextureLayer);
            });
        }
        host_ = std::make_unique<EffectHost>(relay, composition, output_);
        zelrender::setUpForScene(*host_, scene, {});
        zelrender::attachLayerImages(*host_, scene);
        if (setup.texture) {
            texture_ =
                host_->attachLayer(zel::params::kTextureLayer, setup.width, setup.height);
        }
        sceneValues_.clear();
        for (const zelrender::RegisteredParam& param : host_->params().all()) {
            sceneValues_.push_back(param.value);
        }
        timing_ = {composition.timeScale, composition.timeStep, composition.frameCount()};
    } catch (const std::exception& e) {
        host_.reset();
        failed_.emplace(setup, e.what());
        throw;
    }
    setup_ = setup;
    failed_.reset();
    applied_ = 0;
}

void Session::apply(const Frame& frame)
{
    if (frame.valuesId == applied_) {
        return;
    }
    zelrender::ParamStore& store = host_->params();
    for (std::int32_t i = 1; i < store.size(); ++i) {
        store.animate(i, sceneValues_[static_cast<std::size_t>(i)]);
    }
    for (const auto& [index, value] : frame.values) {
        store.animate(index, zelrender::AnimatedValue(value));
    }
    host_->refreshControls();
    applied_ = frame.valuesId;
}

Timing Session::render(const Frame& frame, std::uint32_t* output)
{
    const Setup& setup = frame.setup;
    setUp(setup);
    apply(frame);
    if (setup.texture) {
        const auto* in = reinterpret_cast<const unsigned char*>(frame.input);
        for (std::int32_t y = 0; y < setup.height; ++y) {
            for (std::int32_t x = 0; x < setup.width; ++x, in += 4) {
                unsigned char* argb = texture_.at(x, y);
                argb[0] = in[3];
                std::memcpy(argb + 1, in, 3);
            }
        }
    }
    host_->render(timing_.frameAt(frame.seconds), EffectHost::RenderPath::Smart,
                  [&](const zelrender::WorldView& world) {
                      if (world.width != setup.width || world.height != setup.height ||
                          world.layout->bytes != 4) {
                          throw std::runtime_error("the module answered a frame of " +
                                                   std::to_string(world.width) + " x " +
                                                   std::to_string(world.height) + " pixels for " +
                                                   std::to_string(setup.width) + " x " +
                                                   std::to_string(setup.height));
                      }
                      auto* out = reinterpret_cast<unsigned char*>(output);
                      for (std::int32_t y = 0; y < world.height; ++y) {
                          for (std::int32_t x = 0; x < world.width; ++x, out += 4) {
                              const unsigned char* argb = world.at(x, y);
                              std::memcpy(out, argb + 1, 3);
                              out[3] = argb[0];
                          }
                      }
                  });
    return timing_;
}

}  // namespace

std::int32_t Timing::frameAt(double seconds) const
{
    const double frame = std::floor(seconds * timeScale / timeStep + 0.5);
    // NaN and times before the scene give its first frame.
    return frame >= frames - 1 ? frames - 1 : frame > 0 ? static_cast<std::int32_t>(frame) : 0;
}

Timing renderFrame(const Frame& frame, std::uint32_t* output)
{
    const std::lock_guard lock(gSessionMutex);
    if (gSession == nullptr) {
        gClosing = false;
        gSession = new Session;
    }
    return gSession->render(frame, output);
}

void closeSession()
{
    const std::lock_guard lock(gSessionMutex);
    delete gSession;
    gSession = nullptr;
}

void tellOnce(const std::string& text)
{
    static std::mutex mutex;
    static std::set<std::string> told;
    const std::lock_guard lock(mutex);
    if (told.insert(text).second) {
        std::fprintf(stderr, "zel-frei0r: %s\n", text.c_str());
    }
}

}  // namespace zelfrei0r
