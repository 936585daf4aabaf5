#include "Automation.h"

#include "link/CSerialPort.h"

#include <QAbstractButton>
#include <QAction>
#include <QApplication>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QKeyEvent>
#include <QKeySequence>
#include <QLocalServer>
#include <QLocalSocket>
#include <QMessageBox>
#include <QMouseEvent>
#include <QPointer>
#include <QScreen>
#include <QTimer>
#include <QWidget>

namespace vq3::ui {

namespace {

QObject* Resolve(const QString& path) {
    const QStringList parts = path.split(QLatin1Char('/'), Qt::SkipEmptyParts);
    if (parts.isEmpty())
        return nullptr;
    QObject* current = nullptr;
    for (QWidget* window : QApplication::topLevelWidgets())
        if (window->objectName() == parts.first())
            current = window;
    for (int i = 1; current && i < parts.size(); ++i)
        current = current->findChild<QObject*>(parts[i]);
    return current;
}

QJsonValue ToJson(const QVariant& value) {
    if (value.typeId() == QMetaType::Bool)
        return value.toBool();
    if (value.typeId() == QMetaType::Int)
        return value.toInt();
    return value.toString();
}

void SendKey(QWidget* widget, const QString& name) {
    const QKeySequence sequence(name);
    const int key = sequence.isEmpty() ? 0 : sequence[0].key();
    widget->setFocus(Qt::OtherFocusReason);
    QKeyEvent press(QEvent::KeyPress, key, Qt::NoModifier, name.size() == 1 ? name : QString());
    QKeyEvent release(QEvent::KeyRelease, key, Qt::NoModifier, name.size() == 1 ? name : QString());
    QApplication::sendEvent(widget, &press);
    QApplication::sendEvent(widget, &release);
}

void SendMouse(QWidget* widget, QEvent::Type type) {
    const QPointF local(widget->width() / 2.0, widget->height() / 2.0);
    QMouseEvent event(type, local, widget->mapToGlobal(local), Qt::LeftButton,
                      type == QEvent::MouseButtonPress ? Qt::LeftButton : Qt::NoButton,
                      Qt::NoModifier);
    QApplication::sendEvent(widget, &event);
}

} // namespace

Automation::Automation() = default;

Automation::~Automation() {
    if (m_server)
        SetPrompter(nullptr);
}

bool Automation::StartIfRequested() {
    const QString socketPath = qEnvironmentVariable(kVariable);
    if (socketPath.isEmpty())
        return false;
    m_promptLog = socketPath + QStringLiteral(".prompts");
    // End-to-end tests of a stalled adapter need not wait the full 30 s.
    if (const int limitMs = qEnvironmentVariableIntValue("VQ3_WRITE_LIMIT_MS"); limitMs > 0)
        link::CSerialPort::SetDefaultWriteLimitMs(limitMs);
    m_realBoxes = qEnvironmentVariable("VQ3_REAL_BOXES") == QLatin1String("1");
    SetPrompter(this);
    m_server = new QLocalServer(this);
    QLocalServer::removeServer(socketPath);
    connect(m_server, &QLocalServer::newConnection, this, &Automation::OnConnection);
    return m_server->listen(socketPath);
}

void Automation::OnConnection() {
    while (QLocalSocket* socket = m_server->nextPendingConnection()) {
        connect(socket, &QLocalSocket::readyRead, this, [this, socket] { OnReadable(socket); });
        connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
    }
}

void Automation::OnReadable(QLocalSocket* socket) {
    while (socket->canReadLine()) {
        const QByteArray request = socket->readLine();
        socket->write(Handle(request) + '\n');
        socket->flush();
    }
}

QByteArray Automation::Handle(const QByteArray& request) {
    const QJsonObject in = QJsonDocument::fromJson(request).object();
    const QString cmd = in.value(QStringLiteral("cmd")).toString();
    QJsonObject out{{QStringLiteral("ok"), true}};
    auto fail = [&out](const QString& why) {
        out[QStringLiteral("ok")] = false;
        out[QStringLiteral("error")] = why;
    };

    if (cmd == QLatin1String("prompts")) {
        QJsonArray list;
        for (const Prompt& p : m_prompts)
            list.append(QJsonObject{{QStringLiteral("caption"), p.caption},
                                    {QStringLiteral("text"), p.text},
                                    {QStringLiteral("owner"), p.owner}});
        out[QStringLiteral("value")] = list;
        return QJsonDocument(out).toJson(QJsonDocument::Compact);
    }
    if (cmd == QLatin1String("answer")) {
        for (const QJsonValue& v : in.value(QStringLiteral("answers")).toArray())
            m_answers.append(v.toString());
        for (const QJsonValue& v : in.value(QStringLiteral("files")).toArray())
            m_files.append(v.toString());
        return QJsonDocument(out).toJson(QJsonDocument::Compact);
    }

    if (cmd == QLatin1String("boxes") || cmd == QLatin1String("dismiss")) {
        QList<QMessageBox*> open;
        for (QWidget* window : QApplication::topLevelWidgets())
            if (auto* box = qobject_cast<QMessageBox*>(window); box && box->isVisible())
                open.append(box);
        if (cmd == QLatin1String("dismiss")) {
            if (open.isEmpty())
                fail(QStringLiteral("no box is open"));
            else
                QTimer::singleShot(0, open.first(), [box = QPointer<QMessageBox>(open.first())] {
                    if (box)
                        box->button(QMessageBox::Ok)->click();
                });
            return QJsonDocument(out).toJson(QJsonDocument::Compact);
        }
        QJsonArray list;
        for (QMessageBox* box : open)
            list.append(QJsonObject{
                {QStringLiteral("caption"), box->windowTitle()},
                {QStringLiteral("text"), box->text()},
                {QStringLiteral("owner"),
                 box->parentWidget() ? box->parentWidget()->window()->objectName() : QString()}});
        out[QStringLiteral("value")] = list;
        return QJsonDocument(out).toJson(QJsonDocument::Compact);
    }

    if (cmd == QLatin1String("screen")) {
        const QRect screen = QGuiApplication::primaryScreen()
                                 ? QGuiApplication::primaryScreen()->geometry()
                                 : QRect();
        out[QStringLiteral("value")] = QJsonObject{{QStringLiteral("width"), screen.width()},
                                                   {QStringLiteral("height"), screen.height()}};
        return QJsonDocument(out).toJson(QJsonDocument::Compact);
    }

    QObject* target = Resolve(in.value(QStringLiteral("path")).toString());
    if (cmd == QLatin1String("exists")) {
        out[QStringLiteral("value")] = target != nullptr;
        return QJsonDocument(out).toJson(QJsonDocument::Compact);
    }
    if (!target) {
        fail(QStringLiteral("no such object"));
        return QJsonDocument(out).toJson(QJsonDocument::Compact);
    }
    auto* widget = qobject_cast<QWidget*>(target);
    const QString prop = in.value(QStringLiteral("prop")).toString();

    if (cmd == QLatin1String("get")) {
        out[QStringLiteral("value")] = ToJson(target->property(prop.toLatin1()));
    } else if (cmd == QLatin1String("set")) {
        target->setProperty(prop.toLatin1(), in.value(QStringLiteral("value")).toVariant());
    } else if (cmd == QLatin1String("click") || cmd == QLatin1String("key") ||
               cmd == QLatin1String("press") || cmd == QLatin1String("release") ||
               cmd == QLatin1String("close")) {
        // Actions run after the answer has gone out: they may open a modal dialog, whose
        // own event loop then serves the next requests.
        const QString key = in.value(QStringLiteral("key")).toString();
        QPointer<QObject> guarded(target);
        QTimer::singleShot(0, this, [guarded, cmd, key] {
            QObject* object = guarded.data();
            if (!object)
                return;
            auto* w = qobject_cast<QWidget*>(object);
            if (cmd == QLatin1String("click")) {
                if (auto* action = qobject_cast<QAction*>(object))
                    action->trigger();
                else if (auto* button = qobject_cast<QAbstractButton*>(object))
                    button->click();
            } else if (cmd == QLatin1String("key") && w) {
                SendKey(w, key);
            } else if (cmd == QLatin1String("press") && w) {
                SendMouse(w, QEvent::MouseButtonPress);
            } else if (cmd == QLatin1String("release") && w) {
                SendMouse(w, QEvent::MouseButtonRelease);
            } else if (cmd == QLatin1String("close") && w) {
                w->close();
            }
        });
    } else if (cmd == QLatin1String("move") && widget) {
        widget->move(in.value(QStringLiteral("x")).toInt(), in.value(QStringLiteral("y")).toInt());
    } else if (cmd == QLatin1String("geometry") && widget) {
        const QRect frame = widget->frameGeometry();
        out[QStringLiteral("value")] = QJsonObject{{QStringLiteral("x"), frame.x()},
                                                   {QStringLiteral("y"), frame.y()},
                                                   {QStringLiteral("width"), frame.width()},
                                                   {QStringLiteral("height"), frame.height()}};
    } else if (cmd == QLatin1String("grab") && widget) {
        // A picture of the window as drawn, for looking at the layout.
        if (!widget->grab().save(in.value(QStringLiteral("file")).toString()))
            fail(QStringLiteral("cannot save"));
    } else if (cmd == QLatin1String("activate") && widget) {
        widget->activateWindow();
        QApplication::setActiveWindow(widget);
    } else {
        fail(QStringLiteral("unknown command"));
    }
    return QJsonDocument(out).toJson(QJsonDocument::Compact);
}

void Automation::Record(QWidget* owner, const QString& text, const QString& caption) {
    const QString ownerName = owner ? owner->window()->objectName() : QString();
    m_prompts.append({caption, text, ownerName});
    QFile log(m_promptLog);
    if (log.open(QIODevice::Append)) {
        QString line = caption + QLatin1Char('|') + text;
        line.replace(QLatin1Char('\n'), QLatin1String("\\n"));
        log.write(line.toUtf8() + '\n');
    }
}

Prompter::Answer Automation::ShowMessage(QWidget* owner, const QString& text,
                                         const QString& caption, bool okCancel) {
    Record(owner, text, caption);
    if (m_realBoxes)
        return PlatformPrompter().ShowMessage(owner, text, caption, okCancel);
    if (!okCancel || m_answers.isEmpty())
        return Answer::Ok;
    return m_answers.takeFirst() == QLatin1String("cancel") ? Answer::Cancel : Answer::Ok;
}

void Automation::ShowNotice(QWidget* owner, const QString& text, const QString& caption,
                            std::function<void()> closed) {
    Record(owner, text, caption);
    if (m_realBoxes)
        return PlatformPrompter().ShowNotice(owner, text, caption, std::move(closed));
    if (closed)
        closed();
}

QString Automation::GetOpenFileName(QWidget*, const QString&) {
    return m_files.isEmpty() ? QString() : m_files.takeFirst();
}

QString Automation::GetSaveFileName(QWidget*, const QString&) {
    return m_files.isEmpty() ? QString() : m_files.takeFirst();
}

} // namespace vq3::ui
