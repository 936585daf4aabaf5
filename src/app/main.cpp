#include "app/CControllerApp.h"
#include "app/PlatformChoice.h"
#ifdef VQ3_TEST_HOOKS
#include "Automation.h"
#endif

#include <QApplication>
#include <QCoreApplication>
#include <QIcon>

int main(int argc, char* argv[]) {
    using vq3::app::CControllerApp;
    if (CControllerApp::HeadlessRequested(argc, argv)) {
        // No window and no display: the unit and its bus interface only.
        QCoreApplication application(argc, argv);
        QCoreApplication::setApplicationName(QStringLiteral("vq3-controller"));
        CControllerApp controller;
        controller.StartUp(CControllerApp::Mode::Headless);
        return controller.ShutDown();
    }
    vq3::app::PreferXWayland(argc, argv); // windows keep their places under Wayland
    QApplication application(argc, argv);
    QApplication::setApplicationName(QStringLiteral("vq3-controller"));
    QApplication::setWindowIcon(QIcon(QStringLiteral(":/vq3/icon.xpm")));
#ifdef VQ3_TEST_HOOKS
    vq3::ui::Automation automation; // test builds only; off unless asked for
    automation.StartIfRequested();
#endif
    vq3::app::CControllerApp controller;
    controller.StartUp();
    return controller.ShutDown();
}
