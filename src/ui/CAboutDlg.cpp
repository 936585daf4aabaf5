#include "ui/CAboutDlg.h"

#include "resources/Layouts.h"
#include "ui/DialogBuilder.h"

#include <QLabel>
#include <QPushButton>

namespace vq3::ui {

CAboutDlg::CAboutDlg(QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("CAboutDlg"));
    const resources::WindowLayout& layout = resources::Layout(130);
    setWindowTitle(QString::fromLatin1(layout.caption));
    setWindowFlags(Qt::Dialog | Qt::WindowTitleHint | Qt::WindowCloseButtonHint |
                   Qt::MSWindowsFixedSizeDialogHint);
    const auto controls = BuildControls(this, layout);
    static_cast<QLabel*>(controls.value(1001))->setText(QStringLiteral("VQ3 Controller"));
    static_cast<QLabel*>(controls.value(1003))->setText(QStringLiteral("Version 3.0.6"));
    connect(static_cast<QPushButton*>(controls.value(resources::kIdOk)), &QPushButton::clicked,
            this, &QDialog::accept);
}

QString CAboutDlg::ProductLine() const {
    return findChild<QLabel*>(ControlName(1001))->text();
}

QString CAboutDlg::VersionLine() const {
    return findChild<QLabel*>(ControlName(1003))->text();
}

} // namespace vq3::ui
