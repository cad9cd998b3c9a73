// A command's records for the host layer's tests: the recording host with four parameters, the
// utility callbacks and suites the layer calls, and worlds that hold real pixels.
#pragma once

#include <cstdint>
#include <functional>
#include <list>
#include <map>
#include <string>
#include <vector>

#include "sdk/pf_suites.h"
#include "tests/plugin/recording_host.h"

namespace zel::test {

class HostFixture : public RecordingHost {
public:
    HostFixture();

    PF_LayerDef output{};

    // What checkout hands out for each of the four parameters, and the command's array over them;
    // checkouts are logged as "checkout 3 at 10 step 1 scale 24", checkins as "checkin".
    PF_ParamDef& param(int index) { return defs_[static_cast<std::size_t>(index)]; }
    PF_ParamDef** params() { return array_.data(); }
    PF_Err checkoutResult = PF_Err_NONE;
    // Called after checkout copies param(index), to vary what a time hands out.
    std::function<void(int index, int time, PF_ParamDef& def)> onCheckout;
    PF_Err checkinResult = PF_Err_NONE;

    // A world of width × height in `format` whose pixels are bytes 0, 1, 2, ... (wrapping).
    PF_LayerDef makeWorld(int width, int height, PF_PixelFormat format);
    PF_Err newWorldResult = PF_Err_NONE;

    // Suites: all offered unless withdrawn.
    void withdraw(const std::string& name)
    {
        std::erase_if(offered, [&](const auto& offer) { return offer.first.first == name; });
    }
    PF_WorldSuite2 worldSuite{};
    PF_ColorParamSuite1 colorSuite{};
    PF_HandleSuite2 handleSuite{};
    PF_ParamUtilsSuite2 paramUtils{};
    PF_AppSuite6 appSuite{};
    PF_PathDataSuite1 pathData{};

    PF_PixelFloat floatColor{};
    PF_Err floatColorResult = PF_Err_NONE;
    std::vector<PF_ParamDef> uiUpdates;

    struct Composite {
        PF_ModeFlags flags;
        PF_Field field;
        PF_Rect rect;
        PF_CompositeMode mode;
        std::int32_t x, y;
        PF_FloatMatrix matrix;
    };
    std::vector<Composite> transfers, transforms;

private:
    friend struct FixtureCallbacks;
    std::vector<PF_ParamDef> defs_ = std::vector<PF_ParamDef>(4);
    std::vector<PF_ParamDef*> array_;
    std::list<std::vector<std::uint8_t>> pixels_;
    std::map<const void*, PF_PixelFormat> formats_;  // by data pointer; ARGB32 when absent
};

// The pixels of a world as bytes, row by row.
std::vector<std::uint8_t> rowOf(const PF_LayerDef& world, int row, int bytes);

}  // namespace zel::test
