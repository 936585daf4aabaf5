#pragma once

// What the end-to-end tests of the unit settings share: the settings file and the commands
// for seven values, the menu items, and looks at the running program.
#include "E2eRig.h"

namespace vq3::test::settings {

const QByteArray kFullMenuProfile = "[INIT]\r\nPORT=1\r\nOPENPARAM=KORVANTIS\r\n";
const QByteArray kQueries = "PROG?\rLAMPERR?\rLAMPOFF?\rIB?\rSRESP?\rSETT1?\rSETT2?\r";
const QList<QByteArray> kLabels = {
    "Program Mode(1/7:Step)",         "Lamp Alarm Time(*100h)",
    "Forced Lamp Off Time(*100h)",    "Instantaneous Recovery(1:On/0:Off)",
    "Shutter Response(1:High/0:Low)", "Shutter Open Pulse Time(ms)",
    "Shutter Close Pulse Time(ms)"};
enum Menu { Open = 32772, Save = 32774, SaveAs = 32775, Exit = 32776 };

// The settings file for seven values, as the program writes it.
inline QByteArray SettingsFile(const QList<int>& values) {
    QByteArray text;
    for (int i = 0; i < kLabels.size(); ++i)
        text += kLabels[i] + ',' + QByteArray::number(values.value(i)) + "\r\n";
    return text;
}

inline QString Description(const QList<int>& v) {
    return QStringLiteral("Program Mode : %1 Step\n"
                          "Lamp Alarm Time : %2 hour\n"
                          "Forced Lamp Off Time : %3 hour\n"
                          "Instantaneous Recovery : %4\n"
                          "Shutter Response : %5\n"
                          "Shutter Open Pulse Time : %6 ms\n"
                          "Shutter Close Pulse Time : %7 ms\n")
        .arg(v[0])
        .arg(v[1] * 100)
        .arg(v[2] * 100)
        .arg(v[3] ? "ON" : "OFF")
        .arg(v[4] ? "HIGH" : "LOW")
        .arg(v[5])
        .arg(v[6]);
}

// The commands that write the seven values into the unit.
inline QByteArray WriteCommands(const QList<int>& v) {
    return QStringLiteral("CNT1\rPROG_%1STEP\rLAMPERR%2\rLAMPOFF%3\rIB%4\rSRESP%5\rSETT1%6\r"
                          "SETT2%7\r")
        .arg(v[0] == 1 ? 1 : 7)
        .arg(v[1], 2, 10, QLatin1Char('0'))
        .arg(v[2], 2, 10, QLatin1Char('0'))
        .arg(v[3])
        .arg(v[4])
        .arg(v[5], 3, 10, QLatin1Char('0'))
        .arg(v[6], 3, 10, QLatin1Char('0'))
        .toLatin1();
}

inline QByteArray ReadFile(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

inline bool WriteFile(const QString& path, const QByteArray& content) {
    QFile file(path);
    return file.open(QIODevice::WriteOnly | QIODevice::Truncate) &&
           file.write(content) == content.size();
}

inline void SendFromTerminal(vq3::test::Rig& rig, const QByteArray& command) {
    rig.Mark();
    QVERIFY(rig.SetText(QStringLiteral("CTerminalDlg/idc_1002"), QString::fromLatin1(command)));
    QVERIFY(rig.Ui().Click(QStringLiteral("CTerminalDlg/idc_1001")));
    QVERIFY(rig.WaitSinceMark(command + '\r'));
}

using Prompts = QList<QPair<QString, QString>>;

inline Prompts AllPrompts(vq3::test::Rig& rig) {
    Prompts all;
    for (const QJsonValue& p : rig.Ui().Prompts())
        all.append({p.toObject()["caption"].toString(), p.toObject()["text"].toString()});
    return all;
}

inline bool Enabled(vq3::test::Controller& controller, const QString& path) {
    return controller.Get(path, QStringLiteral("enabled")).toBool();
}

inline bool Enabled(vq3::test::Rig& rig, const QString& path) {
    return Enabled(rig.Ui(), path);
}

} // namespace vq3::test::settings
