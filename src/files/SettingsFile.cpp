#include "files/SettingsFile.h"

#include "files/AtomicWrite.h"
#include "files/LineReader.h"
#include "model/NumberRules.h"
#include "model/SettingRules.h"
#include "resources/Messages.h"

#include <QFile>

#include <algorithm>
#include <limits>
#include <string>

namespace vq3::files {

namespace msg = resources::msg;
using model::kUnitSettingCount;

namespace {

std::string FileLabel(int setting) {
    return resources::Message(msg::FileLabelFirst + setting).toStdString();
}

QString DescriptionLabel(int setting) {
    return resources::Message(msg::DescriptionLabelFirst + setting);
}

QString Number(long long value) {
    return QString::fromStdString(model::FormatInt(value));
}

// One value as the confirmations show it. The file keeps lamp times in hundreds of hours;
// people read hours.
QString DescribedValue(const model::SettingRule& rule, int value) {
    const QString number = Number(model::TypedValue(rule, value));
    switch (rule.unit) {
    case model::SettingUnit::Steps:
        return number + QStringLiteral(" Step");
    case model::SettingUnit::Hours:
        return number + QStringLiteral(" hour");
    case model::SettingUnit::OnOff:
        return value ? QStringLiteral("ON") : QStringLiteral("OFF");
    case model::SettingUnit::HighLow:
        return value ? QStringLiteral("HIGH") : QStringLiteral("LOW");
    default:
        return number + QStringLiteral(" ms");
    }
}

} // namespace

bool StoreSettingsFile(const QString& path, const model::UnitSettingsRecord& record) {
    QByteArray content;
    for (int i = 0; i < kUnitSettingCount; ++i) {
        content +=
            QByteArray::fromStdString(FileLabel(i) + "," + model::FormatInt(record[i]) + "\r\n");
    }
    return WriteFileAtomically(path, content);
}

bool LoadSettingsFile(QIODevice* device, model::UnitSettingsRecord* record) {
    if (!device || !device->isReadable())
        return false;
    LineReader reader(device);
    bool allValid = true;
    for (int i = 0; i < kUnitSettingCount; ++i) {
        const std::optional<std::string> line = reader.Next();
        if (!line)
            return false; // the file ended before this setting
        const size_t comma = line->find(',');
        if (line->find(FileLabel(i)) == std::string::npos || comma == std::string::npos)
            return false;
        const model::IntegerValue value = model::ParseRuleInteger(line->substr(comma + 1));
        if (value.check == model::NumberCheck::Malformed)
            return false;
        // A value outside its setting's range fails the file, but the rest is still read.
        if (value.check != model::NumberCheck::Ok || !model::SettingInRange(i, value.value))
            allValid = false;
        if (record) {
            (*record)[i] = static_cast<int>(std::clamp<long long>(
                value.value, std::numeric_limits<int>::min(), std::numeric_limits<int>::max()));
        }
    }
    return allValid;
}

bool LoadSettingsFile(const QString& path, model::UnitSettingsRecord* record) {
    QFile file(path);
    if (path.isEmpty() || !file.open(QIODevice::ReadOnly))
        return false;
    return LoadSettingsFile(&file, record);
}

QString DescribeSettings(const model::UnitSettingsRecord& record) {
    QString text;
    for (int i = 0; i < kUnitSettingCount; ++i) {
        text += DescriptionLabel(i) + QStringLiteral(" : ") +
                DescribedValue(*model::RuleOfSetting(i), record[i]) + QLatin1Char('\n');
    }
    return text;
}

} // namespace vq3::files
