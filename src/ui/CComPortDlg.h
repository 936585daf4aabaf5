#pragma once

#include <QDialog>

class QComboBox;

namespace vq3::ui {

// "Disconnect Port" and COM1..COM9, opened on the port in use. Ok gives the chosen entry's
// index, which is the port number (0 for none).
class CComPortDlg : public QDialog {
    Q_OBJECT
public:
    CComPortDlg(int port, QWidget* parent);
    QComboBox* PortList() const { return m_list; }
    // The port chosen with Ok. A hand-edited port outside 0..9 shows no entry; Ok then gives 0.
    int ChosenPort() const;

private:
    QComboBox* m_list;
};

} // namespace vq3::ui
