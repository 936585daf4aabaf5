// The main window: set-up, menu and access-code gate, keyboard rules, placement, ending,
// and what it shows of the unit: the link state and the unit's error boxes.
#include "ui/CControllerDlg.h"

#include "app/Profile.h"
#include "control/UnitController.h"
#include "resources/ControlIds.h"
#include "resources/Layouts.h"
#include "resources/Messages.h"
#include "ui/CAboutDlg.h"
#include "ui/CComPortDlg.h"
#include "ui/CLightControlDlg.h"
#include "ui/CSettingDlgs.h"
#include "ui/CTerminalDlg.h"
#include "ui/DialogBuilder.h"
#include "ui/Prompter.h"
#include "ui/ToolWindow.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QComboBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QScreen>
#include <QStatusBar>
#include <QVBoxLayout>

#include <span>

namespace vq3::ui {

using resources::Message;
namespace idc = resources::idc::controller;

namespace {
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

CControllerDlg::CControllerDlg(app::Profile& profile, control::UnitController& unit)
    : QDialog(nullptr), m_profile(profile), m_unit(unit) {
    setObjectName(QStringLiteral("CControllerDlg"));
    setWindowTitle(QStringLiteral("VQ3 Controller"));
    setWindowFlags(Qt::Window | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                   Qt::WindowMinimizeButtonHint | Qt::WindowCloseButtonHint);
    BuildWindow();
    ConnectUnit();
}

CControllerDlg::~CControllerDlg() {
    delete m_lightControl;
    delete m_terminal;
}

void CControllerDlg::ConnectUnit() {
    using control::UnitController;
    connect(&m_unit, &UnitController::linkStateShown, m_statusLink, &QLabel::setText);
    connect(&m_unit, &UnitController::portError, this,
            [this] { ShowAppMessage(resources::msg::ComPortError); });
    // The box opens after the reception tick, and the link goes on while it is open.
    connect(&m_unit, &UnitController::deviceError, this, &CControllerDlg::ReportDeviceError,
            Qt::QueuedConnection);
    connect(&m_unit, &UnitController::ownerChanged, this, &CControllerDlg::ShowOwner);
    connect(&m_unit, &UnitController::programReceived, this, &CControllerDlg::ShowProgramReply);
    connect(&m_unit, &UnitController::stepReceived, this, &CControllerDlg::ShowStep);
    connect(&m_unit, &UnitController::busyChanged, this, &CControllerDlg::OnBusyChanged);
    connect(&m_unit, &UnitController::settingsExchangeFinished, this,
            &CControllerDlg::OnExchangeFinished);
}

void CControllerDlg::BuildWindow() {
    m_client = new QWidget(this);
    m_controls = BuildControls(m_client, resources::Layout(resources::idd::Controller));

    auto* title = static_cast<QLabel*>(Control(idc::Title));
    QFont titleFont(QStringLiteral("Arial"));
    titleFont.setPixelSize(22);
    titleFont.setWeight(QFont::Normal);
    titleFont.setStyleHint(QFont::SansSerif);
    title->setFont(titleFont);
    QPalette titlePalette = title->palette();
    titlePalette.setColor(QPalette::WindowText, QColor(183, 6, 46));
    title->setPalette(titlePalette);
    Control(idc::MemoryStepGroup)
        ->setStyleSheet(QStringLiteral("QGroupBox::title { color: rgb(0, 128, 0); }"));

    for (int step = 0; step < 7; ++step) {
        IntensityField(step)->setAccessibleName(QStringLiteral("Intensity %1").arg(step + 1));
        TimeField(step)->setAccessibleName(QStringLiteral("Shutter Time(s) %1").arg(step + 1));
    }
    ProgramList()->setAccessibleDescription(QStringLiteral("Program No"));
    IntensityModeList()->setAccessibleDescription(QStringLiteral("Intensity Mode"));
    ShutterModeList()->setAccessibleDescription(QStringLiteral("Shutter Mode"));
    Control(idc::StepReadout)->setAccessibleDescription(QStringLiteral("Step read-out"));

    for (const auto& ids :
         {std::span<const int>(idc::kIntensityFields), std::span<const int>(idc::kTimeFields),
          std::span<const int>(idc::kButtons), std::span<const int>(idc::kLists)})
        for (int id : ids)
            Control(id)->installEventFilter(this);

    auto button = [this](int id) { return static_cast<QPushButton*>(Control(id)); };
    connect(button(idc::QueryStep), &QPushButton::clicked, this, &CControllerDlg::OnQueryStep);
    connect(button(idc::StartProgram), &QPushButton::clicked, this,
            &CControllerDlg::OnStartProgram);
    connect(button(idc::SetProgram), &QPushButton::clicked, this, &CControllerDlg::OnSetProgram);
    connect(button(idc::ReadProgram), &QPushButton::clicked, this, &CControllerDlg::OnReadProgram);
    connect(button(idc::SaveProgramFile), &QPushButton::clicked, this,
            &CControllerDlg::OnSaveProgramFile);
    connect(button(idc::ReadProgramFile), &QPushButton::clicked, this,
            &CControllerDlg::OnReadProgramFile);
    connect(button(idc::StopProgram), &QPushButton::clicked, this, &CControllerDlg::OnStopProgram);

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
    m_menuBar->clear();
    m_actions.clear();
    QHash<QString, QMenu*> menus;
    for (const resources::MenuItemLayout& item : resources::MainMenu()) {
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
        connect(action, &QAction::triggered, this, [this, id] { OnMenuCommand(id); });
    }
}

// Each item runs its operation once per choice; the eight setting items open their dialog.
void CControllerDlg::OnMenuCommand(int id) {
    static constexpr std::pair<int, void (CControllerDlg::*)()> kOperations[] = {
        {idm::Open, &CControllerDlg::OnMenuOpen},       {idm::Save, &CControllerDlg::OnMenuSave},
        {idm::SaveAs, &CControllerDlg::OnMenuSaveAs},   {idm::Exit, &CControllerDlg::OnEndOk},
        {idm::ComPort, &CControllerDlg::OnMenuComPort}, {idm::About, &CControllerDlg::OnMenuAbout},
    };
    if (id == idm::LightControl || id == idm::Terminal)
        return ToggleToolWindow(id);
    for (const auto& [command, operation] : kOperations)
        if (command == id)
            return (this->*operation)();
    OnMenuSetting(id - idm::ControlMode + 1);
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

void CControllerDlg::SetUpDialog() {
    setWindowIcon(QApplication::windowIcon());
    BuildMenu();
    static_cast<QLabel*>(Control(idc::Title))->setText(QStringLiteral("VQ3 Controller"));

    IntensityModeList()->clear();
    IntensityModeList()->addItems({QStringLiteral("%"), QStringLiteral("w")});
    ShutterModeList()->clear();
    ShutterModeList()->addItems({QStringLiteral("mode1"), QStringLiteral("mode2")});
    ProgramList()->clear();
    for (int n = 1; n <= 9; ++n)
        ProgramList()->addItem(QString::number(n));
    for (QComboBox* list : {IntensityModeList(), ShutterModeList(), ProgramList()})
        list->setCurrentIndex(0);

    CreateToolWindows();

    const QSize screen = QGuiApplication::primaryScreen()
                             ? QGuiApplication::primaryScreen()->geometry().size()
                             : QSize(1024, 768);
    ReadProfile();
    if (m_ptMain.x() >= screen.width() || m_ptMain.y() >= screen.height())
        m_ptMain = QPoint(0, 0);
    m_terminal->LoadPlace(m_profile, screen);
    m_lightControl->LoadPlace(m_profile, screen);

    // (0, 0) leaves the window to be centred once it is shown and its frame is known.
    m_centre = m_ptMain == QPoint(0, 0);
    if (!m_centre)
        move(m_ptMain);

    m_unit.Connect();

    m_unit.SetActiveSetting(0);
    m_settingsFile.clear();
    m_bAbortRequested = false;

    ApplyAccessGate();
    IntensityField(0)->setFocus();
}

// Independent top-level windows, views of the same unit: the main window's modal boxes do
// not block them. Their close boxes uncheck their menu items.
void CControllerDlg::CreateToolWindows() {
    m_terminal = new CTerminalDlg(m_unit);
    connect(m_terminal, &ToolWindow::closedByOperator, this,
            [this] { SetMenuCheck(idm::Terminal, true); });
    m_lightControl = new CLightControlDlg(m_unit);
    connect(m_lightControl, &ToolWindow::closedByOperator, this,
            [this] { SetMenuCheck(idm::LightControl, true); });
}

void CControllerDlg::Start() {
    SetUpDialog();
    show();
    if (m_centre) {
        const QRect screen = this->screen()->availableGeometry();
        const QSize size = frameGeometry().size();
        move(screen.x() + (screen.width() - size.width()) / 2,
             screen.y() + (screen.height() - size.height()) / 2);
    }
    raise();
    activateWindow();
}

void CControllerDlg::ReadProfile() {
    int port = m_profile.ReadInt(kSection, QStringLiteral("PORT"), 1);
    m_unit.SetPort(port >= 10 ? 0 : port);
    m_ptMain = {m_profile.ReadInt(kSection, QStringLiteral("MAIN_X"), 0),
                m_profile.ReadInt(kSection, QStringLiteral("MAIN_Y"), 0)};
    m_strOpenParam = m_profile.ReadText(kSection, QStringLiteral("OPENPARAM"), QString());
}

// The keys in their order in a new file: PORT, MAIN, CONT, TERM, OPENPARAM.
void CControllerDlg::WriteProfile() {
    m_profile.WriteInt(kSection, QStringLiteral("PORT"), m_unit.Port());
    m_profile.WriteInt(kSection, QStringLiteral("MAIN_X"), m_ptMain.x());
    m_profile.WriteInt(kSection, QStringLiteral("MAIN_Y"), m_ptMain.y());
    m_lightControl->SavePlace(m_profile);
    m_terminal->SavePlace(m_profile);
    // The full menu survives only when the access code stands in the Terminal's field.
    const QString command = m_terminal ? m_terminal->GetCommandText() : QString();
    m_strOpenParam = command == QLatin1String(kAccessCode) ? command : QString();
    m_profile.WriteText(kSection, QStringLiteral("OPENPARAM"), m_strOpenParam);
}

void CControllerDlg::OnWindowDestroy() {
    m_unit.Close();
    if (m_terminal && m_lightControl)
        WriteProfile();
    delete m_lightControl;
    m_lightControl = nullptr;
    delete m_terminal;
    m_terminal = nullptr;
}

void CControllerDlg::SetMenuCheck(int commandId, bool shownBefore) {
    if (QAction* action = MenuAction(commandId)) {
        action->setChecked(!shownBefore);
        action->setEnabled(true);
    }
}

// The menu item's check mark follows the window: shown without taking the focus, or hidden.
void CControllerDlg::ToggleToolWindow(int commandId) {
    ToolWindow& window =
        commandId == idm::Terminal ? static_cast<ToolWindow&>(*m_terminal) : *m_lightControl;
    const bool shown = window.IsShown();
    SetMenuCheck(commandId, shown);
    if (shown)
        window.HideWindow();
    else
        window.ShowWithoutActivating();
}

void CControllerDlg::OnEndOk() {
    if (m_unit.Busy()) {
        // A running exchange stops at once and ends the window; an operation showing a box
        // ends it when the box is answered.
        m_bAbortRequested = true;
        m_unit.AbandonSettings();
        return;
    }
    done(QDialog::Accepted);
}

void CControllerDlg::OnEndCancel() {
    if (m_unit.Busy()) {
        m_bAbortRequested = true;
        m_unit.AbandonSettings();
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
    for (int id : idc::kButtons)
        if (target == Control(id))
            return false; // the focused button is pressed
    for (int id : idc::kLists)
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
    int port = m_unit.Port();
    {
        CComPortDlg dialog(port, this);
        dialog.setWindowModality(Qt::WindowModal);
        if (dialog.exec() == QDialog::Accepted)
            port = dialog.ChosenPort();
    }
    m_unit.ChoosePort(port);
}

QLineEdit* CControllerDlg::IntensityField(int step) const {
    return static_cast<QLineEdit*>(Control(idc::kIntensityFields[step]));
}
QLineEdit* CControllerDlg::TimeField(int step) const {
    return static_cast<QLineEdit*>(Control(idc::kTimeFields[step]));
}
QComboBox* CControllerDlg::ProgramList() const {
    return static_cast<QComboBox*>(Control(idc::ProgramNo));
}
QComboBox* CControllerDlg::IntensityModeList() const {
    return static_cast<QComboBox*>(Control(idc::IntensityMode));
}
QComboBox* CControllerDlg::ShutterModeList() const {
    return static_cast<QComboBox*>(Control(idc::ShutterMode));
}
void CControllerDlg::ShowAppMessage(const QString& text) {
    prompter().ShowMessage(this, text, ApplicationCaption());
}

void CControllerDlg::ShowAppMessage(int messageId) {
    ShowAppMessage(Message(messageId));
}

// An end request that came while a unit settings operation ran (the window's own, also while
// one of its boxes was open, or a script's) ends the window once the operation has ended.
void CControllerDlg::OnBusyChanged(bool busy) {
    EnableOperations(!busy);
    if (!busy && m_bAbortRequested && !m_ended)
        OnEndOk();
}

// An error box of the unit, owned by the window in use (a box open over a window counts as
// that window).
void CControllerDlg::ReportDeviceError(const QString& text) {
    QWidget* active = QApplication::activeWindow();
    while (active && active != m_terminal && active != m_lightControl && active->parentWidget())
        active = active->parentWidget()->window();
    if (active && active == m_terminal)
        m_terminal->ShowError(text);
    else if (active && active == m_lightControl)
        m_lightControl->ShowError(text);
    else
        m_errorBoxes.Show(text, ApplicationCaption());
}

// Beside the port: a script holds the unit (the operator's buttons still work).
void CControllerDlg::ShowOwner(const QString& owner) {
    m_statusSecond->setText(owner.isEmpty() ? QString()
                                            : QStringLiteral("Held by script %1").arg(owner));
}

} // namespace vq3::ui
