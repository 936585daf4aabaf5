#pragma once

#include "ui/Prompter.h"

#include <QList>

#include <QString>
#include <QStringList>
#include <QWidget>
#include <functional>

namespace vq3::test {

// Answers the program's message boxes and file dialogs from a script and records what
// was shown, so tests can check exact texts, captions and owners.
class ScriptedPrompter : public ui::Prompter {
public:
    struct Shown {
        QString text;
        QString caption;
        bool okCancel = false;
        QString owner; // objectName of the owner window's top-level widget, "" when none
    };

    ScriptedPrompter() { ui::SetPrompter(this); }
    ~ScriptedPrompter() override { ui::SetPrompter(nullptr); }

    Answer ShowMessage(QWidget* owner, const QString& text, const QString& caption,
                       bool okCancel) override {
        shown.append({text, caption, okCancel, OwnerName(owner)});
        if (whileShown)
            whileShown(shown.last());
        if (!okCancel || answers.isEmpty())
            return Answer::Ok;
        return answers.takeFirst();
    }

    // Recorded like any box; closed at once, or held open until CloseNotice().
    void ShowNotice(QWidget* owner, const QString& text, const QString& caption,
                    std::function<void()> closed) override {
        ShowMessage(owner, text, caption, false);
        if (holdNotices)
            openNotices.append(closed);
        else if (closed)
            closed();
    }
    void CloseNotice() {
        if (!openNotices.isEmpty())
            if (const auto closed = openNotices.takeFirst())
                closed();
    }

    QString GetOpenFileName(QWidget*, const QString& folder) override {
        folders.append(folder);
        return files.isEmpty() ? QString() : files.takeFirst();
    }

    QString GetSaveFileName(QWidget*, const QString& folder) override {
        folders.append(folder);
        return files.isEmpty() ? QString() : files.takeFirst();
    }

    QStringList Texts() const {
        QStringList texts;
        for (const Shown& s : shown)
            texts.append(s.text);
        return texts;
    }

    QList<Shown> shown;
    QList<Answer> answers; // for OK/Cancel boxes, in order; Ok when empty
    QStringList files;     // paths the file dialogs "choose", in order; cancel when empty
    QStringList folders;   // folders the file dialogs opened in
    // Runs while a box is up, as the operator acting before answering it.
    std::function<void(const Shown&)> whileShown;
    bool holdNotices = false;
    QList<std::function<void()>> openNotices;

private:
    static QString OwnerName(QWidget* owner) {
        return owner ? owner->window()->objectName() : QString();
    }
};

} // namespace vq3::test
