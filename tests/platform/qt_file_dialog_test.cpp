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
