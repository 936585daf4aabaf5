// Where the program keeps its profile and "COMn" links: beside itself when it can write
// there, otherwise in the user's configuration folder.
#include "app/ProfileFolder.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QTest>

using vq3::app::ChooseProfileFolder;
using vq3::app::FolderTakesFiles;
using vq3::app::IsSystemProgramFolder;

namespace {

QStringList g_asked;

bool Writable(const QString& folder) {
    g_asked.append(folder);
    return true;
}

bool ReadOnly(const QString& folder) {
    g_asked.append(folder);
    return false;
}

} // namespace

class ProgramFolderTest : public QObject {
    Q_OBJECT
private slots:
    void systemProgramFolders_data();
    void systemProgramFolders();
    void folderTakesFiles_data();
    void folderTakesFiles();
    void probeLeavesNothingBehind();
    void choice_data();
    void choice();
    void chosenConfigFolderKeepsItsFiles();
};

void ProgramFolderTest::systemProgramFolders_data() {
    QTest::addColumn<QString>("folder");
    QTest::addColumn<bool>("system");
    QTest::newRow("/usr/bin") << "/usr/bin" << true;
    QTest::newRow("/usr/local/bin") << "/usr/local/bin" << true;
    QTest::newRow("/bin") << "/bin" << true;
    QTest::newRow("/usr/sbin") << "/usr/sbin" << true;
    QTest::newRow("trailing slash") << "/usr/bin/" << true;
    QTest::newRow("doubled slash") << "/usr//local/bin" << true;
    QTest::newRow("dot-dot") << "/usr/lib/../bin" << true;
    QTest::newRow("look-alike") << "/usr/binx" << false;
    QTest::newRow("prefix only") << "/usr" << false;
    QTest::newRow("another prefix") << "/opt/vq3/bin" << false;
    QTest::newRow("user's bin") << "/home/op/bin" << false;
    QTest::newRow("empty") << "" << false;
}

void ProgramFolderTest::systemProgramFolders() {
    QFETCH(QString, folder);
    QFETCH(bool, system);
    QCOMPARE(IsSystemProgramFolder(folder), system);
}

void ProgramFolderTest::folderTakesFiles_data() {
    QTest::addColumn<QString>("kind");
    QTest::addColumn<bool>("takes");
    QTest::newRow("scratch folder") << "scratch" << true;
    // Root may write /usr/bin, yet an installed program must not litter it.
    QTest::newRow("/usr/bin") << "/usr/bin" << false;
    QTest::newRow("/usr/local/bin") << "/usr/local/bin" << false;
    QTest::newRow("link to /usr/bin") << "link" << false;
    // Nobody, root included, can add a file here.
    QTest::newRow("/proc") << "/proc" << false;
    QTest::newRow("missing folder") << "missing" << false;
    QTest::newRow("a file, not a folder") << "file" << false;
    QTest::newRow("empty path") << "" << false;
}

void ProgramFolderTest::folderTakesFiles() {
    QFETCH(QString, kind);
    QFETCH(bool, takes);
    QTemporaryDir scratch;
    QVERIFY(scratch.isValid());
    QString folder = kind;
    if (kind == "scratch") {
        folder = scratch.path();
    } else if (kind == "link") {
        folder = scratch.filePath("bin");
        QVERIFY(QFile::link("/usr/bin", folder));
    } else if (kind == "missing") {
        folder = scratch.filePath("gone");
    } else if (kind == "file") {
        folder = scratch.filePath("plain");
        QFile file(folder);
        QVERIFY(file.open(QIODevice::WriteOnly));
    }
    QCOMPARE(FolderTakesFiles(folder), takes);
}

void ProgramFolderTest::probeLeavesNothingBehind() {
    QTemporaryDir scratch;
    QVERIFY(FolderTakesFiles(scratch.path()));
    QVERIFY(FolderTakesFiles(scratch.path()));
    QCOMPARE(QDir(scratch.path())
                 .entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot),
             QStringList());
}

void ProgramFolderTest::choice_data() {
    QTest::addColumn<bool>("writable");
    QTest::addColumn<bool>("noConfigFolder");
    QTest::addColumn<bool>("expectConfig");
    QTest::newRow("writable: beside the program") << true << false << false;
    QTest::newRow("not writable: configuration folder") << false << false << true;
    QTest::newRow("no configuration folder known") << false << true << false;
}

void ProgramFolderTest::choice() {
    QFETCH(bool, writable);
    QFETCH(bool, noConfigFolder);
    QFETCH(bool, expectConfig);
    QTemporaryDir scratch;
    const QString program = scratch.filePath("program");
    QVERIFY(QDir().mkpath(program));
    const QString config =
        noConfigFolder ? QString() : scratch.filePath("home/.config/vq3-controller");

    g_asked.clear();
    const QString chosen = ChooseProfileFolder(program, config, writable ? &Writable : &ReadOnly);

    QCOMPARE(chosen, expectConfig ? config : program);
    if (!noConfigFolder) {
        QCOMPARE(g_asked, QStringList{program});
        // The configuration folder exists exactly when it was chosen.
        QCOMPARE(QFileInfo(config).isDir(), expectConfig);
    }
}

void ProgramFolderTest::chosenConfigFolderKeepsItsFiles() {
    QTemporaryDir scratch;
    const QString config = scratch.filePath("vq3-controller");
    QVERIFY(QDir().mkpath(config));
    const QString profile = QDir(config).filePath("VQ3_CNT.ini");
    {
        QFile file(profile);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write("[INIT]\r\nPORT=3\r\n");
    }
    QCOMPARE(ChooseProfileFolder("/usr/bin", config, &FolderTakesFiles), config);
    QFile file(profile);
    QVERIFY(file.open(QIODevice::ReadOnly));
    QCOMPARE(file.readAll(), QByteArray("[INIT]\r\nPORT=3\r\n"));
}

QTEST_GUILESS_MAIN(ProgramFolderTest)
#include "tst_programfolder.moc"
