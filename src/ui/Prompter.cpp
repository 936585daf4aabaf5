#include "ui/Prompter.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QMessageBox>

namespace vq3::ui {

namespace {

class QtPrompter : public Prompter {
public:
    Answer ShowMessage(QWidget* owner, const QString& text, const QString& caption,
                       bool okCancel) override {
        QMessageBox box(QMessageBox::Warning, caption, text,
                        okCancel ? QMessageBox::Ok | QMessageBox::Cancel : QMessageBox::Ok, owner);
        // Blocks the owner only: the tool windows stay usable.
        box.setWindowModality(owner ? Qt::WindowModal : Qt::ApplicationModal);
        return box.exec() == QMessageBox::Ok ? Answer::Ok : Answer::Cancel;
    }

    void ShowNotice(QWidget* owner, const QString& text, const QString& caption,
                    std::function<void()> closed) override {
        auto* box = new QMessageBox(QMessageBox::Warning, caption, text, QMessageBox::Ok, owner);
        box->setAttribute(Qt::WA_DeleteOnClose);
        box->setWindowModality(owner ? Qt::WindowModal : Qt::ApplicationModal);
        QObject::connect(box, &QMessageBox::finished, box, [closed] {
            if (closed)
                closed();
        });
        box->show();
    }

    QString GetOpenFileName(QWidget* owner, const QString& folder) override {
        return Run(owner, folder, QFileDialog::AcceptOpen);
    }

    QString GetSaveFileName(QWidget* owner, const QString& folder) override {
        return Run(owner, folder, QFileDialog::AcceptSave);
    }

private:
    static QString Run(QWidget* owner, const QString& folder, QFileDialog::AcceptMode mode) {
        QFileDialog dialog(owner, QString(), folder);
        dialog.setAcceptMode(mode);
        dialog.setFileMode(mode == QFileDialog::AcceptOpen ? QFileDialog::ExistingFile
                                                           : QFileDialog::AnyFile);
        dialog.setNameFilters({QStringLiteral("Text File(*.txt)"), QStringLiteral("All(*.*)")});
        dialog.setDefaultSuffix(QStringLiteral("txt"));
        dialog.setOption(QFileDialog::ReadOnly, false);
        dialog.setWindowModality(owner ? Qt::WindowModal : Qt::ApplicationModal);
        if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
            return QString();
        return QFileInfo(dialog.selectedFiles().first()).absoluteFilePath();
    }
};

QtPrompter g_default;
Prompter* g_current = nullptr;

} // namespace

Prompter& prompter() {
    return g_current ? *g_current : g_default;
}

Prompter& PlatformPrompter() {
    return g_default;
}

void SetPrompter(Prompter* replacement) {
    g_current = replacement;
}

namespace {
QString Remember(const QString& path) {
    if (!path.isEmpty())
        QDir::setCurrent(QFileInfo(path).absolutePath());
    return path;
}
} // namespace

QString AskOpenFile(QWidget* owner) {
    return Remember(prompter().GetOpenFileName(owner, QDir::currentPath()));
}

QString AskSaveFile(QWidget* owner) {
    return Remember(prompter().GetSaveFileName(owner, QDir::currentPath()));
}

QString ApplicationCaption() {
    return QStringLiteral("vq3-controller");
}

} // namespace vq3::ui
