// Changing parameter values and the look of the effect's controls, independent of the host.
#pragma once

namespace zel {

// Every operation takes the parameter index and a kind that only setFloatValue examines. Value
// setters change the command's parameters; the others change controls and answer the host's
// error code. The caller of PluginHost_API::makeUpdateApi deletes the object.
class PluginUpdate_API {
public:
    virtual bool isValid() = 0;
    virtual int setFloatValue(int index, int kind, double value) = 0;
    virtual int setAngleValue(int index, int kind, double degrees) = 0;
    virtual int setIntValue(int index, int kind, int value) = 0;
    virtual int setBoolValue(int index, int kind, bool value) = 0;
    virtual int setEnumValue(int index, int kind, unsigned int value) = 0;
    virtual int setPoint2DValue(int index, int kind, double x, double y) = 0;
    virtual int setColorValue(int index, int kind, double red, double green, double blue) = 0;
    virtual int setEnable(int index, int kind, bool enabled) = 0;
    virtual int setGroupOpen(int index, int kind, bool open) = 0;
    virtual int setParamName(int index, int kind, const char* name) = 0;
    virtual int setParamNameEnable(int index, int kind, const char* name, bool enabled)
    {
        setParamName(index, kind, name);
        return setEnable(index, kind, enabled);
    }
    virtual ~PluginUpdate_API() = default;

protected:
    PluginUpdate_API() = default;
    PluginUpdate_API(const PluginUpdate_API&) = default;
    PluginUpdate_API& operator=(const PluginUpdate_API&) = default;
};

}  // namespace zel
