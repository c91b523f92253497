// SPDX-License-Identifier: GPL-3.0-or-later
// File-system faults behind Open and Save As: writes cut short by a file
// size limit or a full disk, reads that fail part-way. What the tuner is
// told, and what is left on disk and in the editor afterwards.
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <algorithm>
#include <cerrno>
#include <csignal>
#include <cstring>
#include <sys/mount.h>
#include <sys/resource.h>

#include "platform/qt_platform.h"
#include "tests/support/editor_harness.h"
#include "tests/support/real_files.h"

namespace tarvik::testing {
namespace {

// While alive, no file of this process can grow beyond `bytes`: a write
// across the limit stops short there and the next write fails with EFBIG,
// just as a disk that fills up part-way through a save.
class FileSizeLimit {
public:
    explicit FileSizeLimit(rlim_t bytes) {
        previousHandler_ = std::signal(SIGXFSZ, SIG_IGN);  // the error, not the signal that kills
        getrlimit(RLIMIT_FSIZE, &previous_);
        rlimit lowered = previous_;
        lowered.rlim_cur = bytes;
        active_ = setrlimit(RLIMIT_FSIZE, &lowered) == 0;
    }
    ~FileSizeLimit() {
        setrlimit(RLIMIT_FSIZE, &previous_);
        std::signal(SIGXFSZ, previousHandler_);
    }
    FileSizeLimit(const FileSizeLimit&) = delete;
    FileSizeLimit& operator=(const FileSizeLimit&) = delete;

    [[nodiscard]] bool active() const { return active_; }

private:
    rlimit previous_{};
    void (*previousHandler_)(int) = SIG_DFL;
    bool active_ = false;
};

// A tiny tmpfs: a disk that really fills up. Mounting it needs root; the
// test that uses it is skipped elsewhere.
class SmallDisk {
public:
    SmallDisk() {
        mounted_ = dir_.isValid() && ::mount("tarvik-test", QFile::encodeName(dir_.path()).constData(), "tmpfs",
                                             MS_NOSUID | MS_NODEV | MS_NOEXEC, "size=16k") == 0;
    }
    ~SmallDisk() {
        if (mounted_) ::umount2(QFile::encodeName(dir_.path()).constData(), MNT_DETACH);
    }
    SmallDisk(const SmallDisk&) = delete;
    SmallDisk& operator=(const SmallDisk&) = delete;

    [[nodiscard]] bool mounted() const { return mounted_; }
    [[nodiscard]] QString filePath(const QString& name) const { return dir_.filePath(name); }
    [[nodiscard]] QString path() const { return dir_.path(); }

private:
    QTemporaryDir dir_;
    bool mounted_ = false;
};

[[nodiscard]] QString SystemReason(int error) { return QString::fromLocal8Bit(std::strerror(error)); }

[[nodiscard]] QStringList FilesIn(const QString& folder) {
    return QDir(folder).entryList(QDir::Files | QDir::Hidden | QDir::System, QDir::Name);
}

[[nodiscard]] QByteArray SampleImage() { return EditorHarness::RandomImage(151); }

// ---------------------------------------------------------------------------
// The real file system, on its own

struct CutShortCase {
    const char* name;
    rlim_t limit;        // bytes a file may hold
    qsizetype existing;  // length of the file saved over; -1: a new file
};

class WriteCutShortTest : public ::testing::TestWithParam<CutShortCase> {
protected:
    QTemporaryDir dir;
    QtFileSystem fs;
};

TEST_P(WriteCutShortTest, FailsWithTheSystemsReasonAndLeavesTheOldFileWhole) {
    const CutShortCase& c = GetParam();
    ASSERT_TRUE(dir.isValid());
    const QString target = dir.filePath(QStringLiteral("tune.bin"));
    const QByteArray old(c.existing < 0 ? 0 : c.existing, '\x6F');
    if (c.existing >= 0) {
        ASSERT_TRUE(Put(target, old));
    }
    const QStringList before = FilesIn(dir.path());

    QString reason;
    {
        const FileSizeLimit limit(c.limit);
        ASSERT_TRUE(limit.active());
        reason = fs.WriteFile(target, SampleImage());
    }
    EXPECT_TRUE(reason.contains(SystemReason(EFBIG))) << "reason: \"" << reason.toStdString() << '"';
    EXPECT_EQ(QFile::exists(target), c.existing >= 0);
    if (c.existing >= 0) {
        EXPECT_TRUE(Contents(target) == old) << "the file saved over must stay byte for byte as it was; it holds "
                                             << Contents(target).size() << " bytes";
    }
    EXPECT_EQ(FilesIn(dir.path()), before) << "no partial copy left behind";

    // Room again: the same save goes through.
    EXPECT_EQ(fs.WriteFile(target, SampleImage()), QString());
    EXPECT_TRUE(Contents(target) == SampleImage());
}

INSTANTIATE_TEST_SUITE_P(Limits, WriteCutShortTest,
                         ::testing::Values(CutShortCase{"NothingFitsOverALongerFile", 0, 10000},
                                           CutShortCase{"OneByteFitsOverALongerFile", 1, 10000},
                                           CutShortCase{"AllButTheLastByteFit", 4095, 10000},
                                           CutShortCase{"HalfFitsOverAnImage", 2048, 4096},
                                           CutShortCase{"PartFitsOverAShortFile", 1000, 100},
                                           CutShortCase{"PartFitsInANewFile", 1000, -1}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(FullDiskTest, ASaveOntoAFullDiskFailsAndLeavesTheOldFileWhole) {
    SmallDisk disk;
    if (!disk.mounted()) GTEST_SKIP() << "mounting a small file system needs root";
    const QString target = disk.filePath(QStringLiteral("tune.bin"));
    const QByteArray old(4096, '\x6F');
    ASSERT_TRUE(Put(target, old));
    // Fill every block that is left.
    {
        QFile filler(disk.filePath(QStringLiteral("filler")));
        ASSERT_TRUE(filler.open(QIODevice::WriteOnly | QIODevice::Unbuffered));
        const QByteArray block(4096, '\0');
        while (filler.write(block) == block.size()) {}
    }

    QtFileSystem fs;
    const QString reason = fs.WriteFile(target, SampleImage());
    EXPECT_TRUE(reason.contains(SystemReason(ENOSPC))) << "reason: \"" << reason.toStdString() << '"';
    EXPECT_TRUE(Contents(target) == old) << "it holds " << Contents(target).size() << " bytes";
    EXPECT_EQ(FilesIn(disk.path()), (QStringList{QStringLiteral("filler"), QStringLiteral("tune.bin")}));

    ASSERT_TRUE(QFile::remove(disk.filePath(QStringLiteral("filler"))));
    EXPECT_EQ(fs.WriteFile(target, SampleImage()), QString());
    EXPECT_TRUE(Contents(target) == SampleImage());
}

TEST(ReadFaultTest, AReadErrorIsReportedWithNoBytes) {
    // The kernel reports the process's own memory as a regular file whose
    // first page cannot be read.
    QtFileSystem fs;
    const ReadResult result = fs.ReadFile(QStringLiteral("/proc/self/mem"), 4097);
    EXPECT_FALSE(result.error.isEmpty());
    EXPECT_TRUE(result.data.isEmpty());
}

// ---------------------------------------------------------------------------
// The editor over those faults

// The editor on the real file system, with the dialogs scripted.
class SaveFaultTest : public EditorTest {
protected:
    SaveFaultTest() : EditorTest([](FakePlatform& fakes) { fakes.Replace<QtFileSystem>(); }) {}
    QTemporaryDir dir;
};

TEST_F(SaveFaultTest, ASaveCutShortNamesTheFileAndTheReasonAndTheNextSaveWorks) {
    const QString in = dir.filePath(QStringLiteral("in.bin"));
    const QString out = dir.filePath(QStringLiteral("out.bin"));
    const QByteArray image = SampleImage();
    const QByteArray old(10000, '\x42');
    ASSERT_TRUE(Put(in, image));
    ASSERT_TRUE(Put(out, old));
    Open(in);
    const std::vector<ShownMessage>& messages = platform.messageBox.shown;
    ASSERT_TRUE(messages.empty());
    SetText(Family::RL, 0, QStringLiteral("201"));

    for (const rlim_t limit : {rlim_t{0}, rlim_t{1000}, rlim_t{4095}}) {
        SCOPED_TRACE(limit);
        platform.messageBox.shown.clear();
        {
            const FileSizeLimit cut(limit);
            ASSERT_TRUE(cut.active());
            SaveAs(out);
        }
        ASSERT_EQ(messages.size(), 1u);
        EXPECT_TRUE(messages[0].text.contains(out)) << messages[0].text.toStdString();
        EXPECT_TRUE(messages[0].text.contains(SystemReason(EFBIG))) << messages[0].text.toStdString();
        EXPECT_EQ(messages[0].title, QStringLiteral("Error"));
        EXPECT_TRUE(Contents(out) == old) << "it holds " << Contents(out).size() << " bytes";
        EXPECT_EQ(FilesIn(dir.path()), (QStringList{QStringLiteral("in.bin"), QStringLiteral("out.bin")}));
        EXPECT_EQ(window->imageBytes()[1438], 201) << "the image keeps what the store encoded";
        ExpectAtRest();
    }

    platform.messageBox.shown.clear();
    SaveAs(out);
    EXPECT_TRUE(messages.empty());
    QByteArray expected = image;
    expected[1438] = static_cast<char>(201);
    EXPECT_EQ(Contents(out), expected);
}

// The editor over a file system whose reads can fail part-way.
class ReadFaultEditorTest : public ::testing::TestWithParam<qsizetype>, public EditorHarness {
protected:
    ReadFaultEditorTest()
        : EditorHarness([](FakePlatform& fakes) { fakes.Replace<FailingReadFileSystem>(fakes.fileSystem); }) {}
    FailingReadFileSystem& failing = platform.InUse<FailingReadFileSystem>();
};

TEST_P(ReadFaultEditorTest, AReadFailingPartWayChangesNothingAndSaysWhy) {
    const QString good = QStringLiteral("/cal/good.bin");
    const QString bad = QStringLiteral("/cal/bad sector.bin");
    QByteArray other = SampleImage();
    std::reverse(other.begin(), other.end());
    platform.fileSystem.files[bad] = other;
    failing.failAfter[bad] = GetParam();

    Open(good, SampleImage());
    const std::vector<ShownMessage>& messages = platform.messageBox.shown;
    ASSERT_TRUE(messages.empty());
    SetText(Family::Data, 5, QStringLiteral("777"));  // an edit not yet saved
    const ImageBytes image = window->imageBytes();
    const QString texts = AllTexts();
    graph.surfaces.clear();

    Open(bad);
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_TRUE(messages[0].text.contains(bad)) << messages[0].text.toStdString();
    EXPECT_TRUE(messages[0].text.contains(QStringLiteral("Input/output error")));
    EXPECT_EQ(messages[0].title, QStringLiteral("Error"));
    EXPECT_TRUE(SameImage(window->imageBytes(), image));
    EXPECT_EQ(AllTexts(), texts);
    EXPECT_TRUE(graph.surfaces.empty());
    EXPECT_TRUE(window->saveAsAction().isEnabled());
    ExpectAtRest();

    // The next command works: the unsaved edit is still there to save.
    SaveAs(QStringLiteral("/cal/out.bin"));
    ASSERT_EQ(messages.size(), 1u);
    const QByteArray saved = platform.fileSystem.files.value(QStringLiteral("/cal/out.bin"));
    ASSERT_EQ(saved.size(), 4096);
    EXPECT_EQ(static_cast<unsigned char>(saved[768 + 5]), 777 % 256);
}

INSTANTIATE_TEST_SUITE_P(BytesReadBeforeTheError, ReadFaultEditorTest, ::testing::Values(0, 1, 2048, 4095),
                         [](const auto& info) { return "After" + std::to_string(info.param); });

}  // namespace
}  // namespace tarvik::testing
