#include "bus/BusTypes.h"

#include <QDBusArgument>
#include <QDBusMetaType>

namespace vq3::bus {

QDBusArgument& operator<<(QDBusArgument& argument, const ProgramStep& step) {
    argument.beginStructure();
    argument << step.intensity << step.shutterTime;
    argument.endStructure();
    return argument;
}

const QDBusArgument& operator>>(const QDBusArgument& argument, ProgramStep& step) {
    argument.beginStructure();
    argument >> step.intensity >> step.shutterTime;
    argument.endStructure();
    return argument;
}

QDBusArgument& operator<<(QDBusArgument& argument, const TrafficLine& line) {
    argument.beginStructure();
    argument << line.line << line.time;
    argument.endStructure();
    return argument;
}

const QDBusArgument& operator>>(const QDBusArgument& argument, TrafficLine& line) {
    argument.beginStructure();
    argument >> line.line >> line.time;
    argument.endStructure();
    return argument;
}

void RegisterBusTypes() {
    qDBusRegisterMetaType<ProgramStep>();
    qDBusRegisterMetaType<ProgramSteps>();
    // The adaptors name the list by its alias: the bus finds their methods by that name.
    qRegisterMetaType<ProgramSteps>("vq3::bus::ProgramSteps");
    qDBusRegisterMetaType<TrafficLine>();
    qDBusRegisterMetaType<TrafficLines>();
    qRegisterMetaType<TrafficLines>("vq3::bus::TrafficLines");
}

} // namespace vq3::bus
