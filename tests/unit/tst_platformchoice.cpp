// When the program asks for XWayland: only in a Wayland session that offers X11 too, and
// never over a platform the user chose.
#include "app/PlatformChoice.h"

#include <QList>
#include <QTest>

using vq3::app::DisplaySession;
using vq3::app::ShouldUseXWayland;

class PlatformChoiceTest : public QObject {
    Q_OBJECT
private slots:
    void decision_data();
    void decision();
};

void PlatformChoiceTest::decision_data() {
    QTest::addColumn<QByteArray>("qpaPlatform");
    QTest::addColumn<QByteArray>("waylandDisplay");
    QTest::addColumn<QByteArray>("sessionType");
    QTest::addColumn<QByteArray>("x11Display");
    QTest::addColumn<QList<QByteArray>>("arguments");
    QTest::addColumn<bool>("xwayland");

    const QList<QByteArray> none;
    QTest::newRow("wayland with xwayland")
        << QByteArray() << QByteArray("wayland-0") << QByteArray("wayland") << QByteArray(":0")
        << none << true;
    QTest::newRow("session type alone") << QByteArray() << QByteArray() << QByteArray("wayland")
                                        << QByteArray(":1") << none << true;
    QTest::newRow("no xwayland") << QByteArray() << QByteArray("wayland-0") << QByteArray("wayland")
                                 << QByteArray() << none << false;
    QTest::newRow("x11 session") << QByteArray() << QByteArray() << QByteArray("x11")
                                 << QByteArray(":0") << none << false;
    QTest::newRow("platform variable") << QByteArray("wayland") << QByteArray("wayland-0")
                                       << QByteArray() << QByteArray(":0") << none << false;
    QTest::newRow("empty variable is no choice")
        << QByteArray("") << QByteArray("wayland-0") << QByteArray() << QByteArray(":0") << none
        << true;
    QTest::newRow("-platform") << QByteArray() << QByteArray("wayland-0") << QByteArray()
                               << QByteArray(":0") << QList<QByteArray>{"-platform", "wayland"}
                               << false;
    QTest::newRow("--platform after others")
        << QByteArray() << QByteArray("wayland-0") << QByteArray() << QByteArray(":0")
        << QList<QByteArray>{"-style", "fusion", "--platform", "wayland"} << false;
    QTest::newRow("-platform without a name")
        << QByteArray() << QByteArray("wayland-0") << QByteArray() << QByteArray(":0")
        << QList<QByteArray>{"-platform"} << true;
    QTest::newRow("a name that only looks like it")
        << QByteArray() << QByteArray("wayland-0") << QByteArray() << QByteArray(":0")
        << QList<QByteArray>{"-platformtheme", "gtk3"} << true;
}

void PlatformChoiceTest::decision() {
    QFETCH(QByteArray, qpaPlatform);
    QFETCH(QByteArray, waylandDisplay);
    QFETCH(QByteArray, sessionType);
    QFETCH(QByteArray, x11Display);
    QFETCH(QList<QByteArray>, arguments);
    QFETCH(bool, xwayland);

    QList<const char*> argv{"vq3-controller"};
    for (const QByteArray& argument : arguments)
        argv.append(argument.constData());
    const DisplaySession session{qpaPlatform, waylandDisplay, sessionType, x11Display};
    QCOMPARE(ShouldUseXWayland(session, int(argv.size()), argv.constData()), xwayland);
}

QTEST_APPLESS_MAIN(PlatformChoiceTest)
#include "tst_platformchoice.moc"
