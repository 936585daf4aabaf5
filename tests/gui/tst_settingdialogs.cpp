// The eight unit setting dialogs opened from the main window: titles, entries, the query
// on opening, what "Set" sends, replies that reach the open dialog, the keyboard rules.
#include "ControllerWithUnit.h"
#include "ui/CSettingDlgs.h"

#include <QAccessible>
#include <QApplication>
#include <QComboBox>
#include <QGroupBox>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QPointer>
#include <QPushButton>
#include <QTimer>
#include <QtTest>

#include <functional>

using vq3::test::ControllerWithUnit;
using vq3::ui::CChoiceSettingDlg;
using vq3::ui::CValueSettingDlg;

using ByteList = QList<QByteArray>;

namespace {

constexpr int kList = 1044, kEdit = 1048, kSet = 1045, kRead = 1046, kReadout = 1049, kGroup = 1050,
              kOk = 1, kCancel = 2;

// Opens the setting dialog of this kind from the menu and lets act work on it while it
// runs; closes it afterwards if act left it open. Returns once the dialog is gone.
template <typename Dialog>
bool RunSetting(ControllerWithUnit& h, int kind, const std::function<void(Dialog*)>& act) {
    bool found = false;
    QTimer::singleShot(0, h.window.get(), [&] {
        QPointer<Dialog> dialog = h.window->findChild<Dialog*>();
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
    h.window->OnMenuSetting(kind);
    return found;
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
    ControllerWithUnit h;
    h.unit.silent = true;

    QString caption, groupTitle, description;
    QStringList shown;
    int index = -2, active = -1;
    bool parentIsMain = false, windowModal = false;
    const bool found = RunSetting<CChoiceSettingDlg>(h, kind, [&](CChoiceSettingDlg* d) {
        auto* list = qobject_cast<QComboBox*>(d->Control(kList));
        for (int i = 0; i < list->count(); ++i)
            shown.append(list->itemText(i));
        index = list->currentIndex();
        caption = d->windowTitle();
        groupTitle = qobject_cast<QGroupBox*>(d->Control(kGroup))->title();
        description = AccessibleText(list, QAccessible::Description);
        active = h.window->State().ActiveSetting;
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
    QCOMPARE(active, kind);
    QVERIFY(parentIsMain);
    QVERIFY(windowModal);
    QCOMPARE(h.unit.commands, ByteList{query});
    QCOMPARE(h.unit.written, query + '\r');
    QCOMPARE(h.window->State().ActiveSetting, 0);
    QVERIFY(!h.window->findChild<CChoiceSettingDlg*>()); // deleted when closed
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
    ControllerWithUnit h;
    h.unit.silent = true;

    QString caption, groupTitle, text, readout = "unset", fieldName, readoutDescription;
    bool parentIsMain = false, windowModal = false;
    const bool found = RunSetting<CValueSettingDlg>(h, kind, [&](CValueSettingDlg* d) {
        caption = d->windowTitle();
        groupTitle = qobject_cast<QGroupBox*>(d->Control(kGroup))->title();
        text = qobject_cast<QLineEdit*>(d->Control(kEdit))->text();
        readout = qobject_cast<QLabel*>(d->Control(kReadout))->text();
        fieldName = AccessibleText(d->Control(kEdit), QAccessible::Name);
        readoutDescription = AccessibleText(d->Control(kReadout), QAccessible::Description);
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
    QCOMPARE(h.unit.commands, ByteList{query});
    QCOMPARE(h.window->State().ActiveSetting, 0);
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
    ControllerWithUnit h;
    h.unit.silent = true;

    QString after;
    bool openAfterSet = false;
    QVERIFY(RunSetting<CValueSettingDlg>(h, kind, [&](CValueSettingDlg* d) {
        auto* field = qobject_cast<QLineEdit*>(d->Control(kEdit));
        h.unit.Forget(); // the opening query
        field->setText(text);
        qobject_cast<QPushButton*>(d->Control(kSet))->click();
        after = field->text();
        openAfterSet = d->isVisible();
    }));
    QVERIFY(openAfterSet);
    QCOMPARE(h.unit.written, sent.isEmpty() ? QByteArray() : sent + '\r');
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

    QTest::newRow("COM Port") << 1 << 0 << QByteArray("CNT1") << QByteArray("CNTQ");
    QTest::newRow("Front Panel") << 1 << 1 << QByteArray("CNT0") << QByteArray("CNTQ");
    QTest::newRow("7STEPS") << 2 << 0 << QByteArray("PROG_7STEP") << QByteArray("PROG?");
    QTest::newRow("1STEP") << 2 << 1 << QByteArray("PROG_1STEP") << QByteArray("PROG?");
    QTest::newRow("On") << 5 << 0 << QByteArray("IB1") << QByteArray("IB?");
    QTest::newRow("Off") << 5 << 1 << QByteArray("IB0") << QByteArray("IB?");
    QTest::newRow("HIGH") << 6 << 0 << QByteArray("SRESP1") << QByteArray("SRESP?");
    QTest::newRow("LOW") << 6 << 1 << QByteArray("SRESP0") << QByteArray("SRESP?");
}

void TestSettingDialogs::choiceSetAndRead() {
    QFETCH(int, kind);
    QFETCH(int, index);
    QFETCH(QByteArray, set);
    QFETCH(QByteArray, query);
    ControllerWithUnit h;
    h.unit.silent = true;

    QVERIFY(RunSetting<CChoiceSettingDlg>(h, kind, [&](CChoiceSettingDlg* d) {
        // Start from the other entry, so that Set must follow the operator's choice.
        qobject_cast<QComboBox*>(d->Control(kList))->setCurrentIndex(1 - index);
        qobject_cast<QComboBox*>(d->Control(kList))->setCurrentIndex(index);
        qobject_cast<QPushButton*>(d->Control(kSet))->click();
        qobject_cast<QPushButton*>(d->Control(kRead))->click();
    }));
    QCOMPARE(h.unit.commands, (ByteList{query, set, query}));
    QCOMPARE(h.prompter.shown.size(), 0);
}

void TestSettingDialogs::choiceReplies_data() {
    QTest::addColumn<int>("kind");
    QTest::addColumn<QStringList>("replies");
    QTest::addColumn<int>("index");

    QTest::newRow("CNT0 selects Front Panel") << 1 << QStringList{"CNT0"} << 1;
    QTest::newRow("CNT1 selects COM Port") << 1 << QStringList{"CNT0", "CNT1"} << 0;
    QTest::newRow("CNT2 changes nothing") << 1 << QStringList{"CNT0", "CNT2"} << 1;
    QTest::newRow("CNT2 at opening") << 1 << QStringList{"CNT2"} << 0;
    QTest::newRow("1STEP") << 2 << QStringList{"1STEP"} << 1;
    QTest::newRow("7STEP") << 2 << QStringList{"1STEP", "7STEP"} << 0;
    QTest::newRow("IB0") << 5 << QStringList{"IB0"} << 1;
    QTest::newRow("IB1") << 5 << QStringList{"IB0", "IB1"} << 0;
    QTest::newRow("IB7 changes nothing") << 5 << QStringList{"IB0", "IB7"} << 1;
    QTest::newRow("SRESP0") << 6 << QStringList{"SRESP0"} << 1;
    QTest::newRow("SRESP5 changes nothing") << 6 << QStringList{"SRESP0", "SRESP5"} << 1;
    QTest::newRow("another setting's reply") << 2 << QStringList{"CNT0", "IB0", "SRESP0"} << 0;
    QTest::newRow("CNT0 for program mode") << 2 << QStringList{"1STEP", "CNT1"} << 1;
}

void TestSettingDialogs::choiceReplies() {
    QFETCH(int, kind);
    QFETCH(QStringList, replies);
    QFETCH(int, index);
    ControllerWithUnit h;
    h.unit.silent = true;

    int selected = -2;
    QVERIFY(RunSetting<CChoiceSettingDlg>(h, kind, [&](CChoiceSettingDlg* d) {
        for (const QString& reply : replies)
            h.window->DispatchReply(reply.toLatin1().constData());
        selected = qobject_cast<QComboBox*>(d->Control(kList))->currentIndex();
    }));
    QCOMPARE(selected, index);
    QCOMPARE(h.unit.commands.size(), 1); // the opening query only
}

void TestSettingDialogs::valueReplies_data() {
    QTest::addColumn<int>("kind");
    QTest::addColumn<QStringList>("replies");
    QTest::addColumn<QString>("readout");

    QTest::newRow("LAMPERR30") << 3 << QStringList{"LAMPERR30"} << "3000";
    QTest::newRow("LAMPERR00 shows 1") << 3 << QStringList{"LAMPERR00"} << "1";
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
    ControllerWithUnit h;
    h.unit.silent = true;

    QString shown = "unset";
    QString field;
    QVERIFY(RunSetting<CValueSettingDlg>(h, kind, [&](CValueSettingDlg* d) {
        for (const QString& reply : replies)
            h.window->DispatchReply(reply.toLatin1().constData());
        shown = qobject_cast<QLabel*>(d->Control(kReadout))->text();
        field = qobject_cast<QLineEdit*>(d->Control(kEdit))->text();
    }));
    QCOMPARE(shown, readout);
    QVERIFY(!field.isEmpty()); // replies go to the read-out, never into the field
}

void TestSettingDialogs::replyFromTheLine() {
    // The unit's answer to the opening query arrives through the reception tick.
    ControllerWithUnit h;
    h.unit.values[0] = 1;
    bool selected = false;
    QString readout;
    QVERIFY(RunSetting<CChoiceSettingDlg>(h, 2, [&](CChoiceSettingDlg* d) {
        auto* list = qobject_cast<QComboBox*>(d->Control(kList));
        selected = QTest::qWaitFor([&] { return list->currentIndex() == 1; }, 3000);
    }));
    QVERIFY(selected);
    QCOMPARE(h.window->State().UnitSettings[0], 1);

    QVERIFY(RunSetting<CValueSettingDlg>(h, 3, [&](CValueSettingDlg* d) {
        auto* label = qobject_cast<QLabel*>(d->Control(kReadout));
        if (QTest::qWaitFor([&] { return !label->text().isEmpty(); }, 3000))
            readout = label->text();
    }));
    QCOMPARE(readout, QStringLiteral("3000"));
}

void TestSettingDialogs::lateReplies_data() {
    QTest::addColumn<int>("kind");
    QTest::addColumn<QByteArray>("reply");
    QTest::addColumn<int>("setting");
    QTest::addColumn<int>("value");
    QTest::addColumn<int>("otherKind"); // a dialog of the same class opened afterwards

    QTest::newRow("lamp alarm") << 3 << QByteArray("LAMPERR30") << 1 << 30 << 4;
    QTest::newRow("open pulse") << 7 << QByteArray("SETT1100") << 5 << 100 << 8;
    QTest::newRow("program mode") << 2 << QByteArray("1STEP") << 0 << 1 << 5;
    QTest::newRow("shutter response") << 6 << QByteArray("SRESP0") << 4 << 0 << 1;
}

void TestSettingDialogs::lateReplies() {
    QFETCH(int, kind);
    QFETCH(QByteArray, reply);
    QFETCH(int, setting);
    QFETCH(int, value);
    QFETCH(int, otherKind);
    ControllerWithUnit h;
    h.unit.silent = true;

    const bool choice = kind == 2 || kind == 6;
    auto nothing = [](auto*) {};
    if (choice)
        QVERIFY(RunSetting<CChoiceSettingDlg>(h, kind, nothing));
    else
        QVERIFY(RunSetting<CValueSettingDlg>(h, kind, nothing));
    QCOMPARE(h.window->State().ActiveSetting, 0);

    h.window->DispatchReply(reply.constData()); // after closing: only the record
    QCOMPARE(h.window->State().UnitSettings[setting], value);

    // With another setting's dialog open the reply still changes no dialog.
    QString state;
    if (choice) {
        QVERIFY(RunSetting<CChoiceSettingDlg>(h, otherKind, [&](CChoiceSettingDlg* d) {
            h.window->DispatchReply(reply.constData());
            state = QString::number(qobject_cast<QComboBox*>(d->Control(kList))->currentIndex());
        }));
        QCOMPARE(state, QStringLiteral("0"));
    } else {
        QVERIFY(RunSetting<CValueSettingDlg>(h, otherKind, [&](CValueSettingDlg* d) {
            h.window->DispatchReply(reply.constData());
            state = qobject_cast<QLabel*>(d->Control(kReadout))->text();
        }));
        QCOMPARE(state, QString());
    }
    QCOMPARE(h.window->State().UnitSettings[setting], value);
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
    ControllerWithUnit h;
    h.unit.silent = true;

    bool open = false;
    int finished = -1;
    auto act = [&](QDialog* d, QWidget* control) {
        QObject::connect(d, &QDialog::finished, d, [&](int r) { finished = r; });
        h.unit.Forget();
        QWidget* receiver = control ? control : d;
        receiver->setFocus();
        QTest::keyClick(receiver, Qt::Key(key));
        open = d->isVisible();
    };
    const bool choice = kind == 1 || kind == 2 || kind == 5 || kind == 6;
    if (choice)
        QVERIFY(RunSetting<CChoiceSettingDlg>(
            h, kind, [&](CChoiceSettingDlg* d) { act(d, target ? d->Control(target) : nullptr); }));
    else
        QVERIFY(RunSetting<CValueSettingDlg>(
            h, kind, [&](CValueSettingDlg* d) { act(d, target ? d->Control(target) : nullptr); }));
    QCOMPARE(open, staysOpen);
    if (!staysOpen)
        QCOMPARE(finished, result);
    QCOMPARE(h.unit.commands, sent);
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
    ControllerWithUnit h;
    h.unit.silent = true;

    int finished = -1;
    QVERIFY(RunSetting<CChoiceSettingDlg>(h, 6, [&](CChoiceSettingDlg* d) {
        QObject::connect(d, &QDialog::finished, d, [&](int r) { finished = r; });
        qobject_cast<QComboBox*>(d->Control(kList))->setCurrentIndex(1);
        qobject_cast<QPushButton*>(d->Control(button))->click();
    }));
    QCOMPARE(finished, result);
    QCOMPARE(h.unit.commands, ByteList{"SRESP?"});

    QVERIFY(RunSetting<CValueSettingDlg>(h, 7, [&](CValueSettingDlg* d) {
        qobject_cast<QLineEdit*>(d->Control(kEdit))->setText("250");
        qobject_cast<QPushButton*>(d->Control(button))->click();
    }));
    QCOMPARE(h.unit.commands, (ByteList{"SRESP?", "SETT1?"}));
}

void TestSettingDialogs::captionColour() {
    ControllerWithUnit h;
    h.unit.silent = true;
    bool captionGreen = false, okGreen = true;
    QVERIFY(RunSetting<CValueSettingDlg>(h, 3, [&](CValueSettingDlg* d) {
        captionGreen = HasColour(d->Control(kGroup), qRgb(0, 128, 0));
        okGreen = HasColour(d->Control(kOk), qRgb(0, 128, 0));
    }));
    QVERIFY(captionGreen);
    QVERIFY(!okGreen);
}

QTEST_MAIN(TestSettingDialogs)
#include "tst_settingdialogs.moc"
