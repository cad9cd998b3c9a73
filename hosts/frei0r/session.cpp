#include "hosts/frei0r/session.h"

#include <dlfcn.h>

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <deque>
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

// Notes of the host library go to stderr, each once. The module's own diagnostics (its stdout)
// are kept from the host's stdout, which may carry its video, and shown on stderr when a frame
// fails, with those of the commands before it: a failed render is often explained by the GL
// set-up.
class PluginOutput final : public zelrender::HostOutput {
public:
    void note(const std::string& text) const noexcept override { tellOnce(text); }

    void whileModuleRuns(const std::function<void()>& command) const override
    {
        const Diversion diversion(unshown_);
        command();
    }

    // Writes the diagnostics not shown yet to stderr.
    void show() const
    {
        std::fputs(unshown_.c_str(), stderr);
        unshown_.clear();
    }

private:
    // While it lives, stdout (the stream the module's printf writes to) is a buffer, whose text
    // it adds to `kept` at the end, keeping the last kKeptBytes. Only the stream is swapped,
    // never file descriptor 1, which the host's other threads may be writing frames to.
    class Diversion {
    public:
        explicit Diversion(std::string& kept)
            : kept_(kept), stream_(open_memstream(&text_, &size_))
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
            kept_.append(text_, size_);
            if (kept_.size() > kKeptBytes) {
                kept_.erase(0, kept_.size() - kKeptBytes);
            }
            std::free(text_);
        }
        Diversion(const Diversion&) = delete;
        Diversion& operator=(const Diversion&) = delete;

    private:
        static constexpr std::size_t kKeptBytes = 16 << 10;
        std::string& kept_;
        char* text_ = nullptr;
        std::size_t size_ = 0;
        FILE* stream_;
        FILE* saved_ = nullptr;
    };

    mutable std::string unshown_;
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

// A frame rendered lately, and what made it.
struct CachedFrame {
    Setup setup;
    std::vector<std::pair<int, zelrender::ParamValue>> values;
    Timing timing;
    std::int32_t frame;
    std::vector<std::uint32_t> input;
    std::vector<std::uint32_t> output;
};

// MLT renders each frame in every one of its threads, each with an instance of its own, and
// may ask an instance for a frame again: as many frames as it has threads, and some.
constexpr std::size_t kCachedFrames = 4;

class Session {
public:
    void render(const Frame& frame, std::uint32_t* output);

    ~Session()
    {
        gClosing = true;
        host_.reset();
    }

private:
    void renderAnew(const Frame& frame, std::uint32_t* output);
    void setUp(const Setup& setup);
    void apply(const Frame& frame);
    // Copies the frame into `output` when it is one of the cached.
    bool cached(const Frame& frame, std::uint32_t* output) const;

    PluginOutput output_;
    std::optional<zelrender::ModuleLibrary> module_;
    std::unique_ptr<EffectHost> host_;
    std::optional<Setup> setup_;                          // what host_ is set up for
    std::optional<std::pair<Setup, std::string>> failed_;  // the last that could not be, and why
    std::vector<zelrender::AnimatedValue> sceneValues_;    // every control's, by index
    // The values the controls hold, when the host set them.
    std::optional<std::vector<std::pair<int, zelrender::ParamValue>>> applied_;
    zelrender::WorldView texture_{};
    Timing timing_;
    std::deque<CachedFrame> cache_;  // the latest first
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
        // The host's images, and its frame as the texture, replace the scene's.
        const auto drop = [&](int index) {
            std::erase_if(scene.layers, [&](const auto& layer) {
                return layer.first == zel::params::paramAt(index).name;
            });
        };
        for (const auto& [index, file] : setup.layers) {
            drop(index);
            scene.layers.emplace_back(zel::params::paramAt(index).name, file);
        }
        if (setup.texture) {
            drop(zel::params::kTextureLayer);
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
    applied_.reset();
}

void Session::apply(const Frame& frame)
{
    if (applied_ == frame.values) {
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
    applied_ = frame.values;
}

bool Session::cached(const Frame& frame, std::uint32_t* output) const
{
    const auto pixels = static_cast<std::size_t>(frame.setup.width) * frame.setup.height;
    for (const CachedFrame& done : cache_) {
        if (done.setup == frame.setup && done.values == frame.values &&
            done.frame == done.timing.frameAt(frame.seconds) &&
            (frame.input == nullptr ||
             std::equal(done.input.begin(), done.input.end(), frame.input))) {
            std::copy_n(done.output.begin(), pixels, output);
            return true;
        }
    }
    return false;
}

void Session::render(const Frame& frame, std::uint32_t* output)
{
    if (cached(frame, output)) {
        return;
    }
    try {
        renderAnew(frame, output);
    } catch (...) {
        output_.show();
        throw;
    }
}

void Session::renderAnew(const Frame& frame, std::uint32_t* output)
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
    const std::int32_t number = timing_.frameAt(frame.seconds);
    host_->render(number, EffectHost::RenderPath::Smart,
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
    const auto pixels = static_cast<std::size_t>(setup.width) * setup.height;
    cache_.push_front({setup, frame.values, timing_, number,
                       {frame.input, frame.input + (frame.input != nullptr ? pixels : 0)},
                       {output, output + pixels}});
    if (cache_.size() > kCachedFrames) {
        cache_.pop_back();
    }
}

}  // namespace

std::int32_t Timing::frameAt(double seconds) const
{
    const double frame = std::floor(seconds * timeScale / timeStep + 0.5);
    // NaN and times before the scene give its first frame.
    return frame >= frames - 1 ? frames - 1 : frame > 0 ? static_cast<std::int32_t>(frame) : 0;
}

void renderFrame(const Frame& frame, std::uint32_t* output)
{
    const std::lock_guard lock(gSessionMutex);
    if (gSession == nullptr) {
        gClosing = false;
        gSession = new Session;
    }
    gSession->render(frame, output);
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
