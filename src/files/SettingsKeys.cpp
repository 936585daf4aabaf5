#include "files/SettingsKeys.h"

#include "model/SettingRules.h"
#include "resources/Messages.h"

#include <QMetaType>

#include <algorithm>
#include <limits>
#include <optional>

namespace vq3::files {

using namespace model;

namespace {

bool IsSettingKey(const QString& key) {
    for (int i = 0; i < kUnitSettingCount; ++i)
        if (key == SettingKey(i))
            return true;
    return false;
}

// The value of an integer of any width; a double or a text is not a whole number here.
std::optional<long long> WholeNumber(const QVariant& value) {
    switch (value.metaType().id()) {
    case QMetaType::UChar:
    case QMetaType::Short:
    case QMetaType::UShort:
    case QMetaType::Int:
    case QMetaType::UInt:
    case QMetaType::Long:
    case QMetaType::LongLong:
        return value.toLongLong();
    case QMetaType::ULong:
    case QMetaType::ULongLong:
        return static_cast<long long>(
            std::min<qulonglong>(value.toULongLong(), std::numeric_limits<long long>::max()));
    default:
        return std::nullopt;
    }
}

// Checks one key's value; returns the problem or an empty text and sets *stored.
QString CheckSetting(const SettingRule& rule, const QVariant& value, SettingsLimits limits,
                     int* stored) {
    const QString key = QString::fromLatin1(rule.key);
    if (rule.unit == SettingUnit::OnOff) {
        if (value.metaType().id() != QMetaType::Bool)
            return key + QStringLiteral(" must be true or false.");
        *stored = value.toBool() ? 1 : 0;
        return {};
    }
    if (rule.unit == SettingUnit::HighLow) {
        const QString text = value.metaType().id() == QMetaType::QString ? value.toString() : "";
        if (text != QLatin1String("LOW") && text != QLatin1String("HIGH"))
            return key + QStringLiteral(" must be \"LOW\" or \"HIGH\".");
        *stored = text == QLatin1String("HIGH") ? 1 : 0;
        return {};
    }
    const std::optional<long long> number = WholeNumber(value);
    if (!number)
        return key + QStringLiteral(": ") + resources::Message(resources::msg::ValueWrong);
    if (rule.unit == SettingUnit::Steps) {
        if (!InFileRange(rule, *number))
            return key + QStringLiteral(" must be 1 or 7 (steps).");
        *stored = static_cast<int>(*number);
        return {};
    }
    // Hours are kept in hundreds, truncated toward zero as the dialog does.
    const long long n = SentValue(rule, *number);
    if (limits == SettingsLimits::File && (!InFileRange(rule, n) || *number < 0))
        return QStringLiteral("%1 %2 is outside the range of the settings file.")
            .arg(key)
            .arg(*number);
    if (limits == SettingsLimits::Dialogs && !InDialogRange(rule, n))
        return key + QStringLiteral(": ") + resources::Message(rule.dialogRangeMessage);
    *stored = static_cast<int>(n);
    return {};
}

} // namespace

QString SettingKey(int setting) {
    const SettingRule* rule = RuleOfSetting(setting);
    return rule ? QString::fromLatin1(rule->key) : QString();
}

QVariantMap SettingsToKeys(const UnitSettingsRecord& record) {
    QVariantMap keys;
    for (int i = 0; i < kUnitSettingCount; ++i) {
        const int value = record[i];
        const SettingRule& rule = *RuleOfSetting(i);
        if (value == -1)
            continue;
        if (rule.unit == SettingUnit::OnOff)
            keys.insert(SettingKey(i), value != 0);
        else if (rule.unit == SettingUnit::HighLow)
            keys.insert(SettingKey(i), value ? QStringLiteral("HIGH") : QStringLiteral("LOW"));
        else
            keys.insert(SettingKey(i), static_cast<int>(TypedValue(rule, value)));
    }
    return keys;
}

SettingsFromKeysResult SettingsFromKeys(const QVariantMap& keys, SettingsLimits limits) {
    SettingsFromKeysResult result;
    for (auto it = keys.cbegin(); it != keys.cend(); ++it) {
        if (!IsSettingKey(it.key())) {
            result.problem = QStringLiteral("The unit has no setting named \"%1\".").arg(it.key());
            return result;
        }
    }
    for (int i = 0; i < kUnitSettingCount; ++i) {
        const auto value = keys.constFind(SettingKey(i));
        if (value == keys.cend()) {
            result.problem = QStringLiteral("The settings lack %1.").arg(SettingKey(i));
            return result;
        }
        result.problem = CheckSetting(*RuleOfSetting(i), *value, limits, &result.record[i]);
        if (!result.problem.isEmpty())
            return result;
    }
    return result;
}

} // namespace vq3::files
