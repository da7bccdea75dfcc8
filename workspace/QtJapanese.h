// SPDX-License-Identifier: GPL-3.0-or-later
// Qt's own texts (standard buttons, the file dialog's labels, the text
// boxes' context menu) in Japanese, from Qt's translation "qtbase_ja".
#pragma once

namespace velmora {

// True when the user's locale is Japanese.
bool JapaneseLocale();

// Qt's texts in Japanese for the whole run. False when the translation is
// not installed on this machine (Qt's texts then stay English).
bool InstallJapaneseQtTexts();

// Qt's texts in Japanese while a dialog with Japanese texts is open,
// whatever the locale: its buttons then speak the dialog's language.
class JapaneseQtTexts {
  public:
    JapaneseQtTexts();
    ~JapaneseQtTexts();
    JapaneseQtTexts(const JapaneseQtTexts&) = delete;
    JapaneseQtTexts& operator=(const JapaneseQtTexts&) = delete;

  private:
    bool installed_ = false;
};

} // namespace velmora
