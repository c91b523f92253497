#pragma once

#include <QByteArray>
#include <QDialog>
#include <QMap>
#include <QString>
#include <QStringList>
#include <deque>
#include <functional>
#include <vector>

#include "platform/platform.h"

namespace tarvik::testing {

// File dialogs answer from a script of paths ("" = cancelled) and record
// what they were asked.
class FakeFileDialog final : public FileDialog {
public:
    std::deque<QString> answers;
    std::vector<FileDialogOptions> opens;
    std::vector<FileDialogOptions> saves;

    QString GetOpenFileName(const FileDialogOptions& options) override {
        opens.push_back(options);
        return Next();
    }
    QString GetSaveFileName(const FileDialogOptions& options) override {
        saves.push_back(options);
        return Next();
    }

private:
    QString Next() {
        if (answers.empty()) return {};
        QString path = answers.front();
        answers.pop_front();
        return path;
    }
};

struct ShownMessage {
    QString text;
    QString title;
    MessageIcon icon;
};

class FakeMessageBox final : public MessageBox {
public:
    std::vector<ShownMessage> shown;
    std::function<void()> onShow;  // runs while the "box" is up
    void Show(const QString& text, const QString& title, MessageIcon icon) override {
        shown.push_back({text, title, icon});
        if (onShow) onShow();
    }
};

class FakeBusyCursor final : public BusyCursor {
public:
    bool busy = false;
    int timesBusy = 0;
    void SetBusy(bool value) override {
        if (value && !busy) ++timesBusy;
        busy = value;
    }
};

// An in-memory file system. A path maps to its bytes; failures can be
// scripted per path.
class FakeFileSystem final : public FileSystem {
public:
    QMap<QString, QByteArray> files;
    QMap<QString, QString> lengthErrors;
    QMap<QString, QString> readErrors;
    QMap<QString, QString> writeErrors;
    // Replaces what a read returns (a file that changed after its length
    // was taken).
    QMap<QString, QByteArray> readOverrides;
    std::vector<QString> writes;
    std::function<void()> onRead;

    LengthResult FileLength(const QString& path) override {
        if (lengthErrors.contains(path)) return {0, lengthErrors.value(path)};
        if (!files.contains(path)) return {0, QStringLiteral("The file does not exist.")};
        return {files.value(path).size(), {}};
    }
    ReadResult ReadFile(const QString& path, qint64 maxBytes) override {
        if (onRead) onRead();
        if (readErrors.contains(path)) return {{}, readErrors.value(path)};
        const QByteArray data = readOverrides.contains(path) ? readOverrides.value(path) : files.value(path);
        return {data.left(maxBytes), {}};
    }
    QString WriteFile(const QString& path, const QByteArray& data) override {
        writes.push_back(path);
        if (writeErrors.contains(path)) return writeErrors.value(path);
        files[path] = data;
        return {};
    }
};

// Records the windows shown modally; `onShow` may act while one is up.
class FakeModalShow final : public ModalShow {
public:
    QStringList shown;
    std::function<void(QDialog&)> onShow;
    void ShowModal(QDialog& window) override {
        shown << window.objectName();
        if (onShow) onShow(window);
    }
};

struct FakePlatform {
    FakeFileDialog fileDialog;
    FakeMessageBox messageBox;
    FakeBusyCursor busyCursor;
    FakeFileSystem fileSystem;
    FakeModalShow modalShow;

    [[nodiscard]] Platform Get() { return {fileDialog, messageBox, busyCursor, fileSystem, modalShow}; }
};

}  // namespace tarvik::testing
