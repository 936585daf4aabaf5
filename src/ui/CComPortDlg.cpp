#include "ui/CComPortDlg.h"

#include "resources/Layouts.h"
#include "resources/Messages.h"
#include "ui/CControllerDlg.h"
#include "ui/DialogBuilder.h"

#include <QComboBox>
#include <QPushButton>

namespace vq3::ui {

CComPortDlg::CComPortDlg(CControllerDlg* owner) : QDialog(owner), m_owner(owner) {
    setObjectName(QStringLiteral("CComPortDlg"));
    const resources::WindowLayout& layout = resources::Layout(131);
    setWindowTitle(QString::fromLatin1(layout.caption));
    setWindowFlags(Qt::Dialog | Qt::WindowTitleHint | Qt::WindowCloseButtonHint |
                   Qt::MSWindowsFixedSizeDialogHint);
    const auto controls = BuildControls(this, layout);
    m_list = static_cast<QComboBox*>(controls.value(1026));
    m_list->setAccessibleDescription(QStringLiteral("COM Port"));
    connect(static_cast<QPushButton*>(controls.value(resources::kIdOk)), &QPushButton::clicked,
            this, &CComPortDlg::accept);
    connect(static_cast<QPushButton*>(controls.value(resources::kIdCancel)), &QPushButton::clicked,
            this, &QDialog::reject);

    // The index of an entry is the port number it stands for.
    m_list->addItem(resources::Message(resources::msg::DisconnectPort));
    for (int port = 1; port <= 9; ++port)
        m_list->addItem(QStringLiteral("COM%1").arg(port));
    const int port = m_owner->Channel().Port();
    m_list->setCurrentIndex(port >= 0 && port <= 9 ? port : -1);
}

void CComPortDlg::accept() {
    // A hand-edited port outside 0..9 shows no selection; Ok then stores 0.
    const int index = m_list->currentIndex();
    m_owner->Channel().SetPort(index >= 0 ? index : 0);
    QDialog::accept();
}

} // namespace vq3::ui
