#include "app/CControllerApp.h"

#include <QApplication>
#include <QIcon>

int main(int argc, char* argv[]) {
    QApplication application(argc, argv);
    QApplication::setApplicationName(QStringLiteral("vq3-controller"));
    QApplication::setWindowIcon(QIcon(QStringLiteral(":/vq3/icon.xpm")));
    vq3::app::CControllerApp controller;
    controller.StartUp();
    return controller.ShutDown();
}
