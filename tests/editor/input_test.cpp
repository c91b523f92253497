// SPDX-License-Identifier: GPL-3.0-or-later
// Real key events through the real fields: the character filter, the
// typing limits and the tab order.
#include <QApplication>
#include <QClipboard>
#include <QInputMethodEvent>
#include <QKeyEvent>
#include <QTabBar>
#include <QTest>

#include "editor/key_filter.h"
#include "editor/tab_control.h"
#include "tests/support/editor_harness.h"

namespace tarvik::testing {
namespace {

TEST(FilterKeyAscii, PassesDigitsSpaceAndControlCodesOnly) {
    for (std::uint16_t code = 0; code < 400; ++code) {
        const bool digit = code >= '0' && code <= '9';
        const bool expected = code <= 32 || digit;
        EXPECT_EQ(FilterKeyAscii(code, false), expected ? code : 0) << code;
        EXPECT_EQ(FilterKeyAscii(code, true), (expected || code == '.') ? code : 0) << code;
    }
    EXPECT_EQ(FilterKeyAscii(0xE9, false), 0);  // é
    EXPECT_EQ(FilterKeyAscii(0xFFFF, true), 0);
}

class InputTest : public EditorTest {
protected:
    void SetUp() override {
        window->Form_Load();  // the fake shows no splash: it sets the tab order at once
        window->show();
        window->activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(window.get()));
    }

    // One field of each family, on whichever page it stands.
    [[nodiscard]] std::vector<FieldEdit*> OneOfEach() const {
        return {&window->field(Family::Data, 0), &window->field(Family::FLE, 3), &window->field(Family::WE, 16),
                &window->field(Family::AE, 8),   &window->field(Family::IS, 0),  &window->field(Family::RL, 0),
                &window->field(Family::CC, 0)};
    }

    // A key press that types `text`, as a keyboard layout would deliver it
    // (QTest's own helpers know only ASCII keys).
    static void Type(FieldEdit& f, const QString& text) {
        for (const QChar c : text) {
            const auto key = static_cast<Qt::Key>(c.toUpper().unicode());
            QKeyEvent press(QEvent::KeyPress, key, Qt::NoModifier, QString(c));
            QKeyEvent release(QEvent::KeyRelease, key, Qt::NoModifier, QString(c));
            QApplication::sendEvent(&f, &press);
            QApplication::sendEvent(&f, &release);
        }
    }

    void Focus(FieldEdit& f) {
        window->tabControl().setCurrentIndex(window->tabControl().pageOf(&f));
        f.setFocus();
        f.clear();
    }
};

TEST_F(InputTest, RefusedCharactersInsertNothingAndOnlyTheControlConstantTakesAPoint) {
    for (FieldEdit* f : OneOfEach()) {
        SCOPED_TRACE(f->objectName().toStdString());
        Focus(*f);
        for (const QString& typed :
             {QStringLiteral("a"), QStringLiteral("-"), QStringLiteral(","), QStringLiteral(":"), QStringLiteral("/"),
              QStringLiteral("+"), QStringLiteral("Z"), QStringLiteral("é")}) {
            Type(*f, typed);
            EXPECT_EQ(f->text(), QString()) << "took " << typed.toStdString();
        }
        QTest::keyClicks(f, QStringLiteral("1 2"));
        EXPECT_EQ(f->text(), QStringLiteral("1 2"));
        f->clear();
        QTest::keyClicks(f, QStringLiteral("1..5"));
        EXPECT_EQ(f->text(), f->family() == Family::CC ? QStringLiteral("1..5") : QStringLiteral("15"));
    }
}

// A key as the X server delivers it: editing keys carry a control
// character as their text (QTest's own key events carry none).
void PressAsX11(QWidget& w, Qt::Key key, Qt::KeyboardModifiers modifiers, const QString& text) {
    QKeyEvent press(QEvent::KeyPress, key, modifiers, text);
    QKeyEvent release(QEvent::KeyRelease, key, modifiers, text);
    QApplication::sendEvent(&w, &press);
    QApplication::sendEvent(&w, &release);
}

TEST_F(InputTest, EditingKeysWorkWithTheTextTheKeyboardSends) {
    const QString del = QStringLiteral("\x7f");
    constexpr int kAll = -1;  // the whole text selected
    constexpr int kEnd = 99;
    const struct {
        const char* what;
        Family family;
        const char* before;
        int cursor;
        Qt::Key key;
        Qt::KeyboardModifiers modifiers;
        QString text;
        const char* after;
    } cases[] = {
        {"Delete on a selection", Family::Data, "945", kAll, Qt::Key_Delete, Qt::NoModifier, del, ""},
        {"Delete before a digit", Family::Data, "945", 0, Qt::Key_Delete, Qt::NoModifier, del, "45"},
        {"Delete in the control constant", Family::CC, "1.9921875", 1, Qt::Key_Delete, Qt::NoModifier, del, "19921875"},
        {"Delete in a byte table", Family::FLE, "128", 1, Qt::Key_Delete, Qt::NoModifier, del, "18"},
        {"keypad Delete", Family::RL, "200", 0, Qt::Key_Delete, Qt::KeypadModifier, del, "00"},
        {"Backspace", Family::IS, "77", kEnd, Qt::Key_Backspace, Qt::NoModifier, QStringLiteral("\b"), "7"},
        // Pasted before the cut below fills the clipboard.
        {"Ctrl+V pastes unfiltered", Family::AE, "", kEnd, Qt::Key_V, Qt::ControlModifier, QStringLiteral("\x16"),
         "x-1"},
        {"Ctrl+X cuts", Family::WE, "31", kAll, Qt::Key_X, Qt::ControlModifier, QStringLiteral("\x18"), ""},
        {"Ctrl+Shift+Z redoes nothing here", Family::Data, "12", kEnd, Qt::Key_Z,
         Qt::ControlModifier | Qt::ShiftModifier, QStringLiteral("\x1a"), "12"},
        {"Escape", Family::Data, "12", kEnd, Qt::Key_Escape, Qt::NoModifier, QStringLiteral("\x1b"), "12"},
        {"Return", Family::CC, "1.5", kEnd, Qt::Key_Return, Qt::NoModifier, QStringLiteral("\r"), "1.5"},
        {"a digit still types", Family::Data, "12", kEnd, Qt::Key_7, Qt::NoModifier, QStringLiteral("7"), "127"},
        {"a digit on the keypad types", Family::RL, "1", kEnd, Qt::Key_2, Qt::KeypadModifier, QStringLiteral("2"),
         "12"},
        {"AltGr characters are filtered", Family::RL, "1", kEnd, Qt::Key_At, Qt::ControlModifier | Qt::AltModifier,
         QStringLiteral("@"), "1"},
    };
    QApplication::clipboard()->setText(QStringLiteral("x-1"));
    for (const auto& c : cases) {
        FieldEdit& f = window->field(c.family, 0);
        Focus(f);
        f.setText(QString::fromLatin1(c.before));
        if (c.cursor == kAll) f.selectAll();
        if (c.cursor == kEnd) f.end(false);
        if (c.cursor >= 0 && c.cursor < kEnd) f.setCursorPosition(c.cursor);
        PressAsX11(f, c.key, c.modifiers, c.text);
        EXPECT_EQ(f.text(), QString::fromLatin1(c.after)) << c.what;
    }
}

TEST(TypesCharacter, OnlyKeysThatWouldInsertTheirTextCount) {
    const struct {
        Qt::Key key;
        Qt::KeyboardModifiers modifiers;
        QString text;
        bool types;
    } cases[] = {
        {Qt::Key_5, Qt::NoModifier, QStringLiteral("5"), true},
        {Qt::Key_A, Qt::ShiftModifier, QStringLiteral("A"), true},
        {Qt::Key_Space, Qt::NoModifier, QStringLiteral(" "), true},
        {Qt::Key_Eacute, Qt::NoModifier, QStringLiteral("\u00e9"), true},
        {Qt::Key_At, Qt::ControlModifier | Qt::AltModifier, QStringLiteral("@"), true},
        {Qt::Key_Delete, Qt::NoModifier, QStringLiteral("\x7f"), false},
        {Qt::Key_Backspace, Qt::NoModifier, QStringLiteral("\b"), false},
        {Qt::Key_Escape, Qt::NoModifier, QStringLiteral("\x1b"), false},
        {Qt::Key_Return, Qt::NoModifier, QStringLiteral("\r"), false},
        {Qt::Key_Tab, Qt::NoModifier, QStringLiteral("\t"), false},
        {Qt::Key_Left, Qt::NoModifier, QString(), false},
        {Qt::Key_C, Qt::ControlModifier, QStringLiteral("\x03"), false},
        {Qt::Key_V, Qt::ControlModifier, QStringLiteral("v"), false},
        {Qt::Key_Z, Qt::ControlModifier | Qt::ShiftModifier, QStringLiteral("Z"), false},
        {Qt::Key_unknown, Qt::NoModifier, QStringLiteral("\u0085"), false},  // a C1 control character
    };
    for (const auto& c : cases) {
        const QKeyEvent event(QEvent::KeyPress, c.key, c.modifiers, c.text);
        EXPECT_EQ(TypesCharacter(event), c.types) << c.text.toStdString() << " key " << c.key;
    }
}

TEST_F(InputTest, ComposedCharactersAreFilteredToo) {
    FieldEdit& f = window->field(Family::Data, 9);
    Focus(f);
    for (const QString& commit : {QStringLiteral("é"), QStringLiteral("x"), QStringLiteral("7")}) {
        QInputMethodEvent event(QString(), {});
        event.setCommitString(commit);
        QApplication::sendEvent(&f, &event);
    }
    EXPECT_EQ(f.text(), QStringLiteral("7"));
}

TEST_F(InputTest, TypingLimitsBindTypingButNotTextSetByTheProgram) {
    const struct {
        Family family;
        const char* decoded;  // longer than the limit
        int limit;
    } cases[] = {{Family::Data, "1023", 3}, {Family::CC, "1.9921875", 4}};
    for (const auto& c : cases) {
        FieldEdit& f = window->field(c.family, 0);
        Focus(f);
        QTest::keyClicks(&f, QStringLiteral("123456789"));
        EXPECT_EQ(f.text().size(), c.limit);

        f.setText(QString::fromLatin1(c.decoded));
        EXPECT_EQ(f.text(), QString::fromLatin1(c.decoded)) << "decoded text is shown whole";
        f.end(false);
        QTest::keyClick(&f, Qt::Key_1);
        EXPECT_EQ(f.text(), QString::fromLatin1(c.decoded)) << "a further typed character is refused";
        f.selectAll();
        QTest::keyClick(&f, Qt::Key_Delete);
        QTest::keyClicks(&f, QStringLiteral("9"));
        EXPECT_EQ(f.text(), QStringLiteral("9")) << "deleting and then typing works";
    }
    for (Family family : {Family::RL, Family::WE, Family::FLE, Family::AE, Family::IS}) {
        FieldEdit& f = window->field(family, 0);
        Focus(f);
        QTest::keyClicks(&f, QStringLiteral("1234567890"));
        EXPECT_EQ(f.text(), QStringLiteral("1234567890"));
    }
}

TEST_F(InputTest, BackspaceAndTheClipboardStillWorkAndPastingIsNotFiltered) {
    for (FieldEdit* f : OneOfEach()) {
        Focus(*f);
        QTest::keyClicks(f, QStringLiteral("12"));
        QTest::keyClick(f, Qt::Key_Backspace);
        EXPECT_EQ(f->text(), QStringLiteral("1"));
        QTest::keyClick(f, Qt::Key_A, Qt::ControlModifier);
        QTest::keyClick(f, Qt::Key_C, Qt::ControlModifier);
        EXPECT_EQ(QApplication::clipboard()->text(), QStringLiteral("1"));
        QApplication::clipboard()->setText(QStringLiteral("-1e5x"));
        QTest::keyClick(f, Qt::Key_V, Qt::ControlModifier);
        EXPECT_EQ(f->text(), QStringLiteral("-1e5x")) << f->objectName().toStdString();
        QTest::keyClick(f, Qt::Key_Z, Qt::ControlModifier);
        EXPECT_EQ(f->text(), QStringLiteral("1"));
    }
}

TEST_F(InputTest, TabWalksTheGridRowByRowThenTheOtherTablesAndBack) {
    std::vector<QString> expected{QStringLiteral("SSTab1")};
    for (int row = 0; row < 16; ++row) {
        for (int c = 15; c >= 0; --c) expected.push_back(QStringLiteral("txtData(%1)").arg(row * 16 + c));
    }
    for (const auto& [name, count] : {std::pair{"txtFLE", 17}, {"txtWE", 17}, {"txtAE", 9}, {"txtIS", 9}}) {
        for (int i = 0; i < count; ++i) expected.push_back(QStringLiteral("%1(%2)").arg(QLatin1String(name)).arg(i));
    }
    expected.push_back(QStringLiteral("txtRL"));
    expected.push_back(QStringLiteral("txtCC"));
    ASSERT_EQ(expected.size(), 311u);

    auto focusedName = [] {
        QWidget* w = QApplication::focusWidget();
        if (w == nullptr) return QString();
        if (qobject_cast<QTabBar*>(w) != nullptr) return QStringLiteral("SSTab1");
        return w->objectName();
    };
    auto visible = [this] {
        QWidget* w = QApplication::focusWidget();
        return w != nullptr && w->isVisible();
    };

    window->tabControl().setFocus();
    ASSERT_EQ(focusedName(), expected[0]);
    for (std::size_t i = 1; i < expected.size(); ++i) {
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        ASSERT_EQ(focusedName(), expected[i]) << "step " << i;
        ASSERT_TRUE(visible()) << "the focused field's page is in front, step " << i;
    }
    for (std::size_t i = expected.size() - 1; i > 0; --i) {
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Backtab, Qt::ShiftModifier);
        ASSERT_EQ(focusedName(), expected[i - 1]) << "back, step " << i;
        ASSERT_TRUE(visible()) << "back, step " << i;
    }
}

TEST_F(InputTest, ClickingATabShowsItsPageWhateverFieldHasTheFocus) {
    QTabBar* bar = window->tabControl().tabBar();
    for (int page : {1, 0, 1}) {
        FieldEdit& f = page == 1 ? window->field(Family::Data, 5) : window->field(Family::CC, 0);
        Focus(f);
        QTest::mouseClick(bar, Qt::LeftButton, Qt::NoModifier, bar->tabRect(page).center());
        EXPECT_EQ(window->tabControl().currentIndex(), page);
        EXPECT_TRUE(window->tabControl().page(page)->isVisible());
    }
}

}  // namespace
}  // namespace tarvik::testing
