#include "control/SettingKinds.h"

#include "link/Commands.h"
#include "resources/Messages.h"

namespace vq3::control {

namespace {

namespace cmd = link::cmd;

// Entry 0 is the first of the pair the unit knows (COM port, 7 steps, on, high).
struct ChoiceWire {
    int kind;
    const QByteArray& query;
    QByteArray (*command)(int index);
};

const ChoiceWire kChoiceWires[] = {
    {1, cmd::ControlModeQuery, [](int index) { return cmd::ControlMode(index == 0 ? 1 : 0); }},
    {2, cmd::ProgramModeQuery, [](int index) { return cmd::ProgramMode(index == 0 ? 7 : 1); }},
    {5, cmd::InstantRecoveryQuery,
     [](int index) { return cmd::InstantRecovery(index == 0 ? 1 : 0); }},
    {6, cmd::ShutterResponseQuery,
     [](int index) { return cmd::ShutterResponse(index == 0 ? 1 : 0); }},
};

struct ValueWire {
    int kind;
    const QByteArray& query;
    QByteArray (*command)(int n);
};

const ValueWire kValueWires[] = {
    {3, cmd::LampAlarmQuery, cmd::LampAlarmTime},
    {4, cmd::LampOffTimeQuery, cmd::LampOffTime},
    {7, cmd::OpenPulseQuery, cmd::OpenPulseTime},
    {8, cmd::ClosePulseQuery, cmd::ClosePulseTime},
};

const ChoiceSetting kChoiceSettings[] = {{1, 41}, {2, 44}, {5, 47}, {6, 50}};

const ValueSetting kValueSettings[] = {
    {3, 53, "3000", true, 0, 99, resources::msg::ValueHoursOutOfRange},
    {4, 54, "5000", true, 0, 99, resources::msg::ValueHoursOutOfRange},
    {7, 55, "500", false, 5, 500, resources::msg::ValuePulseOutOfRange},
    {8, 56, "500", false, 5, 500, resources::msg::ValuePulseOutOfRange},
};

template <typename Entry, size_t N> const Entry* Find(const Entry (&table)[N], int kind) {
    for (const Entry& entry : table)
        if (entry.kind == kind)
            return &entry;
    return nullptr;
}

} // namespace

const ChoiceSetting* FindChoiceSetting(int kind) {
    return Find(kChoiceSettings, kind);
}

const ValueSetting* FindValueSetting(int kind) {
    return Find(kValueSettings, kind);
}

QByteArray SettingQuery(int kind) {
    if (const ChoiceWire* wire = Find(kChoiceWires, kind))
        return wire->query;
    if (const ValueWire* wire = Find(kValueWires, kind))
        return wire->query;
    return {};
}

QByteArray ChoiceCommand(int kind, int index) {
    const ChoiceWire* wire = Find(kChoiceWires, kind);
    return wire ? wire->command(index) : QByteArray();
}

QByteArray ValueCommand(int kind, int n) {
    const ValueWire* wire = Find(kValueWires, kind);
    return wire ? wire->command(n) : QByteArray();
}

} // namespace vq3::control
