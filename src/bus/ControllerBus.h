#pragma once

#include "bus/BusTypes.h"
#include "control/ScriptCalls.h"

#include <QDBusConnection>
#include <QDBusContext>
#include <QList>
#include <QObject>
#include <QTimer>
#include <QVariantMap>

namespace vq3::control {
class UnitController;
}

namespace vq3::bus {

// The running controller on the session bus: the Link and Unit interfaces of one object,
// served by adaptors generated from their introspection XML. Every method is a script call
// of the unit's object, made as its caller's (by unique bus name, for the claim); one that
// waits for the unit replies once, when it has ended, and a caller that leaves the bus
// meanwhile ends it (the work it started is finished first) and gives up its claim. Every
// property change is announced with PropertiesChanged.
class ControllerBus : public QObject, protected QDBusContext {
    Q_OBJECT
    // Link
    Q_PROPERTY(QString Port READ Port)
    Q_PROPERTY(QString State READ State)
    Q_PROPERTY(QString Device READ Device)
    Q_PROPERTY(bool Busy READ Busy)
    Q_PROPERTY(QString Owner READ Owner)
    // Unit
    Q_PROPERTY(int Status READ Status)
    Q_PROPERTY(bool LampOn READ LampOn)
    Q_PROPERTY(bool LampStable READ LampStable)
    Q_PROPERTY(bool ShutterOpen READ ShutterOpen)
    Q_PROPERTY(bool MinIntensity READ MinIntensity)
    Q_PROPERTY(bool MaxIntensity READ MaxIntensity)
    Q_PROPERTY(bool Error READ Error)
    Q_PROPERTY(int Intensity READ Intensity)
    Q_PROPERTY(int LampHours READ LampHours)
    Q_PROPERTY(double AutoTime READ AutoTime)
    Q_PROPERTY(double RestTime READ RestTime)
    Q_PROPERTY(int Step READ Step)
public:
    // While lines keep coming, Traffic goes out at most this often, each time with the lines
    // that came meanwhile; the first line after a quiet spell goes out at once.
    static constexpr int kTrafficBatchMs = 200;

    explicit ControllerBus(control::UnitController& unit, QObject* parent = nullptr);

    // Takes the bus name and exports the object; false (and one vq3.bus line on standard
    // error) when there is no session bus or another controller holds the name.
    bool Register();

    QString Port() const;
    QString State() const;
    QString Device() const;
    bool Busy() const;
    QString Owner() const;
    int Status() const;
    bool LampOn() const { return Lamp(0); }
    bool LampStable() const { return Lamp(1); }
    bool ShutterOpen() const { return Lamp(2); }
    bool MinIntensity() const { return Lamp(3); }
    bool MaxIntensity() const { return Lamp(4); }
    bool Error() const { return Lamp(5); }
    int Intensity() const;
    int LampHours() const;
    double AutoTime() const;
    double RestTime() const;
    int Step() const;

    // Link
    void Connect(const QString& port);
    void Disconnect();
    void Send(const QString& line);
    // Unit
    int ReadStatus();
    int ReadIntensity();
    int ReadLampHours();
    double ReadAutoTime();
    double ReadRestTime();
    int ReadStep();
    void SetLamp(bool on);
    void WaitLampStable(double seconds);
    void SetShutter(bool open);
    void Expose(double seconds);
    void StartExposure(double seconds);
    int StepIntensity(int direction, uint ms);
    int SetIntensity(int percent);
    void StartProgram(uint n);
    void StopProgram();
    uint ReadProgram(uint n, uint& intensityMode, ProgramSteps& steps);
    void WriteProgram(uint n, uint shutterMode, uint intensityMode, const ProgramSteps& steps);
    QVariantMap ReadSettings();
    void WriteSettings(const QVariantMap& settings);
    void StopExposure();
    void Claim();
    void Release();

signals:
    // Times are microseconds since the Unix epoch.
    void Traffic(const vq3::bus::TrafficLines& lines);
    void ExposureEnded(double secondsOpen, bool complete, qulonglong time);
    void ProgramEnded(uint n, qulonglong time);

private:
    bool Lamp(int indicator) const;
    // Replies to the call being served when `call` ends; the value of a reply comes from
    // `reply` (none when null).
    // The script calls, made as the caller of the message being served.
    control::ScriptCalls& Calls();
    void Answer(control::ScriptCall* call,
                std::function<QList<QVariant>(const QVariant&)> reply = nullptr);
    void AnnounceChanges();
    void SendTraffic();
    void WatchOwner(const QString& owner);
    static void WhenGone(QDBusConnection bus, const QString& caller, QObject* context,
                         const std::function<void()>& gone);

    control::UnitController& m_unit;
    control::ScriptCalls m_calls;
    QObject* m_ownerWatch = nullptr; // what watches the claim's holder
    TrafficLines m_traffic;          // lines not sent yet
    QTimer m_trafficBatch;           // runs while a batch was sent less than kTrafficBatchMs ago
    QVariantMap m_announced;         // property values as last announced, by interface + name
};

} // namespace vq3::bus
