#include "host/effect_host.h"

#include <cstring>
#include <new>
#include <optional>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

#include "host/callback_guard.h"
#include "host/composition_suites.h"
#include "host/host_callbacks.h"
#include "host/host_suites.h"

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
    std::vector<PF_ParamDef>& defs() { return defs_; }

private:
    std::vector<PF_ParamDef> defs_;
    std::vector<PF_ParamDef*> pointers_;
};

std::string returnMessage(const PF_OutData& out)
{
    return std::string(out.return_msg, ::strnlen(out.return_msg, sizeof out.return_msg));
}

// The frame's output world, disposed of however the frame ends.
class OutputWorld {
public:
    // `area` is checked to be 1 to kMaxLayerSide pixels each way.
    OutputWorld(WorldStore& store, const PF_Rect& area, PF_PixelFormat format,
                const HostOutput& output)
        : store_(store), output_(output)
    {
        store_.make(area.right - area.left, area.bottom - area.top, format, world);
        world.origin_x = area.left;
        world.origin_y = area.top;
    }
    ~OutputWorld()
    {
        try {
            if (world.data != nullptr) {
                store_.dispose(world);
            }
        } catch (const std::exception& e) {
            output_.note(std::string("the frame's output world: ") + e.what());
        }
    }
    OutputWorld(const OutputWorld&) = delete;
    OutputWorld& operator=(const OutputWorld&) = delete;

    PF_LayerDef world{};

private:
    WorldStore& store_;
    const HostOutput& output_;
};

std::string rectText(const PF_Rect& r)
{
    return "{" + std::to_string(r.left) + ", " + std::to_string(r.top) + ", " +
           std::to_string(r.right) + ", " + std::to_string(r.bottom) + "}";
}

}  // namespace

EffectHost::EffectHost(PF_EntryPointFunc entryPoint, const Composition& composition,
                       const HostOutput& output)
    : entryPoint_(entryPoint), hostOutput_(output), composition_(composition),
      layers_(composition_), settings_(PersistentSettings::defaultFile(), &output),
      params_(composition), utils_(utilCallbacks())
{
    for (const auto offered : {offeredSuites(), compositionSuites()}) {
        for (const OfferedSuite& suite : offered) {
            suites_.add(suite.name, suite.table);
        }
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
        hostOutput_.note(e.what());
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

void EffectHost::tell(const std::string& note) noexcept
{
    if (gLive != nullptr) {
        gLive->hostOutput_.note(note);
    }
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
    tell(note);
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
    for (PF_LayerDef& world : hostWorlds_) {
        worlds_.dispose(world);
    }
    hostWorlds_.clear();
    input_ = PF_LayerDef{};
    for (const SuiteName& suite : suites_.held()) {
        hostOutput_.note("warning: the module did not release " + suite.name + " version " +
                         std::to_string(suite.version));
    }
    if (worlds_.size() > 0) {
        hostOutput_.note("warning: the module did not dispose of " +
                         std::to_string(worlds_.size()) + " world(s)");
    }
}

void EffectHost::about()
{
    send(Command::About);
}

WorldView EffectHost::attachLayer(std::int32_t index, std::int32_t width, std::int32_t height)
{
    PF_LayerDef world{};
    worlds_.make(width, height, composition_.pixelFormat(), world);
    hostWorlds_.push_back(world);
    params_.attachLayer(index, world);
    return worlds_.view(world);
}

void EffectHost::render(std::int32_t frame, RenderPath path,
                        const std::function<void(const WorldView&)>& deliver)
{
    if (frame < 0 || frame >= composition_.frameCount()) {
        throw std::invalid_argument("frame " + std::to_string(frame) +
                                    " lies outside the composition, whose frames are 0 to " +
                                    std::to_string(composition_.frameCount() - 1));
    }
    inData_.current_time = frame * composition_.timeStep;
    const PF_Rect layer = inData_.extent_hint;
    if (input_.data == nullptr) {
        attachLayer(0, layer.right, layer.bottom);
        input_ = hostWorlds_.back();
    }
    // Every frame starts from a clear input, whatever the last one did to it.
    fillWorld(worlds_.view(input_), PF_Pixel{}, nullptr);
    checkouts_.clear();
    const auto depth = static_cast<std::int16_t>(composition_.bitsPerChannel);
    const PF_RenderRequest request{layer, PF_Field_FRAME, PF_ChannelMask_ARGB, 0};

    std::optional<OutputWorld> output;
    if (path == RenderPath::Classic) {
        output.emplace(worlds_, layer, composition_.pixelFormat(), hostOutput_);
        send(Command::Render, &output->world);
    } else {
        PF_PreRenderInput preInput{request, depth};
        PF_PreRenderOutput answer{};
        PF_PreRenderCallbacks preCallbacks = preRenderCallbacks();
        PF_PreRenderExtra preExtra{&preInput, &answer, &preCallbacks};
        send(Command::SmartPreRender, nullptr, &preExtra);
        const PF_Rect& area = answer.result_rect;
        const std::int64_t width = std::int64_t{area.right} - area.left;
        const std::int64_t height = std::int64_t{area.bottom} - area.top;
        if (width < 1 || height < 1 || width > kMaxLayerSide || height > kMaxLayerSide) {
            throw CommandFailed("SMART_PRE_RENDER answered the result rectangle " +
                                rectText(area) + " (left, top, right, bottom); the output world " +
                                "takes 1 to " + std::to_string(kMaxLayerSide) +
                                " pixels each way");
        }
        output.emplace(worlds_, area, composition_.pixelFormat(), hostOutput_);
        PF_SmartRenderInput smartInput{request, depth};
        PF_SmartRenderCallbacks smartCallbacks = smartRenderCallbacks();
        PF_SmartRenderExtra smartExtra{&smartInput, &smartCallbacks};
        output_ = &output->world;
        try {
            send(Command::SmartRender, nullptr, &smartExtra);
        } catch (...) {
            output_ = nullptr;
            throw;
        }
        output_ = nullptr;
    }
    deliver(worlds_.view(output->world));
}

void EffectHost::requireCommand(Command expected, const char* what) const
{
    if (current_ != expected) {
        throw std::invalid_argument(std::string(what) + " only during " +
                                    std::string(hostCommand(expected).name));
    }
}

void EffectHost::requireCheckout(std::int32_t checkoutId, const char* what) const
{
    requireCommand(Command::SmartRender, what);
    if (checkouts_.count(checkoutId) == 0) {
        throw std::invalid_argument("checkout id " + std::to_string(checkoutId) +
                                    " was not checked out in SMART_PRE_RENDER");
    }
}

PF_CheckoutResult EffectHost::checkoutLayer(std::int32_t index, std::int32_t checkoutId)
{
    requireCommand(Command::SmartPreRender, "a layer is checked out");
    if (index != 0) {
        throw Unsupported("only the input layer (parameter 0) is checked out here; layer "
                          "controls come with checkout_param");
    }
    checkouts_.insert(checkoutId);
    const PF_Rect whole = inData_.extent_hint;
    return {whole, whole, composition_.width, composition_.height};
}

PF_EffectWorld* EffectHost::layerPixels(std::int32_t checkoutId)
{
    requireCheckout(checkoutId, "a layer's pixels are handed out");
    // A copy, so that whatever the module does to it leaves the host's record whole.
    inputCopy_ = input_;
    return &inputCopy_;
}

void EffectHost::checkinLayerPixels(std::int32_t checkoutId)
{
    requireCheckout(checkoutId, "a layer is checked in");
}

PF_EffectWorld* EffectHost::output()
{
    requireCommand(Command::SmartRender, "the output world is handed out");
    return output_;
}

std::vector<std::pair<std::int32_t, PF_ParamDef>> EffectHost::userChangedParam(std::int32_t index,
                                                                               std::int32_t time)
{
    params_.at(index);
    inData_.current_time = time;
    PF_UserChangedParamExtra extra{index};
    std::vector<PF_ParamDef> returned;
    send(Command::UserChangedParam, nullptr, &extra, &returned);
    std::vector<std::pair<std::int32_t, PF_ParamDef>> changed;
    for (std::size_t i = 0; i < returned.size(); ++i) {
        if ((returned[i].uu.change_flags & PF_ChangeFlag_CHANGED_VALUE) != 0) {
            changed.emplace_back(static_cast<std::int32_t>(i), returned[i]);
        }
    }
    return changed;
}

void EffectHost::send(Command command, PF_LayerDef* output, void* extra,
                      std::vector<PF_ParamDef>* returned)
{
    const HostCommand& sent = hostCommand(command);
    const double seconds = static_cast<double>(inData_.current_time) / inData_.time_scale;
    ParamArray params(params_, seconds);
    if (returned != nullptr) {
        for (PF_ParamDef& def : params.defs()) {
            def.uu.change_flags = PF_ChangeFlag_NONE;
        }
    }
    PF_OutData out{};
    out.global_data = globalData_;
    inData_.global_data = globalData_;
    inData_.num_params = params_.size();

    PF_Err err = PF_Err_NONE;
    {
        const Serving serving(this, current_, command);
        hostOutput_.whileModuleRuns([&] {
            try {
                err = entryPoint_(sent.code, &inData_, &out, params.data(), output, extra);
            } catch (...) {
                throw CommandFailed(std::string(sent.name) +
                                    " failed: the module let an exception out");
            }
        });
    }
    globalData_ = out.global_data;
    reportedParams_ = out.num_params;
    if (returned != nullptr) {
        *returned = std::move(params.defs());
    }
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
        hostOutput_.note("warning from " + name + ": " + message);
    }
}

}  // namespace zelrender
