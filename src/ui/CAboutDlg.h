#pragma once

#include <QDialog>

namespace vq3::ui {

// Product line, version and a one-line notice; OK, Escape or the close box end it.
class CAboutDlg : public QDialog {
    Q_OBJECT
public:
    explicit CAboutDlg(QWidget* parent);
    QString ProductLine() const;
    QString VersionLine() const;
};

} // namespace vq3::ui
