#pragma once

#include <QByteArray>

namespace vq3::control {

// The eight unit settings an operator sets one at a time, by kind 1..8: control mode (1),
// program mode (2), lamp alarm time (3), forced lamp off time (4), instantaneous recovery
// (5), shutter response (6), shutter open (7) and close (8) pulse times.

// A two-way setting. Its list shows entry 0 then entry 1 (message ids title + 1 and + 2),
// never sorted: an entry's index carries its meaning.
struct ChoiceSetting {
    int kind;
    int title; // message id
};

// A numeric setting. The hour settings are typed in hours and sent in hundreds.
struct ValueSetting {
    int kind;
    int title;
    const char* initialText;
    bool hundreds;
    int minimum; // what is sent: hundreds of hours, or ms
    int maximum;
    int rangeMessage;
};

// Null for a kind the dialog does not serve.
const ChoiceSetting* FindChoiceSetting(int kind);
const ValueSetting* FindValueSetting(int kind);

// The unit's query for a kind; empty for none.
QByteArray SettingQuery(int kind);
// The command that sets a choice setting to list entry `index`.
QByteArray ChoiceCommand(int kind, int index);
// The command that sets a value setting to n (hundreds of hours, or ms).
QByteArray ValueCommand(int kind, int n);

} // namespace vq3::control
