// The texture and amplitude layers a frame checks out, given back on every way out of the frame.
#pragma once

#include "sdk/pf_effect.h"

namespace zel {

class FrameLayers {
public:
    // Checks out "Texture Layer", then "Amplitude Layer", at the frame's time. A layer the host
    // cannot give counts as absent.
    explicit FrameLayers(PF_InData* in_data);
    ~FrameLayers();
    FrameLayers(const FrameLayers&) = delete;
    FrameLayers& operator=(const FrameLayers&) = delete;

    const PF_LayerDef& texture() const { return texture_.u.ld; }
    const PF_LayerDef& amplitude() const { return amplitude_.u.ld; }
    bool hasTexture() const { return texture_.u.ld.data != nullptr; }
    bool hasAmplitude() const { return amplitude_.u.ld.data != nullptr; }

    // Each layer goes back once, whichever of these runs first.
    void checkinTexture();
    void checkinAmplitude();

private:
    PF_InData* in_data_;
    PF_ParamDef texture_{};
    PF_ParamDef amplitude_{};
    bool textureOut_ = false;
    bool amplitudeOut_ = false;
};

}  // namespace zel
