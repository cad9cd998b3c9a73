// A command's records for the host layer's tests: every callback and suite the layer calls, with
// worlds that hold real pixels, each call recorded in order.
#pragma once

#include <cstdint>
#include <functional>
#include <list>
#include <map>
#include <string>
#include <vector>

#include "sdk/pf_suites.h"

namespace zel::test {

class HostFixture {
public:
    HostFixture();
    ~HostFixture();
    HostFixture(const HostFixture&) = delete;
    HostFixture& operator=(const HostFixture&) = delete;

    PF_InData in_data{};
    PF_OutData out_data{};
    PF_UtilCallbacks utils{};
    PF_LayerDef output{};

    // Calls in order, e.g. "checkout 3 at 10", "checkin", "new_world 100x50 flags 2".
    std::vector<std::string> log;
    std::vector<std::string> entries(const std::string& prefix) const;

    // The parameters: what checkout hands out for each index, and the command's array over them.
    void setParams(int count);
    PF_ParamDef& param(int index) { return defs_[static_cast<std::size_t>(index)]; }
    PF_ParamDef** params() { return array_.data(); }
    PF_Err checkoutResult = PF_Err_NONE;
    // Called after checkout copies param(index), to vary what a time hands out.
    std::function<void(int index, int time, PF_ParamDef& def)> onCheckout;
    PF_Err checkinResult = PF_Err_NONE;

    // A world of width × height in `format` whose pixels are bytes 0, 1, 2, ... (wrapping).
    PF_LayerDef makeWorld(int width, int height, PF_PixelFormat format);
    std::map<const void*, PF_PixelFormat> formats;  // by data pointer; ARGB32 when absent
    PF_Err newWorldResult = PF_Err_NONE;

    // Suites: all offered unless withdrawn.
    void withdraw(const std::string& name) { withdrawn_.push_back(name); }
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
        std::int32_t x;
        std::int32_t y;
        PF_FloatMatrix matrix;
    };
    std::vector<Composite> transfers;
    std::vector<Composite> transforms;

    static HostFixture& current();

private:
    friend struct FixtureCallbacks;
    std::vector<PF_ParamDef> defs_;
    std::vector<PF_ParamDef*> array_;
    std::list<std::vector<std::uint8_t>> pixels_;
    std::vector<std::string> withdrawn_;
    SPBasicSuite basic_{};
    HostFixture* previous_;
};

// The pixels of a world as bytes, row by row.
std::vector<std::uint8_t> rowOf(const PF_LayerDef& world, int row, int bytes);

}  // namespace zel::test
