// SPDX-License-Identifier: GPL-3.0-or-later
#include "workspace/QtJapanese.h"

#include <QCoreApplication>
#include <QLibraryInfo>
#include <QLocale>
#include <QTranslator>

namespace velmora {

namespace {

// Loaded once; null when the file is not there.
QTranslator* Translation() {
    static QTranslator* loaded = [] {
        auto* t = new QTranslator(QCoreApplication::instance());
        if (t->load(QStringLiteral("qtbase_ja"),
                    QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
            return t;
        delete t;
        return static_cast<QTranslator*>(nullptr);
    }();
    return loaded;
}

// Installed for the whole run: dialogs need not install it again.
bool gForGood = false;

} // namespace

bool JapaneseLocale() {
    return QLocale().language() == QLocale::Japanese;
}

bool InstallJapaneseQtTexts() {
    if (gForGood)
        return true;
    QTranslator* t = QCoreApplication::instance() ? Translation() : nullptr;
    if (!t)
        return false;
    gForGood = QCoreApplication::installTranslator(t);
    return gForGood;
}

JapaneseQtTexts::JapaneseQtTexts() {
    if (gForGood || !QCoreApplication::instance())
        return;
    if (QTranslator* t = Translation())
        installed_ = QCoreApplication::installTranslator(t);
}

JapaneseQtTexts::~JapaneseQtTexts() {
    if (installed_ && !gForGood)
        QCoreApplication::removeTranslator(Translation());
}

} // namespace velmora
