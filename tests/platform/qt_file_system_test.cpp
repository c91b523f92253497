// SPDX-License-Identifier: GPL-3.0-or-later
// The real file system behind the editor's Open and Save As, on real files
// in a temporary folder.
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <sys/stat.h>

#include "platform/qt_platform.h"
#include "tests/support/editor_harness.h"
#include "tests/support/real_files.h"

namespace tarvik::testing {
namespace {

class QtFileSystemTest : public ::testing::Test {
protected:
    QTemporaryDir dir;
    QtFileSystem fs;

    QString Make(const QString& name, const QByteArray& bytes) {
        const QString path = dir.filePath(name);
        EXPECT_TRUE(Put(path, bytes));
        return path;
    }
};

TEST_F(QtFileSystemTest, LengthOfFilesAndOfThingsThatAreNotFiles) {
    ASSERT_TRUE(dir.isValid());
    const QString fifo = dir.filePath(QStringLiteral("pipe"));
    ASSERT_EQ(mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
    const struct {
        QString path;
        qint64 length;
        bool error;
    } cases[] = {
        {Make(QStringLiteral("empty.bin"), {}), 0, false},
        {Make(QStringLiteral("image.bin"), QByteArray(4096, 'x')), 4096, false},
        {Make(QStringLiteral("long.bin"), QByteArray(4097, 'x')), 4097, false},
        {dir.filePath(QStringLiteral("missing.bin")), 0, true},
        {dir.path(), 0, true},
        {fifo, 0, false},  // a pipe is refused by its length, never opened
        {QStringLiteral("/dev/zero"), 0, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.path.toStdString());
        const LengthResult result = fs.FileLength(c.path);
        EXPECT_EQ(!result.error.isEmpty(), c.error);
        if (!c.error) {
            EXPECT_EQ(result.length, c.length);
        }
    }
}

TEST_F(QtFileSystemTest, ReadingGivesTheBytesOrTheReason) {
    const QByteArray image = QByteArray(4096, '\x5A') + QByteArray(10, '\x01');
    const QString path = Make(QStringLiteral("image.bin"), image);
    const ReadResult capped = fs.ReadFile(path, 4097);
    EXPECT_TRUE(capped.error.isEmpty());
    EXPECT_EQ(capped.data, image.left(4097));

    const QString fifo = dir.filePath(QStringLiteral("pipe"));
    ASSERT_EQ(mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
    for (const QString& bad : {dir.filePath(QStringLiteral("missing.bin")), dir.path(), fifo}) {
        const ReadResult result = fs.ReadFile(bad, 4097);
        EXPECT_FALSE(result.error.isEmpty()) << bad.toStdString();
        EXPECT_TRUE(result.data.isEmpty());
    }
}

TEST_F(QtFileSystemTest, WritingReplacesTheWholeFile) {
    const QString path = Make(QStringLiteral("old.bin"), QByteArray(10000, '\x77'));
    const QByteArray image(4096, '\x11');
    EXPECT_EQ(fs.WriteFile(path, image), QString());
    EXPECT_EQ(Contents(path), image);
    const QString fresh = dir.filePath(QStringLiteral("new file without dot"));
    EXPECT_EQ(fs.WriteFile(fresh, image), QString());
    EXPECT_EQ(Contents(fresh), image);
}

TEST_F(QtFileSystemTest, AFailedWriteLeavesEverythingAsItWas) {
    const QByteArray image(4096, '\x11');
    const QString missingFolder = dir.filePath(QStringLiteral("no/such/folder/out.bin"));
    EXPECT_FALSE(fs.WriteFile(missingFolder, image).isEmpty());
    EXPECT_FALSE(QFileInfo::exists(missingFolder));

    EXPECT_FALSE(fs.WriteFile(dir.path(), image).isEmpty());
    EXPECT_TRUE(QFileInfo(dir.path()).isDir());

    // Saving "over" a device must not rename a file over it.
    EXPECT_FALSE(fs.WriteFile(QStringLiteral("/dev/full"), image).isEmpty());
    struct stat info {};
    ASSERT_EQ(stat("/dev/full", &info), 0);
    EXPECT_TRUE(S_ISCHR(info.st_mode));
    EXPECT_EQ(dir.path(), QFileInfo(dir.path()).absoluteFilePath());
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden).size(), 0) << "no temporary left behind";
}

// The editor on the real file system, with only the dialogs scripted.
class RealFilesEditorTest : public QtFileSystemTest, public EditorHarness {
protected:
    RealFilesEditorTest() : EditorHarness([](FakePlatform& fakes) { fakes.Replace<QtFileSystem>(); }) {}
};

TEST_F(RealFilesEditorTest, OpenThenSaveOverALongerFileWritesTheSame4096Bytes) {
    const QByteArray image = RandomImage(37);
    const QString in = Make(QStringLiteral("in"), image);
    const QString out = Make(QStringLiteral("out.bin"), QByteArray(10000, '\x42'));
    Open(in);
    SaveAs(out);
    EXPECT_TRUE(platform.messageBox.shown.empty());
    EXPECT_EQ(Contents(out), image);
}

TEST_F(RealFilesEditorTest, AFolderOrAFileRemovedAfterTheDialogIsReportedByName) {
    const QString gone = dir.filePath(QStringLiteral("gone.bin"));
    for (const QString& path : {gone, dir.path()}) {
        platform.messageBox.shown.clear();
        Open(path);
        ASSERT_EQ(platform.messageBox.shown.size(), 1u);
        const QString& message = platform.messageBox.shown[0].text;
        EXPECT_TRUE(message.contains(path)) << message.toStdString();
        EXPECT_FALSE(window->saveAsAction().isEnabled());
        EXPECT_TRUE(SameImage(window->imageBytes(), ImageBytes{}));
        ExpectAtRest();
    }
}

}  // namespace
}  // namespace tarvik::testing
