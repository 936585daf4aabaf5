#pragma once

#include "SimulatedUnit.h"
#include "link/DriverOutput.h"
#include "link/SerialDevice.h"

#include <QByteArray>
#include <QElapsedTimer>
#include <QList>

#include <algorithm>
#include <cstring>
#include <functional>

#include <fcntl.h>

namespace vq3::test {

// An in-memory serial line. Tests queue the bytes the unit sends, read back every byte the
// program wrote and count the calls. Like the real port it never hands out a NUL byte, reads
// only what is queued and says once per arming that bytes are waiting.
//
// With a simulated unit behind it, every complete command written (recorded without its CR,
// with the time it arrived) goes to the unit, and its replies arrive on the line at once.
class FakeSerialDevice : public link::SerialDevice {
public:
    explicit FakeSerialDevice(sim::SimulatedUnit* behind = nullptr) : unit(behind) {
        m_clock.start();
    }

    sim::SimulatedUnit* unit;
    bool silent = false;        // the unit hears but answers nothing
    bool ignoresSets = false;   // only queries (…? and …Q) reach the unit
    QList<QByteArray> commands; // complete commands, in order, without CR
    QList<qint64> times;        // ms since construction at which each command arrived
    qint64 Now() const { return m_clock.elapsed(); }
    void Forget() {
        commands.clear();
        times.clear();
        written.clear();
    }

    int openResult = 0; // the code Open returns; non-zero holds nothing

    QByteArray written; // every byte written, in order
    QByteArray pending; // bytes waiting in the driver's queue
    int openCount = 0;
    int closeCount = 0;
    int purgeCount = 0;
    int lastOpenPort = -1;
    int lastBaudRate = 0;
    bool open = false;
    bool armed = false; // readyRead is due when bytes arrive

    // Bytes arriving from the unit.
    void Arrive(const QByteArray& bytes) {
        pending += bytes;
        NotifyIfArmed();
    }
    // The device goes away (unplugged): released, then reported.
    void Unplug() {
        open = false;
        armed = false;
        emit lost(QStringLiteral("unplugged"));
    }

    void ArmReadNotification() override {
        armed = open;
        NotifyIfArmed();
    }

    int Open(int baudRate, int, int, int, int, int, int portNumber) override {
        ++openCount;
        lastOpenPort = portNumber;
        lastBaudRate = baudRate;
        open = openResult == 0;
        return openResult;
    }
    int Reopen() override {
        ++openCount;
        open = openResult == 0;
        return openResult;
    }
    bool Close() override {
        ++closeCount;
        const bool wasOpen = open;
        open = false;
        return wasOpen;
    }
    int BytesWaiting() override { return open ? static_cast<int>(pending.size()) : 0; }
    int Read(char* destination, int maxLength) override {
        const int count = std::min(maxLength, BytesWaiting());
        int kept = 0;
        for (int i = 0; i < count; ++i) {
            if (pending[i] != '\0')
                destination[kept++] = pending[i];
        }
        pending.remove(0, count);
        return kept;
    }
    int Write(const char* source, int length) override {
        if (!open)
            return 0;
        written.append(source, length);
        m_partial.append(source, length);
        for (qsizetype end; (end = m_partial.indexOf('\r')) >= 0;) {
            const QByteArray command = m_partial.left(end);
            m_partial.remove(0, end + 1);
            commands.append(command);
            times.append(m_clock.elapsed());
            const bool query =
                command.endsWith('?') || command.endsWith('Q') || command.startsWith("CUREQ");
            if (unit && !silent && (query || !ignoresSets))
                pending += unit->HandleCommand(command);
        }
        NotifyIfArmed();
        return length;
    }
    int Purge() override {
        ++purgeCount;
        pending.clear();
        return 1;
    }

private:
    QElapsedTimer m_clock;
    QByteArray m_partial;

    void NotifyIfArmed() {
        if (!armed || !open || pending.isEmpty())
            return;
        armed = false;
        emit readyRead();
    }
};

// The driver's queue of output not yet on the line, for the real port over a pseudo-terminal
// (which keeps none): the test says what it holds over time and sees when it is thrown away.
class FakeDriverOutput : public link::DriverOutput {
public:
    std::function<int(qint64 ms)> unsent = [](qint64) { return 0; }; // by ms since Start()
    int discards = 0;
    bool discardedWhileOpen = false;

    void Start() { m_clock.start(); }
    int Unsent(int) const override { return unsent(m_clock.elapsed()); }
    void Discard(int fd) override {
        ++discards;
        discardedWhileOpen = ::fcntl(fd, F_GETFD) != -1;
    }

private:
    QElapsedTimer m_clock;
};

} // namespace vq3::test
