#pragma once

#include <QObject>
#include <QStringList>
#include <QVariantMap>

namespace vq3::ctl {

class CtlProxies;

// `vq3ctl monitor`: prints every property change of the controller's object, every traffic
// line and every ExposureEnded and ProgramEnded, one line each with its time ("TIME Name:
// value", or {"Name": value, "t": microseconds} with JSON), flushed at once. Signals carry
// their own time; a property change has the time it was received. Runs until vq3ctl ends.
class CtlMonitor : public QObject {
    Q_OBJECT
public:
    CtlMonitor(CtlProxies& proxies, bool json, QObject* parent = nullptr);

    // Subscribes; false when the bus refused a subscription.
    bool Start();

private slots:
    void onPropertiesChanged(const QString& interface, const QVariantMap& changed,
                             const QStringList& invalidated);

private:
    void Print(const QString& name, const QVariant& value, quint64 time) const;

    CtlProxies& m_proxies;
    bool m_json = false;
};

} // namespace vq3::ctl
