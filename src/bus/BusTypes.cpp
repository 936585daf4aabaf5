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

void RegisterBusTypes() {
    qDBusRegisterMetaType<ProgramStep>();
    qDBusRegisterMetaType<ProgramSteps>();
}

} // namespace vq3::bus
