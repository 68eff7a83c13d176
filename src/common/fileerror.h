#pragma once

#include <QString>

#include <stdexcept>

// A file or a printer that could not be written, with a Polish message that names
// it. Kept apart from db::Error: nothing went wrong in a database. what() holds the
// message in UTF-8, as db::Error's does, so a general error display shows either.
class FileError : public std::runtime_error
{
public:
    explicit FileError(const QString &message) : std::runtime_error(message.toStdString()), m_message(message) {}
    QString message() const { return m_message; }

private:
    QString m_message;
};
