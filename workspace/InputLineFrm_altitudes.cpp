// The four altitude boxes: a feet box and a metres box per altitude, each
// following its partner while the user types in it, and the check run before
// the plan map or a drawing tool.
#include <QLineEdit>

#include "app/InputLineFrm.h"
#include "workspace/Prompts.h"

namespace velmora {

QLineEdit* InputLineFrm::AltitudeEdit(AltitudeBox box) const {
    switch (box) {
    case AltitudeBox::VerFeet:
        return VerHeightTxt;
    case AltitudeBox::VerMetres:
        return VerHeightmTxt;
    case AltitudeBox::IncliFeet:
        return IncliHeightTxt;
    case AltitudeBox::IncliMetres:
        return IncliHeightmTxt;
    }
    return VerHeightTxt;
}

void InputLineFrm::AltitudeTxt_Change(AltitudeBox box) {
    QLineEdit* edit = AltitudeEdit(box);
    const AltitudeBoxChange change =
        AltitudeBoxChanged(box, edit->text().toStdString(), pHeightUnitFocus);
    if (change.rejected) {
        prompts_.Message(this, QString::fromUtf8(kAltitudeOutOfRangeMessage));
        // Raises this handler once more with the empty text.
        edit->setText(QString());
        return;
    }
    if (change.partnerText)
        AltitudeEdit(PartnerBox(box))->setText(QString::fromStdString(*change.partnerText));
}

AltitudeBoxTexts InputLineFrm::AltitudeTexts() const {
    AltitudeBoxTexts t;
    t.verFeet = VerHeightTxt->text().toStdString();
    t.verMetres = VerHeightmTxt->text().toStdString();
    t.incliFeet = IncliHeightTxt->text().toStdString();
    t.incliMetres = IncliHeightmTxt->text().toStdString();
    return t;
}

Count InputLineFrm::ValidateAltitudes() {
    const AltitudeValidation v = velmora::ValidateAltitudes(VerHeightTxt->text().toStdString(),
                                                            IncliHeightTxt->text().toStdString());
    if (v.result != 1)
        prompts_.Message(this, QString::fromStdString(v.message));
    return v.result;
}

} // namespace velmora
