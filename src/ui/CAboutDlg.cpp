#include "ui/CAboutDlg.h"

#include "resources/ControlIds.h"
#include "resources/Layouts.h"
#include "ui/DialogBuilder.h"

#include <QLabel>
#include <QPushButton>

namespace vq3::ui {

namespace idc = resources::idc;

CAboutDlg::CAboutDlg(QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("CAboutDlg"));
    const resources::WindowLayout& layout = resources::Layout(resources::idd::About);
    setWindowTitle(QString::fromLatin1(layout.caption));
    setWindowFlags(Qt::Dialog | Qt::WindowTitleHint | Qt::WindowCloseButtonHint);
    const auto controls = BuildControls(this, layout);
    static_cast<QLabel*>(controls.value(idc::about::ProductLine))
        ->setText(QStringLiteral("VQ3 Controller"));
    static_cast<QLabel*>(controls.value(idc::about::VersionLine))
        ->setText(QStringLiteral("Version 3.0.6"));
    connect(static_cast<QPushButton*>(controls.value(idc::Ok)), &QPushButton::clicked, this,
            &QDialog::accept);
}

QString CAboutDlg::ProductLine() const {
    return findChild<QLabel*>(ControlName(idc::about::ProductLine))->text();
}

QString CAboutDlg::VersionLine() const {
    return findChild<QLabel*>(ControlName(idc::about::VersionLine))->text();
}

} // namespace vq3::ui
