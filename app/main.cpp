#include <QApplication>
#include <QMainWindow>

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    // Minimal window until the main window lands.
    QMainWindow w;
    w.setWindowTitle(QStringLiteral("velmora"));
    w.resize(1280, 800);
    w.show();
    return app.exec();
}
