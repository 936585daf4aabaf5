#pragma once

#include <cstdint>

namespace vq3::control {

// What the unit reports, as the views of control::UnitController see it.

// Bits of the unit's status word (UnitController::StatusWord), as INP reports it.
namespace status {
inline constexpr unsigned LampOn = 0x01;
inline constexpr unsigned LampStable = 0x02;
inline constexpr unsigned ShutterOpen = 0x04;
inline constexpr unsigned MinIntensity = 0x08;
inline constexpr unsigned MaxIntensity = 0x10;
inline constexpr unsigned ShortError = 0x20; // the error bit of a two-digit INP reply
inline constexpr unsigned LongError = 0xFC0; // the error bits of a three-digit one
} // namespace status

// Whether indicator 0..5 ("Lamp On" .. "Error") is lit for this status.
bool IndicatorLit(int indicator, std::uint16_t statusWord, int extendedStatus);

// Light Control read-outs that the unit's replies fill.
enum class Readout { Intensity, LampTime, AutoTime, RestTime };

// How a settings file exchange with the unit ended: every answer came, the unit fell
// silent, or the program is ending.
enum class SettingsOutcome { Done, TimedOut, Abandoned };

} // namespace vq3::control
