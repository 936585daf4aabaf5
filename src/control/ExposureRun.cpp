#include "control/ExposureRun.h"

#include "control/UnitStatus.h"
#include "link/Commands.h"

#include <algorithm>

namespace vq3::control {

namespace cmd = link::cmd;

namespace {
// Commands after which the shutter may be open again; the unit refuses them while a timed
// opening runs.
bool OpensTheShutter(const QByteArray& command) {
    return command == cmd::ShutterOpen || command == cmd::AutoShutterStart ||
           command.startsWith("START");
}
} // namespace

ExposureRun::ExposureRun(UnitController& unit, Origin starter, Origin own, int tenths,
                         QObject* parent)
    : QObject(parent), m_unit(unit), m_starter(starter), m_own(own), m_openMs(tenths * 100) {
    m_check.setTimerType(Qt::PreciseTimer);
    m_check.setSingleShot(true);
    connect(&m_check, &QTimer::timeout, this, &ExposureRun::AskStatus);
    m_limit.setSingleShot(true);
    connect(&m_limit, &QTimer::timeout, this, [this] {
        m_over = true;
        m_check.stop();
        emit lost(QStringLiteral("The shutter did not close within %1 s.")
                      .arg((m_openMs + kCloseGraceMs) / 1000.0));
    });
    connect(&m_unit, &UnitController::commandTaken, this, &ExposureRun::OnTaken);
    connect(&m_unit, &UnitController::commandAnswered, this, &ExposureRun::OnAnswered);
    connect(&m_unit, &UnitController::linkChanged, this, [this] {
        if (m_underWay && !m_unit.IsConnected())
            End(m_unit.NowMs(), false);
    });
}

double ExposureRun::SecondsLeft() const {
    const qint64 left = m_openedMs + m_openMs - m_unit.NowMs();
    return std::max<qint64>(left, 0) / 1000.0;
}

void ExposureRun::OnTaken(const link::SentCommand& command) {
    if (m_over)
        return;
    if (!m_underWay && command.origin == m_starter && command.text == cmd::AutoShutterStart) {
        m_atsTaken = true;
        m_openedMs = command.onLineMs;
    } else if (m_underWay && command.text == cmd::ShutterClose) {
        End(command.onLineMs, false); // whoever sent it
    } else if (m_underWay && OpensTheShutter(command.text)) {
        // The unit took it, so the timed opening was over: the shutter is open again for
        // another reason, which the status cannot tell apart.
        const qint64 end = m_openedMs + m_openMs;
        End(std::min(command.onLineMs, end), command.onLineMs >= end - kEndToleranceMs);
    }
}

void ExposureRun::OnAnswered(const link::SentCommand& command) {
    if (m_over || command.text != cmd::Inp)
        return;
    if (!m_underWay) {
        // The starter's status after ATS: the unit has dealt with ATS by now.
        if (command.origin != m_starter || !m_atsTaken)
            return;
        m_underWay = true;
        emit started();
        m_check.start(int(std::max<qint64>(0, m_openedMs + m_openMs - m_unit.NowMs())));
        m_limit.start(int(m_openedMs + m_openMs + kCloseGraceMs - m_unit.NowMs()));
    } else if (command.onLineMs <= m_openedMs) {
        return; // asked before the opening
    }
    OnStatus(m_unit.NowMs());
}

void ExposureRun::OnStatus(qint64 atMs) {
    if (m_unit.StatusWord() & status::ShutterOpen)
        return;
    const qint64 end = m_openedMs + m_openMs;
    if (atMs >= end - kEndToleranceMs)
        End(end, true);
    else
        End(atMs, false);
}

void ExposureRun::AskStatus() {
    if (m_over)
        return;
    UnitController::Acting acting(m_unit, m_own);
    m_unit.ReadStatus();
    m_check.start(kPollMs);
}

void ExposureRun::End(qint64 closedMs, bool complete) {
    m_over = true;
    m_check.stop();
    m_limit.stop();
    const qint64 openMs = std::clamp<qint64>(closedMs - m_openedMs, 0, m_openMs);
    emit ended(openMs / 1000.0, complete, m_unit.WallMicros(closedMs));
}

} // namespace vq3::control
