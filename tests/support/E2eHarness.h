#pragma once

// Runs the real vq3-controller and vq3-simulator in a scratch folder: the controller is
// copied there (its folder holds the profile and the COMn links), the simulator serves a
// pseudo-terminal linked as COM1, and the controller is driven through its automation socket.

#include "OtherUser.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLocalSocket>
#include <QProcess>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

#include <signal.h>

namespace vq3::test {

// CPU time (user + system) of a process in clock ticks, from /proc.
inline qint64 CpuTicks(qint64 pid) {
    QFile stat(QStringLiteral("/proc/%1/stat").arg(pid));
    if (!stat.open(QIODevice::ReadOnly))
        return -1;
    const QByteArray text = stat.readAll();
    const QList<QByteArray> fields = text.mid(text.lastIndexOf(')') + 2).split(' ');
    return fields.size() > 12 ? fields[11].toLongLong() + fields[12].toLongLong() : -1;
}

class Simulator {
public:
    ~Simulator() { Stop(); }

    bool Start(const QString& linkPath, const QStringList& options = {}) {
        m_link = linkPath;
        m_log = linkPath + QStringLiteral(".rx");
        QFile::remove(m_log);
        m_process.setProgram(BinaryPath(QStringLiteral("vq3-simulator")));
        m_process.setArguments(QStringList{QStringLiteral("--link"), linkPath,
                                           QStringLiteral("--log"), m_log,
                                           QStringLiteral("--quiet")} +
                               options);
        m_process.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        m_process.start();
        if (!m_process.waitForStarted(5000))
            return false;
        return QTest::qWaitFor([this] { return QFileInfo(m_link).isSymLink(); }, 5000);
    }

    void Stop() {
        if (m_process.state() == QProcess::NotRunning)
            return;
        m_process.terminate();
        if (!m_process.waitForFinished(5000))
            m_process.kill();
        m_process.waitForFinished(2000);
    }

    // Every byte the simulator received from the controller.
    QByteArray Received() const {
        QFile log(m_log);
        return log.open(QIODevice::ReadOnly) ? log.readAll() : QByteArray();
    }

    bool WaitReceived(const QByteArray& bytes, int ms = 5000) const {
        return QTest::qWaitFor([&] { return Received().contains(bytes); }, ms);
    }

    QProcess& Process() { return m_process; }

private:
    QProcess m_process;
    QString m_link;
    QString m_log;
};

class Controller {
public:
    explicit Controller(const QString& folder) : m_folder(folder) {
        const QString target = QDir(folder).filePath(QStringLiteral("vq3-controller"));
        if (!QFile::exists(target)) {
            QFile::copy(BinaryPath(QStringLiteral("vq3-controller")), target);
            QFile::setPermissions(target, QFile::permissions(target) | QFile::ExeOwner);
        }
        QDir(folder).mkpath(QStringLiteral("run"));
        QFile::setPermissions(QDir(folder).filePath(QStringLiteral("run")),
                              QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    }
    ~Controller() { Kill(); }

    QString Folder() const { return m_folder; }
    QString ProfilePath() const { return QDir(m_folder).filePath(QStringLiteral("VQ3_CNT.ini")); }
    QString Socket(int instance) const {
        return QDir(m_folder).filePath(QStringLiteral("auto%1.sock").arg(instance));
    }
    QString PromptLog(int instance) const { return Socket(instance) + QStringLiteral(".prompts"); }

    // Starts an instance; extra environment entries such as "LC_ALL=de_DE.UTF-8".
    bool Start(QProcess& process, int instance = 0, const QStringList& environment = {}) {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
        env.insert(QStringLiteral("XDG_RUNTIME_DIR"),
                   QDir(m_folder).filePath(QStringLiteral("run")));
        env.insert(QStringLiteral("VQ3_AUTOMATION"), Socket(instance));
        for (const QString& entry : environment)
            env.insert(entry.section(QLatin1Char('='), 0, 0), entry.section(QLatin1Char('='), 1));
        process.setProcessEnvironment(env);
        process.setProgram(QDir(m_folder).filePath(QStringLiteral("vq3-controller")));
        process.setProcessChannelMode(m_captureErrors ? QProcess::ForwardedOutputChannel
                                                      : QProcess::ForwardedChannels);
        process.start();
        return process.waitForStarted(5000);
    }

    bool Start(const QStringList& environment = {}) {
        m_socket.abort(); // a connection to an earlier run is gone
        if (!Start(m_process, 0, environment))
            return false;
        return Connect();
    }

    bool Connect() {
        return QTest::qWaitFor(
            [this] {
                if (m_socket.state() == QLocalSocket::ConnectedState)
                    return true;
                m_socket.connectToServer(Socket(0));
                return m_socket.waitForConnected(100);
            },
            10000);
    }

    QJsonObject Request(const QJsonObject& request) {
        m_socket.write(QJsonDocument(request).toJson(QJsonDocument::Compact) + '\n');
        m_socket.flush();
        while (!m_socket.canReadLine())
            if (!m_socket.waitForReadyRead(10000))
                return QJsonObject{{QStringLiteral("ok"), false}};
        return QJsonDocument::fromJson(m_socket.readLine()).object();
    }

    QJsonValue Get(const QString& path, const QString& property) {
        return Request({{"cmd", "get"}, {"path", path}, {"prop", property}}).value("value");
    }
    bool Set(const QString& path, const QString& property, const QJsonValue& value) {
        return Request({{"cmd", "set"}, {"path", path}, {"prop", property}, {"value", value}})
            .value("ok")
            .toBool();
    }
    bool Click(const QString& path) {
        return Request({{"cmd", "click"}, {"path", path}}).value("ok").toBool();
    }
    bool Key(const QString& path, const QString& key) {
        return Request({{"cmd", "key"}, {"path", path}, {"key", key}}).value("ok").toBool();
    }
    bool Simple(const QString& cmd, const QString& path) {
        return Request({{"cmd", cmd}, {"path", path}}).value("ok").toBool();
    }
    // Menu items by command identifier.
    bool Menu(int id) { return Click(QStringLiteral("CControllerDlg/idm_%1").arg(id)); }
    bool MenuExists(int id) {
        return Request(
                   {{"cmd", "exists"}, {"path", QStringLiteral("CControllerDlg/idm_%1").arg(id)}})
            .value("value")
            .toBool();
    }
    QSize Screen() {
        const QJsonObject s = Request({{"cmd", "screen"}}).value("value").toObject();
        return QSize(s["width"].toInt(), s["height"].toInt());
    }
    QString Status() { return Get(QStringLiteral("CControllerDlg/statusLink"), "text").toString(); }
    QJsonArray Prompts() { return Request({{"cmd", "prompts"}}).value("value").toArray(); }
    void Answer(const QStringList& answers, const QStringList& files = {}) {
        Request({{"cmd", "answer"},
                 {"answers", QJsonArray::fromStringList(answers)},
                 {"files", QJsonArray::fromStringList(files)}});
    }

    // Ends the program through the main window's close box and waits for the process.
    bool Close(int ms = 10000) {
        Simple(QStringLiteral("close"), QStringLiteral("CControllerDlg"));
        return m_process.waitForFinished(ms);
    }
    bool Terminate(int ms = 10000) {
        ::kill(static_cast<pid_t>(m_process.processId()), SIGTERM);
        return m_process.waitForFinished(ms);
    }
    void Kill() {
        if (m_process.state() != QProcess::NotRunning) {
            m_process.kill();
            m_process.waitForFinished(3000);
        }
    }

    QProcess& Process() { return m_process; }
    // Keeps what the program writes to standard error (its diagnostics) for ErrorOutput().
    void CaptureErrors() { m_captureErrors = true; }
    QByteArray ErrorOutput() {
        m_errors += m_process.readAllStandardError();
        return m_errors;
    }
    QByteArray Profile() const {
        QFile file(ProfilePath());
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    }
    void WriteProfile(const QByteArray& content) const {
        QFile file(ProfilePath());
        if (file.open(QIODevice::WriteOnly | QIODevice::Truncate))
            file.write(content);
    }

private:
    QString m_folder;
    QProcess m_process;
    QLocalSocket m_socket;
    bool m_captureErrors = false;
    QByteArray m_errors;
};

} // namespace vq3::test
