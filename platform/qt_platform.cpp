#include "qt_platform.h"

#include <QApplication>
#include <QDialog>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QMessageBox>
#include <QSaveFile>

namespace tarvik {

namespace {

// Qt's "*" shows every file; "*.*" would hide names without a dot.
QString FilterFor(const FileDialogOptions& options) { return options.filterName + QStringLiteral(" (*)"); }

QString RunFileDialog(const FileDialogOptions& options, QFileDialog::AcceptMode mode) {
    QFileDialog dialog(QApplication::activeWindow(), options.title);
    dialog.setAcceptMode(mode);
    dialog.setNameFilter(FilterFor(options));
    dialog.setOption(QFileDialog::DontConfirmOverwrite, !options.overwritePrompt);
    if (mode == QFileDialog::AcceptOpen) {
        dialog.setFileMode(options.fileMustExist ? QFileDialog::ExistingFile : QFileDialog::AnyFile);
    } else {
        dialog.setFileMode(QFileDialog::AnyFile);
    }
    // Qt's dialogs never change the process's current directory and show
    // no read-only check box, so noChangeDir and hideReadOnly hold already.
    if (dialog.exec() != QDialog::Accepted) return {};
    const QStringList files = dialog.selectedFiles();
    if (files.isEmpty()) return {};
    if (mode == QFileDialog::AcceptSave && options.pathMustExist && !QFileInfo(files.first()).dir().exists()) {
        return {};
    }
    return files.first();
}

}  // namespace

QString QtFileDialog::GetOpenFileName(const FileDialogOptions& options) {
    return RunFileDialog(options, QFileDialog::AcceptOpen);
}

QString QtFileDialog::GetSaveFileName(const FileDialogOptions& options) {
    return RunFileDialog(options, QFileDialog::AcceptSave);
}

void QtMessageBox::Show(const QString& text, const QString& title, MessageIcon icon) {
    const QMessageBox::Icon qtIcon = icon == MessageIcon::Critical ? QMessageBox::Critical : QMessageBox::Warning;
    QMessageBox box(qtIcon, title, text, QMessageBox::Ok, QApplication::activeWindow());
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

LengthResult QtFileSystem::FileLength(const QString& path) {
    const QFileInfo info(path);
    if (!info.exists()) return {0, QStringLiteral("The file does not exist.")};
    if (info.isDir()) return {0, QStringLiteral("It is a folder, not a file.")};
    // Pipes and devices report 0 here without being opened, so they meet the
    // size check instead of blocking a read.
    return {info.size(), {}};
}

ReadResult QtFileSystem::ReadFile(const QString& path, qint64 maxBytes) {
    if (!QFileInfo(path).isFile()) return {{}, QStringLiteral("It is not a regular file.")};
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) return {{}, file.errorString()};
    QByteArray data = file.read(maxBytes);
    if (file.error() != QFileDevice::NoError) return {{}, file.errorString()};
    return {data, {}};
}

QString QtFileSystem::WriteFile(const QString& path, const QByteArray& data) {
    const QFileInfo info(path);
    // A save replaces the target by renaming a finished copy over it; that
    // must never happen to a device, a pipe or a folder.
    if (info.exists() && !info.isFile()) return QStringLiteral("It is not a regular file.");
    QSaveFile file(path);
    // Unbuffered: a buffered write "succeeds" into memory, and Qt's commit
    // then renames a short copy over the target when the disk fills up.
    // Written directly, a write cut short shows at once, and writing the
    // rest gives the system's reason (disk full, file too large).
    if (!file.open(QIODevice::WriteOnly | QIODevice::Unbuffered)) return file.errorString();
    for (qint64 done = 0; done < data.size();) {
        const qint64 written = file.write(data.constData() + done, data.size() - done);
        if (written <= 0) {
            const QString reason = file.errorString();
            file.cancelWriting();
            return reason;
        }
        done += written;
    }
    if (!file.commit()) return file.errorString();
    return {};
}

void QtModalShow::ShowModal(QDialog& window) { window.exec(); }

}  // namespace tarvik
