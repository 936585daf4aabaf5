// Where the real program keeps its working directory, profile and "COMn" links: beside
// itself in a folder it can write, in the user's configuration folder when it cannot write
// its own folder (as an installed program run by an ordinary user).
#include "E2eHarness.h"

#include <QStandardPaths>

#include <pwd.h>
#include <unistd.h>

using vq3::test::BinaryPath;
using vq3::test::Controller;
using vq3::test::MakeFolder;
using vq3::test::Simulator;
using vq3::test::StartAs;

namespace {

QString WorkingDirectory(qint64 pid) {
    return QFileInfo(QStringLiteral("/proc/%1/cwd").arg(pid)).symLinkTarget();
}

QByteArray Contents(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

} // namespace

class InstallTest : public QObject {
    Q_OBJECT
private slots:
    void writableFolderKeepsEverythingBeside();
    void unwritableFolderUsesConfigFolder();
};

void InstallTest::writableFolderKeepsEverythingBeside() {
    QTemporaryDir dir;
    const QString home = QDir(dir.path()).filePath("home");
    const QString config = QDir(home).filePath(".config/vq3-controller");
    // A profile in the configuration folder that would leave the port closed: it must not count.
    QVERIFY(QDir().mkpath(config));
    QFile seeded(QDir(config).filePath("VQ3_CNT.ini"));
    QVERIFY(seeded.open(QIODevice::WriteOnly));
    seeded.write("[INIT]\r\nPORT=0\r\n");
    seeded.close();

    Simulator sim;
    QVERIFY(sim.Start(QDir(dir.path()).filePath("COM1")));
    Controller controller(dir.path());
    controller.WriteProfile("[INIT]\r\nPORT=1\r\nMAIN_X=17\r\n");
    QVERIFY(
        controller.Start({"HOME=" + home, "XDG_CONFIG_HOME=" + QDir(home).filePath(".config")}));
    QVERIFY(sim.WaitReceived("INP\r"));
    QTRY_COMPARE(controller.Status(), QStringLiteral("COM1"));
    QCOMPARE(WorkingDirectory(controller.Process().processId()),
             QFileInfo(dir.path()).canonicalFilePath());

    QVERIFY(controller.Close());
    QVERIFY2(controller.Profile().contains("PORT=1\r\nMAIN_X="), controller.Profile().constData());
    QCOMPARE(Contents(QDir(config).filePath("VQ3_CNT.ini")), QByteArray("[INIT]\r\nPORT=0\r\n"));
    QCOMPARE(QDir(dir.path()).entryList({".vq3-probe*"}, QDir::Files | QDir::Hidden),
             QStringList());
}

void InstallTest::unwritableFolderUsesConfigFolder() {
    // An ordinary user cannot write a root-owned program folder; root can write anywhere.
    if (::geteuid() != 0)
        QSKIP("needs root to run the program as another user");
    if (QStandardPaths::findExecutable(QStringLiteral("setpriv")).isEmpty())
        QSKIP("needs setpriv");
    const passwd* user = ::getpwnam("nobody");
    if (!user)
        QSKIP("needs the user nobody");

    QTemporaryDir dir;
    QVERIFY(MakeFolder(dir.path(), nullptr));
    const QString programFolder = QDir(dir.path()).filePath("bin");
    QVERIFY(MakeFolder(programFolder, nullptr));
    for (const char* name : {"vq3-controller", "vq3-simulator"})
        QVERIFY(QFile::copy(BinaryPath(name), QDir(programFolder).filePath(name)));

    const QString home = QDir(dir.path()).filePath("home");
    const QString config = QDir(home).filePath(".config/vq3-controller");
    const QString run = QDir(dir.path()).filePath("run");
    for (const QString& folder : {home, QDir(home).filePath(".config"), config, run})
        QVERIFY(MakeFolder(folder, user));
    QVERIFY(QFile::setPermissions(run, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner));
    const QString profile = QDir(config).filePath("VQ3_CNT.ini");
    {
        QFile file(profile);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write("[INIT]\r\nPORT=1\r\nMAIN_X=23\r\n");
    }
    QVERIFY(::chown(QFile::encodeName(profile).constData(), user->pw_uid, user->pw_gid) == 0);

    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("HOME", home);
    env.remove("XDG_CONFIG_HOME");
    env.insert("XDG_RUNTIME_DIR", run);
    env.insert("QT_QPA_PLATFORM", "offscreen");
    const QString socketPath = QDir(run).filePath("auto.sock");
    env.insert("VQ3_AUTOMATION", socketPath);

    // The simulator's link in the configuration folder is where the program looks for COM1.
    const QString link = QDir(config).filePath("COM1");
    const QString received = QDir(run).filePath("sim.rx");
    QProcess sim;
    QVERIFY(StartAs(sim, user, QDir(programFolder).filePath("vq3-simulator"),
                    {"--link", link, "--log", received, "--quiet"}, env));
    QVERIFY(QTest::qWaitFor([&] { return QFileInfo(link).isSymLink(); }, 5000));

    QProcess controller;
    QVERIFY(StartAs(controller, user, QDir(programFolder).filePath("vq3-controller"), {}, env));
    QLocalSocket socket;
    QVERIFY(QTest::qWaitFor(
        [&] {
            socket.connectToServer(socketPath);
            return socket.waitForConnected(100);
        },
        10000));
    QVERIFY2(QTest::qWaitFor([&] { return Contents(received).contains("INP\r"); }, 5000),
             "the link in the configuration folder was not opened");
    QCOMPARE(WorkingDirectory(controller.processId()), QFileInfo(config).canonicalFilePath());

    socket.write("{\"cmd\":\"close\",\"path\":\"CControllerDlg\"}\n");
    socket.flush();
    QVERIFY(controller.waitForFinished(10000));
    QCOMPARE(controller.exitStatus(), QProcess::NormalExit);
    QVERIFY2(Contents(profile).contains("PORT=1\r\nMAIN_X="), Contents(profile).constData());
    QVERIFY(Contents(profile).contains("OPENPARAM="));
    QCOMPARE(QDir(programFolder).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot),
             (QStringList{"vq3-controller", "vq3-simulator"}));

    sim.terminate();
    QVERIFY(sim.waitForFinished(5000));
}

QTEST_GUILESS_MAIN(InstallTest)
#include "tst_install_e2e.moc"
