// SPDX-License-Identifier: GPL-3.0-or-later
// A main window on its own record and scripted prompts, started in a
// temporary program directory that holds the cursor files.
#pragma once

#include <QDir>
#include <QMetaType>
#include <QString>
#include <QTemporaryDir>
#include <memory>

#include "app/InputLineFrm.h"
#include "data/BuildingData.h"
#include "support/Images.h"
#include "workspace/AltitudePanel.h"
#include "workspace/EditSession.h"
#include "workspace/NorthDial.h"
#include "workspace/PhotoEditor.h"
#include "workspace/PicturePane.h"
#include "workspace/PictureView.h"
#include "workspace/Prompts.h"
#include "workspace/RibbonGroup.h"
#include "workspace/ToolController.h"
#include "workspace/ToolTable.h"
#include "workspace/Tools.h"
#include "workspace/ViewController.h"
#include "workspace/WorkingArea.h"

// Tools as test data.
Q_DECLARE_METATYPE(velmora::ToolId)

namespace velmora::testing {

class WindowFixture {
  public:
    // withIcons: the program directory has ico/ (a link to the built cursors).
    explicit WindowFixture(bool withIcons = true);
    ~WindowFixture();
    WindowFixture(const WindowFixture&) = delete;
    WindowFixture& operator=(const WindowFixture&) = delete;

    // A new main window on the same record (the old one is destroyed).
    InputLineFrm& Create();
    // Shows and activates the window (first activation runs).
    void ShowActive();
    void DestroyWindow() { window.reset(); }

    // Feet texts of the two altitudes, metres boxes derived.
    void SetAltitudes(const QString& verFeet, const QString& incliFeet);
    // Sample picture 2's altitudes (accepted by the check).
    void SetGoodAltitudes() { SetAltitudes(QStringLiteral("1961"), QStringLiteral("334")); }

    QString Path(const QString& relative) const { return dir.filePath(relative); }
    QString IcoFile(const QString& name) const;

    QTemporaryDir dir;
    std::unique_ptr<BuildingData> data;
    ScriptedPrompts prompts;
    std::unique_ptr<InputLineFrm> window;

  private:
    QString oldCwd_;
};

// Counts of the three tables.
struct Counts {
    int points, roofs, walls;
    friend bool operator==(const Counts&, const Counts&) = default;
};
Counts CountsOf(const BuildingData& d);

// The window's caption as its frame shows it: Qt's "[*]" becomes "*" while
// the window is marked modified and is left out otherwise.
QString ShownCaption(const QWidget& w);

// A pointer's double-click (the first click, then the double-click) with
// the current tool, placed so that its drawing position (the cursor tip)
// lands on p.
void DoubleClickAt(InputLineFrm& w, PicturePoint p);

} // namespace velmora::testing
