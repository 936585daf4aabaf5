#pragma once

#include "control/ScriptCall.h"
#include "model/UnitSettings.h"

#include <QList>
#include <QObject>
#include <QPair>
#include <QRegularExpression>

namespace vq3::control {

class UnitController;

// What a script can ask of the running controller. Each operation goes through the same
// object as the operator's buttons, so the windows show it and its replies as if the
// operator had pressed them; each returns a call that ends once with its outcome.
class ScriptCalls : public QObject {
    Q_OBJECT
public:
    using Steps = QList<QPair<double, double>>; // intensity, shutter time (s)

    explicit ScriptCalls(UnitController& unit, QObject* parent = nullptr);

    // Link.
    ScriptCall* Connect(const QString& port); // "COM1".."COM9"
    ScriptCall* Disconnect();
    ScriptCall* Send(const QString& line);

    // Reads: the value of the first matching reply, within 2 s.
    ScriptCall* ReadStatus();
    ScriptCall* ReadIntensity();
    ScriptCall* ReadLampHours();
    ScriptCall* ReadAutoTime();
    ScriptCall* ReadRestTime();
    ScriptCall* ReadStep();

    ScriptCall* SetLamp(bool on);
    ScriptCall* WaitLampStable(double seconds);
    ScriptCall* SetShutter(bool open);
    // wait: until the opening has ended; else as soon as its start has gone out.
    ScriptCall* Expose(double seconds, bool wait);
    ScriptCall* StepIntensity(int direction, uint ms);
    ScriptCall* SetIntensity(int percent);

    ScriptCall* StartProgram(uint number);
    ScriptCall* StopProgram();
    // Done with QVariantList{shutterMode, intensityMode, QVariant::fromValue(Steps)}.
    ScriptCall* ReadProgram(uint number);
    ScriptCall* WriteProgram(uint number, uint shutterMode, uint intensityMode, const Steps& steps);

    // Done with QVariant::fromValue(UnitSettingsRecord) for a read.
    ScriptCall* ReadSettings();
    ScriptCall* WriteSettings(const model::UnitSettingsRecord& record);

    static constexpr int kReadLimitMs = 2000;
    static constexpr int kStatusPollMs = 500;

private:
    // A new call; null (and the call already failed) when the unit cannot take it.
    ScriptCall* Begin(std::optional<Function> function, bool needsUnit = true);
    ScriptCall* Failed(CallOutcome::Kind kind, const QString& message);
    ScriptCall* Read(link::Readout readout);
    void StopHoldWhenEnded(ScriptCall* call);
    // Sends the command, then asks for the status until `done` holds for it.
    ScriptCall* UntilStatus(Function function, const std::function<void()>& command, unsigned bit,
                            bool lit, int limitMs, const QString& what);

    UnitController& m_unit;
    int m_heldDirection = 0; // of the hold a SetIntensity runs
};

} // namespace vq3::control

Q_DECLARE_METATYPE(vq3::control::ScriptCalls::Steps)
Q_DECLARE_METATYPE(vq3::model::UnitSettingsRecord)
