#pragma once

#include "model/UnitSettings.h"

#include <array>

namespace vq3::model {

// The rules of the unit's settings, one row per setting: the setting dialogs, the settings
// file, the bus and vq3ctl all read them from here. The wire commands stay with the link.

// What a setting's value means, and so how people and scripts write it.
enum class SettingUnit {
    Source,       // control mode: 1 COM port, 0 front panel; neither in the file nor on the bus
    Steps,        // program mode: 1 or 7 steps; an integer on the bus
    OnOff,        // 1 on, 0 off; true or false on the bus
    HighLow,      // 1 high, 0 low; "HIGH" or "LOW" on the bus
    Hours,        // typed, shown and named in hours; sent and kept in hundreds of hours
    Milliseconds, // typed, sent and kept in ms
};

// Inclusive bounds of what is sent and kept (hundreds of hours, or ms).
struct SettingRange {
    int minimum;
    int maximum;
};

struct SettingRule {
    int kind;        // the setting dialog's kind, 1..8
    int setting;     // the UnitSetting the file and the bus keep it as; -1 for none
    const char* key; // its name on the bus and in scripts; null for none
    SettingUnit unit;
    int title; // message id of the dialog title; a choice's two entries follow it
    // A choice: the values of list entry 0 and entry 1, the only two it takes. The list
    // shows them in this order, never sorted: an entry's index carries its meaning.
    std::array<int, 2> entries;
    // A value: what a dialog or a script may send and the message when a value is outside
    // it, what the settings file holds, and the dialog field's text when it opens.
    SettingRange dialog;
    int dialogRangeMessage;
    SettingRange file;
    const char* initialText;
};

// Null for a kind (or setting) that has no rule.
const SettingRule* RuleOfKind(int kind);
const SettingRule* RuleOfSetting(int setting);

// A choice shows a list of two entries; a value is typed into a field.
bool IsChoice(const SettingRule& rule);

// What is sent for a typed number: hours become hundreds truncated toward zero (-50 gives
// 0, 150 gives 1); and what people read for a sent or kept value.
long long SentValue(const SettingRule& rule, long long typed);
long long TypedValue(const SettingRule& rule, long long sent);

// Whether a sent value is one the dialogs may send, or the settings file may hold. A
// choice takes its two entries' values in both.
bool InDialogRange(const SettingRule& rule, long long sent);
bool InFileRange(const SettingRule& rule, long long sent);

} // namespace vq3::model
