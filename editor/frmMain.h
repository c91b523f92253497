// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QMainWindow>
#include <QTimer>
#include <array>
#include <vector>

#include "editor/cell_watcher.h"
#include "graph/graph_view.h"
#include "image/fields.h"
#include "image/image_bytes.h"
#include "platform/platform.h"

class QAction;
class QLabel;

namespace tarvik {

class FieldEdit;
class TabControl;
class frmSplash;

// The main window and controller of the editor: it owns the image, the 310
// fields and the graph, and runs the menu commands.
class frmMain final : public QMainWindow, private FieldSink, private FieldSource {
    Q_OBJECT
public:
    static constexpr int kSplashMilliseconds = 2500;

    // platform: the desktop's dialogs, message box, cursor, files and modal
    // windows; graph: the 3-D view placed on the "Kennfellt" page, borrowed
    // for the window's life.
    frmMain(Platform platform, GraphView& graph, QWidget* parent = nullptr);
    ~frmMain() override;

    // Start-up, before the window is shown: the splash, then the tab order.
    void Form_Load();

    // The image a command line names, opened as Open opens a file chosen in
    // its dialog.
    void OpenFile(const QString& path);
    // Tells `watcher` (not owned; nullptr: none) of every image opened and
    // every field left from now on.
    void SetCellWatcher(CellWatcher* watcher);

    // Menu commands.
    void smnuOpen_Click();
    void smnuSaveAs_Click();
    void smnuExit_Click();
    void mnuAbout_Click();
    void timerSplash_Timer();

    // Fuel-map field events.
    void txtData_Change(int index);
    void txtData_Click(int index);

    // Encodes every field into the image; on an illegal value shows the
    // message and returns false.
    [[nodiscard]] bool StoreFieldsToImage();
    void LoadFieldsFromImage();

    [[nodiscard]] const ImageBytes& imageBytes() const { return ImageBytes_; }
    [[nodiscard]] bool suppressPlot() const { return SuppressPlot_; }
    [[nodiscard]] FieldEdit& field(Family family, int index) const;
    [[nodiscard]] QAction& saveAsAction() const { return *smnuSaveAs_; }
    [[nodiscard]] TabControl& tabControl() const { return *SSTab1_; }
    [[nodiscard]] QTimer& splashTimer() { return timerSplash_; }
    // SSTab1 first, then the 310 fields in the order Tab walks them.
    [[nodiscard]] const std::vector<QWidget*>& tabOrder() const { return tabOrder_; }

protected:
    bool focusNextPrevChild(bool next) override;
    void closeEvent(QCloseEvent* event) override;

private:
    void SetFieldText(Family family, int index, std::string_view text) override;
    [[nodiscard]] std::string FieldText(Family family, int index) const override;
    [[nodiscard]] double FieldNumber(Family family, int index) const override;

    void CreateMenu();
    void CreateFuelMapPage(QWidget* page);
    void CreateOtherParametersPage(QWidget* page);
    FieldEdit* CreateField(QWidget* parent, Family family, int index, QRect geometry, const QString& name);
    void SetTabOrder();
    void ShowIoError(const QString& action, const QString& path, const QString& reason);
    // Open's work once a path is known, with SuppressPlot set by the caller.
    void LoadImageFile(const QString& path);
    // The field that has the focus counts as left: a command is about to
    // use or end the session.
    void LeaveFocusedField();

    Platform platform_;
    ImageBytes ImageBytes_{};
    bool SuppressPlot_ = false;

    QTimer timerSplash_;
    frmSplash* splash_ = nullptr;  // not owned: alive only while shown

    QAction* smnuOpen_ = nullptr;
    QAction* smnuSaveAs_ = nullptr;
    QAction* smnuExit_ = nullptr;
    QAction* mnuAbout_ = nullptr;
    TabControl* SSTab1_ = nullptr;
    GraphView& graph_;

    // txtData, txtFLE, txtWE, txtAE, txtIS, txtRL and txtCC.
    PerFamily<FieldEdit*> fields_;
    std::vector<QWidget*> tabOrder_;
    CellWatcher* watcher_ = nullptr;
};

}  // namespace tarvik
