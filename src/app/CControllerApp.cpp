#include "app/CControllerApp.h"

#include "app/HeadlessRun.h"
#include "app/ProfileFolder.h"
#include "app/TerminationSignals.h"
#include "bus/ControllerBus.h"
#include "control/UnitController.h"
#include "resources/Messages.h"
#include "ui/CControllerDlg.h"
#include "ui/Prompter.h"

#include <QApplication>
#include <QDir>
#include <QLocale>
#include <QLoggingCategory>
#include <QStandardPaths>

#include <cstdio>

namespace vq3::app {

namespace {

Q_LOGGING_CATEGORY(lcScripting, "vq3.bus")

// SIGTERM and SIGINT end the program like the close box, so the profile is written. Open
// message boxes and dialogs are dismissed first, so that a logout does not wait for an answer
// nobody will give.
void EndOnTerminationSignals(ui::CControllerDlg* window, QObject* context) {
    OnTerminationSignals(context, [window] {
        for (int guard = 0; guard < 16; ++guard) {
            QWidget* modal = QApplication::activeModalWidget();
            if (!modal || !modal->close())
                break;
        }
        window->OnEndCancel();
    });
}

} // namespace

CControllerApp::CControllerApp() = default;
CControllerApp::~CControllerApp() = default;

QString CControllerApp::GuardPath() {
    QString folder = QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation);
    if (folder.isEmpty())
        folder = QDir::tempPath();
    return QDir(folder).filePath(QString::fromLatin1(kInstanceGuardName) + ".lock");
}

bool CControllerApp::HeadlessRequested(int argc, const char* const* argv) {
    for (int i = 1; i < argc; ++i)
        if (qstrcmp(argv[i], "--headless") == 0)
            return true;
    return false;
}

bool CControllerApp::StartUp(Mode mode) {
    QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates));
    const bool scripting =
        !QCoreApplication::arguments().contains(QStringLiteral("--no-scripting"));
    if (mode == Mode::Headless && !scripting) {
        std::fprintf(stderr, "vq3-controller: --headless needs scripting: without the session "
                             "bus nothing could reach it\n");
        m_exitCode = 2;
        return false;
    }

    // Testing and taking the guard is one step, so two instances started at once cannot
    // both run, windowed or not. The lock dies with the process.
    auto guard = std::make_unique<QLockFile>(GuardPath());
    guard->setStaleLockTime(0);
    if (!guard->tryLock(0)) {
        const QString text = resources::Message(resources::msg::AlreadyRunning);
        if (mode == Mode::Headless) {
            std::fprintf(stderr, "vq3-controller: %s\n", qPrintable(text));
            m_exitCode = 1; // a service that could not start
        } else {
            ui::prompter().ShowMessage(nullptr, text, ui::ApplicationCaption());
        }
        return false;
    }
    m_instanceLock = std::move(guard);

    // Beside the program, or the user's configuration folder when installed where the
    // program cannot write.
    const QString folder = ProfileFolder();
    QDir::setCurrent(folder);
    control::UnitController::SetDeviceFolder(folder);
    m_profile.SetPath(QDir(folder).filePath(QString::fromLatin1(kProfileName)));

    if (mode == Mode::Headless) {
        m_exitCode = RunHeadless(m_profile);
        return false;
    }
    RunWindows(scripting);
    return false;
}

void CControllerApp::RunWindows(bool scripting) {
    QObject context;
    {
        // The main window lives in the application's event loop until it has ended; no
        // other window is blocked meanwhile.
        control::UnitController unit;
        ui::CControllerDlg window(m_profile, unit);
        // Scripts reach the unit over the session bus, beside the windows.
        bus::ControllerBus bus(unit);
        if (!scripting)
            qCInfo(lcScripting) << "scripting is off (--no-scripting)";
        else
            bus.Register();
        EndOnTerminationSignals(&window, &context);
        // exit, not quit: quit would first ask every window to close, and the tool windows
        // only hide.
        QObject::connect(&window, &ui::CControllerDlg::ended, qApp, [] { QApplication::exit(0); });
        window.Start();
        if (!window.HasEnded())
            QApplication::exec();
        window.OnWindowDestroy();
    }
}

int CControllerApp::ShutDown() {
    if (m_instanceLock)
        m_instanceLock->unlock();
    m_instanceLock.reset();
    return m_exitCode;
}

} // namespace vq3::app
