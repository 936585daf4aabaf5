#include "SimulatedUnit.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace vq3::sim {

namespace {

constexpr double kMsPerHour = 3600.0 * 1000.0;
constexpr qint64 kNever = std::numeric_limits<qint64>::max();

} // namespace

SimulatedUnit::SimulatedUnit(UnitOptions o, QObject* parent) : QObject(parent), m_options(o) {
    m_clock.start();
}

// --- clock ---------------------------------------------------------------------------------

qint64 SimulatedUnit::Now() const {
    return m_manualClock ? m_manualNow : m_clock.elapsed() + m_offset;
}

void SimulatedUnit::AdvanceClock(qint64 ms) {
    if (ms <= 0)
        return;
    if (m_manualClock)
        m_manualNow += ms;
    else
        m_offset += ms;
}

void SimulatedUnit::SetManualClock(bool manual) {
    if (manual == m_manualClock)
        return;
    if (manual)
        m_manualNow = Now();
    else
        m_offset = m_manualNow - m_clock.elapsed();
    m_manualClock = manual;
}

// --- simulation ----------------------------------------------------------------------------

void SimulatedUnit::Update() {
    const qint64 now = Now();
    for (;;) {
        ApplyDueEvents();
        if (m_simulatedUpTo >= now)
            return;
        const qint64 next = std::min(now, NextEventTime());
        RunFor(next - m_simulatedUpTo);
        m_simulatedUpTo = next;
    }
}

void SimulatedUnit::ApplyDueEvents() {
    const qint64 t = m_simulatedUpTo;
    if (m_lampOn && !m_lampStable && t >= m_lampLitAt + std::max(0, m_options.warmupMs))
        m_lampStable = true;
    if (m_lampOn && ForcedOffLampMs() > 0 && m_lampMs >= ForcedOffLampMs())
        LampOut();
    if (m_autoOpening && t >= m_autoEnd) {
        m_autoOpening = false;
        m_shutterOpen = false;
    }
    // Steps always last at least 0.1 s, so this ends.
    while (m_runningStep > 0 && t >= m_stepEnd)
        StartStep(m_runningStep, m_stepEnd);
}

// The first moment after m_simulatedUpTo at which something happens by itself.
qint64 SimulatedUnit::NextEventTime() const {
    qint64 next = kNever;
    if (m_lampOn && !m_lampStable)
        next = std::min(next, m_lampLitAt + std::max(0, m_options.warmupMs));
    if (m_lampOn && ForcedOffLampMs() > 0 && m_options.clockSpeed > 0) {
        const double wait = std::ceil((ForcedOffLampMs() - m_lampMs) / m_options.clockSpeed);
        const qint64 ms = wait < 1e15 ? static_cast<qint64>(wait) : kNever / 2;
        next = std::min(next, m_simulatedUpTo + std::max<qint64>(1, ms));
    }
    if (m_autoOpening)
        next = std::min(next, m_autoEnd);
    if (m_runningStep > 0)
        next = std::min(next, m_stepEnd);
    return std::max(next, m_simulatedUpTo + 1);
}

void SimulatedUnit::RunFor(qint64 ms) {
    if (m_lampOn && m_options.clockSpeed > 0)
        m_lampMs += static_cast<double>(ms) * m_options.clockSpeed;
}

int SimulatedUnit::IntensityAt(qint64 time) const {
    if (m_ramp == 0)
        return m_intensityBase;
    const qint64 rate = std::max(0, m_options.rampPercentPerSecond);
    // 100 s at 1 %/s or more crosses the whole range; the cap keeps the product small.
    const qint64 elapsed = std::min<qint64>(time - m_rampStart, 100 * 1000);
    const qint64 moved = elapsed * rate / 1000;
    return static_cast<int>(std::clamp<qint64>(m_intensityBase + m_ramp * moved, 0, 100));
}

void SimulatedUnit::FreezeRamp() {
    m_intensityBase = IntensityAt(m_simulatedUpTo);
    m_ramp = 0;
}

void SimulatedUnit::LightLamp() {
    m_lampOn = true;
    m_lampStable = false;
    m_lampLitAt = m_simulatedUpTo;
}

void SimulatedUnit::LampOut() {
    m_lampOn = false;
    m_lampStable = false;
}

bool SimulatedUnit::LampAlarmReached() const {
    return m_lampAlarm > 0 && m_lampMs >= m_lampAlarm * 100.0 * kMsPerHour;
}

double SimulatedUnit::ForcedOffLampMs() const {
    return m_lampOffTime > 0 ? m_lampOffTime * 100.0 * kMsPerHour : 0.0;
}

// Runs the program from step `index` (0-based) on, starting at `at`; steps of 0.0 s are
// passed over, and the program ends after its last step.
void SimulatedUnit::StartStep(int index, qint64 at) {
    while (index < m_runSteps && m_run[static_cast<size_t>(index)].tenths == 0)
        ++index;
    if (index >= m_runSteps) {
        EndProgram();
        return;
    }
    const ProgramStep& step = m_run[static_cast<size_t>(index)];
    m_runningStep = index + 1;
    m_intensityBase = step.percent;
    m_ramp = 0;
    m_shutterOpen = true;
    m_stepEnd = at + static_cast<qint64>(step.tenths) * 100;
}

void SimulatedUnit::EndProgram() {
    m_runningStep = 0;
    m_shutterOpen = false;
}

// --- state for tests -----------------------------------------------------------------------

bool SimulatedUnit::lampOn() {
    Update();
    return m_lampOn;
}

bool SimulatedUnit::lampStable() {
    Update();
    return m_lampStable;
}

int SimulatedUnit::intensity() {
    Update();
    return IntensityAt(m_simulatedUpTo);
}

int SimulatedUnit::ramp() {
    Update();
    return m_ramp;
}

qint64 SimulatedUnit::lampHours() {
    Update();
    return static_cast<qint64>(std::floor(m_lampMs / kMsPerHour));
}

bool SimulatedUnit::shutterOpen() {
    Update();
    return m_shutterOpen;
}

bool SimulatedUnit::autoOpening() {
    Update();
    return m_autoOpening;
}

int SimulatedUnit::autoTimeLeft() {
    Update();
    if (!m_autoOpening)
        return 0;
    return static_cast<int>((m_autoEnd - m_simulatedUpTo + 99) / 100);
}

QByteArray SimulatedUnit::storedProgram(int n) const {
    return n >= 1 && n <= 9 ? m_programs[static_cast<size_t>(n - 1)] : QByteArray();
}

int SimulatedUnit::runningStep() {
    Update();
    return m_runningStep;
}

int SimulatedUnit::statusWord() {
    Update();
    const int intensity = IntensityAt(m_simulatedUpTo);
    int status = 0;
    if (m_lampOn)
        status |= 0x01;
    if (m_lampStable)
        status |= 0x02;
    if (m_shutterOpen)
        status |= 0x04;
    if (intensity == 0)
        status |= 0x08;
    if (intensity == 100)
        status |= 0x10;
    if (LampAlarmReached())
        status |= m_options.longStatus ? 0x040 : 0x20;
    return status;
}

void SimulatedUnit::setLampOn(bool on) {
    Update();
    if (on && !m_lampOn)
        LightLamp();
    else if (!on)
        LampOut();
}

void SimulatedUnit::setLampStable(bool stable) {
    Update();
    if (stable) {
        m_lampOn = true;
        m_lampStable = true;
    } else if (m_lampOn) {
        LightLamp();
    }
}

void SimulatedUnit::setIntensity(int percent) {
    Update();
    m_intensityBase = std::clamp(percent, 0, 100);
    m_ramp = 0;
}

void SimulatedUnit::setLampHours(qint64 hours) {
    Update();
    m_lampMs = static_cast<double>(std::max<qint64>(0, hours)) * kMsPerHour;
}

void SimulatedUnit::setShutterOpen(bool open) {
    Update();
    m_autoOpening = false;
    m_shutterOpen = open;
}

void SimulatedUnit::setAutoTime(int tenths) {
    m_autoTenths = std::clamp(tenths, 0, 9999);
}

void SimulatedUnit::setStoredProgram(int n, const QByteArray& text) {
    if (n >= 1 && n <= 9)
        m_programs[static_cast<size_t>(n - 1)] = text;
}

} // namespace vq3::sim
