#include "workspace/BuiltInFiles.h"

#include <QApplication>
#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>

namespace velmora {

QString BuiltInFile(const std::string& appPath, const QString& relative) {
    const QString first = QDir(QString::fromStdString(appPath)).filePath(relative);
    if (QFileInfo::exists(first))
        return QDir::toNativeSeparators(first);
    // Started from elsewhere: the files shipped beside the executable.
    const QString second = QDir(QCoreApplication::applicationDirPath()).filePath(relative);
    if (QFileInfo::exists(second))
        return QDir::toNativeSeparators(second);
    return QDir::toNativeSeparators(first);
}

BusyCursor::BusyCursor() {
    QApplication::setOverrideCursor(Qt::WaitCursor);
}
BusyCursor::~BusyCursor() {
    QApplication::restoreOverrideCursor();
}

} // namespace velmora
