#include "files/ProgramFile.h"

#include "files/AtomicWrite.h"
#include "files/LineReader.h"
#include "model/NumberRules.h"
#include "resources/Messages.h"

#include <QFile>

#include <string>
#include <string_view>

namespace vq3::files {

namespace msg = resources::msg;
using model::kStepCount;

namespace {

constexpr int kLineCount = 3 + kStepCount;
constexpr std::string_view kHeader = "Memory Step Program";
constexpr std::string_view kShutterPrefix = "S-Mode:";
constexpr std::string_view kIntensityPrefix = "I-Mode:";
constexpr size_t kModeLineLength = 8; // the prefix and one character

bool IsModeLine(const std::string& line, std::string_view prefix) {
    return line.size() == kModeLineLength &&
           std::string_view(line).substr(0, prefix.size()) == prefix;
}

// A step line needs a comma with something on both sides of the first one.
bool IsStepLine(const std::string& line) {
    const size_t comma = line.find(',');
    return comma != std::string::npos && comma > 0 && comma + 1 < line.size();
}

bool IsWellFormed(const std::array<std::string, kLineCount>& lines) {
    if (lines[0] != kHeader || !IsModeLine(lines[1], kShutterPrefix) ||
        !IsModeLine(lines[2], kIntensityPrefix))
        return false;
    for (int i = 3; i < kLineCount; ++i) {
        if (!IsStepLine(lines[i]))
            return false;
    }
    return true;
}

// The mode character must be a one-digit integer (message `wrongMessage`) of 1 or 2 (else
// "Data Error."). Returns 0 and sets *mode when it is.
int CheckMode(const std::string& line, int wrongMessage, int* mode) {
    const model::IntegerValue value = model::ParseRuleInteger(std::string_view(line).substr(7, 1));
    if (value.check == model::NumberCheck::Malformed)
        return wrongMessage;
    if (value.check != model::NumberCheck::Ok || (value.value != 1 && value.value != 2))
        return msg::DataError;
    *mode = static_cast<int>(value.value);
    return 0;
}

int StepMessage(model::StepFault fault) {
    switch (fault) {
    case model::StepFault::IntensityMalformed:
        return msg::IntensityWrong;
    case model::StepFault::TimeMalformed:
        return msg::TimeWrong;
    case model::StepFault::IntensityOutOfRange:
    case model::StepFault::TimeOutOfRange:
        return msg::DataError; // a file's value out of range is a data error
    case model::StepFault::None:
        break;
    }
    return 0;
}

} // namespace

QStringList ProgramFileLines(int shutterMode, int intensityMode,
                             const std::array<model::MemoryStep, kStepCount>& steps) {
    QStringList lines;
    lines << QString::fromLatin1(kHeader.data(), kHeader.size())
          << QStringLiteral("S-Mode:") + QString::fromStdString(model::FormatInt(shutterMode))
          << QStringLiteral("I-Mode:") + QString::fromStdString(model::FormatInt(intensityMode));
    const model::StepTexts texts = model::NormalTexts(steps, intensityMode);
    for (int i = 0; i < kStepCount; ++i) {
        lines << QString::fromStdString(texts.intensity[i] + "," + texts.time[i]);
    }
    return lines;
}

bool SaveProgramFile(const QString& path, const QStringList& lines) {
    QByteArray content;
    for (const QString& line : lines) {
        content += line.toLatin1();
        content += "\r\n";
    }
    return WriteFileAtomically(path, content);
}

ProgramFileResult ReadProgramFile(QIODevice* device) {
    ProgramFileResult result;
    if (!device || !device->isReadable()) {
        result.messageId = msg::FileOpenError;
        return result;
    }
    // Ten lines; a file that ends early leaves the rest empty, which fails the form check.
    std::array<std::string, kLineCount> lines;
    LineReader reader(device);
    for (std::string& line : lines) {
        std::optional<std::string> read = reader.Next();
        if (!read)
            break;
        line = std::move(*read);
    }
    if (!IsWellFormed(lines)) {
        result.messageId = msg::FileFormatWrong;
        return result;
    }

    int shutterMode = 0;
    int intensityMode = 0;
    if ((result.messageId = CheckMode(lines[1], msg::ShutterModeWrong, &shutterMode)) != 0)
        return result;
    if ((result.messageId = CheckMode(lines[2], msg::IntensityModeWrong, &intensityMode)) != 0)
        return result;

    // Split at the first comma: later commas belong to the time text.
    model::StepTexts texts;
    for (int i = 0; i < kStepCount; ++i) {
        const std::string& line = lines[3 + i];
        const size_t comma = line.find(',');
        texts.intensity[i] = line.substr(0, comma);
        texts.time[i] = line.substr(comma + 1);
    }
    std::array<model::MemoryStep, kStepCount> steps{};
    const model::StepCheck check = model::CheckSteps(texts, intensityMode, &steps);
    if (check.fault != model::StepFault::None) {
        result.messageId = StepMessage(check.fault);
        return result;
    }
    result.shutterMode = shutterMode;
    result.intensityMode = intensityMode;
    result.steps = steps;
    return result;
}

ProgramFileResult ReadProgramFile(const QString& path) {
    QFile file(path);
    if (path.isEmpty() || !file.open(QIODevice::ReadOnly)) {
        ProgramFileResult result;
        result.messageId = msg::FileOpenError;
        return result;
    }
    return ReadProgramFile(&file);
}

} // namespace vq3::files
