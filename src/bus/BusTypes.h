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

// One line of traffic, D-Bus type (st): the line as dispatched (echoes begin with ">") and
// when it was handled, in microseconds since the Unix epoch.
struct TrafficLine {
    QString line;
    qulonglong time = 0;
    friend bool operator==(const TrafficLine&, const TrafficLine&) = default;
};
using TrafficLines = QList<TrafficLine>; // a(st)

QDBusArgument& operator<<(QDBusArgument& argument, const ProgramStep& step);
const QDBusArgument& operator>>(const QDBusArgument& argument, ProgramStep& step);
QDBusArgument& operator<<(QDBusArgument& argument, const TrafficLine& line);
const QDBusArgument& operator>>(const QDBusArgument& argument, TrafficLine& line);

// Registers the types with QtDBus; call once before the first call or export.
void RegisterBusTypes();

} // namespace vq3::bus

Q_DECLARE_METATYPE(vq3::bus::ProgramStep)
Q_DECLARE_METATYPE(vq3::bus::TrafficLine)
