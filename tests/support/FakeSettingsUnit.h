#pragma once

#include "link/SerialDevice.h"

#include <QByteArray>
#include <QElapsedTimer>
#include <QList>

#include <algorithm>
#include <array>
#include <cstdio>
#include <cstring>

namespace vq3::test {

// An in-memory serial line with a light source behind it that knows the unit settings
// commands: it answers the eight setting queries from its own values and takes the setting
// commands written to it. Every command written is recorded (without its CR) with the time
// it arrived, so tests can check the exact bytes, their order and the gaps between them.
class FakeSettingsUnit : public link::SerialDevice {
public:
    // The unit's values in settings file order: program mode, lamp alarm time, forced lamp
    // off time (both hundreds of hours), instantaneous recovery, shutter response, open and
    // close pulse times (ms).
    std::array<int, 7> values = {7, 30, 50, 1, 1, 50, 50};
    int controlMode = 0;
    bool silent = false;      // answers nothing
    bool ignoresSets = false; // answers queries but keeps its values
    bool openSucceeds = true;

    QList<QByteArray> commands; // complete commands, in order, without CR
    QList<qint64> times;        // ms since construction at which each command arrived
    QByteArray written;         // every byte written

    FakeSettingsUnit() { m_clock.start(); }
    qint64 Now() const { return m_clock.elapsed(); } // on the clock of `times`

    void Forget() {
        commands.clear();
        times.clear();
        written.clear();
    }
    // Text the unit sends on its own (or a reply a test wants on the line).
    void Queue(const QByteArray& bytes) {
        m_pending += bytes;
        NotifyIfArmed();
    }

    int Open(int, int, int, int, int, int, int) override { return openSucceeds ? 0 : 1; }
    int Reopen() override { return openSucceeds ? 0 : 1; }
    bool Close() override { return true; }
    int BytesWaiting() override { return static_cast<int>(m_pending.size()); }
    int Read(char* destination, int maxLength) override {
        const int count = std::min(maxLength, static_cast<int>(m_pending.size()));
        std::memcpy(destination, m_pending.constData(), static_cast<size_t>(count));
        m_pending.remove(0, count);
        return count;
    }
    int Write(const char* source, int length) override {
        written.append(source, length);
        m_partial.append(source, length);
        qsizetype end;
        while ((end = m_partial.indexOf('\r')) >= 0) {
            const QByteArray command = m_partial.left(end);
            m_partial.remove(0, end + 1);
            commands.append(command);
            times.append(m_clock.elapsed());
            if (!silent)
                Handle(command);
        }
        NotifyIfArmed();
        return length;
    }
    int Purge() override {
        m_pending.clear();
        return 1;
    }
    void ArmReadNotification() override {
        m_armed = true;
        NotifyIfArmed();
    }

private:
    void NotifyIfArmed() {
        if (!m_armed || m_pending.isEmpty())
            return;
        m_armed = false;
        emit readyRead();
    }

    void Reply(const char* format, int value) {
        char line[32];
        std::snprintf(line, sizeof line, format, value);
        m_pending += line;
        m_pending += '\r';
    }

    // "KEYWORD" followed by exactly `digits` digits: the value, else -1.
    static int Argument(const QByteArray& command, const char* keyword, int digits) {
        const QByteArray prefix(keyword);
        if (!command.startsWith(prefix) || command.size() != prefix.size() + digits)
            return -1;
        int value = 0;
        for (qsizetype i = prefix.size(); i < command.size(); ++i) {
            if (command[i] < '0' || command[i] > '9')
                return -1;
            value = value * 10 + (command[i] - '0');
        }
        return value;
    }

    void Take(int setting, int value) {
        if (value >= 0 && !ignoresSets)
            values[static_cast<size_t>(setting)] = value;
    }

    void Handle(const QByteArray& c) {
        if (c == "CNTQ")
            Reply("CNT%d", controlMode);
        else if (c == "PROG?")
            m_pending += values[0] == 1 ? "1STEP\r" : "7STEP\r";
        else if (c == "LAMPERR?")
            Reply("LAMPERR%02d", values[1]);
        else if (c == "LAMPOFF?")
            Reply("LAMPOFF%02d", values[2]);
        else if (c == "IB?")
            Reply("IB%d", values[3]);
        else if (c == "SRESP?")
            Reply("SRESP%d", values[4]);
        else if (c == "SETT1?")
            Reply("SETT1%03d", values[5]);
        else if (c == "SETT2?")
            Reply("SETT2%03d", values[6]);
        else if (c == "PROG_1STEP")
            Take(0, 1);
        else if (c == "PROG_7STEP")
            Take(0, 7);
        else if (Argument(c, "CNT", 1) >= 0)
            controlMode = ignoresSets ? controlMode : Argument(c, "CNT", 1);
        else if (Argument(c, "LAMPERR", 2) >= 0)
            Take(1, Argument(c, "LAMPERR", 2));
        else if (Argument(c, "LAMPOFF", 2) >= 0)
            Take(2, Argument(c, "LAMPOFF", 2));
        else if (Argument(c, "IB", 1) >= 0)
            Take(3, Argument(c, "IB", 1));
        else if (Argument(c, "SRESP", 1) >= 0)
            Take(4, Argument(c, "SRESP", 1));
        else if (Argument(c, "SETT1", 3) >= 0)
            Take(5, Argument(c, "SETT1", 3));
        else if (Argument(c, "SETT2", 3) >= 0)
            Take(6, Argument(c, "SETT2", 3));
    }

    QElapsedTimer m_clock;
    QByteArray m_partial;
    QByteArray m_pending;
    bool m_armed = false;
};

} // namespace vq3::test
