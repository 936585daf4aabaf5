#pragma once

#include "model/UnitSettings.h"

#include <QString>

class QIODevice;

namespace vq3::files {

// Seven lines "%s,%d" with labels 27..33, each ended by CR LF, written through QSaveFile.
// Returns false when the file cannot be created, written or committed; the old file stays.
bool StoreSettingsFile(const QString& path, const model::UnitSettingsRecord& record);

// Reads lines 1..7: each must hold its label anywhere and a comma; the value after the first
// comma must be a well-formed integer; a value out of its range is a failure but reading goes
// on. Returns false on any failure (a file that cannot be opened included). *record receives
// every value that was read.
bool LoadSettingsFile(QIODevice* device, model::UnitSettingsRecord* record);
bool LoadSettingsFile(const QString& path, model::UnitSettingsRecord* record);

// The seven-line description shown in the confirmations, each line ended by "\n".
QString DescribeSettings(const model::UnitSettingsRecord& record);

} // namespace vq3::files
