#pragma once

// A main window on an in-memory line, with scripted message boxes and file dialogs, for
// the tests of the "Memory Step" group.

#include "FakeSerialDevice.h"
#include "ScriptedPrompter.h"

#include "app/Profile.h"
#include "ui/CControllerDlg.h"

#include <QComboBox>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRandomGenerator>
#include <QStringList>
#include <QTemporaryDir>

#include <algorithm>

namespace vq3::test {

// Seven field texts: the given ones first, the rest filled with `rest`.
inline QStringList Seven(const QStringList& head, const QString& rest = QString()) {
    QStringList texts = head.mid(0, 7);
    while (texts.size() < 7)
        texts.append(rest);
    return texts;
}

// Everything the operator can see of the editor.
struct EditorState {
    QStringList intensities;
    QStringList times;
    int program = 0; // list indexes, -1 for no selection
    int shutter = 0;
    int intensityMode = 0;
    QString stepReadout;

    bool operator==(const EditorState&) const = default;
};

inline char* toString(const EditorState& s) {
    const QString text = QStringLiteral("I[%1] T[%2] P%3 S%4 M%5 step'%6'")
                             .arg(s.intensities.join('|'), s.times.join('|'))
                             .arg(s.program)
                             .arg(s.shutter)
                             .arg(s.intensityMode)
                             .arg(s.stepReadout);
    return qstrdup(text.toUtf8().constData());
}

class ProgramEditorRig {
public:
    // port: the profile's PORT value; 0 leaves the window disconnected.
    explicit ProgramEditorRig(int port = 1)
        : profile(PrepareProfile(tmp, port)), dlg(profile, &line) {
        dlg.SetUpDialog();
        line.written.clear(); // the start-up status query
    }

    QPushButton* Button(int id) const { return static_cast<QPushButton*>(dlg.Control(id)); }
    QString StepReadout() const { return static_cast<QLabel*>(dlg.Control(1029))->text(); }

    void SetFields(const QStringList& intensities, const QStringList& times) {
        for (int step = 0; step < 7; ++step) {
            dlg.IntensityField(step)->setText(intensities.value(step));
            dlg.TimeField(step)->setText(times.value(step));
        }
    }

    void SelectLists(int program, int shutter, int intensityMode) {
        dlg.ProgramList()->setCurrentIndex(program);
        dlg.ShutterModeList()->setCurrentIndex(shutter);
        dlg.IntensityModeList()->setCurrentIndex(intensityMode);
    }

    EditorState State() const {
        EditorState s;
        for (int step = 0; step < 7; ++step) {
            s.intensities.append(dlg.IntensityField(step)->text());
            s.times.append(dlg.TimeField(step)->text());
        }
        s.program = dlg.ProgramList()->currentIndex();
        s.shutter = dlg.ShutterModeList()->currentIndex();
        s.intensityMode = dlg.IntensityModeList()->currentIndex();
        s.stepReadout = StepReadout();
        return s;
    }

    // The messages shown so far must be exactly these texts, each in the application's box
    // owned by the main window.
    bool MessagesAre(const QStringList& texts) const {
        if (prompter.Texts() != texts)
            return false;
        return std::all_of(prompter.shown.begin(), prompter.shown.end(),
                           [](const ScriptedPrompter::Shown& s) {
                               return s.caption == QLatin1String("vq3-controller") &&
                                      s.owner == QLatin1String("CControllerDlg") && !s.okCancel;
                           });
    }

    QTemporaryDir tmp;
    app::Profile profile;
    FakeSerialDevice line;
    ScriptedPrompter prompter;
    ui::CControllerDlg dlg;

private:
    static QString PrepareProfile(const QTemporaryDir& dir, int port) {
        const QString path = dir.filePath(QStringLiteral("VQ3_CNT.ini"));
        QFile file(path);
        if (file.open(QIODevice::WriteOnly))
            file.write(QStringLiteral("[INIT]\r\nPORT=%1\r\n").arg(port).toLatin1());
        return path;
    }
};

// Changes, removes or inserts a character at random places, count times.
template <typename Alphabet>
void Mutate(QByteArray& bytes, QRandomGenerator& random, const Alphabet& alphabet, int count) {
    for (int m = 0; m < count && !bytes.isEmpty(); ++m) {
        const int at = random.bounded(int(bytes.size()));
        const char c = alphabet[random.bounded(int(alphabet.size()))];
        switch (random.bounded(3)) {
        case 0:
            bytes[at] = c;
            break;
        case 1:
            bytes.remove(at, 1);
            break;
        default:
            bytes.insert(at, c);
            break;
        }
    }
}

} // namespace vq3::test
