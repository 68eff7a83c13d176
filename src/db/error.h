#pragma once

#include <QString>
#include <stdexcept>

namespace db {

// A database failure, carrying Firebird's own message text (or ours for misuse).
class Error : public std::runtime_error
{
public:
    explicit Error(const QString &message) : std::runtime_error(message.toStdString()), m_message(message) {}
    QString message() const { return m_message; }

private:
    QString m_message;
};

} // namespace db
