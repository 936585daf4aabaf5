#pragma once

#include <QDialog>

class QComboBox;

namespace vq3::ui {

class CControllerDlg;

// "Disconnect Port" and COM1..COM9; Ok stores the selected index as the port number.
class CComPortDlg : public QDialog {
    Q_OBJECT
public:
    explicit CComPortDlg(CControllerDlg* owner);
    QComboBox* PortList() const { return m_list; }

protected:
    void accept() override;

private:
    CControllerDlg* m_owner;
    QComboBox* m_list;
};

} // namespace vq3::ui
