// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QByteArray>
#include <QString>
#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <memory>
#include <random>

#include "editor/field_edit.h"
#include "editor/frmMain.h"
#include "image/fields.h"
#include "image/image_bytes.h"
#include "image/layout.h"
#include "tests/support/fake_platform.h"
#include "tests/support/printers.h"
#include "tests/support/qt_printers.h"
#include "tests/support/recording_view.h"

namespace tarvik::testing {

// The main window as every editor test drives it: built on a FakePlatform
// and a 3-D view that records what it is handed (or the real graph, as
// BasicEditorHarness<SurfaceGraph>). The window keeps the interfaces it is
// given, so a fake to be swapped for another implementation is swapped in
// `arrange`, which runs before the window is built.
template <typename View>
class BasicEditorHarness {
public:
    using Arrange = std::function<void(FakePlatform&)>;

    explicit BasicEditorHarness(const Arrange& arrange = {}) {
        if (arrange) arrange(platform);
        window = std::make_unique<frmMain>(platform.Get(), graph);
    }

    FakePlatform platform;
    View graph;
    // Declared last: it borrows the platform and the view, and gives the
    // view's widget back when it goes.
    std::unique_ptr<frmMain> window;

    // 4096 bytes of noise, the same for the same seed.
    [[nodiscard]] static QByteArray RandomImage(unsigned seed) {
        std::mt19937 random(seed);
        QByteArray bytes(static_cast<qsizetype>(kImageSize), '\0');
        for (char& b : bytes) b = static_cast<char>(random() & 0xFF);
        return bytes;
    }

    [[nodiscard]] static QByteArray AsBytes(const ImageBytes& image) {
        return {reinterpret_cast<const char*>(image.data()), static_cast<qsizetype>(image.size())};
    }
    [[nodiscard]] static ImageBytes AsImage(const QByteArray& bytes) {
        ImageBytes image{};
        std::copy_n(bytes.cbegin(), std::min(bytes.size(), static_cast<qsizetype>(image.size())), image.begin());
        return image;
    }

    // Open and Save As through the menu, the dialog answering `path` ("" =
    // cancelled).
    void Open(const QString& path) {
        platform.fileDialog.answers.push_back(path);
        window->smnuOpen_Click();
    }
    void SaveAs(const QString& path) {
        platform.fileDialog.answers.push_back(path);
        window->smnuSaveAs_Click();
    }
    // Opens `bytes` as the file `path`, held by the fake file system (or one
    // reading through it).
    void Open(const QString& path, const QByteArray& bytes) {
        platform.fileSystem.files[path] = bytes;
        Open(path);
    }

    [[nodiscard]] QString Text(Family family, int index) const { return window->field(family, index).text(); }
    void SetText(Family family, int index, const QString& text) { window->field(family, index).setText(text); }

    // The 310 texts, as a store reads them.
    [[nodiscard]] FieldTexts Texts() const {
        FieldTexts texts;
        for (const TableLayout& table : kStoreOrder) {
            for (int i = 0; i < table.count; ++i) texts.At(table.family, i) = Text(table.family, i).toStdString();
        }
        return texts;
    }

    // Every field shows exactly `shown`.
    void ExpectShown(const FieldTexts& shown) const {
        for (const TableLayout& table : kStoreOrder) {
            for (int i = 0; i < table.count; ++i) {
                ASSERT_EQ(Text(table.family, i).toStdString(), shown.At(table.family, i))
                    << FamilyName(table.family) << " cell " << i;
            }
        }
    }

    // The texts of all 310 fields, in one string, to compare states.
    [[nodiscard]] QString AllTexts() const {
        QString all;
        for (const TableLayout& table : kStoreOrder) {
            for (int i = 0; i < table.count; ++i) all += Text(table.family, i) + QLatin1Char('|');
        }
        return all;
    }

    // Every promise that must hold between commands: plotting is back on
    // and the pointer is no longer busy.
    void ExpectAtRest() const {
        EXPECT_FALSE(window->suppressPlot());
        EXPECT_FALSE(platform.busyCursor.busy);
    }
};

using EditorHarness = BasicEditorHarness<RecordingView>;

// The harness as a GoogleTest fixture.
class EditorTest : public ::testing::Test, public EditorHarness {
protected:
    using EditorHarness::EditorHarness;
};

}  // namespace tarvik::testing
