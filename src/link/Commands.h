#pragma once

#include "model/MemoryStepProgram.h"

#include <QByteArray>

#include <array>

// The text of every command the program sends to the unit, without the CR that
// SendCommand adds. Arguments have fixed widths and are formatted in the C locale.
namespace vq3::link::cmd {

inline const QByteArray Inp = "INP";
inline const QByteArray LampOn = "L1";
inline const QByteArray LampOff = "L0";
inline const QByteArray ShutterOpen = "S1";
inline const QByteArray ShutterClose = "S0";
inline const QByteArray IntensityQuery = "INTQ";
inline const QByteArray IntensityUp = "INT1";
inline const QByteArray IntensityDown = "INT2";
inline const QByteArray IntensityStop = "INT0";
inline const QByteArray LampTimeQuery = "LIF";
inline const QByteArray LampTimeClear = "LAMPCLR";
inline const QByteArray AutoShutterStart = "ATS";
inline const QByteArray AutoTimeQuery = "ATQ";
inline const QByteArray RestTimeQuery = "ATT";
inline const QByteArray StepQuery = "STPQ";
inline const QByteArray Stop = "STOP";
inline const QByteArray ControlModeQuery = "CNTQ";
inline const QByteArray ProgramModeQuery = "PROG?";
inline const QByteArray LampAlarmQuery = "LAMPERR?";
inline const QByteArray LampOffTimeQuery = "LAMPOFF?";
inline const QByteArray InstantRecoveryQuery = "IB?";
inline const QByteArray ShutterResponseQuery = "SRESP?";
inline const QByteArray OpenPulseQuery = "SETT1?";
inline const QByteArray ClosePulseQuery = "SETT2?";

QByteArray AutoTime(double seconds);  // "AT%05.1f"
QByteArray Start(int program);        // "START%d"
QByteArray ProgramQuery(int program); // "CUREQ%d"
QByteArray Cure(const model::MemoryStepProgram& program);
QByteArray ControlMode(int mode);       // "CNT%d": 1 COM Port, 0 Front Panel
QByteArray ProgramMode(int storedMode); // "PROG_1STEP" when 1, else "PROG_7STEP"
QByteArray LampAlarmTime(int hundreds); // "LAMPERR%02d"
QByteArray LampOffTime(int hundreds);   // "LAMPOFF%02d"
QByteArray InstantRecovery(int on);     // "IB%d"
QByteArray ShutterResponse(int high);   // "SRESP%d"
QByteArray OpenPulseTime(int ms);       // "SETT1%03d"
QByteArray ClosePulseTime(int ms);      // "SETT2%03d"

// The seven queries of the unit settings exchanges, in order.
std::array<QByteArray, 7> SettingsQueries();

} // namespace vq3::link::cmd
