#pragma once

#include <QList>
#include <QMetaType>

class QDBusArgument;

namespace vq3::bus {

// One memory step program step on the bus, D-Bus type (dd): the intensity (percent or watts,
// after the program's intensity mode) and the shutter time in seconds.
struct ProgramStep {
    double intensity = 0.0;
    double shutterTime = 0.0;
    friend bool operator==(const ProgramStep&, const ProgramStep&) = default;
};
using ProgramSteps = QList<ProgramStep>; // a(dd)

QDBusArgument& operator<<(QDBusArgument& argument, const ProgramStep& step);
const QDBusArgument& operator>>(const QDBusArgument& argument, ProgramStep& step);

// Registers the types with QtDBus; call once before the first call or export.
void RegisterBusTypes();

} // namespace vq3::bus

Q_DECLARE_METATYPE(vq3::bus::ProgramStep)
