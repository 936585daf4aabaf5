#include "control/SettingKinds.h"

#include "link/Commands.h"
#include "model/SettingRules.h"

namespace vq3::control {

namespace {

namespace cmd = link::cmd;

// A choice's command takes the value of the chosen entry; a value's takes what is sent.
struct SettingWire {
    int kind;
    const QByteArray& query;
    QByteArray (*command)(int value);
};

const SettingWire kWires[] = {
    {1, cmd::ControlModeQuery, cmd::ControlMode},
    {2, cmd::ProgramModeQuery, cmd::ProgramMode},
    {3, cmd::LampAlarmQuery, cmd::LampAlarmTime},
    {4, cmd::LampOffTimeQuery, cmd::LampOffTime},
    {5, cmd::InstantRecoveryQuery, cmd::InstantRecovery},
    {6, cmd::ShutterResponseQuery, cmd::ShutterResponse},
    {7, cmd::OpenPulseQuery, cmd::OpenPulseTime},
    {8, cmd::ClosePulseQuery, cmd::ClosePulseTime},
};

const SettingWire* FindWire(int kind) {
    for (const SettingWire& wire : kWires)
        if (wire.kind == kind)
            return &wire;
    return nullptr;
}

// The rule and the wire of a kind that is a choice (or not), else null.
const SettingWire* WireOf(int kind, bool choice, const model::SettingRule** rule) {
    *rule = model::RuleOfKind(kind);
    if (!*rule || model::IsChoice(**rule) != choice)
        return nullptr;
    return FindWire(kind);
}

} // namespace

QByteArray SettingQuery(int kind) {
    const SettingWire* wire = FindWire(kind);
    return wire ? wire->query : QByteArray();
}

QByteArray ChoiceCommand(int kind, int index) {
    const model::SettingRule* rule = nullptr;
    const SettingWire* wire = WireOf(kind, true, &rule);
    return wire ? wire->command(rule->entries[index == 0 ? 0 : 1]) : QByteArray();
}

QByteArray ValueCommand(int kind, int n) {
    const model::SettingRule* rule = nullptr;
    const SettingWire* wire = WireOf(kind, false, &rule);
    return wire ? wire->command(n) : QByteArray();
}

} // namespace vq3::control
