#pragma once

#include <QList>
#include <QString>
#include <QStringList>
#include <QVariant>

#include <utility>

namespace vq3::ctl {

// Named values in the order they are printed.
using Fields = QList<std::pair<QString, QVariant>>;

// The properties of the two interfaces, in the order they are printed.
extern const QStringList kLinkProperties;
extern const QStringList kUnitProperties;

// The properties named in `order` that `properties` holds, in that order, then any others.
Fields OrderedProperties(const QVariantMap& properties, const QStringList& order);

// One value as text: true/false, whole numbers, decimals in the C locale ("12.5").
QString PlainValue(const QVariant& value);

// "Name: value" lines, or one compact JSON object on one line. Every line ends with "\n".
QString FormatFields(const Fields& fields, bool json);

// A single returned value: the value alone, or {"Name": value} with --json.
QString FormatResult(const QString& name, const QVariant& value, bool json);

// Writes text to standard output at once (a monitor's reader sees every line as it comes).
void PrintNow(const QString& text);

// Writes "vq3ctl: " and the message as one line to standard error.
void PrintError(const QString& message);

} // namespace vq3::ctl
