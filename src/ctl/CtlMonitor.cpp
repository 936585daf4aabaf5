#include "ctl/CtlMonitor.h"

#include "ctl/CtlOutput.h"
#include "ctl/CtlProxies.h"

#include <chrono>

namespace vq3::ctl {

namespace {

quint64 MicrosecondsNow() {
    using namespace std::chrono;
    return static_cast<quint64>(
        duration_cast<microseconds>(system_clock::now().time_since_epoch()).count());
}

} // namespace

CtlMonitor::CtlMonitor(CtlProxies& proxies, bool json, QObject* parent)
    : QObject(parent), m_proxies(proxies), m_json(json) {}

bool CtlMonitor::Start() {
    const char* slot = SLOT(onPropertiesChanged(QString, QVariantMap, QStringList));
    if (!WatchProperties(m_proxies.link(), this, slot) ||
        !WatchProperties(m_proxies.unit(), this, slot))
        return false;
    // One printed line for each line of traffic, with its own time.
    connect(&m_proxies.link(), &Vq3LinkProxy::Traffic, this,
            [this](const bus::TrafficLines& lines) {
                for (const bus::TrafficLine& line : lines)
                    Print(SignalName(&Vq3LinkProxy::Traffic), line.line, line.time);
            });
    connect(&m_proxies.unit(), &Vq3UnitProxy::ExposureEnded, this,
            [this](double secondsOpen, bool complete, qulonglong time) {
                Print(SignalName(&Vq3UnitProxy::ExposureEnded), QVariantList{secondsOpen, complete},
                      time);
            });
    connect(&m_proxies.unit(), &Vq3UnitProxy::ProgramEnded, this,
            [this](uint program, qulonglong time) {
                Print(SignalName(&Vq3UnitProxy::ProgramEnded), program, time);
            });
    return true;
}

void CtlMonitor::onPropertiesChanged(const QString& interface, const QVariantMap& changed,
                                     const QStringList&) {
    const bool link = interface == m_proxies.link().interface();
    const quint64 now = MicrosecondsNow();
    // One line for each property, in the order the status shows them.
    for (const auto& [name, value] :
         OrderedProperties(changed, link ? std::span<const BusProperty>(linkprop::kAll)
                                         : std::span<const BusProperty>(unitprop::kAll)))
        Print(name, value, now);
}

void CtlMonitor::Print(const QString& name, const QVariant& value, quint64 time) const {
    PrintNow(FormatEvent(name, value, time, m_json));
}

} // namespace vq3::ctl
