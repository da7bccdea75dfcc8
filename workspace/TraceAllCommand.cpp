// SPDX-License-Identifier: GPL-3.0-or-later
// "全ビル自動トレース": the whole-picture search of the core run on the
// picture the one-click tool has prepared, with the camera the altitude
// boxes give, and its roofs and walls registered as one undoable step.
#include <QImage>
#include <map>

#include "data/Conventions.h"
#include "data/Editing.h"
#include "tracing/CameraCheck.h"
#include "tracing/WholePicture.h"
#include "workspace/AltitudePanel.h"
#include "workspace/EditorEnvironment.h"
#include "workspace/PhotoEditor.h"
#include "workspace/Prompts.h"
#include "workspace/ToolController.h"
#include "workspace/Tools.h"
#include "workspace/ViewController.h"
#include "workspace/WorkingArea.h"

namespace velmora {

namespace {

std::vector<std::vector<PicturePoint>> RecordOutlines(const BuildingData& d) {
    std::vector<std::vector<PicturePoint>> out;
    for (int r = 0; r < d.gEachTopAreaNumber && r < static_cast<int>(kRoofCapacity); ++r) {
        const auto start = static_cast<std::size_t>(d.gEachTopAreaStartNum[std::size_t(r)]);
        const auto count = static_cast<std::size_t>(d.gEachTopAreaPointNum[std::size_t(r)]);
        std::vector<PicturePoint> o;
        for (std::size_t i = start; i < start + count && i < kPointCapacity; ++i)
            o.push_back({d.gTopAreaX[i], d.gTopAreaY[i]});
        out.push_back(std::move(o));
    }
    return out;
}

} // namespace

QString PhotoEditor::TraceAllSummary(int found, int withHeight,
                                     const std::vector<std::pair<QString, int>>& without) {
    QString line =
        QStringLiteral("全ビル自動トレース：屋上 %1 件を登録（高さあり %2 件、高さなし %3 件")
            .arg(found)
            .arg(withHeight)
            .arg(found - withHeight);
    QStringList why;
    for (const auto& [reason, n] : without)
        if (n > 0)
            why << QStringLiteral("%1 %2 件").arg(reason).arg(n);
    if (!why.isEmpty())
        line += QStringLiteral("：") + why.join(QStringLiteral("、"));
    return line + QStringLiteral("）。");
}

void PhotoEditor::TraceAllRoofs_Click() {
    EndLostPress();
    if (session_.PressHeld() || tools_->DrawingOutline())
        return;
    if (session_.View() != ViewMode::Inclined) {
        emit StatusText(QStringLiteral("全ビル自動トレースは傾斜図表示で使います。"));
        return;
    }
    if (env_->UntouchedPicture().isNull()) {
        emit StatusText(QStringLiteral("全ビル自動トレース：画像がありません。"));
        return;
    }
    // The camera comes from the altitudes, as for the one-click tool.
    if (work_.Altitudes().ValidateAltitudes() != 1)
        return;
    BuildingData& data = session_.Data();
    env_->RefreshViewGeometry();
    const TraceCamera camera{data.gSlideAngle * kDegToRad, data.gFlatHeight,
                             data.gPhotoMetrePerUnit};
    TraceTool& tool = tools_->Trace();
    const TraceInput& input = tool.PreparedInput();
    WholePictureResult found;
    {
        const std::unique_ptr<Progress> progress =
            prompts_.StartProgress(work_.window(), QStringLiteral("全ビル自動トレース中…"));
        found = FindEveryRoof(tool.Tracer(), input, camera, RecordOutlines(data),
                              [&](int done, int total) { return progress->Step(done, total); });
    }
    if (found.cancelled) {
        emit StatusText(QStringLiteral("全ビル自動トレースを中止しました。何も登録していません。"));
        return;
    }
    // The camera checked on every roof of the record and every one found: a
    // camera that does not fit the picture measures no height.
    std::vector<std::vector<PicturePoint>> outlines = RecordOutlines(data);
    for (const FoundRoof& f : found.roofs)
        outlines.push_back(f.traced.outline);
    const CameraCheck cam = CheckCameraAtRoofs(outlines, input.edges,
                                               env_->UntouchedPicture().width(), data.gSlideAngle);
    const bool misfit = cam.verdict == CameraVerdict::Disagrees;
    int registered = 0, withHeight = 0, twoHeights = 0, weak = 0, wallsFull = 0, roofsFull = 0,
        unfit = 0, unsettled = 0;
    {
        Action action(*this);
        for (const FoundRoof& f : found.roofs) {
            const TraceResult& r = f.traced;
            const bool walled = r.wall && !misfit;
            const TracedRegistration added =
                RegisterTracedRoof(data, r.outline, walled ? &r.wall->top : nullptr,
                                   walled ? &r.wall->bottom : nullptr);
            if (added.roof != AppendResult::Ok) {
                ++roofsFull;
                continue;
            }
            ++registered;
            if (added.wall == AppendResult::Ok)
                ++withHeight;
            else if (misfit)
                ++unfit;
            else if (r.wall)
                ++wallsFull;
            else if (r.height.verdict == HeightVerdict::TwoHeights)
                ++twoHeights;
            else if (r.height.verdict != HeightVerdict::TooWeak)
                ++unsettled;
            else
                ++weak;
        }
        if (registered > 0) {
            session_.CountEdit();
            session_.SetActiveRoof(-1);
        }
        views_->ShowSlopeLineMap({});
    }
    QString line = TraceAllSummary(registered, withHeight,
                                   {{QStringLiteral("二つの高さが合う"), twoHeights},
                                    {QStringLiteral("壁の手がかりが弱い"), weak},
                                    {QStringLiteral("壁の足元が決まらない"), unsettled},
                                    {QStringLiteral("側壁ラインの表が満杯"), wallsFull},
                                    {QStringLiteral("カメラが画像に合わない"), unfit}});
    if (misfit)
        line +=
            QStringLiteral("カメラが画像に合いません（建物の縦の線は傾き %1°、高度からは %2°）。"
                           "高さは登録しません。")
                .arg(QString::number(cam.pictureTilt.value_or(0), 'f', 1),
                     QString::number(cam.typedTilt, 'f', 1));
    if (roofsFull > 0)
        line += QStringLiteral("屋上の表が満杯で %1 件は登録できません。").arg(roofsFull);
    emit StatusText(line);
}

} // namespace velmora
