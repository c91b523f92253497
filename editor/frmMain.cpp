// SPDX-License-Identifier: GPL-3.0-or-later
#include "editor/frmMain.h"

#include <QAction>
#include <QApplication>
#include <QTabBar>
#include <QTimer>
#include <algorithm>
#include <functional>
#include <utility>

#include "editor/field_edit.h"
#include "editor/scope_exit.h"
#include "editor/tab_control.h"
#include "graph/modPlot.h"
#include "image/codec.h"
#include "platform/file_names.h"
#include "platform/image_file.h"
#include "platform/to_qstring.h"
#include "windows/frmAbout.h"
#include "windows/frmSplash.h"

namespace tarvik {

namespace {

const QString kFilterName = QStringLiteral("LH 2.2-binary");
const QString kErrorTitle = QStringLiteral("Error");

// Runs an action once, from the event loop, after a window has been painted
// for the first time; dropped if this object goes first.
class AfterFirstPaint final : public QObject {
public:
    AfterFirstPaint(QWidget& window, std::function<void()> action) : action_(std::move(action)) {
        window.installEventFilter(this);
    }

    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::Paint && action_) {
            watched->removeEventFilter(this);
            // Queued, so that the picture reaches the screen first.
            QTimer::singleShot(0, this, std::exchange(action_, nullptr));
        }
        return false;
    }

private:
    std::function<void()> action_;
};

}  // namespace

frmMain::~frmMain() {
    // The view is borrowed: hand it back before the page would delete it.
    graph_.Widget().hide();
    graph_.Widget().setParent(nullptr);
}

void frmMain::Form_Load() {
    timerSplash_.setInterval(kSplashMilliseconds);
    timerSplash_.start();
    {
        frmSplash splash;
        splash_ = &splash;
        const ScopeExit forget([this] { splash_ = nullptr; });
        // The splash stands for 2.5 s with nothing to do: let the 3-D view
        // build its drawing code meanwhile, once the splash is on screen,
        // instead of when the main window first appears or at the first Open.
        AfterFirstPaint warmUp(splash, [this] { graph_.WarmUp(); });
        platform_.modalShow.ShowModal(splash);
    }
    SetTabOrder();
}

void frmMain::timerSplash_Timer() {
    timerSplash_.stop();
    if (splash_ != nullptr) {
        splash_->hide();
        splash_->close();
    }
}

void frmMain::smnuOpen_Click() {
    SuppressPlot_ = true;
    const ScopeExit allowPlot([this] { SuppressPlot_ = false; });

    FileDialogOptions options;
    options.title = QStringLiteral("Open file");
    options.filterName = kFilterName;
    options.fileMustExist = true;
    const QString path = platform_.fileDialog.GetOpenFileName(options);
    if (path.isEmpty()) return;
    LoadImageFile(path);
}

void frmMain::OpenFile(const QString& path) {
    SuppressPlot_ = true;
    const ScopeExit allowPlot([this] { SuppressPlot_ = false; });
    LoadImageFile(path);
}

void frmMain::LoadImageFile(const QString& path) {
    const ImageFileRead read =
        ReadImageFile(platform_.fileSystem, path, [this](bool busy) { platform_.busyCursor.SetBusy(busy); });
    switch (read.fault) {
        case ImageFileFault::WrongLength:
            platform_.messageBox.Show(WrongLengthMessage(), kErrorTitle, MessageIcon::Warning);
            return;
        case ImageFileFault::Unreadable:
            ShowIoError(QStringLiteral("open"), path, read.reason);
            return;
        case ImageFileFault::None:
            break;
    }
    ImageBytes_ = read.image;
    LoadFieldsFromImage();
    PlotFuelMap(*this, graph_);
    smnuSaveAs_->setEnabled(true);
    if (watcher_ != nullptr) watcher_->ImageOpened(path, ImageBytes_);
}

void frmMain::SetCellWatcher(CellWatcher* watcher) {
    watcher_ = watcher;
    for (const Family family : kShownOrder) {
        for (int i = 0; i < FieldCount(family); ++i) {
            FieldEdit* edit = fields_.At(family, i);
            // Enter, or the focus gone: the value typed is meant.
            connect(edit, &QLineEdit::editingFinished, this, [this, family, i, edit] {
                if (watcher_ != nullptr) watcher_->CellLeft(family, i, edit->text());
            });
        }
    }
}

void frmMain::LeaveFocusedField() {
    if (watcher_ == nullptr) return;
    for (const Family family : kShownOrder) {
        for (int i = 0; i < FieldCount(family); ++i) {
            if (fields_.At(family, i)->hasFocus()) watcher_->CellLeft(family, i, fields_.At(family, i)->text());
        }
    }
}

void frmMain::closeEvent(QCloseEvent* event) {
    LeaveFocusedField();
    QMainWindow::closeEvent(event);
}

void frmMain::smnuSaveAs_Click() {
    // Ctrl+S reaches a disabled action only through code; keep to the menu.
    if (!smnuSaveAs_->isEnabled()) return;
    LeaveFocusedField();
    if (!StoreFieldsToImage()) return;

    FileDialogOptions options;
    options.title = QStringLiteral("Save file");
    options.filterName = kFilterName;
    options.overwritePrompt = true;
    options.pathMustExist = true;
    const QString path = platform_.fileDialog.GetSaveFileName(options);
    if (path.isEmpty()) return;

    QString failure;
    {
        platform_.busyCursor.SetBusy(true);
        const ScopeExit idle([this] { platform_.busyCursor.SetBusy(false); });
        const QByteArray data(reinterpret_cast<const char*>(ImageBytes_.data()), static_cast<qsizetype>(kImageSize));
        failure = platform_.fileSystem.WriteFile(path, data);
    }
    if (!failure.isEmpty()) ShowIoError(QStringLiteral("save"), path, failure);
}

void frmMain::smnuExit_Click() {
    close();
    QCoreApplication::quit();
}

void frmMain::mnuAbout_Click() {
    frmAbout about;
    platform_.modalShow.ShowModal(about);
}

void frmMain::txtData_Change(int index) {
    if (SuppressPlot_) return;
    PlotFuelMap(*this, graph_);
    PlotCursor(index, *this, graph_);
}

void frmMain::txtData_Click(int index) { PlotCursor(index, *this, graph_); }

bool frmMain::StoreFieldsToImage() {
    const StoreResult result = tarvik::StoreFieldsToImage(*this, ImageBytes_);
    if (result.ok) return true;
    platform_.messageBox.Show(QString::fromStdString(IllegalValueMessage(result.failedTable->name)),
                              QStringLiteral("Input Error"), MessageIcon::Critical);
    return false;
}

void frmMain::LoadFieldsFromImage() { tarvik::LoadFieldsFromImage(ImageBytes_, *this); }

FieldEdit& frmMain::field(Family family, int index) const { return *fields_.At(family, index); }

void frmMain::SetFieldText(Family family, int index, std::string_view text) {
    field(family, index).setText(ToQString(text));
}

std::string frmMain::FieldText(Family family, int index) const { return field(family, index).text().toStdString(); }

double frmMain::FieldNumber(Family family, int index) const {
    // Every keystroke in the map reads all 256 cells: each text is read as
    // the field holds it, without a copy in another form.
    const QString text = field(family, index).text();
    const QStringView view(text);
    return ParseLeadingNumber(std::u16string_view(view.utf16(), static_cast<std::size_t>(view.size())));
}

void frmMain::ShowIoError(const QString& action, const QString& path, const QString& reason) {
    // The name as the table tool shows it: a byte that is not UTF-8 or a
    // control character written as "\xe9", never a blank box.
    platform_.messageBox.Show(CannotMessage(action, QString::fromStdString(ShownFileName(path)), reason), kErrorTitle,
                              MessageIcon::Warning);
}

void frmMain::SetTabOrder() {
    tabOrder_.clear();
    tabOrder_.push_back(SSTab1_);
    // The fuel map in reading order, row by row from the left; then the
    // other tables in the order they stand, each from its top cell.
    for (int row = 0; row < kFuelSide; ++row) {
        for (int column = 0; column < kFuelSide; ++column)
            tabOrder_.push_back(fields_.At(Family::Data, CellAt(row, column)));
    }
    for (const Family family : kShownOrder) {
        if (family == Family::Data) continue;
        for (int i = 0; i < FieldCount(family); ++i) tabOrder_.push_back(fields_.At(family, i));
    }
    for (std::size_t i = 1; i < tabOrder_.size(); ++i) setTabOrder(tabOrder_[i - 1], tabOrder_[i]);
}

bool frmMain::focusNextPrevChild(bool next) {
    // Fields of the hidden page would be skipped by Qt's own walk; follow the
    // fixed order instead and bring the field's page to the front.
    QWidget* current = QApplication::focusWidget();
    if (current == static_cast<QWidget*>(SSTab1_->tabBar())) current = SSTab1_;
    const auto it = std::find(tabOrder_.begin(), tabOrder_.end(), current);
    // A page being hidden under the focused field asks for the next field
    // too; that is Qt's own business, not a Tab press.
    if (it == tabOrder_.end() || !current->isVisible()) return QMainWindow::focusNextPrevChild(next);
    const auto size = static_cast<std::ptrdiff_t>(tabOrder_.size());
    const std::ptrdiff_t position = (it - tabOrder_.begin() + (next ? 1 : size - 1)) % size;
    QWidget* target = tabOrder_[static_cast<std::size_t>(position)];
    const int page = SSTab1_->pageOf(target);
    if (page >= 0 && page != SSTab1_->currentIndex()) SSTab1_->setCurrentIndex(page);
    target->setFocus(next ? Qt::TabFocusReason : Qt::BacktabFocusReason);
    return true;
}

}  // namespace tarvik
