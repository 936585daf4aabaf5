#include "app/CControllerApp.h"

#include "app/ProfileFolder.h"
#include "bus/ControllerBus.h"
#include "control/UnitController.h"
#include "link/CSerialPort.h"
#include "resources/Messages.h"
#include "ui/CControllerDlg.h"
#include "ui/Prompter.h"

#include <QApplication>
#include <QDir>
#include <QLocale>
#include <QLoggingCategory>
#include <QSocketNotifier>
#include <QStandardPaths>

#include <csignal>
#include <sys/socket.h>
#include <unistd.h>

namespace vq3::app {

namespace {

Q_LOGGING_CATEGORY(lcScripting, "vq3.bus")

int g_signalPipe[2] = {-1, -1};

void OnTerminationSignal(int) {
    const char byte = 1;
    [[maybe_unused]] ssize_t ignored = ::write(g_signalPipe[1], &byte, 1);
}

// SIGTERM and SIGINT end the program like the close box, so the profile is written.
void RouteSignalsTo(ui::CControllerDlg* window, QObject* context) {
    if (g_signalPipe[0] < 0 && ::socketpair(AF_UNIX, SOCK_STREAM, 0, g_signalPipe) != 0)
        return;
    auto* notifier = new QSocketNotifier(g_signalPipe[0], QSocketNotifier::Read, context);
    QObject::connect(notifier, &QSocketNotifier::activated, context, [window] {
        char byte;
        [[maybe_unused]] ssize_t ignored = ::read(g_signalPipe[0], &byte, 1);
        // Like the close box; open message boxes and dialogs are dismissed first, so that
        // a logout does not wait for an answer nobody will give.
        for (int guard = 0; guard < 16; ++guard) {
            QWidget* modal = QApplication::activeModalWidget();
            if (!modal || !modal->close())
                break;
        }
        window->OnEndCancel();
    });
    struct sigaction action = {};
    action.sa_handler = OnTerminationSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    sigaction(SIGTERM, &action, nullptr);
    sigaction(SIGINT, &action, nullptr);
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

bool CControllerApp::StartUp() {
    QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates));

    // Testing and taking the guard is one step, so two instances started at once cannot
    // both run. The lock dies with the process.
    auto guard = std::make_unique<QLockFile>(GuardPath());
    guard->setStaleLockTime(0);
    if (!guard->tryLock(0)) {
        ui::prompter().ShowMessage(nullptr, resources::Message(resources::msg::AlreadyRunning),
                                   ui::ApplicationCaption());
        return false;
    }
    m_instanceLock = std::move(guard);

    // Beside the program, or the user's configuration folder when installed where the
    // program cannot write.
    const QString folder = ProfileFolder();
    QDir::setCurrent(folder);
    link::CSerialPort::SetDeviceFolder(folder);
    m_profile.SetPath(QDir(folder).filePath(QString::fromLatin1(kProfileName)));

    QObject context;
    {
        // The main window lives in the application's event loop until it has ended; no
        // other window is blocked meanwhile.
        control::UnitController unit;
        ui::CControllerDlg window(m_profile, unit);
        // Scripts reach the unit over the session bus, beside the windows.
        bus::ControllerBus scripting(unit);
        if (QApplication::arguments().contains(QStringLiteral("--no-scripting")))
            qCInfo(lcScripting) << "scripting is off (--no-scripting)";
        else
            scripting.Register();
        RouteSignalsTo(&window, &context);
        // exit, not quit: quit would first ask every window to close, and the tool windows
        // only hide.
        QObject::connect(&window, &ui::CControllerDlg::ended, qApp, [] { QApplication::exit(0); });
        window.Start();
        if (!window.HasEnded())
            QApplication::exec();
        window.OnWindowDestroy();
    }
    return false;
}

int CControllerApp::ShutDown() {
    if (m_instanceLock)
        m_instanceLock->unlock();
    m_instanceLock.reset();
    return 0;
}

} // namespace vq3::app
