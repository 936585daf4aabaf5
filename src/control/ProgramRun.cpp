#include "control/ProgramRun.h"

#include "link/Commands.h"

namespace vq3::control {

namespace cmd = link::cmd;

ProgramRun::ProgramRun(UnitController& unit, Origin own, int number, QObject* parent)
    : QObject(parent), m_unit(unit), m_own(own), m_number(number) {
    connect(&m_poll, &QTimer::timeout, this, [this] {
        UnitController::Acting acting(m_unit, m_own);
        m_unit.ReadStep();
    });
    connect(&m_unit, &UnitController::commandAnswered, this, [this](const link::SentCommand& c) {
        if (c.origin == m_own && c.text == cmd::StepQuery && m_unit.LastReadings().step == 0)
            End(m_unit.NowMs());
    });
    connect(&m_unit, &UnitController::commandTaken, this, [this](const link::SentCommand& c) {
        if (c.text == cmd::Stop)
            End(c.onLineMs);
    });
    connect(&m_unit, &UnitController::linkChanged, this, [this] {
        if (!m_unit.IsConnected())
            End(m_unit.NowMs());
    });
    m_poll.start(kPollMs);
}

void ProgramRun::Drop() {
    End(m_unit.NowMs());
}

void ProgramRun::End(qint64 atMs) {
    if (m_over)
        return;
    m_over = true;
    m_poll.stop();
    disconnect(&m_unit, nullptr, this, nullptr);
    emit ended(m_number, m_unit.WallMicros(atMs));
}

} // namespace vq3::control
