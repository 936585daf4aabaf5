#pragma once

#include <QByteArray>
#include <QDialog>
#include <QHash>

namespace vq3::control {
class UnitController;
}

namespace vq3::ui {

// The choice dialog (template 134) for control mode (kind 1), program mode (2),
// instantaneous recovery (5) and shutter response (6). It asks the unit for the setting when
// set up and on "Read", and has the chosen entry sent on "Set"; the unit's answer selects
// the entry.
class CChoiceSettingDlg : public QDialog {
    Q_OBJECT
public:
    CChoiceSettingDlg(int kind, control::UnitController& unit, QWidget* parent);
    void SetUpDialog(); // fills the list, asks the unit
    void SelectEntry(int index);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void OnSet();
    void OnRead();
    QWidget* Control(int id) const { return m_controls.value(id); }

    int m_kind;
    control::UnitController& m_unit;
    QHash<int, QWidget*> m_controls;
};

// The value dialog (template 133) for lamp alarm time (kind 3), forced lamp off time (4) and
// the shutter open (7) and close (8) pulse times. The unit's answer fills the read-out.
class CValueSettingDlg : public QDialog {
    Q_OBJECT
public:
    CValueSettingDlg(int kind, control::UnitController& unit, QWidget* parent);
    void SetUpDialog(); // default text, asks the unit
    void SetReadout(const QString& text);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void OnSet();
    void OnRead();
    QWidget* Control(int id) const { return m_controls.value(id); }

    int m_kind;
    control::UnitController& m_unit;
    QHash<int, QWidget*> m_controls;
};

// Which dialog serves a setting kind 1..8.
bool IsChoiceSetting(int kind);
bool IsValueSetting(int kind);

} // namespace vq3::ui
