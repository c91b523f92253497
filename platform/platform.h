// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// The editor's view of the desktop: file dialogs, message boxes, the busy
// pointer, modal windows, and the files it opens and saves.

#include <QString>

#include "platform/file_system.h"

class QDialog;

namespace tarvik {

// What a file dialog is asked for; the members mirror the choices a
// tuner sees (must the file exist, ask before overwriting, ...).
struct FileDialogOptions {
    QString title;
    QString filterName;            // one filter entry that shows every file
    bool fileMustExist = false;    // open: only existing files can be chosen
    bool pathMustExist = false;    // save: the folder must exist
    bool overwritePrompt = false;  // save: ask before replacing a file
    bool noChangeDir = true;       // never change the program's current directory
    bool hideReadOnly = true;      // no read-only check box
};

class FileDialog {
public:
    virtual ~FileDialog() = default;
    // A full path, or empty when the user cancelled.
    [[nodiscard]] virtual QString GetOpenFileName(const FileDialogOptions& options) = 0;
    [[nodiscard]] virtual QString GetSaveFileName(const FileDialogOptions& options) = 0;
};

enum class MessageIcon { Warning, Critical };

class MessageBox {
public:
    virtual ~MessageBox() = default;
    // Modal; a single OK button.
    virtual void Show(const QString& text, const QString& title, MessageIcon icon) = 0;
};

class BusyCursor {
public:
    virtual ~BusyCursor() = default;
    virtual void SetBusy(bool busy) = 0;
};

class ModalShow {
public:
    virtual ~ModalShow() = default;
    // Returns once the window has been hidden or closed.
    virtual void ShowModal(QDialog& window) = 0;
};

// Everything the editor asks of the desktop, in one bundle.
struct Platform {
    FileDialog& fileDialog;
    MessageBox& messageBox;
    BusyCursor& busyCursor;
    FileSystem& fileSystem;
    ModalShow& modalShow;
};

}  // namespace tarvik
