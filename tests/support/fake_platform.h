// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QByteArray>
#include <QDialog>
#include <QMap>
#include <QString>
#include <QStringList>
#include <deque>
#include <functional>
#include <memory>
#include <type_traits>
#include <utility>
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
    NewFileResult WriteNewFile(const QString& path, const QByteArray& data) override {
        if (files.contains(path)) return {true, QStringLiteral("It exists already.")};
        return {false, WriteFile(path, data)};
    }
};

// Reads of chosen files fail part-way, as on a disk with a bad sector: the
// bytes before the failure come back with the reason. Everything else goes
// to the file system underneath.
class FailingReadFileSystem final : public FileSystem {
public:
    explicit FailingReadFileSystem(FileSystem& underneath) : underneath_(underneath) {}

    QMap<QString, qsizetype> failAfter;  // path: bytes read before the failure

    LengthResult FileLength(const QString& path) override { return underneath_.FileLength(path); }
    ReadResult ReadFile(const QString& path, qint64 maxBytes) override {
        ReadResult result = underneath_.ReadFile(path, maxBytes);
        if (!failAfter.contains(path) || !result.error.isEmpty()) return result;
        return {result.data.left(failAfter.value(path)), QStringLiteral("Input/output error")};
    }
    QString WriteFile(const QString& path, const QByteArray& data) override {
        return underneath_.WriteFile(path, data);
    }
    NewFileResult WriteNewFile(const QString& path, const QByteArray& data) override {
        return underneath_.WriteNewFile(path, data);
    }

private:
    FileSystem& underneath_;
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

// The desktop of a test: one fake of each interface, reachable by name.
// Any one of them can be swapped for another implementation before the
// platform is handed out (the real file system, the real modal loop, a
// file system that fails part-way, ...); the fake then stays unused.
class FakePlatform {
public:
    FakePlatform() = default;
    FakePlatform(const FakePlatform&) = delete;  // Get() hands out its members
    FakePlatform& operator=(const FakePlatform&) = delete;

    FakeFileDialog fileDialog;
    FakeMessageBox messageBox;
    FakeBusyCursor busyCursor;
    FakeFileSystem fileSystem;
    FakeModalShow modalShow;

    // Makes a T, kept for the platform's life, and hands it out from now on
    // in place of the fake of the interface T implements.
    template <typename T, typename... Args>
    T& Replace(Args&&... args) {
        auto made = std::make_shared<T>(std::forward<Args>(args)...);
        InUseFor<T>() = made.get();
        replacements_.push_back(made);
        return *made;
    }

    // The T handed out for its interface (std::bad_cast if it is not one).
    template <typename T>
    [[nodiscard]] T& InUse() {
        return dynamic_cast<T&>(*InUseFor<T>());
    }

    [[nodiscard]] Platform Get() { return {*fileDialog_, *messageBox_, *busyCursor_, *fileSystem_, *modalShow_}; }

private:
    template <typename T>
    [[nodiscard]] auto& InUseFor() {
        if constexpr (std::is_base_of_v<FileDialog, T>) {
            return fileDialog_;
        } else if constexpr (std::is_base_of_v<MessageBox, T>) {
            return messageBox_;
        } else if constexpr (std::is_base_of_v<BusyCursor, T>) {
            return busyCursor_;
        } else if constexpr (std::is_base_of_v<FileSystem, T>) {
            return fileSystem_;
        } else {
            static_assert(std::is_base_of_v<ModalShow, T>, "not a platform interface");
            return modalShow_;
        }
    }

    FileDialog* fileDialog_ = &fileDialog;
    MessageBox* messageBox_ = &messageBox;
    BusyCursor* busyCursor_ = &busyCursor;
    FileSystem* fileSystem_ = &fileSystem;
    ModalShow* modalShow_ = &modalShow;
    std::vector<std::shared_ptr<void>> replacements_;
};

}  // namespace tarvik::testing
