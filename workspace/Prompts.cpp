// SPDX-License-Identifier: GPL-3.0-or-later
#include "workspace/Prompts.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileDialog>
#include <QMessageBox>
#include <QProgressDialog>
#include <QPushButton>
#include <QRegularExpression>
#include <algorithm>

#include "workspace/QtJapanese.h"

namespace velmora {

namespace {

const QString kTitle = QStringLiteral("velmora");

// A preset like "*.dat" is a pattern, not a name to preselect.
QString InitialSelection(const QString& initialName) {
    if (initialName.contains(u'*') || initialName.contains(u'?'))
        return QString();
    return initialName;
}

} // namespace

QStringList DialogNameFilters(const QString& filter) {
    const QStringList parts = filter.split(u'|');
    QStringList out;
    for (qsizetype i = 0; i + 1 < parts.size(); i += 2) {
        const QString desc = parts[i].trimmed();
        QStringList patterns =
            parts[i + 1].split(QRegularExpression(QStringLiteral("[;\\s]+")), Qt::SkipEmptyParts);
        const QString pattern = patterns.join(u' ');
        if (desc.isEmpty() && pattern.isEmpty())
            continue;
        if (desc.contains(QLatin1Char('(') + pattern + QLatin1Char(')')))
            out << desc;
        else if (desc.endsWith(u')') && desc.mid(desc.lastIndexOf(u'(')).contains(u'*'))
            // The description names its patterns already, maybe as "*.a;*.b".
            out << desc.left(desc.lastIndexOf(u'(')).trimmed() +
                       QStringLiteral(" (%1)").arg(pattern);
        else
            out << QStringLiteral("%1 (%2)").arg(desc, pattern);
    }
    return out;
}

QStringList NameFilterPatterns(const QString& nameFilter) {
    // As QFileDialog reads a filter: the text in the last parentheses,
    // split at spaces.
    static const QRegularExpression kList(QStringLiteral("^(.*)\\(([^()]*)\\)$"));
    const QRegularExpressionMatch m = kList.match(nameFilter.trimmed());
    const QString list = m.hasMatch() ? m.captured(2) : nameFilter.trimmed();
    QStringList out = list.split(u' ', Qt::SkipEmptyParts);
    if (out.isEmpty())
        out << QStringLiteral("*");
    return out;
}

namespace {

class NoProgress final : public Progress {
  public:
    bool Step(int, int) override { return true; }
};

// A window-modal progress dialog; each step lets the window handle its
// events, so the cancel button is seen.
class DialogProgress final : public Progress {
  public:
    DialogProgress(QWidget* parent, const QString& text)
        : dialog_(text, QStringLiteral("キャンセル"), 0, 0, parent) {
        dialog_.setWindowTitle(kTitle);
        dialog_.setWindowModality(Qt::WindowModal);
        dialog_.setMinimumDuration(300);
    }
    bool Step(int done, int total) override {
        dialog_.setMaximum(std::max(total, 1));
        dialog_.setValue(std::min(done, std::max(total, 1)));
        QCoreApplication::processEvents();
        return !dialog_.wasCanceled();
    }

  private:
    QProgressDialog dialog_;
};

class ScriptedProgress final : public Progress {
  public:
    explicit ScriptedProgress(ScriptedPrompts& p) : p_(p) {}
    bool Step(int done, int) override {
        ++p_.progressSteps;
        return p_.cancelProgressAt < 0 || done < p_.cancelProgressAt;
    }

  private:
    ScriptedPrompts& p_;
};

} // namespace

std::unique_ptr<Progress> Prompts::StartProgress(QWidget*, const QString&) {
    return std::make_unique<NoProgress>();
}

std::unique_ptr<Progress> QtPrompts::StartProgress(QWidget* parent, const QString& text) {
    return std::make_unique<DialogProgress>(parent, text);
}

std::unique_ptr<Progress> ScriptedPrompts::StartProgress(QWidget*, const QString& text) {
    progressTexts << text;
    return std::make_unique<ScriptedProgress>(*this);
}

void QtPrompts::Message(QWidget* parent, const QString& text) {
    const JapaneseQtTexts japanese;
    QMessageBox::information(parent, kTitle, text, QMessageBox::Ok);
}

bool QtPrompts::Question(QWidget* parent, const QString& text) {
    const JapaneseQtTexts japanese;
    return QMessageBox::question(parent, kTitle, text, QMessageBox::Ok | QMessageBox::Cancel,
                                 QMessageBox::Ok) == QMessageBox::Ok;
}

std::unique_ptr<QMessageBox> SaveQuestionBox(QWidget* parent, const QString& text) {
    auto box = std::make_unique<QMessageBox>(QMessageBox::Question, kTitle, text,
                                             QMessageBox::NoButton, parent);
    // Each button says what it does.
    QPushButton* save = box->addButton(QStringLiteral("保存する"), QMessageBox::AcceptRole);
    box->addButton(QStringLiteral("保存しない"), QMessageBox::DestructiveRole);
    QPushButton* cancel = box->addButton(QStringLiteral("キャンセル"), QMessageBox::RejectRole);
    box->setDefaultButton(save);
    // Escape and the frame's close box keep everything as it is.
    box->setEscapeButton(cancel);
    return box;
}

SaveChoice SaveChoiceOf(const QMessageBox& box) {
    switch (box.buttonRole(box.clickedButton())) {
    case QMessageBox::AcceptRole:
        return SaveChoice::Save;
    case QMessageBox::DestructiveRole:
        return SaveChoice::Discard;
    default:
        return SaveChoice::Cancel;
    }
}

SaveChoice QtPrompts::AskToSave(QWidget* parent, const QString& text) {
    const JapaneseQtTexts japanese;
    const std::unique_ptr<QMessageBox> box = SaveQuestionBox(parent, text);
    box->exec();
    return SaveChoiceOf(*box);
}

std::optional<QString> QtPrompts::OpenFile(QWidget* parent, const QString& filter,
                                           const QString& initialName) {
    const JapaneseQtTexts japanese;
    QFileDialog dlg(parent, QStringLiteral("開く"));
    dlg.setAcceptMode(QFileDialog::AcceptOpen);
    dlg.setFileMode(QFileDialog::ExistingFile);
    const QStringList filters = DialogNameFilters(filter);
    dlg.setNameFilters(filters);
    if (!filters.isEmpty())
        dlg.selectNameFilter(filters.front());
    dlg.setDirectory(QDir::currentPath());
    const QString name = InitialSelection(initialName);
    if (!name.isEmpty())
        dlg.selectFile(name);
    if (dlg.exec() != QDialog::Accepted || dlg.selectedFiles().isEmpty())
        return std::nullopt;
    return QDir::toNativeSeparators(dlg.selectedFiles().front());
}

std::optional<QString> QtPrompts::SaveFile(QWidget* parent, const QString& filter,
                                           const QString& initialName) {
    const JapaneseQtTexts japanese;
    QFileDialog dlg(parent, QStringLiteral("名前を付けて保存"));
    dlg.setAcceptMode(QFileDialog::AcceptSave);
    dlg.setFileMode(QFileDialog::AnyFile);
    // The save command asks its own overwrite question.
    dlg.setOption(QFileDialog::DontConfirmOverwrite, true);
    const QStringList filters = DialogNameFilters(filter);
    dlg.setNameFilters(filters);
    if (!filters.isEmpty())
        dlg.selectNameFilter(filters.front());
    dlg.setDirectory(QDir::currentPath());
    const QString name = InitialSelection(initialName);
    if (!name.isEmpty())
        dlg.selectFile(name);
    if (dlg.exec() != QDialog::Accepted)
        return std::nullopt;
    return QDir::toNativeSeparators(dlg.selectedFiles().value(0));
}

QStringList QtPrompts::OpenFiles(QWidget* parent, const QString& filter, const QString& folder) {
    const JapaneseQtTexts japanese;
    QFileDialog dlg(parent, QStringLiteral("開く"));
    dlg.setAcceptMode(QFileDialog::AcceptOpen);
    dlg.setFileMode(QFileDialog::ExistingFiles);
    const QStringList filters = DialogNameFilters(filter);
    dlg.setNameFilters(filters);
    if (!filters.isEmpty())
        dlg.selectNameFilter(filters.front());
    dlg.setDirectory(!folder.isEmpty() && QDir(folder).exists() ? folder : QDir::currentPath());
    if (dlg.exec() != QDialog::Accepted)
        return {};
    QStringList out;
    for (const QString& f : dlg.selectedFiles())
        out << QDir::toNativeSeparators(f);
    return out;
}

bool ScriptedPrompts::Next(Answer& out) {
    if (answers_.empty()) {
        ++unanswered;
        return false;
    }
    out = answers_.front();
    answers_.pop_front();
    return true;
}

void ScriptedPrompts::Message(QWidget*, const QString& text) {
    asked_.push_back({Kind::Message, text, QString()});
}

bool ScriptedPrompts::Question(QWidget*, const QString& text) {
    asked_.push_back({Kind::Question, text, QString()});
    Answer a;
    return Next(a) && a.ok;
}

SaveChoice ScriptedPrompts::AskToSave(QWidget*, const QString& text) {
    asked_.push_back({Kind::Question, text, QString()});
    Answer a;
    if (!Next(a))
        return SaveChoice::Cancel;
    if (a.choice)
        return *a.choice;
    return a.ok ? SaveChoice::Save : SaveChoice::Cancel;
}

std::optional<QString> ScriptedPrompts::OpenFile(QWidget*, const QString& filter,
                                                 const QString& initialName) {
    asked_.push_back({Kind::Open, filter, initialName});
    Answer a;
    return Next(a) ? a.path : std::nullopt;
}

std::optional<QString> ScriptedPrompts::SaveFile(QWidget*, const QString& filter,
                                                 const QString& initialName) {
    asked_.push_back({Kind::Save, filter, initialName});
    Answer a;
    return Next(a) ? a.path : std::nullopt;
}

QStringList ScriptedPrompts::OpenFiles(QWidget*, const QString& filter, const QString& folder) {
    asked_.push_back({Kind::OpenMany, filter, folder});
    Answer a;
    if (!Next(a))
        return {};
    if (a.paths)
        return *a.paths;
    return a.path ? QStringList{*a.path} : QStringList{};
}

QStringList ScriptedPrompts::Texts() const {
    QStringList out;
    for (const auto& a : asked_)
        if (a.kind == Kind::Message || a.kind == Kind::Question)
            out << a.text;
    return out;
}

} // namespace velmora
