// SPDX-License-Identifier: GPL-3.0-or-later
// The fixed layout of the main window. Positions and sizes are kept in
// twips, as the layout was drawn; 15 twips make one pixel.
#include <QAction>
#include <QFrame>
#include <QGroupBox>
#include <QLabel>
#include <QMenuBar>
#include <algorithm>

#include "editor/field_edit.h"
#include "editor/frmMain.h"
#include "editor/tab_control.h"
#include "platform/to_qstring.h"
#include "windows/pictures.h"
#include "windows/window_fonts.h"

namespace tarvik {

namespace {

[[nodiscard]] constexpr int Px(int twips) { return (twips + 7) / 15; }
[[nodiscard]] QRect Twips(int left, int top, int width, int height) {
    return {Px(left), Px(top), Px(left + width) - Px(left), Px(top + height) - Px(top)};
}

QString IndexedName(const char* name, int index) {
    return QStringLiteral("%1(%2)").arg(QLatin1String(name)).arg(index);
}

QLabel* AddLabel(QWidget* parent, const QString& objectName, const QString& text, int left, int top,
                 Qt::Alignment alignment = Qt::AlignLeft | Qt::AlignTop) {
    auto* label = new QLabel(text, parent);
    label->setObjectName(objectName);
    label->setAlignment(alignment);
    label->adjustSize();
    label->move(Px(left), Px(top));
    return label;
}

// The window's own drawing of the fuel-map grid rows, top row first: the
// row's top and the index of the lblRPM label that captions it (the labels
// were numbered in another order than the rows).
struct GridRowPlace {
    int top;  // twips, of the row's fields
    int labelIndex;
};
constexpr std::array<GridRowPlace, kFuelSide> kGridRows{{
    {660, 15},
    {930, 14},
    {1200, 13},
    {1455, 12},
    {1725, 0},
    {1980, 1},
    {2235, 2},
    {2505, 3},
    {2760, 4},
    {3015, 5},
    {3285, 6},
    {3540, 7},
    {3795, 8},
    {4065, 9},
    {4320, 10},
    {4575, 11},
}};

QString RowCaption(int row) { return QStringLiteral("%1 rpm").arg(RowRpm(row)); }

// One framed column of fields with a caption label per row.
struct FrameLayout {
    const char* name;
    QRect twips;
    Family family;
    const char* fieldName;
    int fieldLeft;
    const char* lineName;
    int lineX;
    int lineBottom;
    int labelBase;  // lblRPMFulllast index of row 0
    int labelStep;  // +1 or -1 per row
};

// The window's client area: it asks for the layout's size, but lets the
// window be made smaller than that, down to nothing, so that the editor can
// be used on a screen lower than the layout (a laptop's 768 pixels).
class ClientArea final : public QWidget {
public:
    ClientArea(QSize layoutSize, QWidget* parent) : QWidget(parent), layoutSize_(layoutSize) {}
    [[nodiscard]] QSize sizeHint() const override { return layoutSize_; }
    [[nodiscard]] QSize minimumSizeHint() const override { return {0, 0}; }

private:
    QSize layoutSize_;
};

}  // namespace

frmMain::frmMain(Platform platform, GraphView& graph, QWidget* parent)
    : QMainWindow(parent), platform_(platform), graph_(graph) {
    setObjectName(QStringLiteral("frmMain"));
    setWindowTitle(QStringLiteral("Tarvik for Saabs"));
    setWindowIcon(ProgramIcon());
    setWindowFlags(Qt::Window | Qt::WindowTitleHint | Qt::WindowSystemMenuHint | Qt::WindowMinimizeButtonHint |
                   Qt::WindowCloseButtonHint);
    setFont(DialogFont());

    timerSplash_.setObjectName(QStringLiteral("timerSplash"));
    timerSplash_.setInterval(kSplashMilliseconds);
    // A coarse timer may fire up to 5 % early; the splash stands 2.5 s.
    timerSplash_.setTimerType(Qt::PreciseTimer);
    connect(&timerSplash_, &QTimer::timeout, this, &frmMain::timerSplash_Timer);

    CreateMenu();

    auto* client = new ClientArea(QSize(Px(10125), Px(11940)), this);
    client->setObjectName(QStringLiteral("client"));
    setCentralWidget(client);

    SSTab1_ = new TabControl(client);
    SSTab1_->setObjectName(QStringLiteral("SSTab1"));
    SSTab1_->setGeometry(Twips(360, 240, 9435, 11145));
    CreateFuelMapPage(SSTab1_->addPage(ToQString(Layout(Family::Data).title), QStringLiteral("SSTab1.page0")));
    CreateOtherParametersPage(SSTab1_->addPage(QStringLiteral("Other parameters"), QStringLiteral("SSTab1.page1")));
    SSTab1_->setCurrentIndex(0);

    // The window opens at the size of its layout, even on a screen smaller
    // than that (adjustSize() would cut it to two thirds of the screen); the
    // layout itself never moves, so a smaller window clips it and a larger
    // one shows empty space.
    resize(sizeHint());
}

void frmMain::CreateMenu() {
    QMenu* mnuFile = menuBar()->addMenu(QStringLiteral("&File"));
    mnuFile->menuAction()->setObjectName(QStringLiteral("mnuFile"));
    mnuFile->setObjectName(QStringLiteral("mnuFile.menu"));

    smnuOpen_ = mnuFile->addAction(QStringLiteral("&Open..."));
    smnuOpen_->setObjectName(QStringLiteral("smnuOpen"));
    smnuOpen_->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_O));
    connect(smnuOpen_, &QAction::triggered, this, &frmMain::smnuOpen_Click);

    smnuSaveAs_ = mnuFile->addAction(QStringLiteral("&Save As..."));
    smnuSaveAs_->setObjectName(QStringLiteral("smnuSaveAs"));
    smnuSaveAs_->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_S));
    smnuSaveAs_->setEnabled(false);
    connect(smnuSaveAs_, &QAction::triggered, this, &frmMain::smnuSaveAs_Click);

    QAction* bar = mnuFile->addSeparator();
    bar->setObjectName(QStringLiteral("smnuBar1"));

    smnuExit_ = mnuFile->addAction(QStringLiteral("E&xit"));
    smnuExit_->setObjectName(QStringLiteral("smnuExit"));
    connect(smnuExit_, &QAction::triggered, this, &frmMain::smnuExit_Click);

    mnuAbout_ = menuBar()->addAction(QStringLiteral("&About..."));
    mnuAbout_->setObjectName(QStringLiteral("mnuAbout"));
    connect(mnuAbout_, &QAction::triggered, this, &frmMain::mnuAbout_Click);
}

FieldEdit* frmMain::CreateField(QWidget* parent, Family family, int index, QRect geometry, const QString& name) {
    auto* edit = new FieldEdit(family, parent);
    edit->setObjectName(name);
    edit->setGeometry(geometry);
    fields_.At(family, index) = edit;
    return edit;
}

void frmMain::CreateFuelMapPage(QWidget* page) {
    for (int i = 0; i < kFuelCells; ++i) {
        const int row = GridRow(i);
        const int column = GridColumn(i);
        FieldEdit* edit = CreateField(page, Family::Data, i, Twips(1200 + 435 * column, kGridRows[row].top, 450, 285),
                                      IndexedName("txtData", i));
        edit->setAccessibleName(QStringLiteral("Fuel map, %1, column %2").arg(RowCaption(row)).arg(column + 1));
        edit->setText(QStringLiteral("10"));
        connect(edit, &QLineEdit::textChanged, this, [this, i] { txtData_Change(i); });
        connect(edit, &FieldEdit::clicked, this, [this, i] { txtData_Click(i); });
    }
    for (int r = 0; r < kFuelSide; ++r) {
        auto* label = new QLabel(RowCaption(r), page);
        label->setObjectName(IndexedName("lblRPM", kGridRows[static_cast<std::size_t>(r)].labelIndex));
        label->setAlignment(Qt::AlignRight | Qt::AlignTop);
        // Right-aligned in its box; a caption wider than the box in this
        // font grows to the left instead of being cut.
        QRect box = Twips(480, 720 + 260 * r, 675, 195);
        box.setLeft(box.right() + 1 - std::max(box.width(), label->sizeHint().width()));
        label->setGeometry(box);
    }
    AddLabel(page, IndexedName("lblRPM", 20), QStringLiteral("Rev."), 720, 420);
    AddLabel(page, IndexedName("lblMassflow", 0), QStringLiteral("0"), 1200, 4920);
    QLabel* hundred =
        AddLabel(page, IndexedName("lblMassflow", 1), QStringLiteral("100"), 7920, 4920, Qt::AlignRight | Qt::AlignTop);
    hundred->setGeometry(Px(7920), Px(4920), Px(8190) - Px(7920), hundred->height());
    AddLabel(page, IndexedName("lblLoad", 16), QStringLiteral("Massflow [%]"), 8340, 4920);

    QWidget& view = graph_.Widget();
    view.setParent(page);
    view.setObjectName(QStringLiteral("Graph"));
    view.setGeometry(Twips(1320, 5220, 6195, 5475));
    view.show();
}

void frmMain::CreateOtherParametersPage(QWidget* page) {
    const std::array<FrameLayout, 4> frames{{
        {"frmFLE", QRect(420, 660, 1755, 5775), Family::FLE, "txtFLE", 900, "Line1(0)", 780, 5560, 0, 1},
        {"frmWE", QRect(2460, 660, 1755, 5775), Family::WE, "txtWE", 870, "Line2", 750, 5560, 26, 1},
        {"frmAE", QRect(4500, 660, 2055, 3375), Family::AE, "txtAE", 855, "Line4", 735, 3120, 51, -1},
        {"frmIS", QRect(6840, 660, 2055, 3375), Family::IS, "txtIS", 855, "Line3", 735, 3120, 25, -1},
    }};
    QFont bold = DialogFont();
    bold.setBold(true);
    for (const FrameLayout& layout : frames) {
        const TableLayout& table = Layout(layout.family);
        auto* frame = new QGroupBox(ToQString(table.title), page);
        frame->setObjectName(QString::fromLatin1(layout.name));
        frame->setGeometry(Twips(layout.twips.x(), layout.twips.y(), layout.twips.width(), layout.twips.height()));

        auto* line = new QFrame(frame);
        line->setObjectName(QString::fromLatin1(layout.lineName));
        line->setFrameShape(QFrame::VLine);
        line->setFrameShadow(QFrame::Plain);
        line->setGeometry(Px(layout.lineX), Px(360), 1, Px(layout.lineBottom) - Px(360));

        for (int i = 0; i < table.count; ++i) {
            const QString caption = ToQString(table.captions[static_cast<std::size_t>(i)]);
            FieldEdit* edit = CreateField(frame, layout.family, i, Twips(layout.fieldLeft, 420 + 300 * i, 400, 285),
                                          IndexedName(layout.fieldName, i));
            edit->setAccessibleName(
                QStringLiteral("%1, row %2, %3").arg(ToQString(table.title)).arg(i + 1).arg(caption));

            auto* label = new QLabel(caption, frame);
            label->setObjectName(IndexedName("lblRPMFulllast", layout.labelBase + layout.labelStep * i));
            label->setFont(bold);
            label->adjustSize();
            // Right edge 105 twips (7 px) left of the separator line.
            label->move(Px(layout.lineX) - 7 - label->width(), Px(420 + 300 * i + 60));
        }
    }

    struct SingleLayout {
        const char* frameName;
        int left;
        const char* labelName;
        const char* fieldName;
        Family family;
    };
    for (const SingleLayout& layout : {SingleLayout{"frmRL", 4500, "Label1", "txtRL", Family::RL},
                                       SingleLayout{"frmCC", 6840, "Label2", "txtCC", Family::CC}}) {
        const QString title = ToQString(Layout(layout.family).title);
        auto* frame = new QGroupBox(title, page);
        frame->setObjectName(QString::fromLatin1(layout.frameName));
        frame->setGeometry(Twips(layout.left, 4140, 2055, 795));
        AddLabel(frame, QString::fromLatin1(layout.labelName), QStringLiteral("Value:"), 180, 360);
        FieldEdit* edit =
            CreateField(frame, layout.family, 0, Twips(1080, 300, 735, 285), QString::fromLatin1(layout.fieldName));
        edit->setAccessibleName(title);
    }
}

}  // namespace tarvik
