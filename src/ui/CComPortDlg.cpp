#include "ui/CComPortDlg.h"

#include "resources/ControlIds.h"
#include "resources/Layouts.h"
#include "resources/Messages.h"
#include "ui/DialogBuilder.h"

#include <QComboBox>
#include <QPushButton>

namespace vq3::ui {

namespace idc = resources::idc;

CComPortDlg::CComPortDlg(int port, QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("CComPortDlg"));
    const resources::WindowLayout& layout = resources::Layout(resources::idd::ComPort);
    setWindowTitle(QString::fromLatin1(layout.caption));
    setWindowFlags(Qt::Dialog | Qt::WindowTitleHint | Qt::WindowCloseButtonHint);
    const auto controls = BuildControls(this, layout);
    m_list = static_cast<QComboBox*>(controls.value(idc::comport::PortList));
    m_list->setAccessibleDescription(QStringLiteral("COM Port"));
    connect(static_cast<QPushButton*>(controls.value(idc::Ok)), &QPushButton::clicked, this,
            &QDialog::accept);
    connect(static_cast<QPushButton*>(controls.value(idc::Cancel)), &QPushButton::clicked, this,
            &QDialog::reject);

    // The index of an entry is the port number it stands for.
    m_list->addItem(resources::Message(resources::msg::DisconnectPort));
    for (int number = 1; number <= 9; ++number)
        m_list->addItem(QStringLiteral("COM%1").arg(number));
    m_list->setCurrentIndex(port >= 0 && port <= 9 ? port : -1);
}

int CComPortDlg::ChosenPort() const {
    return std::max(0, m_list->currentIndex());
}

} // namespace vq3::ui
