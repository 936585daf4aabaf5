#pragma once

#include <QString>

namespace vq3::resources {

// The program's numbered English texts: 1-26 messages, 27-33 settings file labels,
// 34-40 settings description labels, 41-56 setting titles and list entries,
// 57-59 value dialog range messages. Unknown numbers give an empty text.
QString Message(int id);

// Message numbers used by name in the code.
namespace msg {
enum : int {
    AlreadyRunning = 1,
    ComPortError = 2,
    IntensityWrong = 3,
    IntensityOutOfRange = 4,
    TimeWrong = 5,
    TimeOutOfRange = 6,
    FileOpenError = 7,
    FileFormatWrong = 8,
    DataError = 9,
    IntensityModeWrong = 10,
    ShutterModeWrong = 11,
    Err05 = 12,
    Err = 13,
    Ng01 = 14,
    Ng02 = 15,
    Ng03 = 16,
    Ng04 = 17,
    Ng05 = 18,
    FileRewritten = 19,
    FailedToConnect = 20,
    SaveCompleted = 21,
    DataSaved = 22,
    FailedToWrite = 23,
    RewrittenInFile = 24,
    AutoTimeOutOfRange = 25,
    DisconnectPort = 26,
    FileLabelFirst = 27,        // 27..33, one per setting
    DescriptionLabelFirst = 34, // 34..40, one per setting
    ValueHoursOutOfRange = 57,
    ValuePulseOutOfRange = 58,
    ValueWrong = 59,
};
} // namespace msg

} // namespace vq3::resources
