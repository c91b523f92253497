// SPDX-License-Identifier: GPL-3.0-or-later
// Qt's own file dialog behind Open and Save As, driven as a user would:
// a name typed into the dialog and Return.
#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFileDialog>
#include <QFileSystemModel>
#include <QHeaderView>
#include <QLineEdit>
#include <QMessageBox>
#include <QSettings>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QTreeView>
#include <chrono>
#include <csignal>
#include <fcntl.h>
#include <functional>
#include <future>
#include <gtest/gtest.h>
#include <thread>
#include <unistd.h>

#include "platform/qt_platform.h"

namespace tarvik::testing {
namespace {

// Runs `step` once the modal window of type W is up, from inside the
// dialog's own event loop.
template <typename W>
void WhenModalIsUp(std::function<void(W&)> step) {
    // The application owns the polling timer; it goes once the step has run.
    auto* poll = new QTimer(qApp);
    poll->setInterval(10);
    QObject::connect(poll, &QTimer::timeout, poll, [poll, step] {
        auto* window = qobject_cast<W*>(QApplication::activeModalWidget());
        if (window == nullptr || !window->isVisible()) return;
        poll->stop();
        poll->deleteLater();
        step(*window);
    });
    poll->start();
}

void TypeName(QFileDialog& dialog, const QString& name) {
    auto* edit = dialog.findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
    ASSERT_NE(edit, nullptr);
    // Set whole rather than typed: typing would open the name completer,
    // whose list then takes the Return.
    edit->setText(name);
    QTest::keyClick(edit, Qt::Key_Return);
}

// A file whose opening blocks, as the kernel log in /proc or a file on a
// stalled network share does: a write lease held here makes every other open
// wait until the lease goes. It goes when the test is done, or after 3 s, so
// that a dialog stuck on it fails the test instead of hanging it.
class BlockingFile {
public:
    explicit BlockingFile(const QString& path) {
        if (QFile file(path); !file.open(QIODevice::WriteOnly) || file.write(QByteArray(4096, 'x')) != 4096) return;
        std::signal(SIGIO, SIG_IGN);  // the lease's holder is signalled when another open waits
        fd_ = ::open(QFile::encodeName(path).constData(), O_RDONLY);
        blocking_ = fd_ >= 0 && ::fcntl(fd_, F_SETLEASE, F_WRLCK) == 0;
        releaser_ = std::thread([this, done = done_.get_future()] {
            done.wait_for(std::chrono::seconds(3));
            if (fd_ >= 0) ::close(fd_);
        });
    }
    ~BlockingFile() {
        done_.set_value();
        if (releaser_.joinable()) releaser_.join();
    }
    [[nodiscard]] bool blocking() const { return blocking_; }

private:
    int fd_ = -1;
    bool blocking_ = false;
    std::promise<void> done_;
    std::thread releaser_;
};

// Opens the Open dialog, turns it to `folder` as the user would, and closes
// it once `listed` holds for its list; returns how long the listing took, or
// -1 when the dialog closed without it.
qint64 ListFolder(const QString& folder, const std::function<bool(QFileDialog&, QFileSystemModel&)>& listed) {
    QElapsedTimer clock;
    qint64 listedAfter = -1;
    WhenModalIsUp<QFileDialog>([&](QFileDialog& dialog) {
        auto* model = dialog.findChild<QFileSystemModel*>();
        ASSERT_NE(model, nullptr);
        clock.start();
        dialog.setDirectory(folder);
        auto* poll = new QTimer(&dialog);
        QObject::connect(poll, &QTimer::timeout, &dialog, [&, model, poll, d = &dialog] {
            if (!listed(*d, *model)) return;
            poll->stop();
            listedAfter = clock.elapsed();
            d->reject();
        });
        poll->start(10);
    });
    QtFileDialog dialogs;
    (void)dialogs.GetOpenFileName({.title = QStringLiteral("Open file"), .filterName = {}, .fileMustExist = true});
    return listedAfter;
}

TEST(QtFileDialogTest, AFolderIsListedWithoutReadingItsFiles) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString path = dir.filePath(QStringLiteral("image"));  // no extension: nothing to tell its kind by
    const BlockingFile file(path);
    ASSERT_TRUE(file.blocking()) << "no lease on " << path.toStdString();
    // The listing is done once the file's kind (the third column) is known.
    const qint64 listedAfter = ListFolder(
        dir.path(), [&](QFileDialog&, QFileSystemModel& model) { return !model.index(path, 2).data().isNull(); });
    EXPECT_TRUE(listedAfter >= 0 && listedAfter < 1000) << "the dialog answered after " << listedAfter << " ms";
}

TEST(QtFileDialogTest, NameSizeAndDateOfAFileAreShownWhole) {
    // As a first-time user sees it: Qt keeps the widths of the columns from the
    // last dialog.
    QSettings(QSettings::UserScope, QStringLiteral("QtProject")).remove(QStringLiteral("FileDialog/treeViewHeader"));
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const struct {
        const char* name;
        qint64 size;
    } files[] = {{"image.bin", 4096}, {"dump.bin", 114176}, {"flash-dump.bin", Q_INT64_C(1023) << 20}};
    for (const auto& f : files) {
        QFile file(dir.filePath(QLatin1String(f.name)));
        ASSERT_TRUE(file.open(QIODevice::WriteOnly) && file.resize(f.size));  // sparse: no disk taken
    }
    const qint64 listedAfter = ListFolder(dir.path(), [&](QFileDialog& dialog, QFileSystemModel& model) {
        for (const auto& f : files) {
            if (model.index(dir.filePath(QLatin1String(f.name)), 3).data().toString().isEmpty()) return false;
        }
        auto* view = dialog.findChild<QTreeView*>(QStringLiteral("treeView"));
        EXPECT_TRUE(view != nullptr && view->isVisible());
        for (const auto& f : files) {
            for (const int column : {0, 1, 3}) {
                const QModelIndex index = model.index(dir.filePath(QLatin1String(f.name)), column);
                const QRect cell = view->visualRect(index);
                EXPECT_GE(cell.width(), view->sizeHintForIndex(index).width())
                    << f.name << ": \"" << index.data().toString().toStdString() << "\" is cut short";
                EXPECT_LE(cell.right(), view->viewport()->width()) << f.name << ": column " << column << " is hidden";
            }
        }
        return true;
    });
    EXPECT_GE(listedAfter, 0) << "the files were never listed";
}

TEST(QtFileDialogTest, ASaveIntoAMissingFolderSaysSoAndKeepsTheDialogOpen) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString missingFolder = dir.filePath(QStringLiteral("no/such"));
    const QString good = dir.filePath(QStringLiteral("tuned.bin"));
    const struct {
        const char* what;
        bool correctAfterwards;  // else: Cancel after the message
        QString expected;
    } cases[] = {{"cancel", false, QString()}, {"correct the name", true, good}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        QString message;
        QString messageTitle;
        bool dialogStayedOpen = false;
        WhenModalIsUp<QFileDialog>([&](QFileDialog& dialog) {
            WhenModalIsUp<QMessageBox>([&, d = &dialog](QMessageBox& box) {
                message = box.text();
                messageTitle = box.windowTitle();
                box.accept();
                QTimer::singleShot(0, [&, d] {
                    dialogStayedOpen = d->isVisible();
                    if (c.correctAfterwards) {
                        TypeName(*d, good);
                    } else {
                        d->reject();
                    }
                });
            });
            TypeName(dialog, missingFolder + QStringLiteral("/tuned.bin"));
        });
        QtFileDialog dialogs;
        EXPECT_EQ(dialogs.GetSaveFileName({.title = QStringLiteral("Save file"),
                                           .filterName = QStringLiteral("LH 2.2-binary"),
                                           .pathMustExist = true,
                                           .overwritePrompt = true}),
                  c.expected);
        EXPECT_TRUE(dialogStayedOpen);
        EXPECT_EQ(messageTitle, QStringLiteral("Save file"));
        EXPECT_TRUE(message.contains(QDir::toNativeSeparators(missingFolder))) << message.toStdString();
        EXPECT_FALSE(QDir(missingFolder).exists());
    }
}

}  // namespace
}  // namespace tarvik::testing
