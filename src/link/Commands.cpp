#include "link/Commands.h"

#include "model/NumberRules.h"

namespace vq3::link::cmd {

namespace {

// Keyword followed by a C-locale "%0<width>d" argument (plain "%d" for width 0).
QByteArray WithInt(const char* keyword, int value, int width = 0) {
    return QByteArray(keyword) + QByteArray::fromStdString(model::FormatInt(value, width));
}

} // namespace

QByteArray AutoTime(double seconds) {
    return QByteArray("AT") + QByteArray::fromStdString(model::FormatFixed(seconds, 1, 5));
}

QByteArray Start(int program) {
    return WithInt("START", program);
}
QByteArray ProgramQuery(int program) {
    return WithInt("CUREQ", program);
}

QByteArray Cure(const model::MemoryStepProgram& program) {
    return QByteArray::fromStdString(model::EncodeCure(program));
}

QByteArray ControlMode(int mode) {
    return WithInt("CNT", mode);
}

QByteArray ProgramMode(int storedMode) {
    return storedMode == 1 ? QByteArray("PROG_1STEP") : QByteArray("PROG_7STEP");
}

QByteArray LampAlarmTime(int hundreds) {
    return WithInt("LAMPERR", hundreds, 2);
}
QByteArray LampOffTime(int hundreds) {
    return WithInt("LAMPOFF", hundreds, 2);
}
QByteArray InstantRecovery(int on) {
    return WithInt("IB", on);
}
QByteArray ShutterResponse(int high) {
    return WithInt("SRESP", high);
}
QByteArray OpenPulseTime(int ms) {
    return WithInt("SETT1", ms, 3);
}
QByteArray ClosePulseTime(int ms) {
    return WithInt("SETT2", ms, 3);
}

std::array<QByteArray, 7> SettingsQueries() {
    return {ProgramModeQuery,     LampAlarmQuery, LampOffTimeQuery, InstantRecoveryQuery,
            ShutterResponseQuery, OpenPulseQuery, ClosePulseQuery};
}

} // namespace vq3::link::cmd
