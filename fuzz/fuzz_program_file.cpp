// Any bytes as a memory step program file. The reader answers with one of its messages; a
// file it takes holds values in range and, written out again, reads back the same. A file
// without carriage returns reads the same once its line feeds become CR LF.
#include "FuzzSupport.h"

#include "files/ProgramFile.h"
#include "resources/Messages.h"

#include <QBuffer>
#include <QByteArray>
#include <QStringList>

#include <cmath>

using namespace vq3;
namespace msg = resources::msg;

namespace {

files::ProgramFileResult Read(const QByteArray& bytes) {
    QBuffer buffer;
    buffer.setData(bytes);
    buffer.open(QIODevice::ReadOnly);
    return files::ReadProgramFile(&buffer);
}

bool KnownMessage(int id) {
    switch (id) {
    case 0:
    case msg::IntensityWrong:
    case msg::TimeWrong:
    case msg::FileFormatWrong:
    case msg::DataError:
    case msg::IntensityModeWrong:
    case msg::ShutterModeWrong:
        return true;
    default:
        return false;
    }
}

bool SameProgram(const files::ProgramFileResult& a, const files::ProgramFileResult& b) {
    if (a.messageId != b.messageId || a.shutterMode != b.shutterMode ||
        a.intensityMode != b.intensityMode)
        return false;
    if (a.messageId != 0)
        return true;
    const model::StepTexts ta = model::NormalTexts(a.steps, a.intensityMode);
    const model::StepTexts tb = model::NormalTexts(b.steps, b.intensityMode);
    return ta.intensity == tb.intensity && ta.time == tb.time;
}

void CheckTaken(const files::ProgramFileResult& result) {
    FUZZ_CHECK(result.shutterMode == 1 || result.shutterMode == 2);
    FUZZ_CHECK(result.intensityMode == 1 || result.intensityMode == 2);
    const bool percent = result.intensityMode == 1;
    for (const model::MemoryStep& step : result.steps) {
        if (percent) {
            FUZZ_CHECK(step.intensity >= 0.0 && step.intensity <= 100.0);
            FUZZ_CHECK(step.intensity == std::floor(step.intensity));
        } else {
            FUZZ_CHECK(step.intensity >= 0.0 && step.intensity <= 9.99);
        }
        FUZZ_CHECK(step.shutterTime >= 0.0 && step.shutterTime <= 999.9);
    }

    // What the save writes from these values passes every check and gives them back.
    const QStringList lines =
        files::ProgramFileLines(result.shutterMode, result.intensityMode, result.steps);
    FUZZ_CHECK(lines.size() == 10);
    QByteArray saved;
    for (const QString& line : lines)
        saved += line.toLatin1() + "\r\n";
    const files::ProgramFileResult again = Read(saved);
    FUZZ_CHECK(again.messageId == 0);
    FUZZ_CHECK(SameProgram(result, again));
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const QByteArray bytes =
        QByteArray::fromRawData(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    const files::ProgramFileResult result = Read(bytes);
    FUZZ_CHECK(KnownMessage(result.messageId));
    if (result.messageId == 0)
        CheckTaken(result);

    if (!bytes.contains('\r') && bytes.contains('\n')) {
        QByteArray crlf = bytes;
        crlf.replace("\n", "\r\n");
        FUZZ_CHECK(SameProgram(result, Read(crlf)));
    }
    return 0;
}

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    // A device that cannot be read is a file that cannot be opened.
    QBuffer closed;
    FUZZ_CHECK(files::ReadProgramFile(static_cast<QIODevice*>(nullptr)).messageId ==
               msg::FileOpenError);
    FUZZ_CHECK(files::ReadProgramFile(&closed).messageId == msg::FileOpenError);
    return 0;
}
