// Any bytes as a unit settings file. A file the reader takes holds seven values in range and,
// written the way the save writes it, reads back the same record; its description can be
// built. A file without carriage returns reads the same once its line feeds become CR LF.
#include "FuzzSupport.h"

#include "files/SettingsFile.h"
#include "model/UnitSettings.h"
#include "resources/Messages.h"

#include <QBuffer>
#include <QByteArray>

using namespace vq3;

namespace {

struct Outcome {
    bool taken = false;
    model::UnitSettingsRecord record = model::kNoSettings;
};

Outcome Load(const QByteArray& bytes) {
    QBuffer buffer;
    buffer.setData(bytes);
    buffer.open(QIODevice::ReadOnly);
    Outcome outcome;
    outcome.taken = files::LoadSettingsFile(&buffer, &outcome.record);
    return outcome;
}

// The file the save writes: "label,value" and CR LF per setting.
QByteArray Saved(const model::UnitSettingsRecord& record) {
    QByteArray bytes;
    for (int i = 0; i < model::kUnitSettingCount; ++i) {
        bytes += resources::Message(resources::msg::FileLabelFirst + i).toLatin1() + ',' +
                 QByteArray::number(record[static_cast<size_t>(i)]) + "\r\n";
    }
    return bytes;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const QByteArray bytes =
        QByteArray::fromRawData(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    const Outcome outcome = Load(bytes);

    // Without a record to fill, the verdict is the same.
    {
        QBuffer buffer;
        buffer.setData(bytes);
        buffer.open(QIODevice::ReadOnly);
        FUZZ_CHECK(files::LoadSettingsFile(&buffer, nullptr) == outcome.taken);
    }

    if (outcome.taken) {
        for (int i = 0; i < model::kUnitSettingCount; ++i)
            FUZZ_CHECK(model::SettingInRange(i, outcome.record[static_cast<size_t>(i)]));
        const Outcome again = Load(Saved(outcome.record));
        FUZZ_CHECK(again.taken);
        FUZZ_CHECK(again.record == outcome.record);
        FUZZ_CHECK(files::DescribeSettings(outcome.record).count(QLatin1Char('\n')) == 7);
    }

    if (!bytes.contains('\r') && bytes.contains('\n')) {
        QByteArray crlf = bytes;
        crlf.replace("\n", "\r\n");
        const Outcome converted = Load(crlf);
        FUZZ_CHECK(converted.taken == outcome.taken);
        FUZZ_CHECK(converted.record == outcome.record);
    }
    return 0;
}

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    // A device that cannot be read fails like a file that cannot be opened.
    QBuffer closed;
    model::UnitSettingsRecord record = model::kNoSettings;
    FUZZ_CHECK(!files::LoadSettingsFile(static_cast<QIODevice*>(nullptr), &record));
    FUZZ_CHECK(!files::LoadSettingsFile(&closed, &record));
    FUZZ_CHECK(record == model::kNoSettings);
    return 0;
}
