// vq3ctl: runs the light source through the vq3-controller that runs in this desktop session,
// over the session bus. Its windows show everything a script does.
#include "bus/BusTypes.h"
#include "ctl/CtlClient.h"
#include "ctl/CtlCommand.h"
#include "ctl/CtlExit.h"
#include "ctl/CtlOutput.h"
#include "ctl/CtlSignals.h"

#include <QCoreApplication>
#include <QDBusConnection>
#include <QTimer>

using namespace vq3::ctl;

int main(int argc, char* argv[]) {
    QCoreApplication application(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("vq3ctl"));
    QCoreApplication::setApplicationVersion(QStringLiteral(VQ3_VERSION));

    const ParseResult parsed = ParseCommandLine(QCoreApplication::arguments().mid(1));
    if (!parsed.command) {
        PrintError(OwnFailure(kBadUsage, parsed.usageError + QStringLiteral(" See vq3ctl --help.")),
                   parsed.json);
        return kBadUsage;
    }
    if (parsed.command->action == Action::Help) {
        PrintNow(UsageText());
        return kDone;
    }
    if (parsed.command->action == Action::Version) {
        PrintNow(QStringLiteral("vq3ctl " VQ3_VERSION "\n"));
        return kDone;
    }

    vq3::bus::RegisterBusTypes();
    const QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected()) {
        PrintError(OwnFailure(kNoController,
                              QStringLiteral("There is no session bus here (%1), so no "
                                             "vq3-controller can be reached: run vq3ctl in the "
                                             "desktop session of the user who runs "
                                             "vq3-controller.")
                                  .arg(bus.lastError().message())),
                   parsed.command->json);
        return kNoController;
    }
    // Ctrl-C or SIGTERM: vq3ctl ends at once, and with it its bus connection, so that the
    // controller ends the call it was serving for it. Until the connection is made they keep
    // their default action: a bus that does not answer cannot hold vq3ctl.
    CtlSignals endings;
    QObject::connect(&endings, &CtlSignals::caught, &application,
                     [](int number) { QCoreApplication::exit(128 + number); });
    endings.Install();

    CtlClient client(*parsed.command, bus);
    QObject::connect(&client, &CtlClient::finished, &application,
                     [](int status) { QCoreApplication::exit(status); });
    QTimer::singleShot(0, &client, &CtlClient::Start);
    return QCoreApplication::exec();
}
