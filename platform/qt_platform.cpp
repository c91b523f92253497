// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/qt_platform.h"

#include <QApplication>
#include <QDateTime>
#include <QDialog>
#include <QDir>
#include <QFileDialog>
#include <QFileIconProvider>
#include <QFileInfo>
#include <QHeaderView>
#include <QLocale>
#include <QMessageBox>
#include <QMimeDatabase>
#include <QShowEvent>
#include <QStyle>
#include <QTreeView>
#include <algorithm>

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

// The width a list cell needs to show `text` whole, as the view draws it.
[[nodiscard]] int CellWidth(const QTreeView& view, const QString& text) {
    QStyleOptionViewItem option;
    option.initFrom(&view);
    option.features = QStyleOptionViewItem::HasDisplay;
    option.text = text;
    return view.style()->sizeFromContents(QStyle::CT_ItemViewItem, &option, QSize(), &view).width();
}

// Widens the size and date columns to their longest texts, and the dialog
// so that every column is in view: Qt sizes both columns to samples shorter
// than what they show ("1,023.00 MiB", "28 Sep 2026 23:59:59"), which are
// then cut short.
void FitColumns(QFileDialog& dialog) {
    auto* view = dialog.findChild<QTreeView*>(QStringLiteral("treeView"));
    if (view == nullptr) return;
    const QLocale locale = QLocale::system();
    int sizeWidth = 0;
    for (int shift = 0; shift <= 40; shift += 10) {
        sizeWidth = std::max(sizeWidth, CellWidth(*view, locale.formattedDataSize(Q_INT64_C(1023) << shift)));
    }
    int dateWidth = 0;
    for (int month = 1; month <= 12; ++month) {
        const QDateTime latest(QDate(2026, month, 28), QTime(23, 59, 59));
        dateWidth = std::max(dateWidth, CellWidth(*view, locale.toString(latest, QLocale::ShortFormat)));
    }
    QHeaderView* header = view->header();
    for (const auto& [column, width] : {std::pair{1, sizeWidth}, std::pair{3, dateWidth}}) {
        header->resizeSection(column, std::max({width, header->sectionSizeHint(column), header->sectionSize(column)}));
    }
    const int wanted = header->length() + view->style()->pixelMetric(QStyle::PM_ScrollBarExtent, nullptr, view);
    dialog.resize(dialog.width() + std::max(0, wanted - view->viewport()->width()), dialog.height());
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

protected:
    void showEvent(QShowEvent* event) override {
        QFileDialog::showEvent(event);
        // Once laid out, so that the list's width is known.
        if (!event->spontaneous()) FitColumns(*this);
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
