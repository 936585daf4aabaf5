#pragma once

// The light source itself, as seen from its side of the serial line: it takes one command line
// at a time and returns the reply lines. No I/O here; PtyLink puts it on a pseudo-terminal.
//
// Time: the unit runs on its own clock, real elapsed time plus whatever AdvanceClock adds.
// With the manual clock only AdvanceClock moves time, which lets tests step through warm-up,
// ramps, timed openings and programs exactly. Nothing is polled: the state catches up with
// the clock whenever a command arrives or a state accessor is called.
//
// Behaviour beyond the plain command set, as this unit does it:
// - L1 starts the warm-up; "Lamp Stable" follows after warmupMs. L0 or L1 during warm-up
//   answer NG01. L1 is refused silently once the lamp hours have reached the forced lamp off
//   time, and a lit lamp goes out when they reach it.
// - The error bit (0x20 short, 0x040 long form) is set while a lamp alarm time is set
//   (n > 0) and the lamp hours have reached n * 100.
// - S1 and ATS answer NG03 during a timed opening; S0 then closes the shutter at once and
//   ends the timed opening. S1, S0 and ATS answer NG02 while a program runs; START answers
//   NG03 during a timed opening; CURE and START answer NG02 while a program runs.
// - With refuseEveryN, every Nth command that starts something and would be carried out is
//   refused instead, changing nothing, with the refusal of its function: L1 and L0 NG01; S1,
//   S0, ATS and AT<time> NG03; INT1 and INT2 NG04; START and CURE NG02. Stops (INT0, STOP),
//   queries, settings and LAMPCLR are never refused so, and do not count.
// - A program sets each step's intensity (watts scaled to percent of 10.00 W) and keeps the
//   shutter open for the step's time; a step of 0.0 s is passed over. After the last step
//   (step 1 only in 1-step mode) the shutter closes and STPQ answers STP0 again.
// - Empty lines are ignored; LF and NUL characters are no part of a command.

#include <QByteArray>
#include <QElapsedTimer>
#include <QList>
#include <QObject>

#include "ProgramText.h"

#include <array>

namespace vq3::sim {

struct UnitOptions {
    bool longStatus = false;       // INP answers 3 hex digits instead of 2
    int warmupMs = 3000;           // L1 -> "Lamp Stable" after this; L0/L1 meanwhile answer NG01
    double clockSpeed = 1.0;       // lamp hours clock multiplier (3600 = one hour per second)
    int rampPercentPerSecond = 10; // INT1/INT2 ramp rate
    int refuseEveryN = 0;          // refuse every Nth starting command on purpose (0 = never)
};

class SimulatedUnit : public QObject {
    Q_OBJECT
public:
    // The longest command line the unit keeps; longer ones are thrown away whole.
    static constexpr qsizetype kMaxCommandLength = 512;

    explicit SimulatedUnit(UnitOptions o = {}, QObject* parent = nullptr);

    // One command line without its CR; returns the reply lines, each ended by CR, or "".
    QByteArray HandleCommand(const QByteArray& line);

    // Moves the unit's clock forward (in either clock mode).
    void AdvanceClock(qint64 ms);
    // Manual: time stands still except for AdvanceClock. Switching keeps the current time.
    void SetManualClock(bool manual);
    // The unit's time in ms since construction.
    qint64 Now() const;

    UnitOptions& Options() { return m_options; }

    // State. Accessors first bring the state up to the clock.
    bool lampOn();
    bool lampStable();
    int intensity(); // 0 to 100
    int ramp();      // +1 raising, -1 lowering, 0 still
    qint64 lampHours();
    bool shutterOpen();
    bool autoOpening();                           // a timed opening (ATS) is running
    int autoTime() const { return m_autoTenths; } // tenths of a second
    int autoTimeLeft();                    // tenths, rounded up; 0 when no timed opening runs
    QByteArray storedProgram(int n) const; // as sent; empty if never written or n not 1 to 9
    int runningStep();                     // 1 to 7, 0 when idle
    int programMode() const { return m_programMode; } // 1 or 7
    int lampAlarm() const { return m_lampAlarm; }     // hundreds of hours, 0 to 99
    int lampOffTime() const { return m_lampOffTime; } // hundreds of hours, 0 to 99
    int instantRecovery() const { return m_instantRecovery; }
    int shutterResponse() const { return m_shutterResponse; }
    int openPulse() const { return m_openPulse; }     // ms
    int closePulse() const { return m_closePulse; }   // ms
    int controlMode() const { return m_controlMode; } // 1 COM port, 0 front panel
    int statusWord();
    QList<QByteArray> commandLog() const { return m_commandLog; }

    // Setters for tests. setLampOn(true) starts a warm-up like L1; setLampStable(true) ends
    // it at once (and lights the lamp). setIntensity stops a ramp; setShutterOpen ends a timed
    // opening. None of them answers or checks like the commands do.
    void setLampOn(bool on);
    void setLampStable(bool stable);
    void setIntensity(int percent);
    void setLampHours(qint64 hours);
    void setShutterOpen(bool open);
    void setAutoTime(int tenths);
    void setStoredProgram(int n, const QByteArray& text);
    void setProgramMode(int steps) { m_programMode = steps; }
    void setLampAlarm(int hundreds) { m_lampAlarm = hundreds; }
    void setLampOffTime(int hundreds) { m_lampOffTime = hundreds; }
    void setInstantRecovery(int on) { m_instantRecovery = on; }
    void setShutterResponse(int high) { m_shutterResponse = high; }
    void setOpenPulse(int ms) { m_openPulse = ms; }
    void setClosePulse(int ms) { m_closePulse = ms; }
    void setControlMode(int mode) { m_controlMode = mode; }

private:
    // Brings the state up to the clock, event by event.
    void Update();
    void ApplyDueEvents();
    qint64 NextEventTime() const;
    void RunFor(qint64 ms);

    int IntensityAt(qint64 time) const;
    void FreezeRamp();
    void LightLamp();
    void LampOut();
    void CloseShutter();
    bool LampAlarmReached() const;
    double ForcedOffLampMs() const; // 0 when there is no forced lamp off time
    void StartStep(int index, qint64 at);
    void EndProgram();

    QByteArray Dispatch(const QByteArray& command);
    QByteArray DispatchWithArgument(const QByteArray& command);
    QByteArray StatusReply();
    bool RefusedOnPurpose(); // counts a starting command the unit would carry out
    QByteArray LampCommand(bool on);
    QByteArray ShutterCommand(bool open);
    QByteArray StartAutoOpening();
    QByteArray SetAutoTime(QByteArrayView argument);
    QByteArray StartRamp(int direction);
    QByteArray StoreProgram(const QByteArray& command);
    QByteArray StartProgram(int number);
    QByteArray StopProgram();

    UnitOptions m_options;
    QElapsedTimer m_clock;
    bool m_manualClock = false;
    qint64 m_manualNow = 0; // the time while the clock is manual
    qint64 m_offset = 0;    // AdvanceClock steps added to real time
    qint64 m_simulatedUpTo = 0;

    bool m_lampOn = false;
    bool m_lampStable = false;
    qint64 m_lampLitAt = 0;
    double m_lampMs = 0; // lamp running time, already multiplied by clockSpeed

    int m_intensityBase = 50; // intensity when the ramp started (or now, without ramp)
    int m_ramp = 0;
    qint64 m_rampStart = 0;

    bool m_shutterOpen = false;
    bool m_autoOpening = false;
    qint64 m_autoEnd = 0;
    int m_autoTenths = 100;

    std::array<QByteArray, 9> m_programs;
    int m_runningStep = 0; // 0 idle
    int m_runSteps = 0;    // steps the running program executes
    std::array<ProgramStep, kProgramSteps> m_run{};
    qint64 m_stepEnd = 0;

    int m_programMode = 7;
    int m_lampAlarm = 30;
    int m_lampOffTime = 50;
    int m_instantRecovery = 1;
    int m_shutterResponse = 1;
    int m_openPulse = 50;
    int m_closePulse = 50;
    int m_controlMode = 1;

    QList<QByteArray> m_commandLog;
    int m_startCommands = 0; // carried-out starting commands, for refuseEveryN
};

} // namespace vq3::sim
