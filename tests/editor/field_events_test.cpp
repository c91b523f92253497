// SPDX-License-Identifier: GPL-3.0-or-later
// What the fuel-map fields hand to the graph as the user types and clicks.
#include <QTest>

#include "graph/modPlot.h"
#include "image/codec.h"
#include "tests/support/editor_harness.h"

namespace tarvik::testing {
namespace {

class FieldEventsTest : public EditorTest {
protected:
    void SetUp() override {
        window->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(window.get()));
    }
    // The value plotted at cell k in the last surface.
    [[nodiscard]] double Plotted(int k) const {
        return graph.surfaces.back().z[static_cast<std::size_t>(LoadIndex(k))][static_cast<std::size_t>(RpmIndex(k))];
    }
    void Click(int k) { QTest::mouseClick(&window->field(Family::Data, k), Qt::LeftButton); }
};

TEST_F(FieldEventsTest, TypingRedrawsTheSurfaceAndMarksTheCellOnEveryKeystroke) {
    FieldEdit& cell = window->field(Family::Data, 37);
    cell.setFocus();
    cell.clear();
    graph.surfaces.clear();
    graph.cursors.clear();
    const int rpm = RpmBreakpoints()[static_cast<std::size_t>(RpmIndex(37))];
    const int load = LoadBreakpoints()[static_cast<std::size_t>(LoadIndex(37))];

    const struct {
        Qt::Key key;
        double value;
    } steps[] = {{Qt::Key_5, 5}, {Qt::Key_1, 51}, {Qt::Key_2, 512}};
    for (std::size_t i = 0; i < std::size(steps); ++i) {
        QTest::keyClick(&cell, steps[i].key);
        ASSERT_EQ(graph.surfaces.size(), i + 1);
        ASSERT_EQ(graph.cursors.size(), i + 1);
        EXPECT_EQ(Plotted(37), steps[i].value);
        EXPECT_EQ(graph.cursors.back().x, rpm);
        EXPECT_EQ(graph.cursors.back().y, load);
        EXPECT_EQ(graph.cursors.back().z, steps[i].value + 10);
    }
    for (int i = 0; i < 3; ++i) QTest::keyClick(&cell, Qt::Key_Backspace);
    EXPECT_EQ(cell.text(), QString());
    EXPECT_EQ(Plotted(37), 0.0);
    EXPECT_EQ(graph.cursors.back().z, 10.0);
}

TEST_F(FieldEventsTest, TextsArePlottedAsTheyReadNotAsTheImageHoldsThem) {
    Open(QStringLiteral("/cal/a.bin"), RandomImage(3));
    const struct {
        int k;
        const char* text;
        double plotted;
    } cases[] = {{0, "051", 51}, {15, "", 0}, {240, "12x", 12}, {255, "1023", 1023}, {100, "40000", 40000}};
    for (const auto& c : cases) {
        SetText(Family::Data, c.k, QString::fromLatin1(c.text));
        EXPECT_EQ(Plotted(c.k), c.plotted) << c.text;
        EXPECT_EQ(graph.cursors.back().z, c.plotted + 10) << c.text;
    }
    EXPECT_EQ(AsBytes(window->imageBytes()), RandomImage(3)) << "plotting never touches the image";
}

TEST_F(FieldEventsTest, PastedTextsReadAsTheCodecReadsTheirUtf8) {
    // The window reads its fields without converting them to UTF-8 first;
    // whatever was pasted, it must read the same number as the codec does.
    const QString longZeros = QString(90, QLatin1Char('0')) + QStringLiteral("255");
    const QString cases[] = {QStringLiteral("1\u00e95"),
                             QStringLiteral("12\u00a0"),
                             QStringLiteral("\u22125"),
                             QStringLiteral("\u0661\u0662"),
                             QStringLiteral(" 1 2 .5"),
                             QStringLiteral("+7\t"),
                             longZeros,
                             longZeros + QStringLiteral("\u00e9"),
                             QStringLiteral("\U0001F600 9"),
                             QString(200, QLatin1Char('9'))};
    int k = 0;
    for (const QString& text : cases) {
        SetText(Family::Data, k, text);
        EXPECT_EQ(Plotted(k), ParseLeadingNumber(text.toStdString())) << text.toStdString();
        k += 17;
    }
}

TEST_F(FieldEventsTest, AClickMarksTheCellWithoutRedrawing) {
    const struct {
        int k;
        int rpm;
        int load;
    } corners[] = {{255, 502, 72}, {240, 502, 648}, {15, 6096, 72}, {0, 6096, 648}};
    for (const auto& c : corners) {
        graph.surfaces.clear();
        Click(c.k);
        EXPECT_TRUE(graph.surfaces.empty());
        ASSERT_FALSE(graph.cursors.empty());
        EXPECT_EQ(graph.cursors.back().x, c.rpm);
        EXPECT_EQ(graph.cursors.back().y, c.load);
        EXPECT_EQ(graph.cursors.back().z, 20.0) << "initial text 10, plus the lift";
    }
}

TEST_F(FieldEventsTest, OpeningLeavesTheMarkerAndEditsStillDrawAfterACancelledOrRefusedOpen) {
    Click(17);
    const std::size_t markers = graph.cursors.size();
    Open(QStringLiteral("/cal/a.bin"), RandomImage(4));
    EXPECT_EQ(graph.cursors.size(), markers);
    EXPECT_EQ(graph.surfaces.size(), 1u);

    Open(QString());
    Open(QStringLiteral("/cal/short.bin"), QByteArray(10, '\0'));
    SetText(Family::Data, 5, QStringLiteral("300"));
    ASSERT_EQ(graph.surfaces.size(), 2u);
    EXPECT_EQ(Plotted(5), 300.0);
    EXPECT_EQ(graph.cursors.size(), markers + 1);
}

TEST_F(FieldEventsTest, OtherTablesDoNotDraw) {
    for (Family family : {Family::RL, Family::WE, Family::FLE, Family::AE, Family::IS, Family::CC}) {
        SetText(family, 0, QStringLiteral("5"));
    }
    EXPECT_TRUE(graph.surfaces.empty());
    EXPECT_TRUE(graph.cursors.empty());
}

TEST_F(FieldEventsTest, MenuShortcutOpensAFileAndTypingReachesTheSurface) {
    window->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(window.get()));
    QTest::keyClick(window.get(), Qt::Key_S, Qt::ControlModifier);
    EXPECT_TRUE(platform.fileDialog.saves.empty()) << "Ctrl+S does nothing before an image is open";
    EXPECT_TRUE(platform.messageBox.shown.empty());

    const QString path = QStringLiteral("/cal/keys.bin");
    platform.fileSystem.files[path] = RandomImage(77);
    platform.fileDialog.answers.push_back(path);
    QTest::keyClick(window.get(), Qt::Key_O, Qt::ControlModifier);
    ASSERT_EQ(platform.fileDialog.opens.size(), 1u);
    EXPECT_EQ(AsBytes(window->imageBytes()), RandomImage(77));

    FieldEdit& cell = window->field(Family::Data, 200);
    cell.setFocus();
    cell.selectAll();
    QTest::keyClicks(&cell, QStringLiteral("42"));
    EXPECT_EQ(cell.text(), QStringLiteral("42"));
    EXPECT_EQ(Plotted(200), 42.0);

    platform.fileDialog.answers.push_back(QStringLiteral("/cal/saved.bin"));
    QTest::keyClick(window.get(), Qt::Key_S, Qt::ControlModifier);
    ASSERT_EQ(platform.fileDialog.saves.size(), 1u);
    EXPECT_EQ(window->imageBytes()[768 + 200], 42);
}

}  // namespace
}  // namespace tarvik::testing
