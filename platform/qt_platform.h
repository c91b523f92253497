// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QPointer>
#include <QWidget>

#include "platform/platform.h"
#include "platform/qt_file_system.h"

namespace tarvik {

// The desktop behind the platform interfaces: Qt's own dialogs, message
// boxes, override cursor and files.
class QtFileDialog final : public FileDialog {
public:
    // The window the dialogs stand over.
    void SetOwner(QWidget* owner) { owner_ = owner; }
    [[nodiscard]] QString GetOpenFileName(const FileDialogOptions& options) override;
    [[nodiscard]] QString GetSaveFileName(const FileDialogOptions& options) override;

private:
    QPointer<QWidget> owner_;
};

class QtMessageBox final : public MessageBox {
public:
    // The window a box stands over when no dialog is open.
    void SetOwner(QWidget* owner) { owner_ = owner; }
    void Show(const QString& text, const QString& title, MessageIcon icon) override;

private:
    QPointer<QWidget> owner_;
};

class QtBusyCursor final : public BusyCursor {
public:
    ~QtBusyCursor() override;
    void SetBusy(bool busy) override;

private:
    bool busy_ = false;
};

class QtModalShow final : public ModalShow {
public:
    void ShowModal(QDialog& window) override;
};

// One of each, for the running program.
struct QtPlatform {
    QtFileDialog fileDialog;
    QtMessageBox messageBox;
    QtBusyCursor busyCursor;
    QtFileSystem fileSystem;
    QtModalShow modalShow;

    [[nodiscard]] Platform Get() { return {fileDialog, messageBox, busyCursor, fileSystem, modalShow}; }
    // The main window, over which dialogs and messages stand.
    void SetOwner(QWidget& window) {
        fileDialog.SetOwner(&window);
        messageBox.SetOwner(&window);
    }
};

}  // namespace tarvik
