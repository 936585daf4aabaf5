#pragma once

#include <QByteArray>

namespace vq3::control {

// The wire side of the eight unit settings an operator sets one at a time, by kind 1..8:
// control mode (1), program mode (2), lamp alarm time (3), forced lamp off time (4),
// instantaneous recovery (5), shutter response (6), shutter open (7) and close (8) pulse
// times. Their names, units and ranges are the rules of model/SettingRules.h.

// The unit's query for a kind; empty for none.
QByteArray SettingQuery(int kind);
// The command that sets a choice setting to list entry `index` (0, else entry 1).
QByteArray ChoiceCommand(int kind, int index);
// The command that sets a value setting to n (hundreds of hours, or ms).
QByteArray ValueCommand(int kind, int n);

} // namespace vq3::control
