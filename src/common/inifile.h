#pragma once

#include <QList>
#include <QString>

#include <optional>
#include <utility>

// A Windows INI file read the way Windows reads it: section and key names match
// without regard to case, values are taken verbatim (a backslash is a path
// separator), blanks around names and values are trimmed, a value wrapped in one
// pair of double quotes loses them, lines starting with ';' are comments, CRLF or
// LF line ends, the first occurrence wins. Text is UTF-8 or, failing that,
// Windows-1250.
class IniFile
{
public:
    // A missing or unreadable file reads as an empty one.
    static IniFile read(const QString &path);
    static IniFile parse(const QByteArray &contents);
    // One section as a Windows program writes it (UTF-8, CRLF), to be read back by
    // parse() as given: a value with blanks at either end or wrapped in quotes is
    // quoted. Values hold no line break.
    static QByteArray format(const QString &section, const QList<std::pair<QString, QString>> &values);

    // The value, or nothing when the section or key is absent.
    std::optional<QString> value(const QString &section, const QString &key) const;
    // The value, or `fallback` when absent (an empty value stays empty).
    QString value(const QString &section, const QString &key, const QString &fallback) const;

private:
    struct Entry
    {
        QString section;
        QString key;
        QString value;
    };
    QList<Entry> m_entries;
};
