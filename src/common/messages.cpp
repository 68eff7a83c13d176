#include "messages.h"

#include "failures.h"

#include <QCoreApplication>
#include <QTextStream>

#include <cstdio>

QString applicationTitle()
{
    return QStringLiteral("Prog 1.16.5");
}

void showFailure(Messages &messages, const std::exception &error)
{
    messages.showError(explainFailure(error).text(), applicationTitle());
}

QString ConsoleMessages::line(const QString &caption, const QString &text)
{
    QString t = text;
    t.replace(u'\r', u'\n');
    return caption + QStringLiteral(": ") + t;
}

static void printLine(const QString &s)
{
    QTextStream out(stdout);
    out << s << Qt::endl;
}

void ConsoleMessages::showWarning(const QString &text, const QString &caption)
{
    printLine(line(caption, text));
}

void ConsoleMessages::showError(const QString &text, const QString &caption)
{
    printLine(line(caption, text));
}

void ConsoleMessages::showInformation(const QString &text, const QString &caption)
{
    printLine(line(caption, text));
}

bool ConsoleMessages::askYesNo(const QString &text, const QString &caption)
{
    printLine(line(caption, text) + (m_answer ? QStringLiteral(" Tak") : QStringLiteral(" Nie")));
    return m_answer;
}

Messages::Answer ConsoleMessages::askYesNoCancel(const QString &text, const QString &caption)
{
    return askYesNo(text, caption) ? Answer::Yes : Answer::No;
}

void RecordingMessages::showWarning(const QString &text, const QString &caption)
{
    m_entries.append({Kind::Warning, caption, text});
}

void RecordingMessages::showError(const QString &text, const QString &caption)
{
    m_entries.append({Kind::Error, caption, text});
}

void RecordingMessages::showInformation(const QString &text, const QString &caption)
{
    m_entries.append({Kind::Information, caption, text});
}

bool RecordingMessages::askYesNo(const QString &text, const QString &caption)
{
    m_entries.append({Kind::Question, caption, text});
    if (m_answers.isEmpty()) {
        ++m_unanswered;
        return false;
    }
    return m_answers.takeFirst();
}

Messages::Answer RecordingMessages::askYesNoCancel(const QString &text, const QString &caption)
{
    m_entries.append({Kind::Question, caption, text});
    if (m_choices.isEmpty()) {
        ++m_unanswered;
        return Answer::Cancel;
    }
    return m_choices.takeFirst();
}

QStringList RecordingMessages::texts() const
{
    QStringList out;
    for (const Entry &e : m_entries)
        out << e.text;
    return out;
}
