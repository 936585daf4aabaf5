#pragma once

#include "model/UnitSettings.h"

#include <QString>
#include <QVariantMap>

namespace vq3::files {

// The unit settings as named values (D-Bus a{sv}), for scripts, under the keys, in the units
// and within the ranges of model/SettingRules.h: ProgramMode (int, 1 or 7), LampAlarmTime and
// ForcedLampOffTime (int, hours), InstantaneousRecovery (bool), ShutterResponse ("LOW" or
// "HIGH"), ShutterOpenPulseTime and ShutterClosePulseTime (int, ms).
// The record keeps the hour settings in hundreds of hours, as the unit and the file do.

// The key of one model::UnitSetting.
QString SettingKey(int setting);

// Every received value under its key; settings not received (-1) are left out.
QVariantMap SettingsToKeys(const model::UnitSettingsRecord& record);

struct SettingsFromKeysResult {
    QString problem; // empty when every key passed; else one sentence about the first fault
    model::UnitSettingsRecord record = model::kNoSettings;
};

// Which values a conversion accepts: a rule's dialog range (for values a script asks to
// write: hours truncated to hundreds as the dialog does), or its file range (for values the
// unit reported).
enum class SettingsLimits { Dialogs, File };

// Needs all seven keys and no other, each of its type and within the limits. Whole numbers
// may come as any integer type.
SettingsFromKeysResult SettingsFromKeys(const QVariantMap& keys, SettingsLimits limits);

} // namespace vq3::files
