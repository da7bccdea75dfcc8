// One-click tracing in the inclined view: a double-click with the tool
// "ビル屋上" registers the roof under the click and the wall found below it,
// and shows the building height.
#include <QImage>
#include <QLineEdit>

#include "app/InputLineFrm.h"
#include "data/Conventions.h"
#include "data/Editing.h"
#include "tracing/RoofTracer.h"
#include "workspace/PictureView.h"
#include "workspace/Prompts.h"

namespace velmora {

struct TraceWork {
    RoofTracer tracer;
    // Grey copy of the picture as loaded; the drawing surface with its
    // outlines must never leak into the analysis.
    GreyRaster grey;
    qint64 pictureKey = 0;
    bool hasPicture = false;
};

namespace {

const QColor kWallPreview(0, 200, 255);

QColor ToQColor(Rgb c) {
    return QColor(c.r, c.g, c.b);
}

GreyRaster GreyCopyOf(const QImage& picture) {
    const QImage rgb = picture.convertToFormat(QImage::Format_RGB32);
    GreyRaster grey(rgb.width(), rgb.height());
    for (int row = 0; row < rgb.height(); ++row) {
        const auto* line = reinterpret_cast<const QRgb*>(rgb.constScanLine(row));
        for (int col = 0; col < rgb.width(); ++col)
            grey.SetRgb(col, row, qRed(line[col]), qGreen(line[col]), qBlue(line[col]));
    }
    return grey;
}

} // namespace

void InputLineFrm::InitImageAnalysis() {
    traceWork_ = std::make_shared<TraceWork>();
    traceWork_->tracer.SetPicture(&traceWork_->grey);
    // The copy is made once per loaded picture, not in the user's double-click.
    connect(this, &InputLineFrm::PictureReady, this, [this] { RefreshTraceSource(); });
}

void InputLineFrm::RefreshTraceSource() {
    if (!traceWork_)
        InitImageAnalysis();
    TraceWork& w = *traceWork_;
    const QImage& picture = PhotoPic2->Picture();
    if (picture.isNull()) {
        // No picture: every pixel reads as outside and no click passes the gate.
        if (w.hasPicture)
            w.grey = GreyRaster();
        w.hasPicture = false;
        return;
    }
    if (w.hasPicture && w.pictureKey == picture.cacheKey())
        return;
    w.grey = GreyCopyOf(picture);
    w.pictureKey = picture.cacheKey();
    w.hasPicture = true;
}

void InputLineFrm::TraceRoofAtClick() {
    if (FindTopAreaAt(data_, pDownX, pDownY) >= 0) {
        prompts_.Message(this, QStringLiteral("この屋上は既にセットされています。"));
        return;
    }
    // Told after the hourglass is gone.
    EditRefusal refusal = EditRefusal::None;
    {
        BusyCursor busy;
        RefreshTraceSource();
        RoofTracer& tracer = traceWork_->tracer;
        if (tracer.TraceRoof(pDownX, pDownY)) {
            for (const PreviewLine& l : tracer.CornerPreview())
                PhotoPic->Line(l.from.x, l.from.y, l.to.x, l.to.y, ToQColor(kRoofColour));
            // An outline of fewer than two points gives no corners and is
            // refused here, leaving the record as it was.
            const AppendResult added = RegisterTracedRoof(tracer, data_);
            if (added == AppendResult::RoofTableFull || added == AppendResult::PointStoreFull) {
                // A full record: the preview must not stay behind looking
                // like a registered roof, and the user is told, as with the
                // roof tool.
                ShowSlopeLineMap(-1, -1);
                refusal = added == AppendResult::RoofTableFull ? EditRefusal::RoofTableFull
                                                               : EditRefusal::PointStoreFull;
            }
            if (added == AppendResult::Ok) {
                CountEdit();
                pDrawPointNum = 0;
                ShowSlopeLineMap(-1, -1);
                pActiveTopArea = static_cast<Count>(data_.gEachTopAreaNumber - 1);
                tracer.FindWall();
                const std::optional<WallLine> wall =
                    RegisterLongestWall(tracer, data_, pActiveTopArea);
                if (wall) {
                    PhotoPic->Line(wall->top.x, wall->top.y, wall->bottom.x, wall->bottom.y,
                                   kWallPreview);
                    PhotoPic->Circle(wall->top.x, wall->top.y, 2, kWallPreview);
                    PhotoPic->Circle(wall->bottom.x, wall->bottom.y, 2, kWallPreview);
                    pWallStartX = static_cast<float>(wall->top.x);
                    pWallStartY = static_cast<float>(wall->top.y);
                    pLastX = static_cast<float>(wall->bottom.x);
                    pLastY = static_cast<float>(wall->bottom.y);
                    ShowSlopeLineMap(pActiveTopArea, data_.gWallEdgeNumber + 1);
                } else if (tracer.LongestWall()) {
                    // A wall was found but the wall table is full.
                    refusal = EditRefusal::WallTableFull;
                }
                // Without a wall of this roof the box would otherwise keep the
                // height of some other building; an unmeasurable wall leaves it empty.
                HeightTxt->clear();
                if (wall)
                    ShowWallHeight(pWallStartY, pLastY);
                pWallStartSet = 0;
            }
        }
    }
    SetToolCursor(QStringLiteral("ARW10NW2.ICO"));
    ShowRefusal(refusal);
}

} // namespace velmora
