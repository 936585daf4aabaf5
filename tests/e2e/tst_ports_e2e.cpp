// vq3-ports run for real: the folder it picks, mapping and unmapping pseudo-terminals, why a
// port cannot be used, and the input and folders it refuses. Root writes and opens anything,
// so where permissions matter the tool runs as the user nobody.
#include "FileHelpers.h"
#include "OtherUser.h"

#include <QFileInfo>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

#include <fcntl.h>
#include <grp.h>
#include <stdlib.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <termios.h>
#include <unistd.h>

using vq3::test::BinaryPath;
using vq3::test::Contents;
using vq3::test::MakeFolder;
using vq3::test::WriteFile;

namespace {

// A pseudo-terminal whose slave side stands in for a serial device.
class Pty {
public:
    Pty() {
        m_master = ::posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC);
        char name[128];
        if (m_master >= 0 && ::grantpt(m_master) == 0 && ::unlockpt(m_master) == 0 &&
            ::ptsname_r(m_master, name, sizeof name) == 0)
            m_slave = QString::fromLocal8Bit(name);
    }
    ~Pty() { Close(); }
    Pty(const Pty&) = delete;
    Pty& operator=(const Pty&) = delete;

    QString Slave() const { return m_slave; }
    // Opens the slave side as another program would, and keeps it open.
    int Hold() {
        m_held = ::open(QFile::encodeName(m_slave).constData(), O_RDWR | O_NOCTTY | O_CLOEXEC);
        return m_held;
    }
    int Held() const { return m_held; }
    // The device goes away, as an unplugged adapter's does.
    void Close() {
        for (int* fd : {&m_held, &m_master}) {
            if (*fd >= 0)
                ::close(*fd);
            *fd = -1;
        }
    }

private:
    int m_master = -1;
    int m_held = -1;
    QString m_slave;
};

struct Outcome {
    int status = -1;
    QString out;
    QString err;
};

// vq3-ports copied into a scratch program folder beside a scratch home. Run as this user, or
// as nobody when this user is root and permissions must count. Read-only folders: neither
// the program folder nor the home's configuration folder takes files from the runner.
class PortsTool {
public:
    PortsTool(bool asAnotherUser, bool readOnly) {
        m_needsUser = asAnotherUser && ::geteuid() == 0;
        m_user = m_needsUser ? ::getpwnam("nobody") : nullptr;
        const passwd* owner = readOnly ? nullptr : m_user;
        m_ready = MakeFolder(m_dir.path(), nullptr) && MakeFolder(ProgramFolder(), owner) &&
                  MakeFolder(Home(), m_user) && MakeFolder(ConfigFolder(), owner) &&
                  QFile::copy(BinaryPath(QStringLiteral("vq3-ports")),
                              QDir(ProgramFolder()).filePath(QStringLiteral("vq3-ports")));
        m_readOnly = readOnly;
    }
    ~PortsTool() { SetReadOnly(false); }

    // False when the set-up failed or another user is needed and cannot be had.
    bool Ready() const {
        return m_ready && (!m_needsUser ||
                           (m_user != nullptr &&
                            !QStandardPaths::findExecutable(QStringLiteral("setpriv")).isEmpty()));
    }
    const passwd* Runner() const { return m_user; }
    QString ProgramFolder() const { return QDir(m_dir.path()).filePath(QStringLiteral("bin")); }
    QString Home() const { return QDir(m_dir.path()).filePath(QStringLiteral("home")); }
    QString ConfigFolder() const { return Home() + QStringLiteral("/.config/vq3-controller"); }

    // Seals the read-only folders for this user too (root is kept out by running as nobody).
    void SetReadOnly(bool on) {
        if (!m_readOnly || m_user != nullptr)
            return;
        const auto mode =
            QFile::ReadOwner | QFile::ExeOwner | (on ? QFile::Permissions() : QFile::WriteOwner);
        QFile::setPermissions(ProgramFolder(), mode);
        QFile::setPermissions(ConfigFolder(), mode);
    }

    Outcome Run(const QStringList& arguments) const {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("HOME"), Home());
        env.remove(QStringLiteral("XDG_CONFIG_HOME"));
        const QString program = QDir(ProgramFolder()).filePath(QStringLiteral("vq3-ports"));
        QProcess process;
        if (m_user) {
            vq3::test::SetUpAs(process, m_user, program, arguments, env);
        } else {
            process.setProgram(program);
            process.setArguments(arguments);
            process.setProcessEnvironment(env);
        }
        process.start();
        Outcome outcome;
        if (process.waitForFinished(10000) && process.exitStatus() == QProcess::NormalExit)
            outcome.status = process.exitCode();
        outcome.out = QString::fromLocal8Bit(process.readAllStandardOutput());
        outcome.err = QString::fromLocal8Bit(process.readAllStandardError());
        return outcome;
    }

private:
    QTemporaryDir m_dir;
    bool m_needsUser = false;
    const passwd* m_user = nullptr;
    bool m_ready = false;
    bool m_readOnly = false;
};

QString Entry(const PortsTool& tool, const QString& port) {
    return QDir(tool.ProgramFolder()).filePath(port);
}

} // namespace

class PortsTest : public QObject {
    Q_OBJECT
private slots:
    void mapsListsAndUnmaps();
    void readOnlyFoldersUseConfigFolderAndRefuseChanges();
    void tellsWhyAPortCannotBeUsed_data();
    void tellsWhyAPortCannotBeUsed();
    void refusesBadInput_data();
    void refusesBadInput();
};

void PortsTest::mapsListsAndUnmaps() {
    PortsTool tool(false, false);
    QVERIFY(tool.Ready());
    Pty first, second;
    QVERIFY(!first.Slave().isEmpty() && !second.Slave().isEmpty());

    Outcome mapped = tool.Run({"map", "COM1", first.Slave()});
    QCOMPARE(mapped.status, 0);
    QCOMPARE(QFileInfo(Entry(tool, "COM1")).symLinkTarget(), first.Slave());
    // Mapping again re-points the link; a link (here to another link) is kept as named.
    QVERIFY(QFile::link(second.Slave(), Entry(tool, "adapter")));
    mapped = tool.Run({"map", "com1", Entry(tool, "adapter")});
    QCOMPARE(mapped.status, 0);
    QCOMPARE(QFile::symLinkTarget(Entry(tool, "COM1")), Entry(tool, "adapter"));
    QVERIFY(tool.Run({"map", "COM3", first.Slave()}).status == 0);
    // A link that leads back to the port would make a loop.
    QVERIFY(QFile::link(Entry(tool, "COM1"), Entry(tool, "back")));
    const Outcome loop = tool.Run({"map", "COM1", Entry(tool, "back")});
    QCOMPARE(loop.status, 1);
    QVERIFY2(loop.err.contains("leads back to"), qPrintable(loop.err));
    QCOMPARE(QFile::symLinkTarget(Entry(tool, "COM1")), Entry(tool, "adapter"));

    const Outcome listed = tool.Run({});
    QCOMPARE(listed.status, 0);
    QVERIFY2(listed.out.startsWith("Folder read by vq3-controller: " +
                                   QFileInfo(tool.ProgramFolder()).canonicalFilePath() + "\n"),
             qPrintable(listed.out));
    QVERIFY2(listed.out.contains(QStringLiteral("  COM1 -> %1 (= %2)  ok\n")
                                     .arg(Entry(tool, "adapter"), second.Slave())),
             qPrintable(listed.out));
    QVERIFY2(listed.out.contains(QStringLiteral("  COM3 -> %1  ok\n").arg(first.Slave())),
             qPrintable(listed.out));

    const Outcome unmapped = tool.Run({"unmap", "COM1"});
    QCOMPARE(unmapped.status, 0);
    QVERIFY(!QFileInfo(Entry(tool, "COM1")).isSymLink());
    QVERIFY(QFileInfo(second.Slave()).exists());
    QVERIFY(!tool.Run({}).out.contains("COM1 ->"));
}

void PortsTest::readOnlyFoldersUseConfigFolderAndRefuseChanges() {
    PortsTool tool(true, true);
    if (!tool.Ready())
        QSKIP("needs setpriv and the user nobody to keep root out of a folder");
    Pty pty;
    const QString link = QDir(tool.ConfigFolder()).filePath("COM2");
    QVERIFY(QFile::link(pty.Slave(), link));
    tool.SetReadOnly(true);

    const Outcome listed = tool.Run({});
    QCOMPARE(listed.status, 0);
    QVERIFY2(listed.out.startsWith("Folder read by vq3-controller: " + tool.ConfigFolder() + "\n"),
             qPrintable(listed.out));
    QVERIFY2(listed.out.contains("  COM2 -> " + pty.Slave()), qPrintable(listed.out));

    const QString refused =
        "vq3-ports: cannot write " + tool.ConfigFolder() + ": Permission denied\n";
    const Outcome mapped = tool.Run({"map", "COM1", pty.Slave()});
    QCOMPARE(mapped.status, 1);
    QCOMPARE(mapped.err, refused);
    const Outcome unmapped = tool.Run({"unmap", "COM2"});
    QCOMPARE(unmapped.status, 1);
    QCOMPARE(unmapped.err, refused);
    tool.SetReadOnly(false);
    QCOMPARE(
        QDir(tool.ConfigFolder()).entryList(QDir::AllEntries | QDir::System | QDir::NoDotAndDotDot),
        QStringList{"COM2"});
    QCOMPARE(QDir(tool.ProgramFolder())
                 .entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot),
             QStringList{"vq3-ports"});
}

enum class Hold { Lock, Exclusive, GroupOnly, Unplugged };

void PortsTest::tellsWhyAPortCannotBeUsed_data() {
    QTest::addColumn<Hold>("hold");
    QTest::addColumn<QString>("verdict"); // %1: the device, %2: this process
    QTest::newRow("another program's lock")
        << Hold::Lock << QStringLiteral("busy: process %2 (tst_ports_e2e) holds its lock");
    QTest::newRow("another program's exclusive open")
        << Hold::Exclusive << QStringLiteral("busy: another program has it open exclusively");
    QTest::newRow("a group this account is not in")
        << Hold::GroupOnly
        << QStringLiteral("permission denied: only group dialout may use %1, and nobody is not "
                          "in it (sudo adduser nobody dialout, then log out and in again)");
    QTest::newRow("unplugged") << Hold::Unplugged << QStringLiteral("no such device");
}

void PortsTest::tellsWhyAPortCannotBeUsed() {
    QFETCH(Hold, hold);
    QFETCH(QString, verdict);
    // Root opens an exclusively held terminal and any device: those cases run as nobody.
    const bool asAnotherUser = hold == Hold::Exclusive || hold == Hold::GroupOnly;
    PortsTool tool(asAnotherUser, false);
    if (!tool.Ready())
        QSKIP("needs setpriv and the user nobody");
    const group* dialout = ::getgrnam("dialout");
    if (hold == Hold::GroupOnly && (!tool.Runner() || !dialout))
        QSKIP("needs root and the group dialout");

    Pty pty;
    const QByteArray slave = QFile::encodeName(pty.Slave());
    const QString device = pty.Slave();
    if (tool.Runner()) // the device is the runner's, but for what the case takes away
        QCOMPARE(::chown(slave.constData(), tool.Runner()->pw_uid, -1), 0);
    QCOMPARE(tool.Run({"map", "COM1", device}).status, 0);
    QVERIFY(tool.Run({}).out.contains(QStringLiteral("  COM1 -> %1  ok\n").arg(device)));

    switch (hold) {
    case Hold::Lock:
        QVERIFY(pty.Hold() >= 0);
        QCOMPARE(::flock(pty.Held(), LOCK_EX), 0);
        break;
    case Hold::Exclusive:
        QVERIFY(pty.Hold() >= 0);
        QCOMPARE(::ioctl(pty.Held(), TIOCEXCL), 0);
        break;
    case Hold::GroupOnly:
        QCOMPARE(::chown(slave.constData(), 0, dialout->gr_gid), 0);
        QCOMPARE(::chmod(slave.constData(), 0660), 0);
        break;
    case Hold::Unplugged:
        pty.Close();
        break;
    }
    const Outcome listed = tool.Run({});
    QCOMPARE(listed.status, 0);
    verdict.replace("%1", device).replace("%2", QString::number(::getpid()));
    const QString line = QStringLiteral("  COM1 -> %1  %2\n").arg(device, verdict);
    QVERIFY2(listed.out.contains(line), qPrintable(listed.out + "\nexpected:\n" + line));
}

void PortsTest::refusesBadInput_data() {
    QTest::addColumn<QStringList>("arguments"); // %1: a pseudo-terminal, %2: the program folder
    QTest::addColumn<bool>("fileInTheWay");     // COM1 is a plain file
    QTest::addColumn<int>("status");
    QTest::addColumn<QString>("error");

    const QString notAPort =
        QStringLiteral("vq3-ports: %1: not a port; the ports are COM1 to COM9\n");
    const QString inTheWay =
        QStringLiteral("vq3-ports: %2/COM1 is a file, not a link: left as it is\n");
    const QString usage = QStringLiteral(
        "vq3-ports: usage: vq3-ports [map COMn DEVICE | unmap COMn]; see vq3-ports --help\n");
    QTest::newRow("COM0") << QStringList{"map", "COM0", "%1"} << false << 1 << notAPort.arg("COM0");
    QTest::newRow("COM10") << QStringList{"map", "COM10", "%1"} << false << 1
                           << notAPort.arg("COM10");
    QTest::newRow("COM01") << QStringList{"unmap", "COM01"} << false << 1 << notAPort.arg("COM01");
    QTest::newRow("missing device")
        << QStringList{"map", "COM1", "ttyUSB97"} << false << 1
        << QStringLiteral("vq3-ports: /dev/ttyUSB97: No such file or directory\n");
    QTest::newRow("not a device") << QStringList{"map", "COM2", "%2/vq3-ports"} << false << 1
                                  << QStringLiteral(
                                         "vq3-ports: %2/vq3-ports: not a serial device\n");
    QTest::newRow("map over a file") << QStringList{"map", "COM1", "%1"} << true << 1 << inTheWay;
    QTest::newRow("unmap a file") << QStringList{"unmap", "COM1"} << true << 1 << inTheWay;
    QTest::newRow("unmap what is not mapped")
        << QStringList{"unmap", "COM4"} << false << 1
        << QStringLiteral("vq3-ports: COM4 is not mapped in %2\n");
    QTest::newRow("unknown command") << QStringList{"link", "COM1", "%1"} << false << 2 << usage;
    QTest::newRow("device left out") << QStringList{"map", "COM1"} << false << 2 << usage;
    QTest::newRow("unknown option")
        << QStringList{"--force", "map", "COM1", "%1"} << false << 2
        << QStringLiteral("vq3-ports: Unknown option 'force'. See vq3-ports --help.\n");
}

void PortsTest::refusesBadInput() {
    QFETCH(QStringList, arguments);
    QFETCH(bool, fileInTheWay);
    QFETCH(int, status);
    QFETCH(QString, error);
    PortsTool tool(false, false);
    QVERIFY(tool.Ready());
    Pty pty;
    const QString folder = QFileInfo(tool.ProgramFolder()).canonicalFilePath();
    const QByteArray notes("[notes]\n");
    if (fileInTheWay)
        QVERIFY(WriteFile(Entry(tool, "COM1"), notes));
    const auto fill = [&](QString text) {
        return text.replace("%1", pty.Slave()).replace("%2", folder);
    };
    for (QString& argument : arguments)
        argument = fill(argument);

    const Outcome outcome = tool.Run(arguments);
    QCOMPARE(outcome.status, status);
    QCOMPARE(outcome.err, fill(error));
    QCOMPARE(outcome.out, QString());
    const QStringList expected =
        fileInTheWay ? QStringList{"COM1", "vq3-ports"} : QStringList{"vq3-ports"};
    QCOMPARE(QDir(folder).entryList(QDir::AllEntries | QDir::System | QDir::Hidden |
                                    QDir::NoDotAndDotDot),
             expected);
    if (fileInTheWay)
        QCOMPARE(Contents(Entry(tool, "COM1")), notes);
}

QTEST_GUILESS_MAIN(PortsTest)
#include "tst_ports_e2e.moc"
