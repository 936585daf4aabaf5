#pragma once

#include <QString>
#include <QVariant>

#include <optional>

namespace vq3::ctl {

// What `vq3ctl wait PROPERTY VALUE` waits for: one property of the controller and the value it
// must hold, compared as the property's type.
struct WaitCondition {
    enum class Compare { Equal, AtLeast, AtMost, Above, Below };

    QString property;
    bool onLink = false; // else a property of the Unit interface
    QString signature;   // the property's D-Bus type: b, i, d or s
    Compare compare = Compare::Equal;
    QVariant value; // bool, double or QString
    QString text;   // VALUE as given, for messages

    // Whether the property's current value (as the bus delivers it) fulfils the condition. A
    // value of another type never does.
    bool HeldBy(const QVariant& current) const;
};

struct WaitConditionResult {
    std::optional<WaitCondition> condition;
    QString problem; // one sentence when the property is unknown or the value not of its type
};

// VALUE as the property's type: true or false; a number in the C locale, for numbers also
// >=N, <=N, >N or <N (whole for an integer property); a string as it stands.
WaitConditionResult ParseWaitCondition(const QString& property, const QString& value);

} // namespace vq3::ctl
