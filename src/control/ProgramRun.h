#pragma once

#include "control/UnitController.h"

#include <QObject>
#include <QTimer>

namespace vq3::control {

// A memory step program a script started, followed until it has ended: the step is asked
// for every 0.5 s (under the run's own origin) until the unit reports step 0, a STOP is
// taken from anyone, or the device goes away.
class ProgramRun : public QObject {
    Q_OBJECT
public:
    static constexpr int kPollMs = 500;

    ProgramRun(UnitController& unit, Origin own, int number, QObject* parent);

    int Number() const { return m_number; }
    // Ends the run at once (another program was started in its place).
    void Drop();

signals:
    void ended(int number, qint64 wallMicros);

private:
    void End(qint64 atMs);

    UnitController& m_unit;
    const Origin m_own;
    const int m_number;
    bool m_over = false;
    QTimer m_poll;
};

} // namespace vq3::control
