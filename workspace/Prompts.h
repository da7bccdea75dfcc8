// SPDX-License-Identifier: GPL-3.0-or-later
// Every message box and file dialog of the program goes through this one
// interface, so that the commands can be driven headless: the Qt version
// shows real dialogs, the scripted one answers from a queue and records what
// was asked.
#pragma once

#include <QString>
#include <QStringList>
#include <deque>
#include <memory>
#include <optional>
#include <vector>

class QMessageBox;
class QWidget;

namespace velmora {

// A long command's progress, shown with a cancel button while it lasts
// (until the object is destroyed).
class Progress {
  public:
    virtual ~Progress() = default;
    // `done` of `total` steps; false once the user has cancelled.
    virtual bool Step(int done, int total) = 0;
};
// The answers to "変更を保存しますか？": "保存する", "保存しない", "キャンセル".
enum class SaveChoice { Save, Discard, Cancel };

class Prompts {
  public:
    virtual ~Prompts() = default;
    // A progress dialog for a long command. The default one shows nothing
    // and is never cancelled.
    virtual std::unique_ptr<Progress> StartProgress(QWidget* parent, const QString& text);
    // Message box with an OK button.
    virtual void Message(QWidget* parent, const QString& text) = 0;
    // Question with OK and Cancel; true for OK.
    virtual bool Question(QWidget* parent, const QString& text) = 0;
    // Whether to save unsaved edits before they are replaced or the window
    // closes: save, go on without saving, or keep everything as it is.
    virtual SaveChoice AskToSave(QWidget* parent, const QString& text) = 0;
    // File dialogs. `filter` is the "|"-separated list of description and
    // pattern pairs ("データファイル (*.dat)|*.dat|..."), the first entry
    // preselected. nullopt when cancelled.
    virtual std::optional<QString> OpenFile(QWidget* parent, const QString& filter,
                                            const QString& initialName) = 0;
    virtual std::optional<QString> SaveFile(QWidget* parent, const QString& filter,
                                            const QString& initialName) = 0;
    // Several existing files chosen at once, the dialog opened in `folder`
    // (empty: the current folder); empty when cancelled.
    virtual QStringList OpenFiles(QWidget* parent, const QString& filter,
                                  const QString& folder) = 0;
};

// "desc|pattern|desc|pattern|" as Qt name filters ("desc (pattern)"). Qt
// separates the patterns of a filter by spaces: patterns joined by ";" are
// split, or the dialog would list nothing.
QStringList DialogNameFilters(const QString& filter);
// The patterns a Qt name filter "desc (p1 p2)" stands for, as the file
// dialog reads them ("*" for a filter without a pattern list).
QStringList NameFilterPatterns(const QString& nameFilter);

// The box of QtPrompts::AskToSave, not yet shown, and the answer its
// clicked button stands for (Cancel when none was clicked).
std::unique_ptr<QMessageBox> SaveQuestionBox(QWidget* parent, const QString& text);
SaveChoice SaveChoiceOf(const QMessageBox& box);

// Real dialogs.
class QtPrompts final : public Prompts {
  public:
    std::unique_ptr<Progress> StartProgress(QWidget* parent, const QString& text) override;
    void Message(QWidget* parent, const QString& text) override;
    bool Question(QWidget* parent, const QString& text) override;
    SaveChoice AskToSave(QWidget* parent, const QString& text) override;
    std::optional<QString> OpenFile(QWidget* parent, const QString& filter,
                                    const QString& initialName) override;
    std::optional<QString> SaveFile(QWidget* parent, const QString& filter,
                                    const QString& initialName) override;
    QStringList OpenFiles(QWidget* parent, const QString& filter, const QString& folder) override;
};

// Answers from a queue; nothing ever blocks. A question or dialog with no
// queued answer is answered Cancel and counted in `unanswered`. The save
// question is recorded as a question; it takes an AnswerSave answer, and an
// AnswerQuestion one as Save (OK) or Cancel.
class ScriptedPrompts final : public Prompts {
  public:
    enum class Kind { Message, Question, Open, Save, OpenMany };
    struct Asked {
        Kind kind;
        QString text;        // message text, or the filter of a dialog
        QString initialName; // or the folder of OpenFiles
    };

    // Queue answers in the order the questions and dialogs will come.
    void AnswerQuestion(bool ok) {
        answers_.push_back(Answer{ok, std::nullopt, std::nullopt, std::nullopt});
    }
    void AnswerSave(SaveChoice c) {
        answers_.push_back(Answer{c == SaveChoice::Save, std::nullopt, c, std::nullopt});
    }
    void AnswerFile(std::optional<QString> path) {
        answers_.push_back(Answer{true, path, std::nullopt, std::nullopt});
    }
    // The files OpenFiles answers (empty: cancelled). An AnswerFile answer
    // stands for its one file there.
    void AnswerFiles(const QStringList& paths) {
        answers_.push_back(Answer{true, std::nullopt, std::nullopt, paths});
    }

    void Message(QWidget* parent, const QString& text) override;
    bool Question(QWidget* parent, const QString& text) override;
    SaveChoice AskToSave(QWidget* parent, const QString& text) override;
    std::optional<QString> OpenFile(QWidget* parent, const QString& filter,
                                    const QString& initialName) override;
    std::optional<QString> SaveFile(QWidget* parent, const QString& filter,
                                    const QString& initialName) override;
    QStringList OpenFiles(QWidget* parent, const QString& filter, const QString& folder) override;
    // A progress that records its texts and steps and, with
    // `cancelProgressAt` >= 0, is cancelled once that many steps are done.
    std::unique_ptr<Progress> StartProgress(QWidget* parent, const QString& text) override;
    int cancelProgressAt = -1;
    QStringList progressTexts;
    int progressSteps = 0;

    const std::vector<Asked>& asked() const { return asked_; }
    // Texts of the message boxes and questions, in order.
    QStringList Texts() const;
    std::size_t pending() const { return answers_.size(); }
    int unanswered = 0;
    void Clear() {
        asked_.clear();
        answers_.clear();
        unanswered = 0;
    }

  private:
    struct Answer {
        bool ok = false;
        std::optional<QString> path;
        std::optional<SaveChoice> choice;
        std::optional<QStringList> paths;
    };
    bool Next(Answer& out);

    std::deque<Answer> answers_;
    std::vector<Asked> asked_;
};

} // namespace velmora
