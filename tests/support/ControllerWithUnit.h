#pragma once

#include "FakeSettingsUnit.h"
#include "ScriptedPrompter.h"
#include "app/Profile.h"
#include "ui/CControllerDlg.h"

#include <QFile>
#include <QSignalSpy>
#include <QTemporaryDir>

#include <memory>

namespace vq3::test {

// A main window set up on COM1 with the fake unit behind it, its profile in a temporary
// folder, and every message box and file dialog answered by a script. The full menu is
// shown unless openParam says otherwise. The unit settings waits are short: their lengths
// are the exchange's business, tested on their own.
struct ControllerWithUnit {
    explicit ControllerWithUnit(const QByteArray& openParam = "KORVANTIS") {
        QFile ini(dir.filePath(QStringLiteral("VQ3_CNT.ini")));
        if (ini.open(QIODevice::WriteOnly))
            ini.write("[INIT]\r\nPORT=1\r\nOPENPARAM=" + openParam + "\r\n");
        ini.close();
        profile = std::make_unique<app::Profile>(ini.fileName());
        window = std::make_unique<ui::CControllerDlg>(*profile, &unit);
        window->SetExchangeDurations({kReplyLimitMs, kSettleMs});
        window->SetUpDialog();
        unit.Forget(); // the status query of the connection
    }

    static constexpr int kReplyLimitMs = 400;
    static constexpr int kSettleMs = 100;

    // Runs a unit settings operation of the File menu to its end.
    bool Run(void (ui::CControllerDlg::*operation)()) {
        QSignalSpy ended(window.get(), &ui::CControllerDlg::settingsOperationEnded);
        (window.get()->*operation)();
        return !ended.isEmpty() || ended.wait(5000);
    }

    QString Path(const QString& name) const { return dir.filePath(name); }

    QTemporaryDir dir;
    FakeSettingsUnit unit;
    ScriptedPrompter prompter;
    std::unique_ptr<app::Profile> profile;
    std::unique_ptr<ui::CControllerDlg> window;
};

} // namespace vq3::test
