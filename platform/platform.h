// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QByteArray>
#include <QString>

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

// Result of a file-system call: the data, or the system's reason why not.
struct LengthResult {
    qint64 length = 0;
    QString error;  // empty on success
};

struct ReadResult {
    QByteArray data;
    QString error;  // empty on success
};

// Result of writing a file that must not replace anything.
struct NewFileResult {
    // Something stood at the path (a file, a folder, a symbolic link, even
    // one that leads nowhere) when the file was to appear: nothing written.
    bool existed = false;
    QString error;  // empty when the file was written whole
};

class FileSystem {
public:
    virtual ~FileSystem() = default;
    // Length in bytes of a named file, or the reason it cannot be had. Never
    // blocks: a pipe or a device reports its length without being opened.
    [[nodiscard]] virtual LengthResult FileLength(const QString& path) = 0;
    // Reads at most maxBytes from offset 0.
    [[nodiscard]] virtual ReadResult ReadFile(const QString& path, qint64 maxBytes) = 0;
    // Replaces the file whole with data, or leaves it untouched and returns
    // the reason. A symbolic link at path is followed: its target is
    // replaced. The data is on the disk before the file takes the name.
    [[nodiscard]] virtual QString WriteFile(const QString& path, const QByteArray& data) = 0;
    // Writes a new file whole, or nothing: the name is taken only if nothing
    // stands at path at that very moment, so a file that appeared while the
    // data was prepared is never replaced.
    [[nodiscard]] virtual NewFileResult WriteNewFile(const QString& path, const QByteArray& data) = 0;
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
