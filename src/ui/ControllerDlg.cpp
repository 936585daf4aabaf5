// The main window: set-up, menu and access-code gate, keyboard rules, placement, ending,
// and the glue between the link and the windows that replies update.
#include "ui/CControllerDlg.h"

#include "app/Profile.h"
#include "resources/Layouts.h"
#include "resources/Messages.h"
#include "ui/CAboutDlg.h"
#include "ui/CComPortDlg.h"
#include "ui/CLightControlDlg.h"
#include "ui/CSettingDlgs.h"
#include "ui/CTerminalDlg.h"
#include "ui/DialogBuilder.h"
#include "ui/Prompter.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QComboBox>
#include <QGroupBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QScreen>
#include <QStatusBar>
#include <QVBoxLayout>

namespace vq3::ui {

using resources::Message;

namespace {
constexpr int kIntensityIds[] = {1000, 1004, 1006, 1008, 1010, 1012, 1014};
constexpr int kTimeIds[] = {1002, 1005, 1007, 1009, 1011, 1013, 1015};
constexpr int kButtonIds[] = {1024, 1022, 1028, 1016, 1018, 1017, 1023};
constexpr int kListIds[] = {1001, 1019, 1020};
// Items only the full menu carries, in the order they are removed.
constexpr int kGuardedItems[] = {idm::LampAlarmTime,
                                 idm::LampOffTime,
                                 idm::InstantRecovery,
                                 idm::ShutterResponse,
                                 idm::OpenPulseTime,
                                 idm::ClosePulseTime,
                                 idm::Open,
                                 idm::Save,
                                 idm::SaveAs};
const QString kSection = QStringLiteral("INIT");
} // namespace

CControllerDlg::CControllerDlg(app::Profile& profile, link::SerialDevice* serialDevice)
    : QDialog(nullptr), m_profile(profile),
      m_ownPort(serialDevice ? nullptr : new link::CSerialPort),
      m_port(serialDevice ? serialDevice : m_ownPort.get()), m_channel(*m_port, *this, this) {
    setObjectName(QStringLiteral("CControllerDlg"));
    setWindowTitle(QStringLiteral("VQ3 Controller"));
    setWindowFlags(Qt::Window | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                   Qt::WindowMinimizeButtonHint | Qt::WindowCloseButtonHint |
                   Qt::MSWindowsFixedSizeDialogHint);
    BuildWindow();
}

CControllerDlg::~CControllerDlg() {
    delete m_lightControl;
    delete m_terminal;
    // The port closes with the window object, after the profile has been written.
    m_channel.SetLinkState(false);
    m_port->Close();
}

void CControllerDlg::BuildWindow() {
    m_client = new QWidget(this);
    m_controls = BuildControls(m_client, resources::Layout(102));

    auto* title = static_cast<QLabel*>(Control(1021));
    QFont titleFont(QStringLiteral("Arial"));
    titleFont.setPixelSize(22);
    titleFont.setWeight(QFont::Normal);
    titleFont.setStyleHint(QFont::SansSerif);
    title->setFont(titleFont);
    QPalette titlePalette = title->palette();
    titlePalette.setColor(QPalette::WindowText, QColor(183, 6, 46));
    title->setPalette(titlePalette);
    Control(1025)->setStyleSheet(QStringLiteral("QGroupBox::title { color: rgb(0, 128, 0); }"));

    for (int step = 0; step < 7; ++step) {
        IntensityField(step)->setAccessibleName(QStringLiteral("Intensity %1").arg(step + 1));
        TimeField(step)->setAccessibleName(QStringLiteral("Shutter Time(s) %1").arg(step + 1));
    }
    ProgramList()->setAccessibleDescription(QStringLiteral("Program No"));
    IntensityModeList()->setAccessibleDescription(QStringLiteral("Intensity Mode"));
    ShutterModeList()->setAccessibleDescription(QStringLiteral("Shutter Mode"));
    Control(1029)->setAccessibleDescription(QStringLiteral("Step read-out"));

    for (int id : kIntensityIds)
        Control(id)->installEventFilter(this);
    for (int id : kTimeIds)
        Control(id)->installEventFilter(this);
    for (int id : kButtonIds)
        Control(id)->installEventFilter(this);
    for (int id : kListIds)
        Control(id)->installEventFilter(this);

    auto button = [this](int id) { return static_cast<QPushButton*>(Control(id)); };
    connect(button(1024), &QPushButton::clicked, this, &CControllerDlg::OnQueryStep);
    connect(button(1022), &QPushButton::clicked, this, &CControllerDlg::OnStartProgram);
    connect(button(1028), &QPushButton::clicked, this, &CControllerDlg::OnSetProgram);
    connect(button(1016), &QPushButton::clicked, this, &CControllerDlg::OnReadProgram);
    connect(button(1018), &QPushButton::clicked, this, &CControllerDlg::OnSaveProgramFile);
    connect(button(1017), &QPushButton::clicked, this, &CControllerDlg::OnReadProgramFile);
    connect(button(1023), &QPushButton::clicked, this, &CControllerDlg::OnStopProgram);

    auto* statusBar = new QStatusBar(this);
    statusBar->setSizeGripEnabled(false);
    m_statusLink = new QLabel(statusBar);
    m_statusLink->setObjectName(QStringLiteral("statusLink"));
    m_statusLink->setFixedWidth(100);
    m_statusSecond = new QLabel(statusBar);
    m_statusSecond->setObjectName(QStringLiteral("statusSecond"));
    statusBar->addWidget(m_statusLink);
    statusBar->addWidget(m_statusSecond, 1);

    m_menuBar = new QMenuBar(this);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->setMenuBar(m_menuBar);
    layout->addWidget(m_client);
    layout->addWidget(statusBar);
    layout->setSizeConstraint(QLayout::SetFixedSize);
}

void CControllerDlg::BuildMenu() {
    struct Item {
        const char* menu;
        const char* text;
        int id;
    };
    static constexpr Item kItems[] = {
        {"&File", "&Open", idm::Open},
        {"&File", "&Save", idm::Save},
        {"&File", "Save &As", idm::SaveAs},
        {"&File", "E&xit", idm::Exit},
        {"&Setting", "&COM port", idm::ComPort},
        {"&Setting", "Controll &Mode", idm::ControlMode},
        {"&Setting", "&Program Mode", idm::ProgramMode},
        {"&Setting", "Lamp &Alarm Time", idm::LampAlarmTime},
        {"&Setting", "Lamp &off Time", idm::LampOffTime},
        {"&Setting", "&Instantaneous Recovery", idm::InstantRecovery},
        {"&Setting", "&Shutter Response Time", idm::ShutterResponse},
        {"&Setting", "S&hutter Open Pulse Time", idm::OpenPulseTime},
        {"&Setting", "Sh&utter Close Pulth Time", idm::ClosePulseTime},
        {"&Display", "&Light Controll", idm::LightControl},
        {"&Display", "&Terminal", idm::Terminal},
        {"&Help", "&About", idm::About},
    };
    m_menuBar->clear();
    m_actions.clear();
    QHash<QString, QMenu*> menus;
    for (const Item& item : kItems) {
        const QString menuText = QString::fromLatin1(item.menu);
        QMenu*& menu = menus[menuText];
        if (!menu) {
            menu = m_menuBar->addMenu(menuText);
            menu->setObjectName(QStringLiteral("menu_") + QString(menuText).remove('&'));
        }
        QAction* action = menu->addAction(QString::fromLatin1(item.text));
        action->setObjectName(QStringLiteral("idm_%1").arg(item.id));
        action->setCheckable(item.id == idm::LightControl || item.id == idm::Terminal);
        m_actions.insert(item.id, action);
        const int id = item.id;
        connect(action, &QAction::triggered, this, [this, id] {
            switch (id) {
            case idm::Open:
                OnMenuOpen();
                break;
            case idm::Save:
                OnMenuSave();
                break;
            case idm::SaveAs:
                OnMenuSaveAs();
                break;
            case idm::Exit:
                OnMenuExit();
                break;
            case idm::ComPort:
                OnMenuComPort();
                break;
            case idm::LightControl:
                OnMenuLightControl();
                break;
            case idm::Terminal:
                OnMenuTerminal();
                break;
            case idm::About:
                OnMenuAbout();
                break;
            default:
                OnMenuSetting(id - idm::ControlMode + 1);
                break;
            }
        });
    }
}

QAction* CControllerDlg::MenuAction(int commandId) const {
    return m_actions.value(commandId);
}

void CControllerDlg::ApplyAccessGate() {
    if (m_strOpenParam == QLatin1String(kAccessCode))
        return;
    for (int id : kGuardedItems) {
        QAction* action = m_actions.take(id);
        if (!action)
            continue;
        for (QAction* menuAction : m_menuBar->actions())
            if (QMenu* menu = menuAction->menu())
                menu->removeAction(action);
        delete action;
    }
}

bool CControllerDlg::SetUpDialog() {
    setWindowIcon(QApplication::windowIcon());
    BuildMenu();
    static_cast<QLabel*>(Control(1021))->setText(QStringLiteral("VQ3 Controller"));

    IntensityModeList()->clear();
    IntensityModeList()->addItems({QStringLiteral("%"), QStringLiteral("w")});
    ShutterModeList()->clear();
    ShutterModeList()->addItems({QStringLiteral("mode1"), QStringLiteral("mode2")});
    ProgramList()->clear();
    for (int n = 1; n <= 9; ++n)
        ProgramList()->addItem(QString::number(n));
    for (QComboBox* list : {IntensityModeList(), ShutterModeList(), ProgramList()})
        list->setCurrentIndex(0);

    // Independent top-level windows: the main window's modal boxes do not block them.
    m_terminal = new CTerminalDlg();
    m_terminal->SetMainWindow(this);
    m_lightControl = new CLightControlDlg();
    m_lightControl->SetMainWindow(this);

    const QSize screen = QGuiApplication::primaryScreen()
                             ? QGuiApplication::primaryScreen()->geometry().size()
                             : QSize(1024, 768);
    ReadProfile();
    for (QPoint* point : {&m_ptMain, &m_ptTerminal, &m_ptLightControl})
        if (point->x() >= screen.width() || point->y() >= screen.height())
            *point = QPoint(0, 0);

    // (0, 0) leaves the window to be centred once it is shown and its frame is known.
    m_bCentre = m_ptMain == QPoint(0, 0);
    if (!m_bCentre)
        move(m_ptMain);
    m_terminal->move(m_ptTerminal);
    m_lightControl->move(m_ptLightControl);

    m_bTerminalShown = false;
    m_bLightControlShown = false;
    m_state.extendedStatus = 0;
    m_channel.ConnectSequence(false);

    m_state.ActiveSetting = 0;
    m_state.StatusWord = 0;
    m_strSettingsFile.clear();
    m_bAbortRequested = false;
    m_bBusy = false;

    ApplyAccessGate();
    IntensityField(0)->setFocus();
    return true;
}

int CControllerDlg::RunModal() {
    SetUpDialog();
    show();
    if (m_bCentre) {
        const QRect screen = this->screen()->availableGeometry();
        const QSize size = frameGeometry().size();
        move(screen.x() + (screen.width() - size.width()) / 2,
             screen.y() + (screen.height() - size.height()) / 2);
    }
    raise();
    activateWindow();
    if (!m_ended) {
        QEventLoop loop;
        connect(this, &CControllerDlg::ended, &loop, &QEventLoop::quit);
        loop.exec();
    }
    return result();
}

void CControllerDlg::ReadProfile() {
    int port = m_profile.ReadInt(kSection, QStringLiteral("PORT"), 1);
    m_channel.SetPort(port >= 10 ? 0 : port);
    m_ptMain = {m_profile.ReadInt(kSection, QStringLiteral("MAIN_X"), 0),
                m_profile.ReadInt(kSection, QStringLiteral("MAIN_Y"), 0)};
    m_ptLightControl = {m_profile.ReadInt(kSection, QStringLiteral("CONT_X"), 0),
                        m_profile.ReadInt(kSection, QStringLiteral("CONT_Y"), 0)};
    m_ptTerminal = {m_profile.ReadInt(kSection, QStringLiteral("TERM_X"), 0),
                    m_profile.ReadInt(kSection, QStringLiteral("TERM_Y"), 0)};
    m_strOpenParam = m_profile.ReadText(kSection, QStringLiteral("OPENPARAM"), QString());
}

void CControllerDlg::WriteProfile() {
    m_profile.WriteInt(kSection, QStringLiteral("PORT"), m_channel.Port());
    m_profile.WriteInt(kSection, QStringLiteral("MAIN_X"), m_ptMain.x());
    m_profile.WriteInt(kSection, QStringLiteral("MAIN_Y"), m_ptMain.y());
    m_profile.WriteInt(kSection, QStringLiteral("CONT_X"), m_ptLightControl.x());
    m_profile.WriteInt(kSection, QStringLiteral("CONT_Y"), m_ptLightControl.y());
    m_profile.WriteInt(kSection, QStringLiteral("TERM_X"), m_ptTerminal.x());
    m_profile.WriteInt(kSection, QStringLiteral("TERM_Y"), m_ptTerminal.y());
    // The full menu survives only when the access code stands in the Terminal's field.
    const QString command = m_terminal ? m_terminal->GetCommandText() : QString();
    m_strOpenParam = command == QLatin1String(kAccessCode) ? command : QString();
    m_profile.WriteText(kSection, QStringLiteral("OPENPARAM"), m_strOpenParam);
}

void CControllerDlg::OnWindowDestroy() {
    m_channel.SetLinkState(false);
    WriteProfile();
    delete m_lightControl;
    m_lightControl = nullptr;
    delete m_terminal;
    m_terminal = nullptr;
}

void CControllerDlg::SendCommand(const QByteArray& text) {
    m_channel.SendCommand(text);
}

void CControllerDlg::SetMenuCheck(int commandId, bool shownBefore) {
    if (QAction* action = MenuAction(commandId)) {
        action->setChecked(!shownBefore);
        action->setEnabled(true);
    }
}

namespace {
void ShowWithoutActivating(QWidget* window) {
    window->setAttribute(Qt::WA_ShowWithoutActivating, true);
    window->show();
}
} // namespace

void CControllerDlg::OnMenuLightControl() {
    if (m_bLightControlShown) {
        SetMenuCheck(idm::LightControl, true);
        m_bLightControlShown = false;
        m_lightControl->hide();
    } else {
        SetMenuCheck(idm::LightControl, false);
        m_bLightControlShown = true;
        ShowWithoutActivating(m_lightControl);
    }
}

void CControllerDlg::OnMenuTerminal() {
    if (m_bTerminalShown) {
        SetMenuCheck(idm::Terminal, true);
        m_bTerminalShown = false;
        m_terminal->hide();
    } else {
        SetMenuCheck(idm::Terminal, false);
        m_bTerminalShown = true;
        ShowWithoutActivating(m_terminal);
    }
}

void CControllerDlg::OnEndOk() {
    if (m_bBusy) {
        m_bAbortRequested = true; // the running transfer ends the window at its next wait
        return;
    }
    done(QDialog::Accepted);
}

void CControllerDlg::OnEndCancel() {
    if (m_bBusy) {
        m_bAbortRequested = true;
        return;
    }
    done(QDialog::Rejected);
}

void CControllerDlg::done(int result) {
    QDialog::done(result);
    m_ended = true;
    emit ended();
}

void CControllerDlg::closeEvent(QCloseEvent* event) {
    event->ignore();
    OnEndCancel();
}

void CControllerDlg::keyPressEvent(QKeyEvent* event) {
    // Escape never ends the main window; Return never reaches the dialog's default button.
    if (event->key() == Qt::Key_Escape || event->key() == Qt::Key_Return ||
        event->key() == Qt::Key_Enter) {
        event->accept();
        return;
    }
    QDialog::keyPressEvent(event);
}

bool CControllerDlg::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::KeyPress && FilterInput(static_cast<QKeyEvent*>(event), watched))
        return true;
    return QDialog::eventFilter(watched, event);
}

bool CControllerDlg::FilterInput(QKeyEvent* event, QObject* target) {
    if (event->key() == Qt::Key_Escape)
        return true;
    if (event->key() != Qt::Key_Return && event->key() != Qt::Key_Enter)
        return false;
    for (int id : kButtonIds)
        if (target == Control(id))
            return false; // the focused button is pressed
    for (int id : kListIds)
        if (target == Control(id))
            return true;
    // An edit field: Return moves on like Tab.
    focusNextChild();
    return true;
}

void CControllerDlg::moveEvent(QMoveEvent* event) {
    QDialog::moveEvent(event);
    if (!isMinimized())
        m_ptMain = frameGeometry().topLeft();
}

void CControllerDlg::OnMenuAbout() {
    CAboutDlg about(this);
    about.setWindowModality(Qt::WindowModal);
    about.exec();
}

void CControllerDlg::OnMenuComPort() {
    {
        CComPortDlg dialog(this);
        dialog.setWindowModality(Qt::WindowModal);
        dialog.exec();
    }
    m_channel.ConnectSequence(true);
}

QLineEdit* CControllerDlg::IntensityField(int step) const {
    return static_cast<QLineEdit*>(Control(kIntensityIds[step]));
}
QLineEdit* CControllerDlg::TimeField(int step) const {
    return static_cast<QLineEdit*>(Control(kTimeIds[step]));
}
QComboBox* CControllerDlg::ProgramList() const {
    return static_cast<QComboBox*>(Control(1001));
}
QComboBox* CControllerDlg::IntensityModeList() const {
    return static_cast<QComboBox*>(Control(1019));
}
QComboBox* CControllerDlg::ShutterModeList() const {
    return static_cast<QComboBox*>(Control(1020));
}
QString CControllerDlg::LinkStateText() const {
    return m_statusLink->text();
}

void CControllerDlg::ShowAppMessage(const QString& text) {
    prompter().ShowMessage(this, text, ApplicationCaption());
}

void CControllerDlg::ShowAppMessage(int messageId) {
    ShowAppMessage(Message(messageId));
}

// ChannelHost

void CControllerDlg::ShowLinkState(const QString& text) {
    m_statusLink->setText(text);
}

void CControllerDlg::ShowPortError() {
    ShowAppMessage(resources::msg::ComPortError);
}

void CControllerDlg::AppendTraffic(const char* chunk) {
    if (m_terminal)
        m_terminal->AppendTraffic(chunk);
}

void CControllerDlg::DispatchReply(const char* line) {
    link::DispatchReply(line, m_state, *this);
}

// ReplyTarget

void CControllerDlg::StatusChanged() {
    if (m_lightControl)
        m_lightControl->StatusChanged();
}

void CControllerDlg::SetReadout(link::Readout readout, const QString& text) {
    if (m_lightControl)
        m_lightControl->SetReadout(readout, text);
}

void CControllerDlg::SelectSettingChoice(int index) {
    if (m_openChoiceDialog)
        m_openChoiceDialog->SelectEntry(index);
}

void CControllerDlg::SetSettingReadout(const QString& text) {
    if (m_openValueDialog)
        m_openValueDialog->SetReadout(text);
}

void CControllerDlg::ReportDeviceError(const QString& text) {
    QWidget* active = QApplication::activeWindow();
    if (active && active == m_terminal)
        m_terminal->ShowError(text);
    else if (active && active == m_lightControl)
        m_lightControl->ShowError(text);
    else
        ShowAppMessage(text);
}

} // namespace vq3::ui
