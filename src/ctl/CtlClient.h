#pragma once

#include "ctl/CtlCommand.h"

#include <QDBusConnection>
#include <QDBusMessage>
#include <QObject>

#include <functional>

namespace vq3::ctl {

// Runs one parsed command against the controller on the bus: checks that a controller owns
// the name, makes the calls without blocking, prints the result and reports the exit status
// by `finished`. Files are read and written with the same code as the windows use.
class CtlClient : public QObject {
    Q_OBJECT
public:
    CtlClient(const Command& command, const QDBusConnection& bus, QObject* parent = nullptr);

    void Start();

signals:
    void finished(int exitStatus);

private:
    using ReplyHandler = std::function<void(const QDBusMessage&)>;
    using ErrorHandler = std::function<void(const QDBusMessage&)>;

    void Run();
    void Call(const QString& interface, const QString& member, const QVariantList& arguments,
              ReplyHandler onReply, ErrorHandler onError = {});
    void CallCommand(const QVariantList& arguments, ReplyHandler onReply,
                     ErrorHandler onError = {});
    void GetAll(const char* interface, ReplyHandler onReply);

    void ShowStatus();
    void ShowPort();
    void ReadProgram();
    void WriteProgram();
    void ReadSettings();
    void WriteSettings();
    void Monitor();

    void Fail(int exitStatus, const QString& message);
    void FailWith(const QDBusMessage& error);
    void Finish(int exitStatus);

    Command m_command;
    QDBusConnection m_bus;
};

} // namespace vq3::ctl
