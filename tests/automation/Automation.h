#pragma once

#include "ui/Prompter.h"

#include <QList>
#include <QObject>
#include <QStringList>

class QLocalServer;
class QLocalSocket;

namespace vq3::ui {

// Remote control for end-to-end tests of the real program. Off unless the environment
// names a socket in VQ3_AUTOMATION; then a test process can read and set control
// properties, press buttons and menu items, send keys, and answer the message boxes and file
// dialogs, which are recorded (also to "<socket>.prompts", one "caption|text" line each, so
// a process that ends at once still leaves its messages behind) instead of being shown.
//
// Requests and answers are JSON objects, one a line, e.g.
//   {"cmd":"get","path":"CControllerDlg/statusLink","prop":"text"} -> {"ok":true,"value":"COM1"}
// Paths: a top-level window's object name, then object names below it ("idc_1000",
// "idm_32788", ...). Commands: get, set, click, key, press, release, close, move, geometry,
// activate, grab, prompts, answer, exists, screen, boxes, dismiss.
//
// With VQ3_REAL_BOXES=1 in the environment the message boxes are the program's own (real,
// waiting boxes on the screen), still recorded; "boxes" lists the open ones and "dismiss"
// presses OK in the oldest.
class Automation : public QObject, public Prompter {
    Q_OBJECT
public:
    static constexpr const char* kVariable = "VQ3_AUTOMATION";

    Automation();
    ~Automation() override;

    // Starts listening and takes over the prompts when the variable is set.
    bool StartIfRequested();

    Answer ShowMessage(QWidget* owner, const QString& text, const QString& caption,
                       bool okCancel) override;
    void ShowNotice(QWidget* owner, const QString& text, const QString& caption,
                    std::function<void()> closed) override;
    QString GetOpenFileName(QWidget* owner, const QString& folder) override;
    QString GetSaveFileName(QWidget* owner, const QString& folder) override;

private:
    void Record(QWidget* owner, const QString& text, const QString& caption);
    void OnConnection();
    void OnReadable(QLocalSocket* socket);
    QByteArray Handle(const QByteArray& request);

    QLocalServer* m_server = nullptr;
    bool m_realBoxes = false;
    QString m_promptLog;
    struct Prompt {
        QString caption, text, owner;
    };
    QList<Prompt> m_prompts;
    QStringList m_answers; // "ok" / "cancel" for OK-Cancel boxes
    QStringList m_files;   // paths for file dialogs; empty entry = cancel
};

} // namespace vq3::ui
