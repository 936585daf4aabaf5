#pragma once

#include <QDialog>
#include <QHash>

namespace vq3::ui {

class CControllerDlg;

// The choice dialog (template 134) for control mode, program mode, instantaneous recovery
// and shutter response. Learns its setting from the main window's ActiveSetting.
class CChoiceSettingDlg : public QDialog {
    Q_OBJECT
public:
    explicit CChoiceSettingDlg(CControllerDlg* owner);
    bool SetUpDialog(); // fills the list, sends the query
    void SelectEntry(int index);
    QWidget* Control(int id) const { return m_controls.value(id); }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void OnSet();
    void OnRead();

    CControllerDlg* m_owner;
    QHash<int, QWidget*> m_controls;
};

// The value dialog (template 133) for lamp alarm time, forced lamp off time and the two
// shutter pulse times.
class CValueSettingDlg : public QDialog {
    Q_OBJECT
public:
    explicit CValueSettingDlg(CControllerDlg* owner);
    bool SetUpDialog(); // default text, sends the query
    void SetReadout(const QString& text);
    QWidget* Control(int id) const { return m_controls.value(id); }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void OnSet();
    void OnRead();

    CControllerDlg* m_owner;
    QHash<int, QWidget*> m_controls;
};

} // namespace vq3::ui
