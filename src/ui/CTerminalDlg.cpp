#include "ui/CTerminalDlg.h"

#include "control/UnitController.h"
#include "resources/ControlIds.h"
#include "resources/Layouts.h"
#include "ui/CTrafficView.h"
#include "ui/DialogBuilder.h"
#include "ui/Prompter.h"

#include <QFontDatabase>
#include <QFontInfo>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPushButton>

namespace vq3::ui {

namespace idc = resources::idc::terminal;

namespace {

// "FixedSys" where it exists, else the system's fixed-pitch font, 12 pixels high.
QFont TerminalFont() {
    QFont font(QStringLiteral("FixedSys"));
    font.setPixelSize(12);
    font.setStyleHint(QFont::TypeWriter);
    if (!QFontInfo(font).fixedPitch()) {
        font = QFontDatabase::systemFont(QFontDatabase::FixedFont);
        font.setPixelSize(12);
    }
    return font;
}

} // namespace

CTerminalDlg::CTerminalDlg(control::UnitController& unit)
    : ToolWindow(QStringLiteral("CTerminalDlg"), QStringLiteral("TERM")), m_unit(unit) {
    const resources::WindowLayout& layout = resources::Layout(resources::idd::Terminal);
    setWindowTitle(QString::fromLatin1(layout.caption));
    SetControls(BuildControls(this, layout));

    const QFont font = TerminalFont();
    CTrafficView* view = TrafficView();
    view->setFont(font);
    CommandField()->setFont(font);
    view->setAccessibleName(QStringLiteral("Traffic"));
    CommandField()->setAccessibleName(QStringLiteral("Command"));
    QPalette palette = view->palette();
    palette.setColor(QPalette::Base, Qt::white);
    palette.setColor(QPalette::Text, Qt::black);
    view->setPalette(palette);

    auto* send = static_cast<QPushButton*>(Control(idc::Send));
    send->setAutoDefault(false);
    connect(send, &QPushButton::clicked, this, &CTerminalDlg::OnSend);
    CommandField()->installEventFilter(this);
    send->installEventFilter(this);
    view->installEventFilter(this);
    connect(&m_unit, &control::UnitController::traffic, this,
            [this](const QByteArray& chunk) { AppendTraffic(chunk.constData()); });
}

CTrafficView* CTerminalDlg::TrafficView() const {
    return static_cast<CTrafficView*>(Control(idc::TrafficView));
}

QLineEdit* CTerminalDlg::CommandField() const {
    return static_cast<QLineEdit*>(Control(idc::CommandField));
}

QString CTerminalDlg::GetCommandText() const {
    return CommandField()->text();
}

void CTerminalDlg::AppendTraffic(const char* text) {
    TrafficView()->AppendTraffic(text);
}

// The field keeps its text for sending again.
void CTerminalDlg::OnSend() {
    m_unit.SendLine(CommandField()->text().toLatin1());
}

// Return sends from the command field, presses a focused "Send", and does nothing anywhere
// else; Escape does nothing at all.
bool CTerminalDlg::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() != QEvent::KeyPress)
        return ToolWindow::eventFilter(watched, event);
    auto* key = static_cast<QKeyEvent*>(event);
    if (key->key() == Qt::Key_Escape)
        return true;
    if (key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter) {
        if (watched == Control(idc::Send))
            static_cast<QPushButton*>(Control(idc::Send))->click();
        else if (watched == CommandField())
            OnSend();
        return true;
    }
    return ToolWindow::eventFilter(watched, event);
}

} // namespace vq3::ui
