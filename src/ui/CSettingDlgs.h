#pragma once

#include <QByteArray>
#include <QDialog>
#include <QHash>

namespace vq3::ui {

// The choice dialog (template 134) for control mode (kind 1), program mode (2),
// instantaneous recovery (5) and shutter response (6). It asks the unit for the setting when
// set up and on "Read", and asks for the chosen entry to be sent on "Set"; the unit's answer
// comes back through SelectEntry.
class CChoiceSettingDlg : public QDialog {
    Q_OBJECT
public:
    CChoiceSettingDlg(int kind, QWidget* parent);
    bool SetUpDialog(); // fills the list, sends the query
    void SelectEntry(int index);
    QWidget* Control(int id) const { return m_controls.value(id); }

signals:
    void sendCommand(const QByteArray& command);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void OnSet();
    void OnRead();

    int m_kind;
    QHash<int, QWidget*> m_controls;
};

// The value dialog (template 133) for lamp alarm time (kind 3), forced lamp off time (4) and
// the shutter open (7) and close (8) pulse times. The unit's answer comes back through
// SetReadout.
class CValueSettingDlg : public QDialog {
    Q_OBJECT
public:
    CValueSettingDlg(int kind, QWidget* parent);
    bool SetUpDialog(); // default text, sends the query
    void SetReadout(const QString& text);
    QWidget* Control(int id) const { return m_controls.value(id); }

signals:
    void sendCommand(const QByteArray& command);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void OnSet();
    void OnRead();

    int m_kind;
    QHash<int, QWidget*> m_controls;
};

// Which dialog serves a setting kind 1..8.
bool IsChoiceSetting(int kind);
bool IsValueSetting(int kind);

} // namespace vq3::ui
