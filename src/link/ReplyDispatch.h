#pragma once

#include "model/UnitSettings.h"
#include "resources/ControlIds.h"

#include <QString>
#include <cstdint>

namespace vq3::link {

// The unit state that replies update, kept by the main window.
struct DeviceState {
    std::uint16_t StatusWord = 0;
    int extendedStatus = 0; // 1 after a three-character INP reply
    model::UnitSettingsRecord UnitSettings = model::kNoSettings;
    int ActiveSetting = 0; // open setting dialog 1..8, 0 when none
};

// Light Control read-outs written by replies.
enum class Readout {
    Intensity = resources::idc::light::IntensityReadout,
    LampTime = resources::idc::light::LampTimeReadout,
    AutoTime = resources::idc::light::AutoTimeReadout,
    RestTime = resources::idc::light::RestTimeReadout,
};

// What the handlers write into the windows.
class ReplyTarget {
public:
    virtual ~ReplyTarget() = default;
    // StatusWord changed: lamp and shutter captions, indicators.
    virtual void StatusChanged() = 0;
    virtual void ShowProgramReplyPercent(const char* line) = 0; // code 4
    virtual void ShowProgramReplyWatts(const char* line) = 0;   // code 5
    virtual void ShowStepReply(const char* line) = 0;           // code 10
    virtual void SetReadout(Readout readout, const QString& text) = 0;
    // The open choice dialog's list entry; called only while ActiveSetting names it.
    virtual void SelectSettingChoice(int index) = 0;
    // The open value dialog's read-out; called only while ActiveSetting names it.
    virtual void SetSettingReadout(const QString& text) = 0;
    // An error box owned by the active program window.
    virtual void ReportDeviceError(const QString& text) = 0;
};

// Classifies one reply line and runs its handler.
void DispatchReply(const char* line, DeviceState& state, ReplyTarget& target);

// The NG scan of an unrecognised line: the message number (14..18) or 0 for none.
int ScanNg(const char* line);

} // namespace vq3::link
