// SPDX-License-Identifier: GPL-3.0-or-later
// The fixed layout of the main window, in pixels from the client area's
// corner (15 twips to the pixel).
#include <QAction>
#include <QGroupBox>
#include <QLabel>
#include <QMenuBar>
#include <QTabBar>
#include <QTest>

#include "editor/tab_control.h"
#include "image/codec.h"
#include "tests/support/editor_harness.h"

namespace tarvik::testing {
namespace {

class LayoutTest : public EditorTest {
protected:
    void SetUp() override {
        window->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(window.get()));
    }
    [[nodiscard]] QWidget* Named(const QString& name) const { return window->findChild<QWidget*>(name); }
    [[nodiscard]] QRect InClient(const QWidget* w) const {
        return {w->mapTo(window->centralWidget(), QPoint(0, 0)), w->size()};
    }
};

TEST_F(LayoutTest, ControlsStandWhereTheyAreDrawn) {
    const struct {
        const char* name;
        int left, top, width, height;  // width/height -1: sized to its content
    } cases[] = {
        {"SSTab1", 24, 16, 629, 743},
        {"txtData(15)", 24 + 80, 16 + 44, 30, 19},
        {"txtData(0)", 24 + 80 + 29 * 15, 16 + 44, 30, 19},
        {"txtData(16)", 24 + 80 + 29 * 15, 16 + 62, 30, 19},
        {"txtData(240)", 24 + 80 + 29 * 15, 16 + 305, 30, 19},
        {"txtData(255)", 24 + 80, 16 + 305, 30, 19},
        {"txtData(60)", 24 + 80 + 29 * 3, 16 + 97, 30, 19},
        {"lblRPM(20)", 24 + 48, 16 + 28, -1, -1},
        {"lblMassflow(0)", 24 + 80, 16 + 328, -1, -1},
        {"lblLoad(16)", 24 + 556, 16 + 328, -1, -1},
        {"Graph", 24 + 88, 16 + 348, 413, 365},
        {"frmFLE", 24 + 28, 16 + 44, 117, 385},
        {"frmWE", 24 + 164, 16 + 44, 117, 385},
        {"frmAE", 24 + 300, 16 + 44, 137, 225},
        {"frmRL", 24 + 300, 16 + 276, 137, 53},
        {"frmIS", 24 + 456, 16 + 44, 137, 225},
        {"frmCC", 24 + 456, 16 + 276, 137, 53},
        {"txtFLE(0)", 24 + 28 + 60, 16 + 44 + 28, 27, 19},
        {"txtWE(16)", 24 + 164 + 58, 16 + 44 + 348, 27, 19},
        {"txtAE(8)", 24 + 300 + 57, 16 + 44 + 188, 27, 19},
        {"txtIS(0)", 24 + 456 + 57, 16 + 44 + 28, 27, 19},
        {"txtRL", 24 + 300 + 72, 16 + 276 + 20, 49, 19},
        {"txtCC", 24 + 456 + 72, 16 + 276 + 20, 49, 19},
        {"Label1", 24 + 300 + 12, 16 + 276 + 24, -1, -1},
        {"Line1(0)", 24 + 28 + 52, 16 + 44 + 24, 1, 347},
        {"Line3", 24 + 456 + 49, 16 + 44 + 24, 1, 184},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const QWidget* w = Named(QString::fromLatin1(c.name));
        ASSERT_NE(w, nullptr);
        const QRect r = InClient(w);
        EXPECT_NEAR(r.left(), c.left, 1);
        EXPECT_NEAR(r.top(), c.top, 1);
        if (c.width >= 0) {
            EXPECT_NEAR(r.width(), c.width, 1);
        }
        if (c.height >= 0) {
            EXPECT_NEAR(r.height(), c.height, 1);
        }
    }
    EXPECT_EQ(window->centralWidget()->size(), QSize(675, 796));
}

TEST_F(LayoutTest, RowCaptionsStandBesideTheirRows) {
    const struct {
        const char* label;
        const char* text;
        const char* field;
    } cases[] = {
        {"lblRPM(15)", "6096 rpm", "txtData(15)"},    {"lblRPM(14)", "5578 rpm", "txtData(31)"},
        {"lblRPM(0)", "3692 rpm", "txtData(79)"},     {"lblRPM(11)", "502 rpm", "txtData(255)"},
        {"lblRPMFulllast(0)", "6899", "txtFLE(0)"},   {"lblRPMFulllast(16)", "480", "txtFLE(16)"},
        {"lblRPMFulllast(26)", "> 99", "txtWE(0)"},   {"lblRPMFulllast(41)", "< -40", "txtWE(15)"},
        {"lblRPMFulllast(42)", "< -40", "txtWE(16)"}, {"lblRPMFulllast(51)", "> 99", "txtAE(0)"},
        {"lblRPMFulllast(43)", "< -40", "txtAE(8)"},  {"lblRPMFulllast(25)", "> 99", "txtIS(0)"},
        {"lblRPMFulllast(17)", "< -40", "txtIS(8)"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.label);
        const auto* label = window->findChild<QLabel*>(QString::fromLatin1(c.label));
        const QWidget* field = Named(QString::fromLatin1(c.field));
        ASSERT_NE(label, nullptr);
        ASSERT_NE(field, nullptr);
        EXPECT_EQ(label->text(), QString::fromLatin1(c.text));
        const QRect l = InClient(label);
        const QRect f = InClient(field);
        EXPECT_LT(l.right(), f.left()) << "caption left of its field";
        EXPECT_LE(std::abs(l.center().y() - f.center().y()), 5) << "caption on its field's row";
    }
    for (int i = 0; i <= 51; ++i) {
        const auto* label = window->findChild<QLabel*>(QStringLiteral("lblRPMFulllast(%1)").arg(i));
        ASSERT_NE(label, nullptr) << i;
        EXPECT_TRUE(label->font().bold()) << i;
    }
}

TEST_F(LayoutTest, InitialStateOfTheWindow) {
    EXPECT_EQ(window->windowTitle(), QStringLiteral("Tarvik for Saabs"));
    EXPECT_FALSE(window->windowFlags() & Qt::WindowMaximizeButtonHint);
    EXPECT_TRUE(window->windowFlags() & Qt::WindowMinimizeButtonHint);
    EXPECT_EQ(window->tabControl().currentIndex(), 0);
    EXPECT_EQ(window->tabControl().tabBar()->tabText(0), QStringLiteral("Kennfellt"));
    EXPECT_EQ(window->tabControl().tabBar()->tabText(1), QStringLiteral("Other parameters"));
    for (const TableLayout& table : kStoreOrder) {
        for (int i = 0; i < table.count; ++i) {
            const FieldEdit& f = window->field(table.family, i);
            EXPECT_EQ(f.text(), table.family == Family::Data ? QStringLiteral("10") : QString()) << i;
            EXPECT_TRUE(f.alignment() & Qt::AlignRight);
            EXPECT_FALSE(f.accessibleName().isEmpty());
        }
    }
    EXPECT_EQ(window->field(Family::Data, 0).accessibleName(), QStringLiteral("Fuel map, 6096 rpm, column 16"));
    EXPECT_EQ(window->field(Family::Data, 255).accessibleName(), QStringLiteral("Fuel map, 502 rpm, column 1"));
    EXPECT_EQ(window->field(Family::WE, 14).accessibleName(), QStringLiteral("Warmup enrichment, row 15, -40"));
    EXPECT_EQ(window->field(Family::CC, 0).accessibleName(), QStringLiteral("Control constant"));
}

TEST_F(LayoutTest, MenuCaptionsShortcutsAndState) {
    const struct {
        const char* name;
        const char* text;
        const char* shortcut;
        bool enabled;
    } cases[] = {
        {"mnuFile", "&File", "", true},
        {"smnuOpen", "&Open...", "Ctrl+O", true},
        {"smnuSaveAs", "&Save As...", "Ctrl+S", false},
        {"smnuExit", "E&xit", "", true},
        {"mnuAbout", "&About...", "", true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const auto* action = window->findChild<QAction*>(QString::fromLatin1(c.name));
        ASSERT_NE(action, nullptr);
        EXPECT_EQ(action->text(), QString::fromLatin1(c.text));
        EXPECT_EQ(action->shortcut().toString(), QString::fromLatin1(c.shortcut));
        EXPECT_EQ(action->isEnabled(), c.enabled);
    }
    const auto* bar = window->findChild<QAction*>(QStringLiteral("smnuBar1"));
    ASSERT_NE(bar, nullptr);
    EXPECT_TRUE(bar->isSeparator());
}

TEST_F(LayoutTest, ResizingMovesNothingAndTheWindowMayShrinkBelowItsLayout) {
    const QSize opened = window->size();
    const QRect tab = InClient(Named(QStringLiteral("SSTab1")));
    const QRect cell = InClient(Named(QStringLiteral("txtData(240)")));
    // A laptop screen of 768 pixels must be able to hold the window.
    EXPECT_LE(window->minimumSizeHint().height(), 200);
    EXPECT_LE(window->minimumSize().height(), 200);
    for (const QSize size : {QSize(300, 200), QSize(1000, 1000), opened}) {
        window->resize(size);
        EXPECT_EQ(window->size(), size);
        EXPECT_EQ(InClient(Named(QStringLiteral("SSTab1"))), tab);
        EXPECT_EQ(InClient(Named(QStringLiteral("txtData(240)"))), cell);
    }
}

// Whether a field at rest draws its whole text inside its frame: the caret
// places before the first and after the last character both lie within the
// field, as the line edit scrolled them at its last paint.
[[nodiscard]] ::testing::AssertionResult ShowsWholeText(FieldEdit& field) {
    field.clearFocus();
    field.grab();  // paints, which settles the line edit's scrolling
    const QRect inside = field.rect().adjusted(1, 1, -1, -1);
    field.setCursorPosition(0);
    const QRect first = field.inputMethodQuery(Qt::ImCursorRectangle).toRect();
    field.setCursorPosition(static_cast<int>(field.text().size()));
    const QRect last = field.inputMethodQuery(Qt::ImCursorRectangle).toRect();
    if (inside.contains(first.center()) && inside.contains(last.center())) return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure() << field.objectName().toStdString() << " \"" << field.text().toStdString()
                                         << "\" runs from x " << first.center().x() << " to " << last.center().x()
                                         << " in a field " << field.width() << " wide";
}

TEST_F(LayoutTest, EveryTextTheEditorSetsIsShownWhole) {
    FieldEdit& cc = window->field(Family::CC, 0);
    window->tabControl().setCurrentIndex(1);
    for (int byte = 0; byte < 256; ++byte) {
        cc.setText(QString::fromStdString(ControlConstantText(static_cast<std::uint8_t>(byte))));
        EXPECT_TRUE(ShowsWholeText(cc)) << "byte " << byte;
    }
    for (FieldEdit* rl :
         {&window->field(Family::RL, 0), &window->field(Family::FLE, 0), &window->field(Family::IS, 8)}) {
        rl->setText(QStringLiteral("255"));
        EXPECT_TRUE(ShowsWholeText(*rl));
    }
    window->tabControl().setCurrentIndex(0);
    for (const int cell : {0, 15, 137, 255}) {
        for (const char* text : {"1023", "1000", "888", "10"}) {
            FieldEdit& f = window->field(Family::Data, cell);
            f.setText(QString::fromLatin1(text));
            EXPECT_TRUE(ShowsWholeText(f));
        }
    }
}

TEST_F(LayoutTest, OnlyTextsTooWideForTheirFieldAreNarrowed) {
    const auto fullWidth = [](const FieldEdit& f) { return f.font().stretch() == 0 || f.font().stretch() == 100; };
    const struct {
        Family family;
        const char* text;
        bool narrowed;
    } cases[] = {
        {Family::CC, "1.00", false},     {Family::CC, "1.9921875", true}, {Family::CC, "0.5", false},
        {Family::CC, "0.0078125", true}, {Family::CC, "1.5", false},      {Family::Data, "999", false},
        {Family::RL, "255", false},
    };
    for (const auto& c : cases) {
        FieldEdit& f = window->field(c.family, 0);
        f.setText(QString::fromLatin1(c.text));
        EXPECT_EQ(!fullWidth(f), c.narrowed) << c.text << " stretch " << f.font().stretch();
    }
}

}  // namespace
}  // namespace tarvik::testing
