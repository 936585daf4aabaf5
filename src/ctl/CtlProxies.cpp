#include "ctl/CtlProxies.h"

#include "bus/BusNames.h"

namespace vq3::ctl {

namespace {

const QString kProperties = QStringLiteral("org.freedesktop.DBus.Properties");

} // namespace

CtlProxies::CtlProxies(const QString& owner, const QDBusConnection& bus, int timeoutMs)
    : m_link(owner, QString::fromLatin1(bus::kObjectPath), bus),
      m_unit(owner, QString::fromLatin1(bus::kObjectPath), bus) {
    m_link.setTimeout(timeoutMs);
    m_unit.setTimeout(timeoutMs);
}

QDBusAbstractInterface& CtlProxies::Interface(bool onLink) {
    if (onLink)
        return m_link;
    return m_unit;
}

QDBusPendingCall CtlProxies::Place(Method method, const QVariantList& arguments) {
    const QVariant first = arguments.value(0);
    switch (method) {
    case Method::Connect:
        return m_link.Connect(first.toString());
    case Method::Disconnect:
        return m_link.Disconnect();
    case Method::Send:
        return m_link.Send(first.toString());
    case Method::SetLamp:
        return m_unit.SetLamp(first.toBool());
    case Method::WaitLampStable:
        return m_unit.WaitLampStable(first.toDouble());
    case Method::SetShutter:
        return m_unit.SetShutter(first.toBool());
    case Method::Expose:
        return m_unit.Expose(first.toDouble());
    case Method::StartExposure:
        return m_unit.StartExposure(first.toDouble());
    case Method::StopExposure:
        return m_unit.StopExposure();
    case Method::ReadIntensity:
        return m_unit.ReadIntensity();
    case Method::SetIntensity:
        return m_unit.SetIntensity(first.toInt());
    case Method::StepIntensity:
        return m_unit.StepIntensity(first.toInt(), arguments.value(1).toUInt());
    case Method::ReadLampHours:
        return m_unit.ReadLampHours();
    case Method::StartProgram:
        return m_unit.StartProgram(first.toUInt());
    case Method::StopProgram:
        return m_unit.StopProgram();
    case Method::ReadStep:
        return m_unit.ReadStep();
    case Method::None:
        break;
    }
    return QDBusPendingCall::fromError(
        QDBusError(QDBusError::InternalError, QStringLiteral("The command calls no method.")));
}

QDBusPendingCall GetAllProperties(const QDBusAbstractInterface& proxy) {
    QDBusMessage message = QDBusMessage::createMethodCall(proxy.service(), proxy.path(),
                                                          kProperties, QStringLiteral("GetAll"));
    message << proxy.interface();
    return proxy.connection().asyncCall(message, proxy.timeout());
}

bool WatchProperties(const QDBusAbstractInterface& proxy, QObject* receiver, const char* slot) {
    QDBusConnection bus = proxy.connection();
    return bus.connect(proxy.service(), proxy.path(), kProperties,
                       QStringLiteral("PropertiesChanged"), {proxy.interface()}, QString(),
                       receiver, slot);
}

} // namespace vq3::ctl
