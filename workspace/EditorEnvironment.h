// SPDX-License-Identifier: GPL-3.0-or-later
// What the tools of the main window's editor reach: the session, the picture
// view's drawing, the untouched picture, messages through the prompts, the
// cursors, the view's redraws and the height box. The edit menu's items are
// asked for by signal: the owner of the menu keeps them in step.
#pragma once

#include <QObject>

#include "workspace/Tool.h"

namespace velmora {

class Prompts;
class ViewController;
class WorkingArea;

class EditorEnvironment : public QObject, public ToolEnvironment {
    Q_OBJECT
  public:
    EditorEnvironment(WorkingArea& work, EditSession& session, ViewController& views,
                      Prompts& prompts, QObject* parent = nullptr);

    EditSession& Session() override { return session_; }
    DrawingSurface& Surface() override;
    const QImage& UntouchedPicture() override;
    void Message(const QString& text) override;
    void ShowRefusal(EditRefusal r) override;
    void SetToolCursor(const char* file) override;
    void ShowSlopeLineMap(InclinedRedraw r) override;
    void ShowFlatLineMap(PlanRedraw r) override;
    void ZoomFlatMap(bool in) override;
    void ShowWallHeight(float yUpper, float yLower) override;
    void RefreshViewGeometry() override;
    void ClearHeight() override;
    void ShowStatus(const QString& text) override { emit StatusWanted(text); }
    void SetRemoveRoofMenu(MenuState s) override;
    void SetChangeHeightMenu(bool enabled) override;

  signals:
    void RemoveRoofMenuWanted(bool enabled);
    void ChangeHeightMenuWanted(bool enabled);
    void StatusWanted(const QString& text);

  private:
    WorkingArea& work_;
    EditSession& session_;
    ViewController& views_;
    Prompts& prompts_;
};

} // namespace velmora
