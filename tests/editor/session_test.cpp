// SPDX-License-Identifier: GPL-3.0-or-later
// A long editing session on the real window over fakes: thousands of random
// edits of random fields, set by the program or pasted from the clipboard,
// legal and illegal, with Save As and Open of the saved files in between.
//
// What the saved files must hold is worked out from the edited texts by the
// tests' own statement of the image format (tests/support/image_oracle.h),
// never by the store under test.
#include <QApplication>
#include <QClipboard>
#include <cstdio>
#include <string>
#include <vector>

#include "platform/to_qstring.h"
#include "tests/support/editor_harness.h"
#include "tests/support/image_oracle.h"

namespace tarvik::testing {
namespace {

constexpr unsigned kSeed = 20240611;
constexpr int kEdits = 2000;

// Texts a tuner might type or paste, each with the kind of value it is.
class TextMaker {
public:
    explicit TextMaker(std::mt19937& random) : random_(random) {}

    // Mostly legal texts; about one in twenty is out of range.
    [[nodiscard]] std::string Make(Family family) {
        const int kind = Pick(100);
        if (kind < 45) return Plain(family);
        if (kind < 67) return Decorated(family);
        if (kind < 78) return Junk();
        if (kind < 88) return Tiny();
        if (kind < 95) return Unicode();
        if (kind < 98) return OutOfRange(family);
        return Huge();
    }

    // A plain legal value, as a tuner fixing a refused field would type it.
    [[nodiscard]] std::string Plain(Family family) {
        switch (family) {
            case Family::Data:
                return std::to_string(Pick(1024));
            case Family::CC:  // 0 to 1.99..., with up to seven decimals
                return std::to_string(Pick(2)) + "." + std::to_string(Pick(10000000));
            default:
                return std::to_string(Pick(256));
        }
    }

private:
    [[nodiscard]] int Pick(int n) { return std::uniform_int_distribution<int>(0, n - 1)(random_); }
    template <std::size_t N>
    [[nodiscard]] std::string OneOf(const char* const (&texts)[N]) {
        return texts[Pick(static_cast<int>(N))];
    }

    // Legal values with blanks, signs, leading zeros, fractions or a tail.
    [[nodiscard]] std::string Decorated(Family family) {
        std::string core = Plain(family);
        switch (Pick(8)) {
            case 0:
                return " " + core + " ";
            case 1:
                return "+" + core;
            case 2:
                return "00" + core;
            case 3:
                core.insert(core.size() / 2, " ");
                return core;  // "1 23"
            case 4:
                return core + (family == Family::CC ? "" : ".4");
            case 5:
                return core + "rpm";
            // An exact half, which rounds to the even neighbour (for the
            // control constant: half a step of 1/128).
            case 6: {
                if (family != Family::CC) return core + ".5";
                const long n = 390625L * (1 + 2 * Pick(255));  // (2k + 1) / 256, in units of 1e-8
                const std::string fraction = std::to_string(n % 100000000);
                return std::to_string(n / 100000000) + "." + std::string(8 - fraction.size(), '0') + fraction;
            }
            default:
                return "\t" + core + "\n";
        }
    }

    // Reads as 0, which is legal everywhere.
    [[nodiscard]] std::string Junk() {
        return OneOf({"", "abc", "-", ".", "+-3", "x12", "--5", " ", "e5", "0x1F", "-0", "+"});
    }

    // A vanishing fraction, or an exponent the reading ignores: legal.
    [[nodiscard]] std::string Tiny() {
        switch (Pick(3)) {
            case 0:
                return "0." + std::string(static_cast<std::size_t>(Pick(400)), '0') + "1";
            case 1:
                return "1e" + std::to_string(Pick(500));  // reads 1
            default:
                return "-0.0" + std::to_string(Pick(5));  // rounds to 0
        }
    }

    // Digits of other scripts are not digits of a number: they read as 0.
    [[nodiscard]] std::string Unicode() {
        static const char* const kTexts[] = {"\xEF\xBC\x91\xEF\xBC\x92",  // fullwidth 12
                                             "\xD9\xA3",                  // Arabic-Indic 3
                                             "\xC2\xBD",                  // one half
                                             "7\xC2\xA0"
                                             "5",                 // 7, no-break space, 5: reads 7
                                             "\xF0\x9F\x9A\x97",  // a car
                                             "1\xE2\x80\x89"
                                             "2"};  // thin space: reads 1
        return OneOf(kTexts);
    }

    [[nodiscard]] std::string OutOfRange(Family family) {
        switch (family) {
            case Family::Data:
                return OneOf({"1024", "1023.5", "1023.7", "-1", "-0.6", "32768", "40000", "5000"});
            case Family::CC:
                return OneOf({"2", "1.9961", "-0.01", "3.5", "255"});
            default:
                return OneOf({"256", "255.5", "-1", "-0.6", "999", "1 000"});
        }
    }

    // Beyond the largest double, either sign: illegal everywhere.
    [[nodiscard]] std::string Huge() {
        const auto digits = static_cast<std::size_t>(320 + Pick(400));
        return (Pick(2) == 0 ? "" : "-") + std::string(digits, '9');
    }

    std::mt19937& random_;
};

class SessionTest : public EditorTest {
protected:
    // The script leaves no answer unused: a dialog shown when none was
    // expected, or none shown when one was, shows up here.
    void ExpectDialogAnswersUsed() {
        EXPECT_TRUE(platform.fileDialog.answers.empty());
        platform.fileDialog.answers.clear();
    }
};

TEST_F(SessionTest, RandomEditsSavesAndReopensKeepEveryPromise) {
    std::mt19937 random(kSeed);
    TextMaker maker(random);
    auto pick = [&](int n) { return std::uniform_int_distribution<int>(0, n - 1)(random); };
    const std::array<oracle::FieldRef, 310> fields = oracle::AllFields();

    const QByteArray original = RandomImage(kSeed);
    Open(QStringLiteral("/session/original.bin"), original);
    ASSERT_TRUE(platform.messageBox.shown.empty());

    struct SavedFile {
        QString path;
        QByteArray bytes;
        FieldTexts shown;  // what opening it must show
    };
    std::vector<SavedFile> saved{
        {QStringLiteral("/session/original.bin"), original, oracle::ShownTexts(AsImage(original))}};
    int pastes = 0;
    int legalSaves = 0;
    int illegalSaves = 0;
    int cancelledSaves = 0;
    int reopens = 0;
    int untilSave = 1 + pick(8);

    for (int edit = 0; edit < kEdits; ++edit) {
        SCOPED_TRACE(::testing::Message() << "edit " << edit);
        const oracle::FieldRef f = fields[static_cast<std::size_t>(pick(310))];
        FieldEdit& field = window->field(f.family, f.index);
        const QString text = QString::fromStdString(maker.Make(f.family));
        // Set by the program, pasted over the whole text, or pasted at the
        // end of what is there.
        const int how = pick(8);
        if (how < 2) {
            field.setText(text);
        } else {
            QApplication::clipboard()->setText(text);
            const QString old = field.text();
            const bool append = how == 7;
            if (append) {
                field.end(false);
            } else {
                field.selectAll();
            }
            field.paste();
            ++pastes;
            if (!text.contains(QLatin1Char('\n'))) {
                ASSERT_EQ(field.text(), append ? old + text : text) << "the paste did not arrive whole";
            }
        }

        // A save every few edits, so that about half of them are legal.
        if (--untilSave > 0) continue;
        untilSave = 1 + pick(8);

        // Save As, checked against what the texts stand for.
        const ImageBytes before = window->imageBytes();
        const oracle::StoreExpectation expected = oracle::ExpectStore(Texts(), before);
        const std::size_t messages = platform.messageBox.shown.size();
        const std::size_t dialogs = platform.fileDialog.saves.size();
        const std::size_t writes = platform.fileSystem.writes.size();
        const bool cancel = expected.ok && pick(20) == 0;
        const QString path = QStringLiteral("/session/save%1.bin").arg(legalSaves);
        if (expected.ok) platform.fileDialog.answers.push_back(cancel ? QString() : path);
        window->smnuSaveAs_Click();
        ExpectDialogAnswersUsed();
        ExpectAtRest();
        ASSERT_TRUE(SameImage(window->imageBytes(), expected.image)) << "the image after the store";

        if (!expected.ok) {
            ++illegalSaves;
            ASSERT_EQ(platform.messageBox.shown.size(), messages + 1);
            EXPECT_EQ(platform.messageBox.shown.back().text,
                      QStringLiteral("Illegal value in the %1 field(s)").arg(ToQString(expected.failedTable)));
            EXPECT_EQ(platform.fileDialog.saves.size(), dialogs) << "no dialog after an illegal value";
            EXPECT_EQ(platform.fileSystem.writes.size(), writes) << "no file after an illegal value";
            // The tuner fixes every refused field before going on.
            for (const oracle::FieldRef& g : fields) {
                while (!oracle::IsLegal(g.family, Text(g.family, g.index).toStdString())) {
                    SetText(g.family, g.index, QString::fromStdString(maker.Plain(g.family)));
                }
            }
            continue;
        }

        ASSERT_EQ(platform.messageBox.shown.size(), messages) << platform.messageBox.shown.back().text.toStdString();
        ASSERT_EQ(platform.fileDialog.saves.size(), dialogs + 1);
        if (cancel) {
            ++cancelledSaves;
            EXPECT_EQ(platform.fileSystem.writes.size(), writes);
            continue;
        }
        ++legalSaves;
        ASSERT_EQ(platform.fileSystem.writes.size(), writes + 1);
        const QByteArray file = platform.fileSystem.files.value(path);
        ASSERT_EQ(file.size(), 4096);
        for (int offset = 0; offset < 4096; ++offset) {
            if (!oracle::IsTableOffset(static_cast<std::size_t>(offset))) {
                ASSERT_EQ(file[offset], original[offset]) << "byte " << offset << " is not the opened file's";
            }
        }
        saved.push_back({path, file, oracle::ShownTexts(expected.image)});

        // Now and then, open one of the files saved so far.
        if (pick(3) != 0) continue;
        const SavedFile& which = saved[static_cast<std::size_t>(pick(static_cast<int>(saved.size())))];
        ASSERT_EQ(platform.fileSystem.files.value(which.path), which.bytes) << "a saved file changed afterwards";
        Open(which.path);
        ++reopens;
        ExpectDialogAnswersUsed();
        ExpectAtRest();
        ASSERT_EQ(platform.messageBox.shown.size(), messages);
        ASSERT_EQ(AsBytes(window->imageBytes()), which.bytes);
        ExpectShown(which.shown);
    }

    // Every file saved in the session opens to the values it was saved with.
    for (const SavedFile& file : saved) {
        SCOPED_TRACE(file.path.toStdString());
        ASSERT_EQ(platform.fileSystem.files.value(file.path), file.bytes) << "a saved file changed afterwards";
        Open(file.path);
        ExpectDialogAnswersUsed();
        ExpectAtRest();
        ASSERT_EQ(AsBytes(window->imageBytes()), file.bytes);
        ExpectShown(file.shown);
    }
    EXPECT_EQ(platform.messageBox.shown.size(), static_cast<std::size_t>(illegalSaves)) << "one message per refusal";

    // The session must have done what it set out to do, not passed by
    // never reaching a save.
    EXPECT_GE(pastes, kEdits / 2);
    EXPECT_GE(legalSaves, 100);
    EXPECT_GE(illegalSaves, 100);
    EXPECT_GE(cancelledSaves, 3);
    EXPECT_GE(reopens, 30);
    std::printf("%d edits, %d pasted; %d saves, %d refused, %d cancelled; %d reopened\n", kEdits, pastes, legalSaves,
                illegalSaves, cancelledSaves, reopens);
}

}  // namespace
}  // namespace tarvik::testing
