#pragma once

#include <QList>
#include <QString>
#include <QStringList>

#include <exception>

// Every message box of the program goes through this interface: message boxes in
// the window, printed lines on the command line, a recorder in the tests.
class Messages
{
public:
    virtual ~Messages() = default;
    // ShowWarning: a warning box with one OK button.
    virtual void showWarning(const QString &text, const QString &caption) = 0;
    // ShowError: an error box with one OK button.
    virtual void showError(const QString &text, const QString &caption) = 0;
    // An information box with one OK button.
    virtual void showInformation(const QString &text, const QString &caption) = 0;
    // A question box with Yes and No buttons; true for Yes.
    virtual bool askYesNo(const QString &text, const QString &caption) = 0;
    // A question box with Yes, No and Cancel buttons. (Cancel first: a box that
    // could not be shown answers with the harmless choice.)
    enum class Answer { Cancel, Yes, No };
    virtual Answer askYesNoCancel(const QString &text, const QString &caption) = 0;
};

// The caption of information boxes that name none: the application title.
QString applicationTitle();

// The window's general error display: the error's cause, what to do and its
// own text (explainFailure) in an error box.
void showFailure(Messages &messages, const std::exception &error);

// Prints each message as its caption, ": " and its text, with every "\r" as a line
// break. Questions are answered by `answer` and the answer is printed after them.
class ConsoleMessages : public Messages
{
public:
    explicit ConsoleMessages(bool answer = true) : m_answer(answer) {}
    void showWarning(const QString &text, const QString &caption) override;
    void showError(const QString &text, const QString &caption) override;
    void showInformation(const QString &text, const QString &caption) override;
    bool askYesNo(const QString &text, const QString &caption) override;
    // Yes or No as for askYesNo; the command line never cancels.
    Answer askYesNoCancel(const QString &text, const QString &caption) override;
    static QString line(const QString &caption, const QString &text);

private:
    bool m_answer;
};

// Records every message in order and answers questions from a script.
class RecordingMessages : public Messages
{
public:
    enum class Kind { Warning, Error, Information, Question };
    struct Entry
    {
        Kind kind;
        QString caption;
        QString text;
        bool operator==(const Entry &) const = default;
    };

    void showWarning(const QString &text, const QString &caption) override;
    void showError(const QString &text, const QString &caption) override;
    void showInformation(const QString &text, const QString &caption) override;
    // Takes the next scripted answer; a question nobody scripted fails the test
    // by answering No and recording it.
    bool askYesNo(const QString &text, const QString &caption) override;
    // Takes the next scripted choice; an unscripted one is recorded and cancels.
    Answer askYesNoCancel(const QString &text, const QString &caption) override;

    void scriptAnswers(QList<bool> answers) { m_answers = std::move(answers); }
    void scriptChoices(QList<Answer> choices) { m_choices = std::move(choices); }
    const QList<Entry> &entries() const { return m_entries; }
    QStringList texts() const;
    void clear() { m_entries.clear(); }
    int unansweredQuestions() const { return m_unanswered; }

private:
    QList<Entry> m_entries;
    QList<bool> m_answers;
    QList<Answer> m_choices;
    int m_unanswered = 0;
};
