// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/qt_platform.h"

#include <QApplication>
#include <QDialog>
#include <QDir>
#include <QFileDialog>
#include <QFileIconProvider>
#include <QFileInfo>
#include <QMessageBox>
#include <QMimeDatabase>

namespace tarvik {

namespace {

// Qt's "*" shows every file; "*.*" would hide names without a dot.
QString FilterFor(const FileDialogOptions& options) { return options.filterName + QStringLiteral(" (*)"); }

// The folder a save would go into, when it does not exist; empty otherwise.
QString MissingFolder(const QString& path) {
    const QFileInfo target(path);
    const QString folder = target.absolutePath();
    return QFileInfo(folder).isDir() ? QString() : folder;
}

// Says which folder is missing, over the dialog that asked for the name.
void ReportMissingFolder(QWidget* over, const QString& title, const QString& folder) {
    QMessageBox box(QMessageBox::Warning, title,
                    QStringLiteral("The folder \"%1\" does not exist.\nCheck the path and try again.")
                        .arg(QDir::toNativeSeparators(folder)),
                    QMessageBox::Ok, over);
    box.exec();
}

// Qt's own file dialog, which keeps itself open when a save names a folder
// that does not exist: the user is told and can correct the name, as the
// tuner expects from a save dialog, instead of the dialog closing on a name
// that can never be written.
class TarvikFileDialog final : public QFileDialog {
public:
    TarvikFileDialog(QWidget* parent, const QString& title, bool pathMustExist)
        : QFileDialog(parent, title), pathMustExist_(pathMustExist) {}

    void accept() override {
        if (pathMustExist_) {
            const QStringList files = selectedFiles();
            const QString missing = files.isEmpty() ? QString() : MissingFolder(files.first());
            if (!missing.isEmpty()) {
                ReportMissingFolder(this, windowTitle(), missing);
                return;
            }
        }
        QFileDialog::accept();
    }

private:
    bool pathMustExist_;
};

// Icons and kinds of the listed files from their names and modes alone.
// Qt's own provider guesses a file's kind from its first bytes, on the thread
// that runs the dialog: one file whose read never returns (the kernel log in
// /proc, a stalled network share) would freeze the program for good.
class NameOnlyIconProvider final : public QFileIconProvider {
public:
    using QFileIconProvider::icon;
    [[nodiscard]] QIcon icon(const QFileInfo& info) const override { return icon(info.isDir() ? Folder : File); }
    [[nodiscard]] QString type(const QFileInfo& info) const override {
        // A folder, link or device is told by its mode, without reading it.
        if (!info.isFile()) return QFileIconProvider::type(info);
        const QMimeType kind = kinds_.mimeTypeForFile(info.fileName(), QMimeDatabase::MatchExtension);
        return kind.comment().isEmpty() ? kind.name() : kind.comment();
    }

private:
    QMimeDatabase kinds_;
};

// The owner, if there is one; else whatever window is active.
QWidget* OwnerOr(QWidget* owner) { return owner != nullptr ? owner : QApplication::activeWindow(); }

QString RunFileDialog(QWidget* parent, const FileDialogOptions& options, QFileDialog::AcceptMode mode) {
    const bool pathMustExist = mode == QFileDialog::AcceptSave && options.pathMustExist;
    NameOnlyIconProvider icons;  // declared first: the dialog's model uses it until the dialog goes
    TarvikFileDialog dialog(parent, options.title, pathMustExist);
    dialog.setIconProvider(&icons);
    dialog.setAcceptMode(mode);
    dialog.setNameFilter(FilterFor(options));
    dialog.setOption(QFileDialog::DontConfirmOverwrite, !options.overwritePrompt);
    if (mode == QFileDialog::AcceptOpen) {
        dialog.setFileMode(options.fileMustExist ? QFileDialog::ExistingFile : QFileDialog::AnyFile);
    } else {
        dialog.setFileMode(QFileDialog::AnyFile);
    }
    // Qt's own dialog, also where the desktop offers one of its own: a
    // desktop's dialog closes before accept() can refuse a name, so the
    // check for the folder would come too late. Qt's dialogs never change the
    // process's current directory and show no read-only check box, so
    // noChangeDir and hideReadOnly hold already.
    dialog.setOption(QFileDialog::DontUseNativeDialog);
    if (dialog.exec() != QDialog::Accepted) return {};
    const QStringList files = dialog.selectedFiles();
    return files.isEmpty() ? QString() : files.first();
}

}  // namespace

QString QtFileDialog::GetOpenFileName(const FileDialogOptions& options) {
    return RunFileDialog(OwnerOr(owner_), options, QFileDialog::AcceptOpen);
}

QString QtFileDialog::GetSaveFileName(const FileDialogOptions& options) {
    return RunFileDialog(OwnerOr(owner_), options, QFileDialog::AcceptSave);
}

void QtMessageBox::Show(const QString& text, const QString& title, MessageIcon icon) {
    const QMessageBox::Icon qtIcon = icon == MessageIcon::Critical ? QMessageBox::Critical : QMessageBox::Warning;
    // Over the dialog that is open, else over the main window. Not the active
    // window: right after a file dialog closes there is none until the window
    // manager has given the focus back, and a box without a parent opens in
    // the middle of the screen, without the program's icon.
    QWidget* modal = QApplication::activeModalWidget();
    QMessageBox box(qtIcon, title, text, QMessageBox::Ok, modal != nullptr ? modal : OwnerOr(owner_));
    box.exec();
}

QtBusyCursor::~QtBusyCursor() { SetBusy(false); }

void QtBusyCursor::SetBusy(bool busy) {
    if (busy == busy_) return;
    busy_ = busy;
    if (busy) {
        QApplication::setOverrideCursor(Qt::WaitCursor);
    } else {
        QApplication::restoreOverrideCursor();
    }
}

void QtModalShow::ShowModal(QDialog& window) { window.exec(); }

}  // namespace tarvik
