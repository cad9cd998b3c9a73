// Reading and writing values in the command's parameter array in the host's encodings.
#pragma once

#include <cstdint>

#include "sdk/pf_effect.h"

namespace zel::ZQS {

template <class T>
struct ZQPointT {
    T x;
    T y;
};

template <class T>
struct PixelARGB {
    T alpha;
    T red;
    T green;
    T blue;
};

// Does not own the array. Without one every setter does nothing and every getter answers 0.
// Setters by index mark the definition changed, which the host picks up when the command returns.
class ParameterDef {
public:
    ParameterDef(PF_InData* in_data, PF_ParamDef** params);

    // Float sliders hold a double; fixed sliders, and every slider on the keying host, 16.16.
    void SetFloatValue(int index, double value, bool fixed);
    void SetFloatValue(PF_ParamDef* def, double value, bool fixed) const;
    double GetFloatValue(int index, bool fixed) const;
    double GetFloatValue(const PF_ParamDef* def, bool fixed) const;
    PF_Fixed GetFixedValue(int index) const;

    void SetIntValue(int index, int value);
    void SetBoolValue(int index, bool value);
    // The host's 1-based choice number.
    void SetMenuValue(int index, int value);
    int GetIntValue(int index) const;
    int GetMenuValue(int index) const;
    bool GetBoolValue(int index) const;

    void SetAngleValue(int index, double degrees);
    double GetAngleValue(int index) const;

    // Host pixels.
    void SetPoint(int index, const ZQPointT<double>& point);
    ZQPointT<double> GetPoint(int index) const;

    // Red, green and blue; the stored alpha stays.
    void SetColor(int index, const PixelARGB<unsigned char>& color);
    PixelARGB<unsigned char> GetColor(int index) const;
    // alpha + red << 8 + green << 16 + blue << 24
    std::uint32_t GetPFColor(int index) const;

    // 0xFFFFFFFF without a parameter array.
    std::uint32_t GetPathID(int index) const;
    PF_Handle GetArbData(int index) const;

private:
    PF_ParamDef* def(int index) const;
    PF_ParamDef* changed(int index);
    bool storesFixed(bool fixed) const;

    PF_InData* inData;
    PF_ParamDef** params;
};

}  // namespace zel::ZQS
