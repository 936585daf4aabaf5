#pragma once

#include "ctl/CtlCommand.h"

#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusPendingCall>
#include <QElapsedTimer>
#include <QObject>

#include <functional>
#include <memory>

namespace vq3::ctl {

class CtlProxies;
struct Failure;

// Runs one parsed command against the controller on the bus: finds the connection that owns
// the controller's name, makes the calls through the generated proxies without blocking,
// prints the result and reports the exit status by `finished`. Files are read and written with
// the same code as the windows use.
class CtlClient : public QObject {
    Q_OBJECT
public:
    CtlClient(const Command& command, const QDBusConnection& bus, QObject* parent = nullptr);
    ~CtlClient() override;

    void Start();

signals:
    void finished(int exitStatus);

private:
    using ReplyHandler = std::function<void(const QDBusMessage&)>;

    void WatchForLeaving();
    void Run();
    // Calls onReply with the reply when the call succeeds; else reports its error.
    void Await(const QDBusPendingCall& call, ReplyHandler onReply);
    void GetAll(bool onLink, ReplyHandler onReply);

    void ShowStatus();
    void ShowPort();
    void ReadProgram();
    void WriteProgram();
    void ReadSettings();
    void WriteSettings();
    void Monitor();
    void Wait();

    void Fail(const Failure& failure);
    void FailWith(const QDBusMessage& error);
    void Finish(int exitStatus);

    Command m_command;
    QDBusConnection m_bus;
    std::unique_ptr<CtlProxies> m_proxies;
    bool m_finished = false;
    QElapsedTimer m_sinceStart;
};

} // namespace vq3::ctl
