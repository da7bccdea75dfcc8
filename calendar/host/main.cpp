// SPDX-License-Identifier: LGPL-3.0-or-later
// Example host of the daylin calendar control: one control embedded by
// linking, a second one created by class id through the library's entry
// points, as a host that links nothing of daylin would do it.

#include "daylin.h"

#include <QApplication>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLibrary>
#include <QMetaMethod>
#include <QVBoxLayout>

namespace {

// Shows a control's Value in a label whenever the control raises Click.
class DateLabel : public QLabel {
    Q_OBJECT
  public:
    DateLabel(QObject* control, QWidget* parent) : QLabel(parent), control_(control) { ShowDate(); }
  public slots:
    void ShowDate() {
        setText(QStringLiteral("選択した日付: ") + control_->property("Value").toString());
    }

  private:
    QObject* control_;
};

void ConnectClick(QObject* control, DateLabel* label) {
    const QMetaObject* meta = control->metaObject();
    const QMetaMethod click = meta->method(meta->indexOfSignal("Click()"));
    const QMetaMethod show =
        label->metaObject()->method(label->metaObject()->indexOfSlot("ShowDate()"));
    QObject::connect(control, click, label, show);
}

// Registers the library as an installer would, then finds it again by class
// id in the registry and asks its class factory for a control in `parent`.
QWidget* CreateByClassId(QWidget* parent, QString* report) {
    if (DllRegisterServer() != DaylinOk) {
        *report = QStringLiteral("登録できません: ") + daylin::registry::FilePath();
        return nullptr;
    }
    const QString classId = DaylinGuidToString(DaylinClsidCalencerOCX);
    const QString path = daylin::registry::LibraryForClass(classId);
    QLibrary library(path);
    auto getClassObject =
        reinterpret_cast<DaylinGetClassObjectFn>(library.resolve("DllGetClassObject"));
    auto canUnloadNow = reinterpret_cast<DaylinCanUnloadNowFn>(library.resolve("DllCanUnloadNow"));
    if (getClassObject == nullptr || canUnloadNow == nullptr) {
        *report = QStringLiteral("読み込めません: ") + path;
        return nullptr;
    }
    void* object = nullptr;
    if (getClassObject(&DaylinClsidCalencerOCX, &DaylinIidClassFactory, &object) != DaylinOk) {
        *report = QStringLiteral("クラスがありません: ") + classId;
        return nullptr;
    }
    auto* factory = static_cast<DaylinClassFactory*>(object);
    void* control = nullptr;
    factory->CreateInstance(parent, &DaylinIidCalencerOCX, &control);
    factory->Release();
    *report = classId + QStringLiteral("\n") + path + QStringLiteral("\nDllCanUnloadNow: ") +
              (canUnloadNow() == DaylinOk ? QStringLiteral("S_OK") : QStringLiteral("S_FALSE"));
    return static_cast<QWidget*>(control);
}

} // namespace

int main(int argc, char* argv[]) {
    QApplication app(argc, argv);
    QWidget window;
    window.setWindowTitle(QStringLiteral("daylin-host"));
    auto* columns = new QHBoxLayout(&window);

    auto* linkedBox = new QGroupBox(QStringLiteral("埋め込んだカレンダー"), &window);
    auto* linkedLayout = new QVBoxLayout(linkedBox);
    auto* linked = new daylin::CalencerOCX(linkedBox);
    auto* linkedDate = new DateLabel(linked, linkedBox);
    ConnectClick(linked, linkedDate);
    linkedLayout->addWidget(linked);
    linkedLayout->addWidget(linkedDate);
    linkedLayout->addStretch();
    columns->addWidget(linkedBox);

    auto* byClassBox = new QGroupBox(QStringLiteral("クラスIDから作成したカレンダー"), &window);
    auto* byClassLayout = new QVBoxLayout(byClassBox);
    QString report;
    if (QWidget* created = CreateByClassId(byClassBox, &report)) {
        auto* createdDate = new DateLabel(created, byClassBox);
        ConnectClick(created, createdDate);
        byClassLayout->addWidget(created);
        byClassLayout->addWidget(createdDate);
    }
    auto* reportLabel = new QLabel(report, byClassBox);
    reportLabel->setTextInteractionFlags(Qt::TextSelectableByMouse);
    byClassLayout->addWidget(reportLabel);
    byClassLayout->addStretch();
    columns->addWidget(byClassBox);

    window.show();
    return app.exec();
}

#include "main.moc"
