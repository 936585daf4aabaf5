#include "app/CControllerApp.h"
#include "ui/Automation.h"

#include <QApplication>
#include <QIcon>

int main(int argc, char* argv[]) {
    QApplication application(argc, argv);
    QApplication::setApplicationName(QStringLiteral("vq3-controller"));
    QApplication::setWindowIcon(QIcon(QStringLiteral(":/vq3/icon.xpm")));
    vq3::ui::Automation automation; // end-to-end tests only; off unless asked for
    automation.StartIfRequested();
    vq3::app::CControllerApp controller;
    controller.StartUp();
    return controller.ShutDown();
}
