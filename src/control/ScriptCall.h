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

// One call of a script that waits for the unit. It watches what every call must watch: an
// error the unit answers, the device going away, the operator using the same function and
// its own deadline; the operation adds its steps and its own watches. It ends once, with
// finished() at the next turn of the event loop, and then deletes itself.
class ScriptCall : public QObject {
    Q_OBJECT
public:
    ScriptCall(UnitController& unit, std::optional<Function> function, QObject* parent);

    UnitController& Unit() { return m_unit; }
    // Runs an operation of the unit as the script's own: it does not count as the
    // operator's use of the function.
    void Do(const std::function<void()>& operation);
    void SetDeadline(int ms, const QString& message);
    void Every(int ms, const std::function<void()>& step);
    void After(int ms, const std::function<void()>& step);
    // Runs when the call ends, however it ends (before finished()).
    void OnEnd(const std::function<void()>& cleanup) { m_cleanup = cleanup; }

    void Succeed(const QVariant& value = {});
    void Fail(CallOutcome::Kind kind, const QString& message);
    // The caller has gone: the call ends without an answer, releasing what it holds.
    void Cancel();
    bool Ended() const { return m_ended; }

signals:
    void finished(const vq3::control::CallOutcome& outcome);

private:
    void End(const CallOutcome& outcome, bool answer);

    UnitController& m_unit;
    QTimer m_deadline;
    QTimer m_every;
    std::function<void()> m_cleanup;
    QString m_deadlineMessage;
    bool m_ended = false;
};

} // namespace vq3::control

Q_DECLARE_METATYPE(vq3::control::CallOutcome)
