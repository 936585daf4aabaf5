#pragma once

#include "model/UnitSettings.h"

#include <QByteArray>
#include <QObject>
#include <QTimer>

#include <functional>

namespace vq3::link {

class CommandChannel;
struct DeviceState;

// The unit settings file's two exchanges with the unit, the only places where the program
// waits for answers:
//  - Read: asks for the seven settings and waits until every one has been reported;
//  - Write: sends the seven (and "CNT1", so the unit takes orders from the line), lets the
//    unit settle, asks again and waits until every reported value equals the one sent.
// Each wait ends at its limit, counted from the last query, whatever else happens. Replies
// are not paired with the queries: the reply handlers fill the device state, and each line
// that goes through dispatch is a moment to look at it.
class SettingsExchange : public QObject {
    Q_OBJECT
public:
    enum class Outcome { Done, TimedOut, Abandoned };
    Q_ENUM(Outcome)
    struct Durations {
        int replyLimitMs = 5000; // counted from the last query
        int settleMs = 1000;     // lets the unit take the written values
    };

    SettingsExchange(CommandChannel& channel, DeviceState& state, QObject* parent = nullptr);

    void SetDurations(const Durations& durations) { m_durations = durations; }
    // How the exchange's commands go out; straight to the channel unless set.
    void SetSender(std::function<void(const QByteArray&)> send) { m_send = std::move(send); }

    // Each ends with finished(); nothing happens while another exchange runs.
    void Read();
    void Write(const model::UnitSettingsRecord& record);
    // The operator ends the program: finished(Abandoned) at once, nothing more is sent.
    void Abandon();

    bool Running() const { return m_phase != Phase::Idle; }
    // What Read received, once it has finished with Done.
    const model::UnitSettingsRecord& Received() const { return m_received; }

signals:
    void finished(vq3::link::SettingsExchange::Outcome outcome);

private:
    enum class Phase { Idle, Reading, Settling, Verifying };

    void Ask(Phase phase);
    void OnLineDispatched();
    void OnSettled();
    void Finish(Outcome outcome);

    void Send(const QByteArray& command);

    CommandChannel& m_channel;
    DeviceState& m_state;
    std::function<void(const QByteArray&)> m_send;
    Durations m_durations;
    Phase m_phase = Phase::Idle;
    model::UnitSettingsRecord m_written = model::kNoSettings;
    model::UnitSettingsRecord m_received = model::kNoSettings;
    QTimer m_settle;
    QTimer m_limit;
};

} // namespace vq3::link
