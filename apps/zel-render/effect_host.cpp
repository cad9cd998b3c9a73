#include "apps/zel-render/effect_host.h"

#include <cstdio>
#include <cstring>
#include <new>
#include <string>
#include <vector>

#include "apps/zel-render/host_callbacks.h"
#include "apps/zel-render/host_suites.h"

namespace zelrender {
namespace {

// A host interface version recent enough that the module uses the world suite.
constexpr PF_SpecVersion kHostApiVersion = {13, 28};

EffectHost* gServing = nullptr;
EffectHost* gLive = nullptr;

// Points callbacks at one host, and tells it which command runs, for the length of one command.
class Serving {
public:
    Serving(EffectHost* host, std::optional<Command>& current, Command command) : current_(current)
    {
        gServing = host;
        current_ = command;
    }
    ~Serving()
    {
        gServing = nullptr;
        current_.reset();
    }
    Serving(const Serving&) = delete;
    Serving& operator=(const Serving&) = delete;

private:
    std::optional<Command>& current_;
};

// Every parameter registered so far, checked out at the current time, as the module's params[].
class ParamArray {
public:
    ParamArray(const ParamStore& store, double seconds)
        : defs_(static_cast<std::size_t>(store.size()))
    {
        for (std::int32_t i = 0; i < store.size(); ++i) {
            store.checkout(i, seconds, defs_[static_cast<std::size_t>(i)]);
            pointers_.push_back(&defs_[static_cast<std::size_t>(i)]);
        }
    }

    PF_ParamDef** data() { return pointers_.data(); }

private:
    std::vector<PF_ParamDef> defs_;
    std::vector<PF_ParamDef*> pointers_;
};

std::string returnMessage(const PF_OutData& out)
{
    return std::string(out.return_msg, ::strnlen(out.return_msg, sizeof out.return_msg));
}

}  // namespace

EffectHost::EffectHost(PF_EntryPointFunc entryPoint, const Composition& composition,
                       const ModuleOutput& moduleOutput)
    : entryPoint_(entryPoint), moduleOutput_(moduleOutput),
      settings_(PersistentSettings::defaultFile()), params_(composition), utils_(utilCallbacks())
{
    for (const OfferedSuite& suite : offeredSuites()) {
        suites_.add(suite.name, suite.table);
    }

    const PF_Rect extent = {0, 0, downsampled(composition.width, composition.downsampleX),
                            downsampled(composition.height, composition.downsampleY)};
    inData_.inter = interactCallbacks();
    inData_.utils = &utils_;
    inData_.effect_ref = reinterpret_cast<PF_ProgPtr>(this);
    inData_.quality = PF_Quality_HI;
    inData_.version = kHostApiVersion;
    inData_.appl_id = PF_APPL_ID_COMPOSITOR;
    inData_.current_time = composition.currentTime;
    inData_.time_step = composition.timeStep;
    inData_.local_time_step = composition.timeStep;
    inData_.total_time = composition.duration;
    inData_.time_scale = composition.timeScale;
    inData_.field = PF_Field_FRAME;
    inData_.width = composition.width;
    inData_.height = composition.height;
    inData_.extent_hint = extent;
    inData_.downsample_x = composition.downsampleX;
    inData_.downsample_y = composition.downsampleY;
    inData_.pixel_aspect_ratio = composition.pixelAspect;
    inData_.pica_basicP = suites_.table();
    // Only one host can be alive: its basic suite, constructed above, refuses a second.
    gLive = this;
}

EffectHost::~EffectHost()
{
    try {
        setDown();
    } catch (const std::exception& e) {
        std::fprintf(stderr, "zel-render: %s\n", e.what());
    }
    gLive = nullptr;
}

EffectHost* EffectHost::serving(PF_ProgPtr effect_ref)
{
    return gServing != nullptr && effect_ref == gServing->inData_.effect_ref ? gServing : nullptr;
}

EffectHost* EffectHost::live()
{
    return gLive;
}

void EffectHost::tellOnce(const std::string& note) noexcept
{
    try {
        if (gLive != nullptr && !gLive->told_.insert(note).second) {
            return;
        }
    } catch (const std::bad_alloc&) {
        // Without room to remember it, it is told now and perhaps again.
    }
    std::fprintf(stderr, "zel-render: %s\n", note.c_str());
}

void EffectHost::setUp()
{
    if (setUpSent_) {
        throw std::logic_error("the effect is already set up");
    }
    // Set-down follows even a failed set-up: the module may have acquired something before it
    // failed.
    setUpSent_ = true;
    send(Command::GlobalSetup);
    send(Command::ParamsSetup);
    if (reportedParams_ != params_.size()) {
        throw CommandFailed("PARAMS_SETUP added " + std::to_string(params_.size() - 1) +
                            " parameters but reports num_params " +
                            std::to_string(reportedParams_) + " (expected " +
                            std::to_string(params_.size()) + ", the input layer included)");
    }
    refreshControls();
}

void EffectHost::refreshControls()
{
    if ((globalOutFlags_ & PF_OutFlag_SEND_UPDATE_PARAMS_UI) != 0) {
        send(Command::UpdateParamsUi);
    }
}

void EffectHost::setDown()
{
    if (!setUpSent_) {
        return;
    }
    setUpSent_ = false;
    send(Command::GlobalSetdown);
    for (const SuiteName& suite : suites_.held()) {
        std::fprintf(stderr, "zel-render: warning: the module did not release %s version %d\n",
                     suite.name.c_str(), suite.version);
    }
    if (worlds_.size() > 0) {
        std::fprintf(stderr, "zel-render: warning: the module did not dispose of %zu world(s)\n",
                     worlds_.size());
    }
}

void EffectHost::about()
{
    send(Command::About);
}

void EffectHost::send(Command command)
{
    const HostCommand& sent = hostCommand(command);
    const double seconds = static_cast<double>(inData_.current_time) / inData_.time_scale;
    ParamArray params(params_, seconds);
    PF_OutData out{};
    out.global_data = globalData_;
    inData_.global_data = globalData_;
    inData_.num_params = params_.size();

    PF_Err err = PF_Err_NONE;
    {
        const Serving serving(this, current_, command);
        const ModuleOutput::Capture capture = moduleOutput_.capture();
        try {
            err = entryPoint_(sent.code, &inData_, &out, params.data(), nullptr, nullptr);
        } catch (...) {
            throw CommandFailed(std::string(sent.name) +
                                " failed: the module let an exception out");
        }
    }
    globalData_ = out.global_data;
    reportedParams_ = out.num_params;
    if (command == Command::GlobalSetup) {
        globalOutFlags_ = out.out_flags;
    }

    const std::string name(sent.name);
    const std::string message = returnMessage(out);
    if (err != PF_Err_NONE) {
        throw CommandFailed(name + " failed with error " + std::to_string(err) +
                            (message.empty() ? "" : ": " + message));
    }
    if ((out.out_flags & PF_OutFlag_DISPLAY_ERROR_MESSAGE) != 0 && !message.empty()) {
        std::fprintf(stderr, "zel-render: warning from %s: %s\n", name.c_str(), message.c_str());
    }
}

}  // namespace zelrender
