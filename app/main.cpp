#include <QApplication>

#include "app/InputLineFrm.h"
#include "app/StartUpFrm.h"
#include "data/BuildingData.h"
#include "workspace/Prompts.h"

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("velmora"));
    QApplication::setApplicationVersion(QStringLiteral("8.1"));

    // The record and the dialogs live for the whole run; main windows come
    // and go around them.
    static velmora::BuildingData record;
    static velmora::QtPrompts prompts;

    auto* splash = new velmora::StartUpFrm([] {
        auto* w = new velmora::InputLineFrm(record, prompts);
        w->setAttribute(Qt::WA_DeleteOnClose);
        w->show();
        w->activateWindow();
    });
    splash->setAttribute(Qt::WA_DeleteOnClose);
    splash->show();
    return app.exec();
}
