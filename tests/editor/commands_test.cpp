// SPDX-License-Identifier: GPL-3.0-or-later
// The menu commands of the main window, driven through fake dialogs and an
// in-memory file system.
#include <QAction>
#include <optional>

#include "image/codec.h"
#include "tests/support/editor_harness.h"

namespace tarvik::testing {
namespace {

using OpenTest = EditorTest;

TEST_F(OpenTest, AnyExistingFileOfExactly4096BytesIsLoadedAndDrawnOnce) {
    for (unsigned seed : {1u, 2u, 3u}) {
        graph.surfaces.clear();
        const QByteArray bytes = RandomImage(seed);
        Open(QStringLiteral("/cal/%1.bin").arg(seed), bytes);

        EXPECT_EQ(AsBytes(window->imageBytes()), bytes);
        FieldTexts expected;
        LoadFieldsFromImage(AsImage(bytes), expected);
        ExpectShown(expected);
        EXPECT_EQ(graph.surfaces.size(), 1u) << "the 256 decoded cells must not each redraw";
        EXPECT_TRUE(graph.cursors.empty()) << "opening does not move the marker";
        EXPECT_TRUE(window->saveAsAction().isEnabled());
        EXPECT_TRUE(platform.messageBox.shown.empty());
        ExpectAtRest();
    }
    EXPECT_EQ(platform.busyCursor.timesBusy, 3);
    ASSERT_EQ(platform.fileDialog.opens.size(), 3u);
    const FileDialogOptions& options = platform.fileDialog.opens.front();
    EXPECT_EQ(options.title, QStringLiteral("Open file"));
    EXPECT_EQ(options.filterName, QStringLiteral("LH 2.2-binary")) << "the filter that shows every file";
    EXPECT_TRUE(options.fileMustExist);
    EXPECT_TRUE(options.noChangeDir);
    EXPECT_TRUE(options.hideReadOnly);
}

TEST_F(OpenTest, FilesOfAnyOtherLengthAreRefusedWithTheSizeMessage) {
    for (qsizetype length : {0, 1, 4095, 4097, 8192, 10000}) {
        platform.messageBox.shown.clear();
        const QString before = AllTexts();
        Open(QStringLiteral("/cal/wrong.bin"), QByteArray(length, '\x55'));

        ASSERT_EQ(platform.messageBox.shown.size(), 1u) << length;
        EXPECT_EQ(platform.messageBox.shown[0].text, QStringLiteral("The LH 2.2-binary has to be 4096 bytes long"));
        EXPECT_EQ(platform.messageBox.shown[0].title, QStringLiteral("Error"));
        EXPECT_EQ(platform.messageBox.shown[0].icon, MessageIcon::Warning);
        EXPECT_TRUE(SameImage(window->imageBytes(), ImageBytes{}));
        EXPECT_EQ(AllTexts(), before);
        EXPECT_FALSE(window->saveAsAction().isEnabled());
        EXPECT_TRUE(graph.surfaces.empty());
        EXPECT_EQ(platform.busyCursor.timesBusy, 0);
        ExpectAtRest();
    }
}

TEST_F(OpenTest, AnImageStaysWhenALaterOpenIsRefusedCancelledOrFails) {
    const QByteArray first = RandomImage(7);
    Open(QStringLiteral("/cal/good.bin"), first);
    const QString texts = AllTexts();
    const QString other = QStringLiteral("/cal/other.bin");
    const struct {
        const char* what;
        QString answer;
        std::optional<QByteArray> file;  // none: removed after the dialog
        QString readError;
        QByteArray readInstead;  // a file changed after its length was taken
    } cases[] = {
        {"cancelled", QString(), RandomImage(8), {}, {}},
        {"too short", other, QByteArray(4095, '\1'), {}, {}},
        {"removed after the dialog", other, std::nullopt, {}, {}},
        {"unreadable", other, RandomImage(8), QStringLiteral("Permission denied"), {}},
        {"shrunk after the length check", other, RandomImage(8), {}, RandomImage(9).left(4000)},
        {"grew after the length check", other, RandomImage(8), {}, RandomImage(9) + QByteArray(10, '\0')},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        FakeFileSystem& fs = platform.fileSystem;
        fs.files.remove(other);
        if (c.file) fs.files[other] = *c.file;
        fs.readErrors.clear();
        if (!c.readError.isEmpty()) fs.readErrors[other] = c.readError;
        fs.readOverrides.clear();
        if (!c.readInstead.isEmpty()) fs.readOverrides[other] = c.readInstead;
        platform.messageBox.shown.clear();
        graph.surfaces.clear();

        Open(c.answer);
        const std::vector<ShownMessage>& shown = platform.messageBox.shown;
        ASSERT_EQ(shown.size(), c.answer.isEmpty() ? 0u : 1u);
        for (const ShownMessage& m : shown) EXPECT_EQ(m.title, QStringLiteral("Error"));
        if (!c.readError.isEmpty()) {
            EXPECT_TRUE(shown[0].text.contains(other)) << "the file is named";
            EXPECT_TRUE(shown[0].text.contains(c.readError)) << "with the reason";
        }
        EXPECT_EQ(AsBytes(window->imageBytes()), first);
        EXPECT_EQ(AllTexts(), texts);
        EXPECT_TRUE(window->saveAsAction().isEnabled());
        EXPECT_TRUE(graph.surfaces.empty());
        ExpectAtRest();
    }
}

TEST_F(OpenTest, PlottingIsSuppressedWhileTheFileIsReadAndTheCursorIsBusy) {
    bool suppressedDuringRead = false;
    bool busyDuringRead = false;
    platform.fileSystem.onRead = [&] {
        suppressedDuringRead = window->suppressPlot();
        busyDuringRead = platform.busyCursor.busy;
    };
    bool suppressedDuringMessage = false;
    bool busyDuringMessage = true;
    platform.messageBox.onShow = [&] {
        suppressedDuringMessage = window->suppressPlot();
        busyDuringMessage = platform.busyCursor.busy;
    };
    Open(QStringLiteral("/cal/a.bin"), RandomImage(4));
    EXPECT_TRUE(suppressedDuringRead);
    EXPECT_TRUE(busyDuringRead);
    Open(QStringLiteral("/cal/b.bin"), QByteArray(12, '\0'));
    EXPECT_TRUE(suppressedDuringMessage);
    EXPECT_FALSE(busyDuringMessage) << "a message is shown with the normal pointer";
    ExpectAtRest();
}

TEST_F(OpenTest, ASecondOpenReplacesUnsavedEditsWithoutAQuestion) {
    Open(QStringLiteral("/cal/a.bin"), RandomImage(5));
    SetText(Family::Data, 3, QStringLiteral("999"));
    SetText(Family::RL, 0, QStringLiteral("12"));
    const QByteArray second = RandomImage(6);
    Open(QStringLiteral("/cal/b.bin"), second);
    EXPECT_TRUE(platform.messageBox.shown.empty());
    EXPECT_EQ(AsBytes(window->imageBytes()), second);
    EXPECT_EQ(Text(Family::RL, 0).toInt(), static_cast<unsigned char>(second[1438]));
}

using SaveAsTest = EditorTest;

TEST_F(SaveAsTest, IsOfferedOnlyAfterTheFirstSuccessfulOpen) {
    EXPECT_FALSE(window->saveAsAction().isEnabled());
    window->smnuSaveAs_Click();  // what a stray Ctrl+S would reach
    EXPECT_TRUE(platform.fileDialog.saves.empty());
    EXPECT_TRUE(platform.fileSystem.writes.empty());

    Open(QStringLiteral("/cal/short.bin"), QByteArray(100, '\0'));
    EXPECT_FALSE(window->saveAsAction().isEnabled());
    Open(QString());
    EXPECT_FALSE(window->saveAsAction().isEnabled());
    Open(QStringLiteral("/cal/good.bin"), RandomImage(1));
    EXPECT_TRUE(window->saveAsAction().isEnabled());
}

TEST_F(SaveAsTest, OpenThenSaveWithoutEditsWritesAnIdenticalFile) {
    for (unsigned seed : {11u, 12u, 13u, 14u}) {
        const QByteArray bytes = RandomImage(seed);
        Open(QStringLiteral("/cal/in.bin"), bytes);
        SaveAs(QStringLiteral("/cal/out.bin"));
        EXPECT_EQ(platform.fileSystem.files.value(QStringLiteral("/cal/out.bin")), bytes) << seed;
        ExpectAtRest();
    }
    ASSERT_FALSE(platform.fileDialog.saves.empty());
    const FileDialogOptions& options = platform.fileDialog.saves.front();
    EXPECT_EQ(options.title, QStringLiteral("Save file"));
    EXPECT_EQ(options.filterName, QStringLiteral("LH 2.2-binary"));
    EXPECT_TRUE(options.overwritePrompt);
    EXPECT_TRUE(options.pathMustExist);
    EXPECT_TRUE(options.noChangeDir);
    EXPECT_TRUE(options.hideReadOnly);
}

TEST_F(SaveAsTest, EditsAreEncodedAndEveryOtherByteIsPassedThrough) {
    const QByteArray bytes = RandomImage(21);
    Open(QStringLiteral("/cal/in.bin"), bytes);
    SetText(Family::Data, 0, QStringLiteral("1023"));
    SetText(Family::RL, 0, QStringLiteral("200"));
    SetText(Family::CC, 0, QStringLiteral("0.5"));
    SaveAs(QStringLiteral("/cal/out.bin"));
    const QByteArray saved = platform.fileSystem.files.value(QStringLiteral("/cal/out.bin"));
    ASSERT_EQ(saved.size(), 4096);
    for (int offset = 0; offset < 4096; ++offset) {
        if (offset == 768 || offset == 2304 || offset == 1438 || offset == 3235) continue;
        ASSERT_EQ(saved[offset], bytes[offset]) << offset;
    }
    EXPECT_EQ(static_cast<unsigned char>(saved[768]), 0xFF);
    EXPECT_EQ(static_cast<unsigned char>(saved[2304]) >> 6, 3);
    EXPECT_EQ(static_cast<unsigned char>(saved[2304]) & 0x3F, static_cast<unsigned char>(bytes[2304]) & 0x3F);
    EXPECT_EQ(static_cast<unsigned char>(saved[1438]), 200);
    EXPECT_EQ(static_cast<unsigned char>(saved[3235]), 64);
}

TEST_F(SaveAsTest, AnIllegalFieldShowsItsTableAndNeverOpensTheDialog) {
    const struct {
        Family family;
        int index;
        const char* text;
        const char* message;
    } cases[] = {
        {Family::RL, 0, "256", "Illegal value in the rev limit field(s)"},
        {Family::WE, 16, "300", "Illegal value in the warmup enrichment field(s)"},
        {Family::FLE, 0, "255.5", "Illegal value in the full load enrichment field(s)"},
        {Family::AE, 8, "1000", "Illegal value in the acceleration enrichment field(s)"},
        {Family::IS, 4, "-1", "Illegal value in the idle speed field(s)"},
        {Family::CC, 0, "2", "Illegal value in the control constant field(s)"},
        {Family::Data, 255, "1024", "Illegal value in the kennfelt field(s)"},
    };
    Open(QStringLiteral("/cal/in.bin"), RandomImage(31));
    for (const auto& c : cases) {
        SCOPED_TRACE(c.message);
        const QString old = Text(c.family, c.index);
        SetText(c.family, c.index, QString::fromLatin1(c.text));
        platform.messageBox.shown.clear();
        window->smnuSaveAs_Click();
        ASSERT_EQ(platform.messageBox.shown.size(), 1u);
        EXPECT_EQ(platform.messageBox.shown[0].text, QString::fromLatin1(c.message));
        EXPECT_EQ(platform.messageBox.shown[0].title, QStringLiteral("Input Error"));
        EXPECT_EQ(platform.messageBox.shown[0].icon, MessageIcon::Critical);
        EXPECT_TRUE(platform.fileDialog.saves.empty());
        EXPECT_TRUE(platform.fileSystem.writes.empty());
        EXPECT_EQ(Text(c.family, c.index), QString::fromLatin1(c.text)) << "the store never changes a field";
        SetText(c.family, c.index, old);
    }
}

TEST_F(SaveAsTest, ACancelledDialogKeepsTheEncodedFieldsInTheImage) {
    Open(QStringLiteral("/cal/in.bin"), RandomImage(41));
    SetText(Family::RL, 0, QStringLiteral("77"));
    SaveAs(QString());
    EXPECT_TRUE(platform.fileSystem.writes.empty());
    EXPECT_EQ(window->imageBytes()[1438], 77);
    EXPECT_TRUE(platform.messageBox.shown.empty());
    ExpectAtRest();
}

TEST_F(SaveAsTest, AFailedWriteIsReportedAndTheNextSaveWorks) {
    const QByteArray bytes = RandomImage(51);
    Open(QStringLiteral("/cal/in.bin"), bytes);
    const QString bad = QStringLiteral("/readonly/out.bin");
    platform.fileSystem.writeErrors[bad] = QStringLiteral("Read-only file system");
    SaveAs(bad);
    ASSERT_EQ(platform.messageBox.shown.size(), 1u);
    EXPECT_TRUE(platform.messageBox.shown[0].text.contains(bad));
    EXPECT_TRUE(platform.messageBox.shown[0].text.contains(QStringLiteral("Read-only file system")));
    EXPECT_FALSE(platform.fileSystem.files.contains(bad));
    ExpectAtRest();

    SaveAs(QStringLiteral("/cal/out.bin"));
    EXPECT_EQ(platform.fileSystem.files.value(QStringLiteral("/cal/out.bin")), bytes);
}

TEST_F(EditorTest, ExitEndsAtOnceWithoutAQuestionAboutUnsavedEdits) {
    window->show();
    Open(QStringLiteral("/cal/in.bin"), RandomImage(71));
    SetText(Family::Data, 0, QStringLiteral("1"));
    platform.messageBox.shown.clear();
    window->smnuExit_Click();
    EXPECT_FALSE(window->isVisible());
    EXPECT_TRUE(platform.messageBox.shown.empty());
    EXPECT_TRUE(platform.fileDialog.saves.empty());
}

using AboutTest = EditorTest;

TEST_F(AboutTest, ShowsAFreshAboutWindowModallyEachTimeAndTouchesNothing) {
    Open(QStringLiteral("/cal/in.bin"), RandomImage(61));
    const ImageBytes before = window->imageBytes();
    const QString texts = AllTexts();
    std::vector<const QDialog*> windows;
    platform.modalShow.onShow = [&](QDialog& dialog) { windows.push_back(&dialog); };
    window->mnuAbout_Click();
    window->mnuAbout_Click();
    EXPECT_EQ(platform.modalShow.shown, (QStringList{QStringLiteral("frmAbout"), QStringLiteral("frmAbout")}));
    EXPECT_TRUE(SameImage(window->imageBytes(), before));
    EXPECT_EQ(AllTexts(), texts);
}

}  // namespace
}  // namespace tarvik::testing
