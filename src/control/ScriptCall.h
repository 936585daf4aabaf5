#pragma once

#include "control/UnitController.h"

#include <QObject>
#include <QString>
#include <QTimer>
#include <QVariant>

#include <functional>
#include <optional>

namespace vq3::control {

// How a script's call ended.
struct CallOutcome {
    enum class Kind {
        Done,
        NotConnected,
        Busy,
        InvalidArgs,
        Timeout,
        DeviceError,
        PortError,
        Interrupted
    };
    Kind kind = Kind::Done;
    QString message; // a sentence for the operator; empty when done
    QVariant value;  // what the call returns when done
};

// The name of a shared function in a sentence ("the lamp").
QString FunctionName(Function function);

// One call of a script that waits for the unit. Its commands carry its own origin, so the
// unit's answers and refusals to them come back to it and to nobody else. It watches what
// every call must watch: a refusal of one of its commands (DeviceError), the device going
// away and the operator using the same function (Interrupted), and its own deadline; the
// operation adds its steps and its own watches. It ends once, with ended() at once and
// finished() at the next turn of the event loop, and then deletes itself.
class ScriptCall : public QObject {
    Q_OBJECT
public:
    ScriptCall(UnitController& unit, Origin id, const QString& name,
               std::optional<Function> function, QObject* parent);

    UnitController& Unit() { return m_unit; }
    Origin Id() const { return m_id; }
    const QString& Name() const { return m_name; }
    std::optional<Function> UsedFunction() const { return m_function; }
    // The unit's answer, refusal or taking of one of this call's commands.
    bool Mine(const link::SentCommand& command) const { return command.origin == m_id; }
    // The operation decides itself what the operator's use of its function and a lost
    // device mean (a timed opening reports how long it was open).
    void WatchInterruptionsItself();

    // Runs an operation of the unit as the call's own: its commands carry the call's origin.
    void Do(const std::function<void()>& operation);
    void SetDeadline(int ms, const QString& message);
    void Every(int ms, const std::function<void()>& step);
    void After(int ms, const std::function<void()>& step);
    // Runs when the call ends, however it ends (before ended()).
    void OnEnd(const std::function<void()>& cleanup) { m_cleanup = cleanup; }

    void Succeed(const QVariant& value = {});
    void Fail(CallOutcome::Kind kind, const QString& message);
    // The caller has gone: the call ends without an answer, releasing what it holds.
    void Cancel();
    bool Ended() const { return m_ended; }

signals:
    // The outcome is known; emitted inside the event that decided it.
    void ended();
    void finished(const vq3::control::CallOutcome& outcome);

private:
    void End(const CallOutcome& outcome, bool answer);

    UnitController& m_unit;
    const Origin m_id;
    const QString m_name;
    const std::optional<Function> m_function;
    QTimer m_deadline;
    QTimer m_every;
    std::function<void()> m_cleanup;
    QString m_deadlineMessage;
    QMetaObject::Connection m_lossWatch;
    QMetaObject::Connection m_operatorWatch;
    bool m_ended = false;
};

} // namespace vq3::control

Q_DECLARE_METATYPE(vq3::control::CallOutcome)
