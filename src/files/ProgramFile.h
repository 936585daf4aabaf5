#pragma once

#include "model/MemoryStepProgram.h"

#include <QString>
#include <QStringList>

class QIODevice;

namespace vq3::files {

// The ten lines of a memory step program file (without line ends):
// "Memory Step Program", "S-Mode:%d", "I-Mode:%d", then one "%d,%.1f" / "%.2f,%.1f" per step.
QStringList ProgramFileLines(int shutterMode, int intensityMode,
                             const std::array<model::MemoryStep, model::kStepCount>& steps);

// Writes the lines, each ended by CR LF, through QSaveFile: a failed write or commit leaves
// any old file as it was. Returns false on any failure.
bool SaveProgramFile(const QString& path, const QStringList& lines);

struct ProgramFileResult {
    int messageId = 0; // 0 when the file passed every check, else the message to show
    int shutterMode = 0;
    int intensityMode = 0;
    std::array<model::MemoryStep, model::kStepCount> steps{};
};

// Reads and checks an open file in the reader's order: form (8), shutter mode (11, 9),
// intensity mode (10, 9), steps (3, 9, 5, 9). Lines are read in pieces of at most 255
// characters; LF and CR LF endings read alike; lines after the tenth are ignored; a file
// with fewer than ten lines is malformed.
ProgramFileResult ReadProgramFile(QIODevice* device);

// Opens the path and reads it; a file that cannot be opened gives message 7.
ProgramFileResult ReadProgramFile(const QString& path);

} // namespace vq3::files
