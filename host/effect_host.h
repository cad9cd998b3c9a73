// The host's side of the command protocol: the records handed to the module, the commands sent
// to it, and the set-up and set-down around a session.
#pragma once

#include <functional>
#include <optional>
#include <set>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

#include "host/basic_suite.h"
#include "host/composition.h"
#include "host/composition_layers.h"
#include "host/host_commands.h"
#include "host/host_output.h"
#include "host/param_store.h"
#include "host/persistent_settings.h"
#include "host/world_store.h"
#include "sdk/pf_effect.h"

namespace zelrender {

// A command the module answered with an error, or a session the module left inconsistent.
class CommandFailed : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

class EffectHost {
public:
    // What the host says, and what the module prints while a command runs, go to `output`.
    EffectHost(PF_EntryPointFunc entryPoint, const Composition& composition,
               const HostOutput& output);
    // Sends GLOBAL_SETDOWN if set-up was sent and setDown() was not called; a failure then is
    // only noted.
    ~EffectHost();
    EffectHost(const EffectHost&) = delete;
    EffectHost& operator=(const EffectHost&) = delete;

    // GLOBAL_SETUP, then PARAMS_SETUP, then refreshControls(). Throws CommandFailed.
    void setUp();
    // UPDATE_PARAMS_UI, when the module asked for it at GLOBAL_SETUP
    // (PF_OutFlag_SEND_UPDATE_PARAMS_UI), as a compositing host sends it after set-up and after
    // values change: the module then greys out, renames or folds controls. Throws CommandFailed.
    void refreshControls();
    // GLOBAL_SETDOWN, once, if set-up was sent; suites held and worlds kept past it are noted.
    // Throws CommandFailed.
    void setDown();
    // ABOUT: the module shows its about box; returns once the box is closed. Throws
    // CommandFailed.
    void about();

    // USER_CHANGED_PARAM for control `index` with the current time at `time` (in time units), as
    // when the user presses a button; checkout_param answers at any time meanwhile. Returns the
    // parameters the module changed in the params it was handed (PF_ChangeFlag_CHANGED_VALUE),
    // by index; the store keeps its own values. Throws CommandFailed, or std::out_of_range for an
    // index that is not registered.
    std::vector<std::pair<std::int32_t, PF_ParamDef>> userChangedParam(std::int32_t index,
                                                                       std::int32_t time);

    // Makes a world of the composition's pixel format for layer parameter `index`, which checks
    // out as that world from then on, and returns it to be filled. The host disposes of it at
    // set-down.
    WorldView attachLayer(std::int32_t index, std::int32_t width, std::int32_t height);

    enum class RenderPath { Smart, Classic };
    // Renders frame `frame` (at frame x time_step): SMART_PRE_RENDER, whose answer sizes the
    // output world, then SMART_RENDER; or RENDER into a world of the downsampled size. The input
    // layer is a world of the downsampled size with every pixel 0. The output world is handed to
    // `deliver`, then disposed of. Throws CommandFailed with the module's code and message, or
    // for an answer the host cannot use.
    void render(std::int32_t frame, RenderPath path,
                const std::function<void(const WorldView&)>& deliver);

    // What the smart-render callbacks hand out, while their command runs: the input layer by
    // the checkout id pre-render gave it, and the output world. Each throws
    // std::invalid_argument for a request out of turn or an id never checked out.
    PF_CheckoutResult checkoutLayer(std::int32_t index, std::int32_t checkoutId);
    PF_EffectWorld* layerPixels(std::int32_t checkoutId);
    void checkinLayerPixels(std::int32_t checkoutId);
    PF_EffectWorld* output();

    ParamStore& params() { return params_; }
    // Whether the command under way is PARAMS_SETUP, the one time parameters may be added.
    bool registeringParams() const { return current_ == Command::ParamsSetup; }
    const BasicSuite& suites() const { return suites_; }
    WorldStore& worlds() { return worlds_; }
    const Composition& composition() const { return composition_; }
    const CompositionLayers& layers() const { return layers_; }

    // The host that runs the command under way for `effect_ref`; null for any other pointer.
    static EffectHost* serving(PF_ProgPtr effect_ref);
    // The one host alive, for the functions that take no effect_ref; null when there is none.
    static EffectHost* live();
    // Notes `note` through the output of the one host alive; with none alive there is nobody to
    // tell, and the callback's error code is all the module gets.
    static void tell(const std::string& note) noexcept;
    // The same, the first time `note` comes up while this host lives: for requests the module
    // may repeat every frame.
    static void tellOnce(const std::string& note) noexcept;

private:
    // With `returned`, the params are handed with their change flags cleared, so that only the
    // module's own changes show, and come back there once the command is done.
    void send(Command command, PF_LayerDef* output = nullptr, void* extra = nullptr,
              std::vector<PF_ParamDef>* returned = nullptr);
    PF_LayerDef makeOutput(const PF_Rect& area);
    // Throw std::invalid_argument saying `what` happens only during `expected` while another
    // command runs, or an id not checked out in this frame's SMART_PRE_RENDER.
    void requireCommand(Command expected, const char* what) const;
    void requireCheckout(std::int32_t checkoutId, const char* what) const;

    PF_EntryPointFunc entryPoint_;
    const HostOutput& hostOutput_;
    const Composition composition_;
    const CompositionLayers layers_;
    PersistentSettings settings_;
    BasicSuite suites_;
    ParamStore params_;
    WorldStore worlds_;
    std::set<std::string> told_;
    std::vector<PF_LayerDef> hostWorlds_;  // attached layers, disposed of at set-down
    PF_LayerDef input_{};                  // the input layer, once a frame needed it
    PF_LayerDef inputCopy_{};              // what checkout_layer_pixels hands out
    PF_LayerDef* output_ = nullptr;        // the frame's output, while it renders
    std::set<std::int32_t> checkouts_;     // the frame's checkout ids
    PF_UtilCallbacks utils_;
    PF_InData inData_{};
    PF_Handle globalData_ = nullptr;
    std::int32_t reportedParams_ = 0;
    std::int32_t globalOutFlags_ = 0;  // as GLOBAL_SETUP left them
    std::optional<Command> current_;
    bool setUpSent_ = false;
};

}  // namespace zelrender
