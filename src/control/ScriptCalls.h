#pragma once

#include "control/ScriptCall.h"
#include "model/UnitSettings.h"

#include <QHash>
#include <QList>
#include <QObject>
#include <QPair>
#include <QPointer>

namespace vq3::control {

class ExposureRun;
class ProgramRun;
class UnitController;

// What a script can ask of the running controller. Each operation goes through the same
// object as the operator's buttons, so the windows show it and its replies as if the
// operator had pressed them; each returns a call that ends once with its outcome.
//
// One call per function: while a call uses the lamp, the shutter (or a timed opening it
// started still runs), the intensity or the programs, another call on it ends at once with
// Busy. A caller may claim the unit: meanwhile the calls of every other caller that send to
// the unit or change the link end with Busy. The operator's windows always work.
class ScriptCalls : public QObject {
    Q_OBJECT
public:
    using Steps = QList<QPair<double, double>>; // intensity, shutter time (s)

    explicit ScriptCalls(UnitController& unit, QObject* parent = nullptr);
    ~ScriptCalls() override;

    // Who makes the calls that follow (a bus name), for the claim.
    void SetCaller(const QString& caller) { m_caller = caller; }
    // The caller has left: a claim it held ends.
    void CallerLeft(const QString& caller);

    // Link.
    ScriptCall* Connect(const QString& port); // "COM1".."COM9"
    ScriptCall* Disconnect();
    // Done once the unit has taken the line (answered a query, or no refusal came).
    ScriptCall* Send(const QString& line);

    // Reads: the unit's answer to the call's own query, within 2 s.
    ScriptCall* ReadStatus();
    ScriptCall* ReadIntensity();
    ScriptCall* ReadLampHours();
    ScriptCall* ReadAutoTime();
    ScriptCall* ReadRestTime();
    ScriptCall* ReadStep();

    // The status is asked first: what it already shows is done without a command.
    ScriptCall* SetLamp(bool on);
    ScriptCall* WaitLampStable(double seconds);
    ScriptCall* SetShutter(bool open);
    // wait: until the opening has ended (Interrupted when it ended early); else as soon as
    // the unit has taken its start. Either way exposureEnded tells how it ended.
    ScriptCall* Expose(double seconds, bool wait);
    ScriptCall* StopExposure();
    ScriptCall* StepIntensity(int direction, uint ms);
    ScriptCall* SetIntensity(int percent);

    // Done once the unit has taken START; programEnded tells when the program has ended.
    ScriptCall* StartProgram(uint number);
    ScriptCall* StopProgram();
    // Done with QVariantList{shutterMode, intensityMode, QVariant::fromValue(Steps)}.
    ScriptCall* ReadProgram(uint number);
    ScriptCall* WriteProgram(uint number, uint shutterMode, uint intensityMode, const Steps& steps);

    // Done with QVariant::fromValue(UnitSettingsRecord) for a read.
    ScriptCall* ReadSettings();
    ScriptCall* WriteSettings(const model::UnitSettingsRecord& record);

    ScriptCall* Claim();
    ScriptCall* Release();

    static constexpr int kReadLimitMs = 2000;
    static constexpr int kStatusPollMs = 500;

signals:
    void exposureEnded(double secondsOpen, bool complete, qint64 wallMicros);
    void programEnded(int number, qint64 wallMicros);

private:
    Origin NextOrigin() { return ++m_lastOrigin; }
    // A new call; already ended (with its reason) when the unit cannot take it now.
    ScriptCall* Begin(const char* name, std::optional<Function> function, bool needsUnit = true);
    QString InUse(Function function) const;
    // A call that has its outcome already.
    ScriptCall* EndedCall(const char* name, CallOutcome::Kind kind, const QString& message);
    ScriptCall* Read(const char* name, const char* what, const std::function<void()>& query,
                     const QByteArray& queryText, const std::function<QVariant()>& value);
    // Done when the call's own command `text` is answered or taken.
    void SucceedWhenDealtWith(ScriptCall* call, const QByteArray& text);
    void StopHoldWhenEnded(ScriptCall* call);
    ScriptCall* BeginSettings(const char* name);
    void ReleaseSettingsWhenEnded(ScriptCall* call);
    // Asks for the status, sends `command` unless it already shows `bit` as `lit`, then asks
    // until it does.
    ScriptCall* UntilStatus(const char* name, Function function,
                            const std::function<void()>& command, unsigned bit, bool lit,
                            int limitMs, const QString& what);
    void FollowProgram(int number);

    UnitController& m_unit;
    QString m_caller;
    Origin m_lastOrigin = kOperator;
    QHash<int, QPointer<ScriptCall>> m_running; // by Function
    QPointer<ExposureRun> m_exposure;
    QPointer<ProgramRun> m_program;
};

} // namespace vq3::control

Q_DECLARE_METATYPE(vq3::control::ScriptCalls::Steps)
Q_DECLARE_METATYPE(vq3::model::UnitSettingsRecord)
