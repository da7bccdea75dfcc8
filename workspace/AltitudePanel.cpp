// SPDX-License-Identifier: GPL-3.0-or-later
#include "workspace/AltitudePanel.h"

#include <QEvent>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>

#include "data/Conventions.h"
#include "workspace/Prompts.h"
#include "workspace/QtText.h"
#include "workspace/Widgets.h"

namespace velmora {

AltitudePanel::AltitudePanel(Prompts& prompts, QWidget* parent)
    : QGroupBox(QStringLiteral("画像高度入力データ"), parent),
      VerHeightTxt(NumberBox("VerHeightTxt", this, 58)),
      VerHeightmTxt(NumberBox("VerHeightmTxt", this, 58)),
      IncliHeightTxt(NumberBox("IncliHeightTxt", this, 58)),
      IncliHeightmTxt(NumberBox("IncliHeightmTxt", this, 58)), prompts_(prompts) {
    setObjectName(QStringLiteral("AltitudeFlm"));
    auto* grid = new QGridLayout(this);
    grid->setHorizontalSpacing(5);
    grid->setVerticalSpacing(6);
    const struct {
        const char* caption;
        QLineEdit* feet;
        QLineEdit* metres;
    } rows[2] = {{"平面視高度(ft)", VerHeightTxt, VerHeightmTxt},
                 {"傾斜視高度(ft)", IncliHeightTxt, IncliHeightmTxt}};
    for (int r = 0; r < 2; ++r) {
        grid->addWidget(new QLabel(QString::fromUtf8(rows[r].caption), this), r, 0);
        grid->addWidget(rows[r].feet, r, 1);
        grid->addWidget(new QLabel(QStringLiteral("フィート"), this), r, 2);
        grid->addWidget(new QLabel(QStringLiteral("Or"), this), r, 3, Qt::AlignCenter);
        grid->addWidget(rows[r].metres, r, 4);
        grid->addWidget(new QLabel(QStringLiteral("m"), this), r, 5);
    }
    grid->setColumnStretch(0, 1);

    for (const AltitudeBox box : {AltitudeBox::VerFeet, AltitudeBox::VerMetres,
                                  AltitudeBox::IncliFeet, AltitudeBox::IncliMetres}) {
        QLineEdit* edit = AltitudeEdit(box);
        edit->installEventFilter(this);
        connect(edit, &QLineEdit::textChanged, this, [this, box] { AltitudeTxt_Change(box); });
    }
}

QLineEdit* AltitudePanel::AltitudeEdit(AltitudeBox box) const {
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

bool AltitudePanel::eventFilter(QObject* watched, QEvent* e) {
    if (e->type() == QEvent::FocusIn) {
        if (watched == VerHeightmTxt || watched == IncliHeightmTxt)
            pHeightUnitFocus = kFocusMetres;
        else if (watched == VerHeightTxt || watched == IncliHeightTxt)
            pHeightUnitFocus = kFocusFeet;
    }
    return QGroupBox::eventFilter(watched, e);
}

void AltitudePanel::SetDisplayOnly(bool on) {
    displayOnly_ = on;
    for (QLineEdit* e : {VerHeightTxt, VerHeightmTxt, IncliHeightTxt, IncliHeightmTxt})
        e->setReadOnly(on);
}

void AltitudePanel::AltitudeTxt_Change(AltitudeBox box) {
    if (displayOnly_)
        return;
    QLineEdit* edit = AltitudeEdit(box);
    const AltitudeBoxChange change =
        AltitudeBoxChanged(box, edit->text().toStdString(), pHeightUnitFocus);
    if (change.rejected) {
        prompts_.Message(window(), QString::fromUtf8(kAltitudeOutOfRangeMessage));
        // Raises this handler once more with the empty text.
        edit->setText(QString());
        return;
    }
    if (change.partnerText)
        AltitudeEdit(PartnerBox(box))->setText(QString::fromStdString(*change.partnerText));
}

AltitudeBoxTexts AltitudePanel::AltitudeTexts() const {
    AltitudeBoxTexts t;
    t.verFeet = VerHeightTxt->text().toStdString();
    t.verMetres = VerHeightmTxt->text().toStdString();
    t.incliFeet = IncliHeightTxt->text().toStdString();
    t.incliMetres = IncliHeightmTxt->text().toStdString();
    return t;
}

void AltitudePanel::SetTexts(const velmora::AltitudeTexts& t) {
    VerHeightmTxt->setText(Text(t.verHeightm));
    IncliHeightmTxt->setText(Text(t.incliHeightm));
    VerHeightTxt->setText(Text(t.verHeight));
    IncliHeightTxt->setText(Text(t.incliHeight));
}

void AltitudePanel::ShowMetres(float verMetres, float incliMetres) {
    const std::string verm = FormatPlain(verMetres);
    const std::string inclim = FormatPlain(incliMetres);
    const std::string verft = FormatWhole(verMetres * kFeetPerMetre);
    const std::string inclift = FormatWhole(incliMetres * kFeetPerMetre);
    SetTexts({verm, inclim, verft, inclift});
}

Count AltitudePanel::ValidateAltitudes() {
    const AltitudeValidation v = velmora::ValidateAltitudes(VerHeightTxt->text().toStdString(),
                                                            IncliHeightTxt->text().toStdString());
    if (v.result != 1)
        prompts_.Message(window(), QString::fromStdString(v.message));
    return v.result;
}

} // namespace velmora
