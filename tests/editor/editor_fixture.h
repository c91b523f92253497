#pragma once

#include <QByteArray>
#include <gtest/gtest.h>
#include <memory>
#include <random>

#include "image/codec.h"
#include "tests/support/fake_platform.h"
#include "editor/field_edit.h"
#include "editor/frmMain.h"
#include "tests/support/recording_view.h"

namespace tarvik::testing {

// A main window on fakes: scripted dialogs, an in-memory file system and a
// graph that records what it is handed.
class EditorTest : public ::testing::Test {
protected:
    FakePlatform platform;
    RecordingView graph;
    std::unique_ptr<frmMain> window = std::make_unique<frmMain>(platform.Get(), graph);

    [[nodiscard]] static QByteArray RandomImage(unsigned seed) {
        std::mt19937 random(seed);
        QByteArray bytes(static_cast<qsizetype>(kImageSize), '\0');
        for (char& b : bytes) b = static_cast<char>(random() & 0xFF);
        return bytes;
    }

    [[nodiscard]] static QByteArray AsBytes(const ImageBytes& image) {
        return {reinterpret_cast<const char*>(image.data()), static_cast<qsizetype>(image.size())};
    }

    // Opens `bytes` as the file `path` through the menu command.
    void Open(const QString& path, const QByteArray& bytes) {
        platform.fileSystem.files[path] = bytes;
        platform.fileDialog.answers.push_back(path);
        window->smnuOpen_Click();
    }

    [[nodiscard]] QString Text(Family family, int index) const { return window->field(family, index).text(); }
    void SetText(Family family, int index, const QString& text) { window->field(family, index).setText(text); }

    // The texts of all 310 fields, in one string, to compare states.
    [[nodiscard]] QString AllTexts() const {
        QString all;
        for (const TableLayout& table : kStoreOrder) {
            for (int i = 0; i < table.count; ++i) all += Text(table.family, i) + QLatin1Char('|');
        }
        return all;
    }

    // Every promise that must hold between commands.
    void ExpectAtRest() const {
        EXPECT_FALSE(window->suppressPlot());
        EXPECT_FALSE(platform.busyCursor.busy);
    }
};

}  // namespace tarvik::testing
