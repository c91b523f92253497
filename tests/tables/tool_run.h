// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// tarvik-tables run in the test's own process, on the real file system: its
// exit status, standard output and standard error.

#include <gtest/gtest.h>

#include <QFile>
#include <QTemporaryDir>
#include <atomic>
#include <cstdint>
#include <mutex>
#include <span>
#include <string>
#include <string_view>

#include "devices/qt_serial_ports.h"
#include "platform/qt_file_system.h"
#include "tables/cli/tool.h"

namespace tarvik::tables {

struct Finished {
    int status = -1;  // -1: crashed or did not finish
    std::string out;
    std::string err;
};

// Standard output and error of a run in this process, readable while it
// runs on another thread; output fails with a full disk's reason when asked
// to, and `interrupt` stands for Ctrl+C.
class CapturedConsole final : public Console {
public:
    explicit CapturedConsole(bool full = false) : full_(full) {}
    std::string out;
    std::string err;
    std::atomic<bool> interrupt{false};
    std::string Out(std::string_view text) override {
        if (full_) return "No space left on device";
        const std::lock_guard lock(mutex_);
        out += text;
        return {};
    }
    void Err(std::string_view text) override {
        const std::lock_guard lock(mutex_);
        err += text;
    }
    void Progress(std::string_view /*line*/) override {}
    [[nodiscard]] bool Interrupted() const override { return interrupt; }
    [[nodiscard]] std::string OutSoFar() const {
        const std::lock_guard lock(mutex_);
        return out;
    }

private:
    bool full_;
    mutable std::mutex mutex_;
};

[[nodiscard]] inline int RunInProcess(const QStringList& arguments, CapturedConsole& console,
                                      devices::SerialPorts& ports) {
    QtFileSystem files;
    return RunTablesTool(QStringList{QStringLiteral("tarvik-tables")} + arguments, console, files, ports);
}

[[nodiscard]] inline int RunInProcess(const QStringList& arguments, CapturedConsole& console) {
    devices::QtSerialPorts ports;
    return RunInProcess(arguments, console, ports);
}

[[nodiscard]] inline Finished RunInProcess(const QStringList& arguments, bool fullDisk = false) {
    CapturedConsole console(fullDisk);
    QtFileSystem files;
    devices::QtSerialPorts ports;
    const int status = RunTablesTool(QStringList{QStringLiteral("tarvik-tables")} + arguments, console, files, ports);
    return {status, console.out, console.err};
}

[[nodiscard]] inline QByteArray Bytes(std::span<const std::uint8_t> bytes) {
    return {reinterpret_cast<const char*>(bytes.data()), static_cast<qsizetype>(bytes.size())};
}

// The first 4096 bytes of a file, as an image.
[[nodiscard]] inline ImageBytes ImageFromFile(const QString& path) {
    QFile file(path);
    ImageBytes image{};
    EXPECT_TRUE(file.open(QIODevice::ReadOnly)) << path.toStdString();
    EXPECT_EQ(file.read(reinterpret_cast<char*>(image.data()), static_cast<qint64>(image.size())), 4096);
    return image;
}

// A folder of the test's own that the tool's files are written to and read
// from.
class ToolFolderTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(folder_.isValid()); }

    [[nodiscard]] QString Path(const QString& name) const { return folder_.filePath(name); }

    void Write(const QString& name, const QByteArray& data) const {
        QFile file(Path(name));
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        ASSERT_EQ(file.write(data), data.size());
    }

    // The file's contents; a null array when it does not exist.
    [[nodiscard]] QByteArray Read(const QString& name) const {
        QFile file(Path(name));
        if (!file.open(QIODevice::ReadOnly)) return {};
        return file.readAll();
    }

    QTemporaryDir folder_;
};

}  // namespace tarvik::tables
