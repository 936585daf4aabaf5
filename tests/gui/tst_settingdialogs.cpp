// The eight unit setting dialogs opened from the main window: titles, entries, the query
// on opening, what "Set" sends, replies that reach the open dialog, the keyboard rules.
#include "WindowRig.h"

#include <QAccessible>
#include <QGroupBox>
#include <QImage>

using vq3::test::FindControl;
using vq3::test::WindowRig;
using ByteList = QList<QByteArray>;

namespace {

namespace setting = vq3::resources::idc::setting;
constexpr int kList = setting::ChoiceList, kEdit = setting::ValueField, kSet = setting::Set,
              kRead = setting::Read, kReadout = setting::Readout, kGroup = setting::Group,
              kOk = vq3::resources::idc::Ok, kCancel = vq3::resources::idc::Cancel;

bool IsChoice(int kind) {
    return kind == 1 || kind == 2 || kind == 5 || kind == 6;
}

// Opens the setting dialog of this kind from the "&Setting" menu and lets act work on it
// while it runs; closes it afterwards if act left it open. Returns once the dialog is gone.
bool RunSetting(WindowRig& rig, int kind, const std::function<void(QDialog*)>& act) {
    return rig.RunDialog(vq3::resources::idm::ControlMode + kind - 1,
                         IsChoice(kind) ? "CChoiceSettingDlg" : "CValueSettingDlg", act);
}

QComboBox* List(QDialog* d) {
    return FindControl<QComboBox>(d, kList);
}
QLineEdit* Field(QDialog* d) {
    return FindControl<QLineEdit>(d, kEdit);
}
QString Readout(QDialog* d) {
    return FindControl<QLabel>(d, kReadout)->text();
}
void Click(QDialog* d, int id) {
    FindControl<QPushButton>(d, id)->click();
}

QString AccessibleText(QWidget* widget, QAccessible::Text which) {
    QAccessibleInterface* face = QAccessible::queryAccessibleInterface(widget);
    return face ? face->text(which) : QString();
}

bool HasColour(QWidget* widget, QRgb colour) {
    const QImage image = widget->grab().toImage().convertToFormat(QImage::Format_RGB32);
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            if ((image.pixel(x, y) & 0xFFFFFF) == (colour & 0xFFFFFF))
                return true;
    return false;
}

} // namespace

class TestSettingDialogs : public QObject {
    Q_OBJECT

private slots:
    void choiceOpening_data();
    void choiceOpening();
    void valueOpening_data();
    void valueOpening();
    void valueSet_data();
    void valueSet();
    void choiceSetAndRead_data();
    void choiceSetAndRead();
    void choiceReplies_data();
    void choiceReplies();
    void valueReplies_data();
    void valueReplies();
    void replyFromTheLine();
    void lateReplies_data();
    void lateReplies();
    void keyboard_data();
    void keyboard();
    void closingSendsNothing_data();
    void closingSendsNothing();
    void captionColour();
};

void TestSettingDialogs::choiceOpening_data() {
    QTest::addColumn<int>("kind");
    QTest::addColumn<QString>("title");
    QTest::addColumn<QStringList>("entries");
    QTest::addColumn<QByteArray>("query");

    QTest::newRow("control mode") << 1 << "Controll Mode" << QStringList{"COM Port", "Front Panel"}
                                  << QByteArray("CNTQ");
    QTest::newRow("program mode") << 2 << "Program Mode" << QStringList{"7STEPS", "1STEP"}
                                  << QByteArray("PROG?");
    QTest::newRow("instantaneous recovery")
        << 5 << "Instantaneous Recovery" << QStringList{"On", "Off"} << QByteArray("IB?");
    QTest::newRow("shutter response")
        << 6 << "Shutter Response" << QStringList{"HIGH", "LOW"} << QByteArray("SRESP?");
}

void TestSettingDialogs::choiceOpening() {
    QFETCH(int, kind);
    QFETCH(QString, title);
    QFETCH(QStringList, entries);
    QFETCH(QByteArray, query);
    WindowRig h;
    h.device.silent = true;

    QString caption, groupTitle, description;
    QStringList shown;
    int index = -2;
    bool parentIsMain = false, windowModal = false;
    const bool found = RunSetting(h, kind, [&](QDialog* d) {
        auto* list = List(d);
        for (int i = 0; i < list->count(); ++i)
            shown.append(list->itemText(i));
        index = list->currentIndex();
        caption = d->windowTitle();
        groupTitle = FindControl<QGroupBox>(d, kGroup)->title();
        description = AccessibleText(list, QAccessible::Description);
        parentIsMain = d->parentWidget() == h.window.get();
        windowModal = d->windowModality() == Qt::WindowModal;
        QCOMPARE(d->objectName(), QStringLiteral("CChoiceSettingDlg"));
    });
    QVERIFY(found);
    QCOMPARE(shown, entries);
    QCOMPARE(index, 0);
    QCOMPARE(caption, title);
    QCOMPARE(groupTitle, title);
    QCOMPARE(description, QStringLiteral("Setting choice"));
    QVERIFY(parentIsMain);
    QVERIFY(windowModal);
    QCOMPARE(h.device.commands, ByteList{query});
    QCOMPARE(h.device.written, query + '\r');
    QVERIFY(!h.window->findChild<QDialog*>("CChoiceSettingDlg")); // deleted when closed
}

void TestSettingDialogs::valueOpening_data() {
    QTest::addColumn<int>("kind");
    QTest::addColumn<QString>("title");
    QTest::addColumn<QString>("initial");
    QTest::addColumn<QByteArray>("query");

    QTest::newRow("lamp alarm time") << 3 << "Lamp Alarm Time"
                                     << "3000" << QByteArray("LAMPERR?");
    QTest::newRow("forced lamp off time") << 4 << "Forced Lamp Off Time"
                                          << "5000" << QByteArray("LAMPOFF?");
    QTest::newRow("open pulse") << 7 << "Shutter Open Pulse Time"
                                << "500" << QByteArray("SETT1?");
    QTest::newRow("close pulse") << 8 << "Shutter Close Pulse Time"
                                 << "500" << QByteArray("SETT2?");
}

void TestSettingDialogs::valueOpening() {
    QFETCH(int, kind);
    QFETCH(QString, title);
    QFETCH(QString, initial);
    QFETCH(QByteArray, query);
    WindowRig h;
    h.device.silent = true;

    QString caption, groupTitle, text, readout = "unset", fieldName, readoutDescription;
    bool parentIsMain = false, windowModal = false;
    const bool found = RunSetting(h, kind, [&](QDialog* d) {
        caption = d->windowTitle();
        groupTitle = FindControl<QGroupBox>(d, kGroup)->title();
        text = Field(d)->text();
        readout = Readout(d);
        fieldName = AccessibleText(FindControl(d, kEdit), QAccessible::Name);
        readoutDescription = AccessibleText(FindControl(d, kReadout), QAccessible::Description);
        parentIsMain = d->parentWidget() == h.window.get();
        windowModal = d->windowModality() == Qt::WindowModal;
        QCOMPARE(d->objectName(), QStringLiteral("CValueSettingDlg"));
    });
    QVERIFY(found);
    QCOMPARE(caption, title);
    QCOMPARE(groupTitle, title);
    QCOMPARE(text, initial);
    QCOMPARE(readout, QString());
    QCOMPARE(fieldName, QStringLiteral("Setting value"));
    QCOMPARE(readoutDescription, QStringLiteral("Setting read-out"));
    QVERIFY(parentIsMain);
    QVERIFY(windowModal);
    QCOMPARE(h.device.commands, ByteList{query});
}

void TestSettingDialogs::valueSet_data() {
    QTest::addColumn<int>("kind");
    QTest::addColumn<QString>("text");
    QTest::addColumn<QByteArray>("sent"); // empty: nothing but the opening query
    QTest::addColumn<QString>("fieldAfter");
    QTest::addColumn<QString>("message"); // empty: none

    const QString hours = "Setting value is out of range.(Set value within 0 or 1000 - 9900)";
    const QString pulse = "Setting value is out of range.(Set value within 5 - 500)";
    const QString wrong = "Setting value is wrong.";

    QTest::newRow("3050 h") << 3 << "3050" << QByteArray("LAMPERR30") << "3000"
                            << "";
    QTest::newRow("9999 h") << 3 << "9999" << QByteArray("LAMPERR99") << "9900"
                            << "";
    QTest::newRow("10000 h") << 3 << "10000" << QByteArray() << "10000" << hours;
    QTest::newRow("150 h") << 3 << "150" << QByteArray("LAMPERR01") << "100"
                           << "";
    QTest::newRow("99 h") << 3 << "99" << QByteArray("LAMPERR00") << "0"
                          << "";
    QTest::newRow("-50 h") << 3 << "-50" << QByteArray("LAMPERR00") << "0"
                           << "";
    QTest::newRow("-100 h") << 3 << "-100" << QByteArray() << "-100" << hours;
    QTest::newRow("empty h") << 3 << "" << QByteArray("LAMPERR00") << "0"
                             << "";
    QTest::newRow("blanks h") << 3 << "  " << QByteArray() << "  " << wrong;
    QTest::newRow("leading blank h") << 3 << " 2000" << QByteArray("LAMPERR20") << "2000"
                                     << "";
    QTest::newRow("trailing blank h") << 3 << "2000 " << QByteArray() << "2000 " << wrong;
    QTest::newRow("beyond 32 bits h")
        << 3 << "99999999999" << QByteArray() << "99999999999" << hours;
    QTest::newRow("decimal h") << 3 << "30.5" << QByteArray() << "30.5" << wrong;
    QTest::newRow("lamp off 5000 h") << 4 << "5000" << QByteArray("LAMPOFF50") << "5000"
                                     << "";
    QTest::newRow("lamp off 0 h") << 4 << "0" << QByteArray("LAMPOFF00") << "0"
                                  << "";
    QTest::newRow("lamp off 9900 h") << 4 << "9900" << QByteArray("LAMPOFF99") << "9900"
                                     << "";
    QTest::newRow("lamp off 10050 h") << 4 << "10050" << QByteArray() << "10050" << hours;
    QTest::newRow("5 ms") << 7 << "5" << QByteArray("SETT1005") << "5"
                          << "";
    QTest::newRow("500 ms") << 7 << "500" << QByteArray("SETT1500") << "500"
                            << "";
    QTest::newRow("+20 ms") << 7 << "+20" << QByteArray("SETT1020") << "20"
                            << "";
    QTest::newRow("4 ms") << 7 << "4" << QByteArray() << "4" << pulse;
    QTest::newRow("501 ms") << 7 << "501" << QByteArray() << "501" << pulse;
    QTest::newRow("empty ms") << 7 << "" << QByteArray() << "" << pulse;
    QTest::newRow("20ms") << 7 << "20ms" << QByteArray() << "20ms" << wrong;
    QTest::newRow("20 blank") << 7 << "20 " << QByteArray() << "20 " << wrong;
    QTest::newRow("close 20 ms") << 8 << "20" << QByteArray("SETT2020") << "20"
                                 << "";
    QTest::newRow("close 0 ms") << 8 << "0" << QByteArray() << "0" << pulse;
}

void TestSettingDialogs::valueSet() {
    QFETCH(int, kind);
    QFETCH(QString, text);
    QFETCH(QByteArray, sent);
    QFETCH(QString, fieldAfter);
    QFETCH(QString, message);
    WindowRig h;
    h.device.silent = true;

    QString after;
    bool openAfterSet = false;
    QVERIFY(RunSetting(h, kind, [&](QDialog* d) {
        auto* field = Field(d);
        h.device.Forget(); // the opening query
        field->setText(text);
        Click(d, kSet);
        after = field->text();
        openAfterSet = d->isVisible();
    }));
    QVERIFY(openAfterSet);
    QCOMPARE(h.device.written, sent.isEmpty() ? QByteArray() : sent + '\r');
    QCOMPARE(after, fieldAfter);
    if (message.isEmpty()) {
        QCOMPARE(h.prompter.shown.size(), 0);
    } else {
        QCOMPARE(h.prompter.shown.size(), 1);
        QCOMPARE(h.prompter.shown[0].text, message);
        QCOMPARE(h.prompter.shown[0].caption, QStringLiteral("Error"));
        QCOMPARE(h.prompter.shown[0].owner, QStringLiteral("CValueSettingDlg"));
        QVERIFY(!h.prompter.shown[0].okCancel);
    }
}

void TestSettingDialogs::choiceSetAndRead_data() {
    QTest::addColumn<int>("kind");
    QTest::addColumn<int>("index");
    QTest::addColumn<QByteArray>("set");
    QTest::addColumn<QByteArray>("query");

    // Each kind with one entry; what each entry sends: tst_unitcontroller.
    QTest::newRow("Front Panel") << 1 << 1 << QByteArray("CNT0") << QByteArray("CNTQ");
    QTest::newRow("7STEPS") << 2 << 0 << QByteArray("PROG_7STEP") << QByteArray("PROG?");
    QTest::newRow("Off") << 5 << 1 << QByteArray("IB0") << QByteArray("IB?");
    QTest::newRow("HIGH") << 6 << 0 << QByteArray("SRESP1") << QByteArray("SRESP?");
}

void TestSettingDialogs::choiceSetAndRead() {
    QFETCH(int, kind);
    QFETCH(int, index);
    QFETCH(QByteArray, set);
    QFETCH(QByteArray, query);
    WindowRig h;
    h.device.silent = true;

    QVERIFY(RunSetting(h, kind, [&](QDialog* d) {
        // Start from the other entry, so that Set must follow the operator's choice.
        List(d)->setCurrentIndex(1 - index);
        List(d)->setCurrentIndex(index);
        Click(d, kSet);
        Click(d, kRead);
    }));
    QCOMPARE(h.device.commands, (ByteList{query, set, query}));
    QCOMPARE(h.prompter.shown.size(), 0);
}

void TestSettingDialogs::choiceReplies_data() {
    QTest::addColumn<int>("kind");
    QTest::addColumn<QStringList>("replies");
    QTest::addColumn<int>("index");

    // Which reply means which entry: tst_unitcontroller and tst_replydispatch.
    QTest::newRow("CNT0 selects Front Panel") << 1 << QStringList{"CNT0"} << 1;
    QTest::newRow("CNT1 selects COM Port") << 1 << QStringList{"CNT0", "CNT1"} << 0;
    QTest::newRow("CNT2 changes nothing") << 1 << QStringList{"CNT0", "CNT2"} << 1;
    QTest::newRow("1STEP") << 2 << QStringList{"1STEP"} << 1;
    QTest::newRow("another setting's reply") << 2 << QStringList{"CNT0", "IB0", "SRESP0"} << 0;
    QTest::newRow("CNT0 for program mode") << 2 << QStringList{"1STEP", "CNT1"} << 1;
}

void TestSettingDialogs::choiceReplies() {
    QFETCH(int, kind);
    QFETCH(QStringList, replies);
    QFETCH(int, index);
    WindowRig h;
    h.device.silent = true;

    int selected = -2;
    QVERIFY(RunSetting(h, kind, [&](QDialog* d) {
        for (const QString& reply : replies)
            h.Arrive(reply.toLatin1());
        selected = List(d)->currentIndex();
    }));
    QCOMPARE(selected, index);
    QCOMPARE(h.device.commands.size(), 1); // the opening query only
}

void TestSettingDialogs::valueReplies_data() {
    QTest::addColumn<int>("kind");
    QTest::addColumn<QStringList>("replies");
    QTest::addColumn<QString>("readout");

    QTest::newRow("LAMPERR30") << 3 << QStringList{"LAMPERR30"} << "3000";
    QTest::newRow("LAMPOFF50") << 4 << QStringList{"LAMPOFF50"} << "5000";
    QTest::newRow("SETT1100") << 7 << QStringList{"SETT1100"} << "100";
    QTest::newRow("SETT2005") << 8 << QStringList{"SETT2005"} << "5";
    QTest::newRow("latest wins") << 7 << QStringList{"SETT1100", "SETT1250"} << "250";
    QTest::newRow("other setting's replies") << 4 << QStringList{"LAMPERR30", "SETT1100"} << "";
    QTest::newRow("open pulse ignores close pulse") << 7 << QStringList{"SETT2100"} << "";
}

void TestSettingDialogs::valueReplies() {
    QFETCH(int, kind);
    QFETCH(QStringList, replies);
    QFETCH(QString, readout);
    WindowRig h;
    h.device.silent = true;

    QString shown = "unset";
    QString field;
    QVERIFY(RunSetting(h, kind, [&](QDialog* d) {
        for (const QString& reply : replies)
            h.Arrive(reply.toLatin1());
        shown = Readout(d);
        field = Field(d)->text();
    }));
    QCOMPARE(shown, readout);
    QVERIFY(!field.isEmpty()); // replies go to the read-out, never into the field
}

void TestSettingDialogs::replyFromTheLine() {
    // The unit's answer to the opening query arrives through the reception tick.
    WindowRig h;
    h.unit.setProgramMode(1);
    bool selected = false;
    QString readout;
    QVERIFY(RunSetting(h, 2, [&](QDialog* d) {
        auto* list = List(d);
        selected = QTest::qWaitFor([&] { return list->currentIndex() == 1; }, 3000);
    }));
    QVERIFY(selected);

    QVERIFY(RunSetting(h, 3, [&](QDialog* d) {
        auto* label = qobject_cast<QLabel*>(FindControl(d, kReadout));
        if (QTest::qWaitFor([&] { return !label->text().isEmpty(); }, 3000))
            readout = label->text();
    }));
    QCOMPARE(readout, QStringLiteral("3000"));
}

void TestSettingDialogs::lateReplies_data() {
    QTest::addColumn<int>("kind");
    QTest::addColumn<QByteArray>("reply");
    QTest::addColumn<int>("otherKind"); // a dialog of the same class opened afterwards

    QTest::newRow("lamp alarm") << 3 << QByteArray("LAMPERR30") << 4;
    QTest::newRow("open pulse") << 7 << QByteArray("SETT1100") << 8;
    QTest::newRow("program mode") << 2 << QByteArray("1STEP") << 5;
    QTest::newRow("shutter response") << 6 << QByteArray("SRESP0") << 1;
}

// A reply to a dialog closed meanwhile reaches no dialog, nor one opened afterwards.
void TestSettingDialogs::lateReplies() {
    QFETCH(int, kind);
    QFETCH(QByteArray, reply);
    QFETCH(int, otherKind);
    WindowRig h;
    h.device.silent = true;

    QVERIFY(RunSetting(h, kind, [](QDialog*) {}));
    // Closed: the window has told the unit's object that no dialog waits for an answer.
    QSignalSpy choice(&h.controller, &vq3::control::UnitController::settingChoice);
    QSignalSpy readout(&h.controller, &vq3::control::UnitController::settingReadout);
    h.Arrive(reply);
    QCOMPARE(choice.size() + readout.size(), 0);
    QString state;
    QVERIFY(RunSetting(h, otherKind, [&](QDialog* d) {
        h.Arrive(reply);
        state = IsChoice(kind) ? QString::number(List(d)->currentIndex()) : Readout(d);
    }));
    QCOMPARE(state, IsChoice(kind) ? QStringLiteral("0") : QString());
}

void TestSettingDialogs::keyboard_data() {
    QTest::addColumn<int>("kind");
    QTest::addColumn<int>("target"); // a control identifier, 0 for the dialog itself
    QTest::addColumn<int>("key");
    QTest::addColumn<bool>("staysOpen");
    QTest::addColumn<int>("result"); // when closed
    QTest::addColumn<ByteList>("sent");

    const int field = kEdit, list = kList;
    QTest::newRow("Return in value field")
        << 3 << field << int(Qt::Key_Return) << true << 0 << ByteList{};
    QTest::newRow("Enter in value field")
        << 7 << field << int(Qt::Key_Enter) << true << 0 << ByteList{};
    QTest::newRow("Return in list") << 2 << list << int(Qt::Key_Return) << true << 0 << ByteList{};
    QTest::newRow("Enter in list") << 6 << list << int(Qt::Key_Enter) << true << 0 << ByteList{};
    QTest::newRow("Return on value Read")
        << 3 << kRead << int(Qt::Key_Return) << true << 0 << ByteList{"LAMPERR?"};
    QTest::newRow("Return on value Set")
        << 3 << kSet << int(Qt::Key_Return) << true << 0 << ByteList{"LAMPERR30"};
    QTest::newRow("Return on choice Set")
        << 1 << kSet << int(Qt::Key_Return) << true << 0 << ByteList{"CNT1"};
    QTest::newRow("Return on choice Read")
        << 5 << kRead << int(Qt::Key_Return) << true << 0 << ByteList{"IB?"};
    QTest::newRow("Return elsewhere closes")
        << 8 << 0 << int(Qt::Key_Return) << false << int(QDialog::Accepted) << ByteList{};
    QTest::newRow("Return on Ok") << 5 << kOk << int(Qt::Key_Return) << false
                                  << int(QDialog::Accepted) << ByteList{};
    QTest::newRow("Escape in value field")
        << 4 << field << int(Qt::Key_Escape) << false << int(QDialog::Rejected) << ByteList{};
    QTest::newRow("Escape in list")
        << 5 << list << int(Qt::Key_Escape) << false << int(QDialog::Rejected) << ByteList{};
}

void TestSettingDialogs::keyboard() {
    QFETCH(int, kind);
    QFETCH(int, target);
    QFETCH(int, key);
    QFETCH(bool, staysOpen);
    QFETCH(int, result);
    QFETCH(ByteList, sent);
    WindowRig h;
    h.device.silent = true;

    bool open = false;
    int finished = -1;
    auto act = [&](QDialog* d, QWidget* control) {
        QObject::connect(d, &QDialog::finished, d, [&](int r) { finished = r; });
        h.device.Forget();
        QWidget* receiver = control ? control : d;
        receiver->setFocus();
        QTest::keyClick(receiver, Qt::Key(key));
        open = d->isVisible();
    };
    QVERIFY(RunSetting(h, kind,
                       [&](QDialog* d) { act(d, target ? FindControl(d, target) : nullptr); }));
    QCOMPARE(open, staysOpen);
    if (!staysOpen)
        QCOMPARE(finished, result);
    QCOMPARE(h.device.commands, sent);
}

void TestSettingDialogs::closingSendsNothing_data() {
    QTest::addColumn<int>("button");
    QTest::addColumn<int>("result");
    QTest::newRow("Ok") << kOk << int(QDialog::Accepted);
    QTest::newRow("Cancel") << kCancel << int(QDialog::Rejected);
}

void TestSettingDialogs::closingSendsNothing() {
    QFETCH(int, button);
    QFETCH(int, result);
    WindowRig h;
    h.device.silent = true;

    int finished = -1;
    QVERIFY(RunSetting(h, 6, [&](QDialog* d) {
        QObject::connect(d, &QDialog::finished, d, [&](int r) { finished = r; });
        List(d)->setCurrentIndex(1);
        Click(d, button);
    }));
    QCOMPARE(finished, result);
    QCOMPARE(h.device.commands, ByteList{"SRESP?"});

    QVERIFY(RunSetting(h, 7, [&](QDialog* d) {
        Field(d)->setText("250");
        Click(d, button);
    }));
    QCOMPARE(h.device.commands, (ByteList{"SRESP?", "SETT1?"}));
}

void TestSettingDialogs::captionColour() {
    WindowRig h;
    h.device.silent = true;
    bool captionGreen = false, okGreen = true;
    QVERIFY(RunSetting(h, 3, [&](QDialog* d) {
        captionGreen = HasColour(FindControl(d, kGroup), qRgb(0, 128, 0));
        okGreen = HasColour(FindControl(d, kOk), qRgb(0, 128, 0));
    }));
    QVERIFY(captionGreen);
    QVERIFY(!okGreen);
}

QTEST_MAIN(TestSettingDialogs)
#include "tst_settingdialogs.moc"
