#pragma once

#include <QDBusConnection>
#include <QObject>
#include <QStringList>
#include <QVariantMap>

class QDBusServiceWatcher;

namespace vq3::ctl {

// `vq3ctl monitor`: prints every property change of the controller's object and every
// traffic line, one line each ("Name: value", or {"Name": value} with JSON), flushed at once.
// Ends (exit status 8) when the controller leaves the bus.
class CtlMonitor : public QObject {
    Q_OBJECT
public:
    CtlMonitor(const QDBusConnection& bus, bool json, QObject* parent = nullptr);

    // Subscribes; false when the bus refused a subscription.
    bool Start();

signals:
    void finished(int exitStatus);

private slots:
    void onPropertiesChanged(const QString& interface, const QVariantMap& changed,
                             const QStringList& invalidated);
    void onTraffic(const QString& line);

private:
    QDBusConnection m_bus;
    bool m_json = false;
    QDBusServiceWatcher* m_watcher = nullptr;
};

} // namespace vq3::ctl
