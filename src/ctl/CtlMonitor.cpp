#include "ctl/CtlMonitor.h"

#include "bus/BusNames.h"
#include "ctl/CtlExit.h"
#include "ctl/CtlOutput.h"

#include <QDBusServiceWatcher>

namespace vq3::ctl {

CtlMonitor::CtlMonitor(const QDBusConnection& bus, bool json, QObject* parent)
    : QObject(parent), m_bus(bus), m_json(json) {}

bool CtlMonitor::Start() {
    const QString service = QString::fromLatin1(bus::kServiceName);
    const QString path = QString::fromLatin1(bus::kObjectPath);
    m_watcher =
        new QDBusServiceWatcher(service, m_bus, QDBusServiceWatcher::WatchForUnregistration, this);
    connect(m_watcher, &QDBusServiceWatcher::serviceUnregistered, this, [this] {
        PrintError(QStringLiteral("The controller has left the bus."));
        emit finished(kNoController);
    });
    return m_bus.connect(service, path, QStringLiteral("org.freedesktop.DBus.Properties"),
                         QStringLiteral("PropertiesChanged"), this,
                         SLOT(onPropertiesChanged(QString, QVariantMap, QStringList))) &&
           m_bus.connect(service, path, QString::fromLatin1(bus::kLinkInterface),
                         QStringLiteral("Traffic"), this, SLOT(onTraffic(QString)));
}

void CtlMonitor::onPropertiesChanged(const QString& interface, const QVariantMap& changed,
                                     const QStringList&) {
    const bool link = interface == QLatin1String(bus::kLinkInterface);
    if (!link && interface != QLatin1String(bus::kUnitInterface))
        return;
    // One line for each property, in the order the status shows them.
    for (const auto& field : OrderedProperties(changed, link ? kLinkProperties : kUnitProperties))
        PrintNow(FormatFields({field}, m_json));
}

void CtlMonitor::onTraffic(const QString& line) {
    PrintNow(FormatFields({{QStringLiteral("Traffic"), line}}, m_json));
}

} // namespace vq3::ctl
