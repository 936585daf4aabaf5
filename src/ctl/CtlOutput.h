#pragma once

#include "ctl/BusProperties.h"

#include <QList>
#include <QString>
#include <QVariant>

#include <span>
#include <utility>

namespace vq3::ctl {

struct Failure;

// Named values in the order they are printed.
using Fields = QList<std::pair<QString, QVariant>>;

// The properties named in `order` that `properties` holds, in that order, then any others.
Fields OrderedProperties(const QVariantMap& properties, std::span<const BusProperty> order);

// One value as text: true/false, whole numbers, decimals in the C locale ("12.5").
QString PlainValue(const QVariant& value);

// "Name: value" lines, or one compact JSON object on one line. Every line ends with "\n".
QString FormatFields(const Fields& fields, bool json);

// A single returned value: the value alone, or {"Name": value} with --json.
QString FormatResult(const QString& name, const QVariant& value, bool json);

// A time in microseconds since the Unix epoch as UTC in ISO 8601 with microseconds:
// "2026-12-09T20:09:23.123456Z".
QString FormatEventTime(quint64 microseconds);

// One event of `monitor`: "TIME Name: value", or {"Name": value, "t": microseconds}.
QString FormatEvent(const QString& name, const QVariant& value, quint64 microseconds, bool json);

// An error: "vq3ctl: message", or {"error": name, "message": message}. Ends with "\n".
QString FormatError(const Failure& failure, bool json);

// Writes text to standard output at once (a monitor's reader sees every line as it comes).
void PrintNow(const QString& text);

// Writes the error to standard error.
void PrintError(const Failure& failure, bool json);

} // namespace vq3::ctl
