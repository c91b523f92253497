// SPDX-License-Identifier: GPL-3.0-or-later
// Qt's own file dialog behind Open and Save As, driven as a user would:
// a name typed into the dialog and Return.
#include <QApplication>
#include <QDir>
#include <QFileDialog>
#include <QLineEdit>
#include <QMessageBox>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <functional>
#include <gtest/gtest.h>
#include <memory>

#include "platform/qt_platform.h"

namespace tarvik::testing {
namespace {

// Runs `step` once the modal window of type W is up, from inside the
// dialog's own event loop.
template <typename W>
void WhenModalIsUp(std::function<void(W&)> step) {
    auto poll = std::make_shared<std::function<void()>>();
    *poll = [step, poll] {
        if (auto* window = qobject_cast<W*>(QApplication::activeModalWidget()); window && window->isVisible()) {
            step(*window);
        } else {
            QTimer::singleShot(10, *poll);
        }
    };
    QTimer::singleShot(0, *poll);
}

void TypeName(QFileDialog& dialog, const QString& name) {
    auto* edit = dialog.findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
    ASSERT_NE(edit, nullptr);
    // Set whole rather than typed: typing would open the name completer,
    // whose list then takes the Return.
    edit->setText(name);
    QTest::keyClick(edit, Qt::Key_Return);
}

FileDialogOptions SaveOptions() {
    FileDialogOptions options;
    options.title = QStringLiteral("Save file");
    options.filterName = QStringLiteral("LH 2.2-binary");
    options.overwritePrompt = true;
    options.pathMustExist = true;
    return options;
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
        EXPECT_EQ(dialogs.GetSaveFileName(SaveOptions()), c.expected);
        EXPECT_TRUE(dialogStayedOpen);
        EXPECT_EQ(messageTitle, QStringLiteral("Save file"));
        EXPECT_TRUE(message.contains(QDir::toNativeSeparators(missingFolder))) << message.toStdString();
        EXPECT_FALSE(QDir(missingFolder).exists());
    }
}

}  // namespace
}  // namespace tarvik::testing
