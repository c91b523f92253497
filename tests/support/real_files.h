// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// Real files, for the tests that run on the real file system.

#include <QByteArray>
#include <QFile>
#include <QString>
#include <gtest/gtest.h>

namespace tarvik::testing {

// The whole file; empty when it cannot be read.
[[nodiscard]] inline QByteArray Contents(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// Writes `bytes` as the whole file: ASSERT_TRUE(Put(path, bytes)).
[[nodiscard]] inline ::testing::AssertionResult Put(const QString& path, const QByteArray& bytes) {
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate)) {
        return ::testing::AssertionFailure()
               << "cannot write " << path.toStdString() << ": " << file.errorString().toStdString();
    }
    if (file.write(bytes) != bytes.size()) return ::testing::AssertionFailure() << path.toStdString() << " cut short";
    return ::testing::AssertionSuccess();
}

}  // namespace tarvik::testing
