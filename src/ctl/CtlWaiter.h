#pragma once

#include "ctl/CtlExit.h"
#include "ctl/CtlWaitCondition.h"

#include <QObject>
#include <QStringList>
#include <QVariantMap>

namespace vq3::ctl {

class CtlProxies;
struct WaitPoll;

// `vq3ctl wait`: reads the property once (GetAll), then follows its PropertiesChanged until it
// holds the value. Meanwhile it has the unit asked for it every 0.5 s, so that the wait works
// when nothing else asks: the status lamps through ReadStatus, the other Unit properties
// through their own read, whose reply is the value. Link properties change without asking.
// A read that fails (Busy, NotConnected, Timeout...) is tried again and ends nothing.
class CtlWaiter : public QObject {
    Q_OBJECT
public:
    CtlWaiter(const WaitCondition& condition, CtlProxies& proxies, QObject* parent = nullptr);

    // Subscribes and reads the current value; false when the bus refused the subscription.
    bool Start();

signals:
    void held();
    void failed(const vq3::ctl::Failure& failure); // the value could not be read at all

private slots:
    void onPropertiesChanged(const QString& interface, const QVariantMap& changed,
                             const QStringList& invalidated);

private:
    void Check(const QVariant& value);
    void Poll();

    WaitCondition m_condition;
    CtlProxies& m_proxies;
    const WaitPoll* m_poll = nullptr; // none for Link properties
    bool m_held = false;
};

} // namespace vq3::ctl
