#include "ctl/CtlOutput.h"

#include <QJsonDocument>
#include <QJsonObject>
#include <QJsonValue>

#include <cstdio>

namespace vq3::ctl {

const QStringList kLinkProperties = {"Port", "State", "Device", "Busy"};
const QStringList kUnitProperties = {"Status",       "LampOn",       "LampStable", "ShutterOpen",
                                     "MinIntensity", "MaxIntensity", "Error",      "Intensity",
                                     "LampHours",    "AutoTime",     "RestTime",   "Step"};

Fields OrderedProperties(const QVariantMap& properties, const QStringList& order) {
    Fields fields;
    for (const QString& name : order) {
        if (properties.contains(name))
            fields.append({name, properties.value(name)});
    }
    for (auto it = properties.cbegin(); it != properties.cend(); ++it) {
        if (!order.contains(it.key()))
            fields.append({it.key(), it.value()});
    }
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

void PrintNow(const QString& text) {
    const QByteArray bytes = text.toUtf8();
    std::fwrite(bytes.constData(), 1, static_cast<size_t>(bytes.size()), stdout);
    std::fflush(stdout);
}

void PrintError(const QString& message) {
    const QByteArray bytes = (QStringLiteral("vq3ctl: ") + message + QLatin1Char('\n')).toUtf8();
    std::fwrite(bytes.constData(), 1, static_cast<size_t>(bytes.size()), stderr);
}

} // namespace vq3::ctl
