#pragma once

// One scratch folder with the real simulator linked as COM1 and the real controller beside
// it, plus the small steps the end-to-end tests repeat: what went on the wire since a mark,
// the texts of the recorded prompts, and a query repeated until its answer shows.

#include "E2eHarness.h"

#include <QElapsedTimer>

#include <functional>

namespace vq3::test {

class Rig {
public:
    Rig() : m_controller(m_dir.path()) {}

    // profile empty: "[INIT]\r\nPORT=1\r\n". Waits for the first status query on the line.
    bool Start(const QStringList& simOptions = {}, const QByteArray& profile = {},
               const QStringList& environment = {}) {
        if (!m_sim.Start(Path(QStringLiteral("COM1")), simOptions))
            return false;
        m_controller.WriteProfile(profile.isEmpty() ? QByteArray("[INIT]\r\nPORT=1\r\n") : profile);
        return m_controller.Start(environment) && m_sim.WaitReceived("INP\r");
    }

    QString Path(const QString& name) const { return QDir(m_dir.path()).filePath(name); }
    Simulator& Sim() { return m_sim; }
    Controller& Ui() { return m_controller; }

    // Bytes the controller wrote from now on.
    void Mark() { m_mark = m_sim.Received().size(); }
    QByteArray SinceMark() const { return m_sim.Received().mid(m_mark); }
    bool WaitSinceMark(const QByteArray& bytes, int ms = 5000) const {
        return QTest::qWaitFor([&] { return SinceMark().contains(bytes); }, ms);
    }

    QStringList PromptTexts() {
        QStringList texts;
        for (const QJsonValue& prompt : m_controller.Prompts())
            texts.append(prompt.toObject().value(QStringLiteral("text")).toString());
        return texts;
    }
    bool WaitPrompt(const QString& text, int ms = 5000) {
        return QTest::qWaitFor([&] { return PromptTexts().contains(text); }, ms);
    }

    QString Text(const QString& path) {
        return m_controller.Get(path, QStringLiteral("text")).toString();
    }
    bool SetText(const QString& path, const QString& text) {
        return m_controller.Set(path, QStringLiteral("text"), text);
    }
    bool WindowExists(const QString& name, int ms = 5000) {
        return QTest::qWaitFor(
            [&] {
                return m_controller.Request({{"cmd", "exists"}, {"path", name}})
                    .value("value")
                    .toBool();
            },
            ms);
    }

    // Presses button every intervalMs (the first time at once) until done() holds.
    bool AskUntil(const QString& button, const std::function<bool()>& done, int ms = 5000,
                  int intervalMs = 250) {
        QElapsedTimer clock;
        clock.start();
        while (clock.elapsed() < ms) {
            if (!m_controller.Click(button))
                return false;
            if (QTest::qWaitFor(done, std::min<qint64>(intervalMs, ms - clock.elapsed())))
                return true;
        }
        return done();
    }

private:
    QTemporaryDir m_dir;
    Simulator m_sim;
    Controller m_controller;
    qsizetype m_mark = 0;
};

} // namespace vq3::test
