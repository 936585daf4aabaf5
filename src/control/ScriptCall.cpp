#include "control/ScriptCall.h"

namespace vq3::control {

QString FunctionName(Function function) {
    switch (function) {
    case Function::Lamp:
        return QStringLiteral("lamp");
    case Function::Shutter:
        return QStringLiteral("shutter");
    case Function::Intensity:
        return QStringLiteral("intensity");
    case Function::Program:
        return QStringLiteral("program");
    }
    return {};
}

ScriptCall::ScriptCall(UnitController& unit, Origin id, const QString& name,
                       std::optional<Function> function, QObject* parent)
    : QObject(parent), m_unit(unit), m_id(id), m_name(name), m_function(function) {
    m_deadline.setSingleShot(true);
    connect(&m_deadline, &QTimer::timeout, this,
            [this] { Fail(CallOutcome::Kind::Timeout, m_deadlineMessage); });
    connect(&m_unit, &UnitController::commandRefused, this,
            [this](const link::SentCommand& command, const QString& text) {
                if (Mine(command))
                    Fail(CallOutcome::Kind::DeviceError, text);
            });
    connect(&m_unit, &UnitController::commandDropped, this,
            [this](const link::SentCommand& command) {
                if (Mine(command))
                    Fail(CallOutcome::Kind::Interrupted,
                         QStringLiteral("The link started afresh before the unit answered."));
            });
    // A call's own Disconnect does not interrupt it.
    m_lossWatch = connect(&m_unit, &UnitController::linkChanged, this, [this] {
        if (!m_unit.IsConnected() && m_unit.CurrentOrigin() != m_id)
            Fail(CallOutcome::Kind::Interrupted,
                 QStringLiteral("The connection to the unit was lost while the call waited."));
    });
    if (function)
        m_operatorWatch = connect(&m_unit, &UnitController::functionUsed, this,
                                  [this, function](Function used, Origin origin) {
                                      if (used == *function && origin == kOperator)
                                          Fail(CallOutcome::Kind::Interrupted,
                                               QStringLiteral("The operator used the %1 while "
                                                              "the call waited.")
                                                   .arg(FunctionName(used)));
                                  });
}

void ScriptCall::WatchInterruptionsItself() {
    disconnect(m_lossWatch);
    disconnect(m_operatorWatch);
}

void ScriptCall::Do(const std::function<void()>& operation) {
    UnitController::Acting acting(m_unit, m_id);
    operation();
}

void ScriptCall::SetDeadline(int ms, const QString& message) {
    m_deadlineMessage = message;
    m_deadline.start(ms);
}

void ScriptCall::Every(int ms, const std::function<void()>& step) {
    disconnect(&m_every, nullptr, this, nullptr);
    connect(&m_every, &QTimer::timeout, this, [this, step] {
        if (!m_ended)
            Do(step);
    });
    m_every.start(ms);
}

void ScriptCall::After(int ms, const std::function<void()>& step) {
    QTimer::singleShot(ms, Qt::PreciseTimer, this, [this, step] {
        if (!m_ended)
            Do(step);
    });
}

void ScriptCall::Succeed(const QVariant& value) {
    End({CallOutcome::Kind::Done, QString(), value}, true);
}

void ScriptCall::Fail(CallOutcome::Kind kind, const QString& message) {
    End({kind, message, {}}, true);
}

void ScriptCall::Cancel() {
    End({CallOutcome::Kind::Interrupted, QStringLiteral("The caller has gone."), {}}, false);
}

void ScriptCall::End(const CallOutcome& outcome, bool answer) {
    if (m_ended)
        return;
    m_ended = true;
    m_deadline.stop();
    m_every.stop();
    disconnect(&m_unit, nullptr, this, nullptr);
    if (m_cleanup)
        Do(m_cleanup);
    emit ended();
    // Never inside the caller that started the call, nor inside a reception tick.
    QMetaObject::invokeMethod(
        this,
        [this, outcome, answer] {
            if (answer)
                emit finished(outcome);
            deleteLater();
        },
        Qt::QueuedConnection);
}

} // namespace vq3::control
