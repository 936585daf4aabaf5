#pragma once

#include <QString>

#include <functional>

class QWidget;

namespace vq3::ui {

// The one seam through which the program shows message boxes and file dialogs, so that
// tests can answer them and check their exact texts and captions.
class Prompter {
public:
    enum class Answer { Ok, Cancel };

    virtual ~Prompter() = default;

    // A box with the exclamation icon, window-modal to owner: an OK button, or OK and
    // Cancel when okCancel is set. Returns when the operator has answered.
    virtual Answer ShowMessage(QWidget* owner, const QString& text, const QString& caption,
                               bool okCancel = false) = 0;
    // The same box with an OK button, shown without waiting: this returns at once, and
    // `closed` runs when the operator has closed it.
    virtual void ShowNotice(QWidget* owner, const QString& text, const QString& caption,
                            std::function<void()> closed) = 0;

    // File dialogs with the filters "Text File(*.txt)" and "All(*.*)", default suffix "txt",
    // opening in folder; the save dialog asks before replacing a file. Return the chosen
    // full path, or an empty text when cancelled.
    virtual QString GetOpenFileName(QWidget* owner, const QString& folder) = 0;
    virtual QString GetSaveFileName(QWidget* owner, const QString& folder) = 0;
};

// The prompter in use: QMessageBox and QFileDialog unless replaced.
Prompter& prompter();
// QMessageBox and QFileDialog, whatever is in use.
Prompter& PlatformPrompter();
// Replaces the prompter (tests, automation); nullptr restores the default. Not owned.
void SetPrompter(Prompter* replacement);

// The program's file dialogs: they open in the working directory, and the chosen file's
// folder becomes the working directory, so the next dialog opens there. Empty on cancel.
QString AskOpenFile(QWidget* owner);
QString AskSaveFile(QWidget* owner);

// The application's own caption: the executable's file name, "vq3-controller".
QString ApplicationCaption();

} // namespace vq3::ui
