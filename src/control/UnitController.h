#pragma once

#include "control/UnitStatus.h"
#include "link/CommandChannel.h"
#include "link/ReplyDispatch.h"
#include "link/ReplyPairing.h"
#include "link/SerialDevice.h"
#include "link/SettingsExchange.h"
#include "model/MemoryStepProgram.h"
#include "model/UnitSettings.h"

#include <QByteArray>
#include <QElapsedTimer>
#include <QObject>
#include <QString>
#include <QTimer>

#include <cstdint>
#include <memory>
#include <utility>

namespace vq3::control {

enum class LinkState { Closed, Connected, Lost };

// The unit's functions that an operator and a script may both use.
enum class Function { Lamp, Shutter, Intensity, Program };

// Who a command is for: the operator, or one script call (or what it started), by number.
using Origin = quint64;
inline constexpr Origin kOperator = 0;

// The last values the unit reported, -1 before its first report.
struct Readings {
    int status = -1;
    int intensity = -1;
    int lampHours = -1;
    double autoTime = -1;
    double restTime = -1;
    int step = -1;
};

// Runs the unit: owns the serial device, the command channel, the unit's state as replies
// report it and the settings exchange. Everything an operator (or a script) can ask of the
// unit is a method here, and everything the unit reports comes out as a signal. Windows and
// other views call the methods and show the signals; none of them builds a command or reads
// a reply.
class UnitController : public QObject, private link::ReplyTarget {
    Q_OBJECT
public:
    // Every command sent while one lives is charged to its origin; commands are the
    // operator's otherwise. The unit's answers and refusals go back to the origin of the
    // command they answer (commandAnswered, commandRefused, commandTaken).
    class Acting {
    public:
        Acting(UnitController& unit, Origin origin)
            : m_unit(unit), m_previous(std::exchange(unit.m_origin, origin)) {}
        ~Acting() { m_unit.m_origin = m_previous; }
        Acting(const Acting&) = delete;
        Acting& operator=(const Acting&) = delete;

    private:
        UnitController& m_unit;
        Origin m_previous;
    };

    // device: the line to use; the real serial port when null.
    explicit UnitController(link::SerialDevice* device = nullptr, QObject* parent = nullptr);
    ~UnitController() override;

    // Folder searched for the "COMn" entries of the real serial port; the program's folder by
    // default.
    static void SetDeviceFolder(const QString& folder);

    // Link. Ports are 1..9; 0 is none.
    int Port() const { return m_channel.Port(); }
    void SetPort(int port) { m_channel.SetPort(port); }
    LinkState State() const;
    bool IsConnected() const { return m_channel.IsConnected(); }
    // Opens the stored port and asks for the status, as at start.
    void Connect();
    // The COM port dialog was closed (Ok with `port`, or Cancel with the port unchanged): the
    // link starts afresh on that port. While the device is lost, the same port changes
    // nothing: the wait for it goes on.
    void ChoosePort(int port);
    // Connects to a port without any box; false with the reason when it cannot be opened.
    bool ConnectPort(int port, QString* reason);
    void Disconnect();
    // At exit: the link goes down and the port is released.
    void Close();
    // A raw line from the Terminal (or a script), sent as it stands plus CR.
    void SendLine(const QByteArray& line);

    // Lamp and shutter. The toggles act on the last status the unit reported.
    void ToggleLamp();
    void SetLamp(bool on);
    void ToggleShutter();
    void SetShutter(bool open);
    // The timed opening: the time (0.0 to 999.9 s, else the message id of the range error
    // and nothing is sent), then its start.
    int SetAutoTime(double seconds);
    void StartAutoShutter();

    // Intensity hold: one INT1 or INT2 when the hold starts, exactly one INT0 when it ends,
    // also when the device was lost meanwhile (then right after it is back).
    void StartIntensity(int direction); // +1 up, -1 down
    void StopIntensity();
    bool IntensityHeld() const { return m_held != 0; }

    // Reads: each sends its query; the answer comes back as a signal.
    void ReadStatus();
    void ReadIntensity();
    void ReadLampTime();
    void ClearLampTime();
    void ReadAutoTime();
    void ReadRestTime();
    void ReadStep();

    // Memory step programs.
    void SendProgram(const model::MemoryStepProgram& program);
    void ReadProgram(int number);
    void StartProgram(int number);
    void StopProgram();

    // The unit setting dialogs: kind 1..8 names the open one (0 none); only its answers
    // come out as settingChoice / settingReadout.
    void SetActiveSetting(int kind) { m_state.ActiveSetting = kind; }
    void QuerySetting(int kind);
    void ChooseSetting(int kind, int index);
    void SetSettingValue(int kind, int value);

    // Unit settings file operations. Reserve marks one as running (false when one already
    // runs); every view greys what must wait until Release. Read and Write run the
    // exchange with the unit and end with settingsExchangeFinished, always after the
    // reception tick that finished them has returned.
    bool ReserveForSettings();
    void ReleaseSettings();
    bool Busy() const { return m_bBusy; }
    void ReadSettings();
    void WriteSettings(const model::UnitSettingsRecord& record);
    void AbandonSettings();
    const model::UnitSettingsRecord& ReceivedSettings() const { return m_exchange.Received(); }
    void SetExchangeDurations(const link::SettingsExchange::Durations& durations) {
        m_exchange.SetDurations(durations);
    }

    std::uint16_t StatusWord() const { return m_state.StatusWord; }
    int ExtendedStatus() const { return m_state.extendedStatus; }
    const Readings& LastReadings() const { return m_readings; }
    // The path of the device opened, empty when none.
    QString DevicePath() const { return IsConnected() ? m_device.Path() : QString(); }

    // The controller's monotonic clock in ms, and a moment of it in microseconds since the
    // Unix epoch.
    qint64 NowMs() const { return m_clock.elapsed(); }
    qint64 WallMicros(qint64 monotonicMs) const;

    // Whom the commands sent now are charged to.
    Origin CurrentOrigin() const { return m_origin; }
    bool SettingsExchangeRunning() const { return m_exchange.Running(); }

    // The script that holds the unit (its bus name), empty when none.
    const QString& Owner() const { return m_owner; }
    void SetOwner(const QString& owner);

signals:
    // Link.
    void linkStateShown(const QString& text); // "COMn" or "Disconnect Port"
    void linkChanged();
    void portError(); // a port chosen by the operator could not be opened
    // The characters of one reception tick, CR already turned into CR LF.
    void traffic(const QByteArray& chunk);
    // Each complete line as it goes through dispatch, echoes ('>') included, with the time
    // (microseconds since the Unix epoch).
    void lineDispatched(const QByteArray& line, qint64 wallMicros);
    // What the unit reported.
    void statusChanged(std::uint16_t statusWord, int extendedStatus);
    void readout(vq3::control::Readout readout, const QString& text);
    void programReceived(const vq3::model::ProgramReply& reply);
    void stepReceived(int step);
    void settingChoice(int index);
    void settingReadout(const QString& text);
    // ERR, ERR05 or an NG that answers the operator's command (or nobody's): the text of the
    // box. Emitted inside the reception tick; the box opens after it.
    void deviceError(const QString& text);
    // What became of each command sent, by the reply that settled it or by time. Answered
    // comes after the reply's own signals, so LastReadings() holds what it reported.
    void commandAnswered(const vq3::link::SentCommand& command);
    void commandTaken(const vq3::link::SentCommand& command);
    void commandRefused(const vq3::link::SentCommand& command, const QString& text);
    void commandUnanswered(const vq3::link::SentCommand& command);
    // The link started afresh (another port, reconnected) before the unit dealt with it.
    void commandDropped(const vq3::link::SentCommand& command);
    // Operations.
    void busyChanged(bool busy);
    void settingsExchangeFinished(vq3::control::SettingsOutcome outcome);
    // An intensity hold started or ended (also one ended by the controller itself).
    void intensityHeldChanged(bool held);
    // Something was asked of one of the shared functions.
    void functionUsed(vq3::control::Function function, vq3::control::Origin origin);
    // LastReadings changed.
    void readingsChanged();
    void ownerChanged(const QString& owner);

private:
    void Send(const QByteArray& command);
    void Use(Function function, const QByteArray& command);
    void OnDeviceBack();
    void OnCommandWritten(const QByteArray& text);
    void Announce(const QList<link::Settled>& settled, const QString& refusalText);
    void ScheduleExpiry();
    void StartAfresh();
    void OnExpiry();
    void Note(int& reading, int value);
    void Note(double& reading, double value);

    void OnPortError();
    void DispatchReply(const char* line);

    // ReplyTarget
    void StatusChanged() override;
    void ShowProgramReplyPercent(const char* line) override;
    void ShowProgramReplyWatts(const char* line) override;
    void ShowStepReply(const char* line) override;
    void SetReadout(link::Readout readout, const QString& text) override;
    void SelectSettingChoice(int index) override;
    void SetSettingReadout(const QString& text) override;
    void ReportDeviceError(const QString& text) override;

    void ShowProgramReply(const char* line, bool watts);

    std::unique_ptr<link::SerialDevice> m_ownDevice;
    link::SerialDevice& m_device;
    link::CommandChannel m_channel;
    link::DeviceState m_state;
    link::SettingsExchange m_exchange;
    link::ReplyPairing m_pairing;
    QElapsedTimer m_clock;
    QTimer m_expiry;
    Origin m_origin = kOperator;
    Origin m_settingsOrigin = kOperator;
    // While a refusal's handler runs: the command it is charged to, and the box text.
    const link::SentCommand* m_refused = nullptr;
    QString m_refusalText;
    QString m_owner;
    Readings m_readings;
    bool m_bBusy = false;
    bool m_quietConnect = false;
    int m_held = 0;          // +1 up, -1 down while an intensity hold runs
    bool m_stopOwed = false; // a hold ended while the device was lost
};

} // namespace vq3::control
