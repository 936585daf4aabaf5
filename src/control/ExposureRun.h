#pragma once

#include "control/UnitController.h"

#include <QObject>
#include <QTimer>

namespace vq3::control {

// A timed opening a script started, followed from the moment the unit took its ATS until the
// shutter has closed: by the unit's own timer (complete), or early, when an S0 was taken, a
// status showed the shutter closed before its time, or the device went away.
//
// The starter sends AT, ATS and a status query under its own origin; the run is under way
// once that status has come back with the ATS taken. Then it asks for the status itself
// (under its own origin) when the time is up, and every 250 ms until the shutter is closed.
class ExposureRun : public QObject {
    Q_OBJECT
public:
    static constexpr int kPollMs = 250;
    static constexpr int kCloseGraceMs = 5000; // beyond the opening itself
    // A status that shows the shutter closed this close to the end counts as the end.
    static constexpr int kEndToleranceMs = 100;

    ExposureRun(UnitController& unit, Origin starter, Origin own, int tenths, QObject* parent);

    bool UnderWay() const { return m_underWay; }
    double SecondsLeft() const;

signals:
    void started();
    void ended(double secondsOpen, bool complete, qint64 wallMicros);
    // The shutter was still open kCloseGraceMs after its time (or the status never came).
    void lost(const QString& why);

private:
    void OnTaken(const link::SentCommand& command);
    void OnAnswered(const link::SentCommand& command);
    void OnStatus(qint64 atMs);
    void AskStatus();
    void End(qint64 closedMs, bool complete);

    UnitController& m_unit;
    const Origin m_starter;
    const Origin m_own;
    const int m_openMs;
    bool m_atsTaken = false;
    bool m_underWay = false;
    bool m_over = false;
    qint64 m_openedMs = 0; // when ATS was on the line
    QTimer m_check;
    QTimer m_limit;
};

} // namespace vq3::control
