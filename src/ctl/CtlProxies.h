#pragma once

#include "ctl/CtlCommand.h"
#include "vq3linkproxy.h"
#include "vq3unitproxy.h"

#include <QDBusPendingCall>

namespace vq3::ctl {

// The controller's two interfaces through the proxies generated from their XML, addressed to
// the connection that owned the controller's name when vq3ctl started: every call goes to that
// controller alone, and one that has gone answers ServiceUnknown.
class CtlProxies {
public:
    CtlProxies(const QString& owner, const QDBusConnection& bus, int timeoutMs);

    Vq3LinkProxy& link() { return m_link; }
    Vq3UnitProxy& unit() { return m_unit; }
    QDBusAbstractInterface& Interface(bool onLink);

    // Places the method of an Action::Call command with its arguments.
    QDBusPendingCall Place(Method method, const QVariantList& arguments);

private:
    Vq3LinkProxy m_link;
    Vq3UnitProxy m_unit;
};

// Properties.GetAll for the proxy's interface: one a{sv}.
QDBusPendingCall GetAllProperties(const QDBusAbstractInterface& proxy);

// Connects `slot` (QString interface, QVariantMap changed, QStringList invalidated) to
// Properties.PropertiesChanged of the proxy's interface; false when the bus refused.
bool WatchProperties(const QDBusAbstractInterface& proxy, QObject* receiver, const char* slot);

// The name of a signal of a generated proxy, as the XML spells it.
template <typename Proxy, typename... Args> QString SignalName(void (Proxy::*signal)(Args...)) {
    return QString::fromLatin1(QMetaMethod::fromSignal(signal).name());
}

} // namespace vq3::ctl
