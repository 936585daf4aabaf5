#pragma once

// The one rig of the window tests: a main window started on its profile in a temporary
// folder, the simulated unit behind an in-memory line, the unit's object between them, and
// every message box and file dialog answered by a script. Tests find controls as a screen
// reader or the operator does: by object name ("idc_<id>" for controls, "idm_<id>" for menu
// items, the class name for windows), and they let replies arrive on the line.

#include "FakeSerialDevice.h"
#include "ScriptedPrompter.h"
#include "SettingsCommands.h"
#include "SimulatedUnit.h"

#include "app/Profile.h"
#include "control/UnitController.h"
#include "resources/ControlIds.h"
#include "ui/CControllerDlg.h"
#include "ui/DialogBuilder.h"

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QDialog>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QPointer>
#include <QPushButton>
#include <QRandomGenerator>
#include <QSignalSpy>
#include <QStringList>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <algorithm>
#include <functional>
#include <memory>

namespace vq3::test {

namespace idc = resources::idc;
namespace idm = resources::idm;

// The control with this identifier inside `in`, or null.
template <typename T = QWidget> T* FindControl(const QWidget* in, int id) {
    return in ? in->findChild<T*>(ui::ControlName(id)) : nullptr;
}

// A top-level window by object name ("CLightControlDlg", "CTerminalDlg"), or null.
inline QWidget* TopLevel(const QString& name) {
    for (QWidget* widget : QApplication::topLevelWidgets())
        if (widget->objectName() == name)
            return widget;
    return nullptr;
}

// Seven field texts: the given ones first, the rest filled with `rest`.
inline QStringList Seven(const QStringList& head, const QString& rest = QString()) {
    QStringList texts = head.mid(0, 7);
    while (texts.size() < 7)
        texts.append(rest);
    return texts;
}

// Everything the operator can see of the "Memory Step" editor.
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

class WindowRig {
public:
    static constexpr int kReplyLimitMs = 400;
    static constexpr int kSettleMs = 100;

    // port: the profile's PORT (0 leaves the window disconnected); extraProfile: more
    // [INIT] lines; openParam: the access code (the full menu by default).
    explicit WindowRig(int port = 1, const QByteArray& extraProfile = {},
                       const QByteArray& openParam = ui::CControllerDlg::kAccessCode) {
        unit.SetManualClock(true);
        unit.Options().warmupMs = 0;
        // The settings exchange's own lengths are tested without a window.
        controller.SetExchangeDurations({kReplyLimitMs, kSettleMs});
        const QString path = dir.filePath(QStringLiteral("VQ3_CNT.ini"));
        QFile ini(path);
        if (ini.open(QIODevice::WriteOnly))
            ini.write("[INIT]\r\nPORT=" + QByteArray::number(port) + "\r\nOPENPARAM=" + openParam +
                      "\r\n" + extraProfile);
        ini.close();
        profile = std::make_unique<app::Profile>(path);
        window = std::make_unique<ui::CControllerDlg>(*profile, controller);
        window->Start();
        Settle();
        device.Forget(); // the status query of the connection
    }

    // Every reply on the line and every echo handled: no line dispatched for three ticks.
    void Settle() {
        QSignalSpy lines(&controller, &control::UnitController::lineDispatched);
        if (!QTest::qWaitFor([this] { return device.pending.isEmpty(); }, 2000))
            qWarning("replies left unread on the line");
        while (lines.wait(3 * link::CommandChannel::kTickMs))
            continue;
    }
    // A line from the unit (CR added), handled.
    void Arrive(const QByteArray& line) {
        device.Arrive(line + '\r');
        Settle();
    }
    // The bytes written since the last call.
    QByteArray Take() {
        const QByteArray written = device.written;
        device.Forget();
        return written;
    }
    QString Path(const QString& name) const { return dir.filePath(name); }

    // Controls and windows.
    template <typename T = QWidget> T* Control(int id) const {
        return FindControl<T>(window.get(), id);
    }
    QPushButton* Button(int id) const { return Control<QPushButton>(id); }
    QAction* Action(int id) const {
        return window->findChild<QAction*>(QStringLiteral("idm_%1").arg(id));
    }
    QWidget* LightControl() const { return TopLevel(QStringLiteral("CLightControlDlg")); }
    QWidget* Terminal() const { return TopLevel(QStringLiteral("CTerminalDlg")); }
    QString LinkText() const {
        return window->findChild<QLabel*>(QStringLiteral("statusLink"))->text();
    }

    // Shows a tool window through its "&Display" item.
    bool ShowTool(int menuId) {
        Action(menuId)->trigger();
        return QTest::qWaitForWindowExposed(menuId == idm::Terminal ? Terminal() : LightControl());
    }

    // Chooses a File menu operation and waits until it has ended.
    bool RunOperation(int menuId) {
        Action(menuId)->trigger();
        return QTest::qWaitFor([this] { return !controller.Busy(); }, 5000);
    }

    // Chooses the menu item of a modal dialog, lets act work on the dialog (found by object
    // name) while it runs and closes it afterwards if still open. Returns once the dialog is
    // gone; false when it never came up.
    bool RunDialog(int menuId, const QString& name, const std::function<void(QDialog*)>& act) {
        bool found = false;
        QTimer::singleShot(0, window.get(), [&] {
            QPointer<QDialog> dialog = window->findChild<QDialog*>(name);
            if (!dialog) {
                if (QWidget* modal = QApplication::activeModalWidget())
                    modal->close();
                return;
            }
            found = true;
            act(dialog);
            if (dialog && dialog->isVisible())
                dialog->reject();
        });
        Action(menuId)->trigger();
        return found;
    }

    // The "Memory Step" editor.
    QLineEdit* IntensityField(int step) const {
        return Control<QLineEdit>(idc::controller::kIntensityFields[step]);
    }
    QLineEdit* TimeField(int step) const {
        return Control<QLineEdit>(idc::controller::kTimeFields[step]);
    }
    QComboBox* ProgramList() const { return Control<QComboBox>(idc::controller::ProgramNo); }
    QComboBox* ShutterModeList() const { return Control<QComboBox>(idc::controller::ShutterMode); }
    QComboBox* IntensityModeList() const {
        return Control<QComboBox>(idc::controller::IntensityMode);
    }
    QString StepReadout() const { return Control<QLabel>(idc::controller::StepReadout)->text(); }

    void SetFields(const QStringList& intensities, const QStringList& times) {
        for (int step = 0; step < 7; ++step) {
            IntensityField(step)->setText(intensities.value(step));
            TimeField(step)->setText(times.value(step));
        }
    }
    void SelectLists(int program, int shutter, int intensityMode) {
        ProgramList()->setCurrentIndex(program);
        ShutterModeList()->setCurrentIndex(shutter);
        IntensityModeList()->setCurrentIndex(intensityMode);
    }
    EditorState State() const {
        EditorState s;
        for (int step = 0; step < 7; ++step) {
            s.intensities.append(IntensityField(step)->text());
            s.times.append(TimeField(step)->text());
        }
        s.program = ProgramList()->currentIndex();
        s.shutter = ShutterModeList()->currentIndex();
        s.intensityMode = IntensityModeList()->currentIndex();
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

    QTemporaryDir dir;
    sim::SimulatedUnit unit;
    FakeSerialDevice device{&unit};
    control::UnitController controller{&device};
    ScriptedPrompter prompter;
    std::unique_ptr<app::Profile> profile;
    std::unique_ptr<ui::CControllerDlg> window;
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
