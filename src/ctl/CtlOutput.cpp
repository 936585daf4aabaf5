#include "ctl/CtlOutput.h"

#include "ctl/CtlExit.h"

#include <QDateTime>
#include <QJsonDocument>
#include <QJsonObject>
#include <QJsonValue>

#include <cstdio>

namespace vq3::ctl {

Fields OrderedProperties(const QVariantMap& properties, std::span<const BusProperty> order) {
    Fields fields;
    QVariantMap others = properties;
    for (const BusProperty& property : order) {
        const QString name = QString::fromLatin1(property.name);
        if (others.contains(name))
            fields.append({name, others.take(name)});
    }
    for (auto it = others.cbegin(); it != others.cend(); ++it)
        fields.append({it.key(), it.value()});
    return fields;
}

QString PlainValue(const QVariant& value) {
    switch (value.metaType().id()) {
    case QMetaType::Bool:
        return value.toBool() ? QStringLiteral("true") : QStringLiteral("false");
    case QMetaType::Double:
        return QString::number(value.toDouble()); // always the C locale
    case QMetaType::QVariantList: {
        QStringList items;
        for (const QVariant& item : value.toList())
            items << PlainValue(item);
        return items.join(QLatin1Char(','));
    }
    default:
        return value.toString();
    }
}

QString FormatFields(const Fields& fields, bool json) {
    if (json) {
        QJsonObject object;
        for (const auto& [name, value] : fields)
            object.insert(name, QJsonValue::fromVariant(value));
        return QString::fromUtf8(QJsonDocument(object).toJson(QJsonDocument::Compact)) +
               QLatin1Char('\n');
    }
    QString text;
    for (const auto& [name, value] : fields)
        text += name + QStringLiteral(": ") + PlainValue(value) + QLatin1Char('\n');
    return text;
}

QString FormatResult(const QString& name, const QVariant& value, bool json) {
    return json ? FormatFields({{name, value}}, true) : PlainValue(value) + QLatin1Char('\n');
}

QString FormatEventTime(quint64 microseconds) {
    const auto seconds = static_cast<qint64>(microseconds / 1000000);
    const QDateTime time = QDateTime::fromSecsSinceEpoch(seconds, Qt::UTC);
    return time.toString(QStringLiteral("yyyy-MM-ddTHH:mm:ss.")) +
           QStringLiteral("%1Z").arg(microseconds % 1000000, 6, 10, QLatin1Char('0'));
}

QString FormatEvent(const QString& name, const QVariant& value, quint64 microseconds, bool json) {
    if (!json)
        return FormatEventTime(microseconds) + QLatin1Char(' ') +
               FormatFields({{name, value}}, false);
    // Microseconds since 1970 stay below 2^53 for millennia: exact in a JSON number.
    return FormatFields({{name, value}, {QStringLiteral("t"), static_cast<qint64>(microseconds)}},
                        true);
}

QString FormatError(const Failure& failure, bool json) {
    if (json)
        return FormatFields(
            {{QStringLiteral("error"), failure.name}, {QStringLiteral("message"), failure.message}},
            true);
    return QStringLiteral("vq3ctl: ") + failure.message + QLatin1Char('\n');
}

void PrintNow(const QString& text) {
    const QByteArray bytes = text.toUtf8();
    std::fwrite(bytes.constData(), 1, static_cast<size_t>(bytes.size()), stdout);
    std::fflush(stdout);
}

void PrintError(const Failure& failure, bool json) {
    const QByteArray bytes = FormatError(failure, json).toUtf8();
    std::fwrite(bytes.constData(), 1, static_cast<size_t>(bytes.size()), stderr);
}

} // namespace vq3::ctl
