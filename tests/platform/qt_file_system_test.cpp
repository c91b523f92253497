// SPDX-License-Identifier: GPL-3.0-or-later
// The real file system behind the editor's Open and Save As, on real files
// in a temporary folder.
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <fstream>
#include <gtest/gtest.h>
#include <random>
#include <sys/stat.h>
#include <unistd.h>

#include "platform/file_names.h"
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

// A name is bytes: each, UTF-8 or not, names the file it came as, and is
// shown with what a terminal would act on escaped.
TEST_F(QtFileSystemTest, NamesInAnyBytesNameTheFilesOfThoseBytes) {
    ASSERT_TRUE(dir.isValid());
    const struct {
        QByteArray bytes;
        std::string shown;
    } cases[] = {
        {"plain.bin", "plain.bin"},
        {"Tuning \xc3\xa4 \xe2\x82\xac \xf0\x9f\x9a\x97.bin", "Tuning \xc3\xa4 \xe2\x82\xac \xf0\x9f\x9a\x97.bin"},
        {"latin1-\xe9t\xe9.bin", "latin1-\\xe9t\\xe9.bin"},
        {"cut-\xe2\x82.bin", "cut-\\xe2\\x82.bin"},
        {"overlong-\xc0\xaf.bin", "overlong-\\xc0\\xaf.bin"},
        {"surrogate-\xed\xa0\x80.bin", "surrogate-\\xed\\xa0\\x80.bin"},
        {"beyond-\xf4\x90\x80\x80.bin", "beyond-\\xf4\\x90\\x80\\x80.bin"},
        {"title-\x1b]0;x\x07\n.bin", "title-\\x1b]0;x\\x07\\x0a.bin"},
        {"csi-\xc2\x9b"
         "2J.bin",
         "csi-\\xc2\\x9b2J.bin"},
    };
    const QByteArray folder = QFile::encodeName(dir.path()) + '/';
    for (const auto& c : cases) {
        SCOPED_TRACE(c.shown);
        const QString name = FileNameFromBytes(c.bytes);
        EXPECT_EQ(ShownFileName(name), c.shown);
        const QString path = dir.path() + u'/' + name;
        ASSERT_EQ(FileNameBytes(path), folder + c.bytes);
        ASSERT_EQ(fs.WriteNewFile(path, c.bytes).error, QString());
        EXPECT_EQ(fs.WriteFile(path, c.bytes + c.bytes), QString());
        struct stat status {};
        EXPECT_EQ(::stat((folder + c.bytes).constData(), &status), 0);
        EXPECT_EQ(fs.FileLength(path).length, 2 * c.bytes.size());
        EXPECT_EQ(fs.ReadFile(path, 1000).data, c.bytes + c.bytes);
        EXPECT_EQ(::unlink((folder + c.bytes).constData()), 0);
    }
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot), QStringList());
    std::mt19937 rng(26);
    for (int i = 0; i < 2000; ++i) {
        QByteArray bytes(static_cast<qsizetype>(rng() % 8), '\0');
        for (char& byte : bytes) byte = static_cast<char>(rng());
        EXPECT_EQ(FileNameBytes(FileNameFromBytes(bytes)), bytes) << bytes.toHex().toStdString();
    }
}

// The editor on the real file system, with only the dialogs scripted.
class RealFilesEditorTest : public QtFileSystemTest, public EditorHarness {
protected:
    RealFilesEditorTest() : EditorHarness([](FakePlatform& fakes) { fakes.Replace<QtFileSystem>(); }) {}
};

TEST_F(RealFilesEditorTest, OpenThenSaveOverALongerFileWritesTheSame4096Bytes) {
    const QByteArray image = RandomImage(37);
    // Named in bytes that are not UTF-8, as a name on the command line may be.
    const QByteArray raw = QFile::encodeName(dir.path()) + "/in-\xe9";
    std::ofstream(raw.toStdString(), std::ios::binary).write(image.constData(), image.size());
    const QString in = FileNameFromBytes(raw);
    const QString out = Make(QStringLiteral("out.bin"), QByteArray(10000, '\x42'));
    Open(in);
    SaveAs(out);
    EXPECT_TRUE(platform.messageBox.shown.empty());
    EXPECT_EQ(Contents(out), image);
    EXPECT_EQ(::unlink(raw.constData()), 0);
}

TEST_F(RealFilesEditorTest, AFolderOrAFileRemovedAfterTheDialogIsReportedByName) {
    const QString gone = dir.filePath(QStringLiteral("gone.bin"));
    const QString goneStrange = dir.path() + u'/' + FileNameFromBytes("gone-\x1b\xe9.bin");
    for (const auto& [path, shown] : {std::pair{gone, gone}, std::pair{dir.path(), dir.path()},
                                      std::pair{goneStrange, dir.path() + QStringLiteral("/gone-\\x1b\\xe9.bin")}}) {
        platform.messageBox.shown.clear();
        Open(path);
        ASSERT_EQ(platform.messageBox.shown.size(), 1u);
        const QString& message = platform.messageBox.shown[0].text;
        EXPECT_TRUE(message.contains(shown)) << message.toStdString();
        EXPECT_FALSE(window->saveAsAction().isEnabled());
        EXPECT_TRUE(SameImage(window->imageBytes(), ImageBytes{}));
        ExpectAtRest();
    }
}

}  // namespace
}  // namespace tarvik::testing
