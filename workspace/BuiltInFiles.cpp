// SPDX-License-Identifier: GPL-3.0-or-later
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
    // Started from elsewhere: the files shipped beside the executable, or
    // those of an installed program in its data folder.
    const QDir exe(QCoreApplication::applicationDirPath());
    for (const QString& other :
         {exe.filePath(relative),
          QDir(exe.filePath(QStringLiteral(VELMORA_DATA_FROM_BINDIR))).filePath(relative)}) {
        if (QFileInfo::exists(other))
            return QDir::toNativeSeparators(QDir::cleanPath(other));
    }
    return QDir::toNativeSeparators(first);
}

BusyCursor::BusyCursor() {
    QApplication::setOverrideCursor(Qt::WaitCursor);
}
BusyCursor::~BusyCursor() {
    QApplication::restoreOverrideCursor();
}

} // namespace velmora
