#include "app/HeadlessRun.h"

#include "app/Profile.h"
#include "app/TerminationSignals.h"
#include "bus/ControllerBus.h"
#include "control/UnitController.h"

#include <QCoreApplication>

namespace vq3::app {

namespace {
const QString kSection = QStringLiteral("INIT");
const QString kPortKey = QStringLiteral("PORT");
} // namespace

int RunHeadless(Profile& profile) {
    control::UnitController unit;
    bus::ControllerBus bus(unit);
    if (!bus.Register())
        return 2;
    // The port as the main window takes it: 10 or more is none.
    const int port = profile.ReadInt(kSection, kPortKey, 1);
    unit.SetPort(port >= 10 ? 0 : port);
    unit.Connect();

    QObject context;
    OnTerminationSignals(&context, [&unit] {
        unit.AbandonSettings(); // a running exchange ends its call at once
        QCoreApplication::exit(0);
    });
    QCoreApplication::exec();
    unit.Close();
    profile.WriteInt(kSection, kPortKey, unit.Port());
    return 0;
}

} // namespace vq3::app
