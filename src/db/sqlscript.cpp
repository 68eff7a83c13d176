#include "sqlscript.h"

#include "connection.h"

#include <QRegularExpression>

namespace db {

QStringList splitSqlScript(const QString &script)
{
    static const QRegularExpression setTerm(QStringLiteral("^\\s*SET\\s+TERM\\s+(\\S+)\\s*$"),
                                            QRegularExpression::CaseInsensitiveOption);
    QStringList statements;
    QString terminator = QStringLiteral(";");
    QString current;
    const qsizetype n = script.size();
    qsizetype i = 0;
    auto finish = [&] {
        const QString s = current.trimmed();
        current.clear();
        if (s.isEmpty())
            return;
        const auto m = setTerm.match(s);
        if (m.hasMatch())
            terminator = m.captured(1);
        else
            statements << s;
    };
    while (i < n) {
        const QChar c = script[i];
        if (c == u'\'' || c == u'"') {
            const qsizetype start = i;
            for (++i; i < n; ++i) {
                if (script[i] == c) {
                    if (i + 1 < n && script[i + 1] == c)
                        ++i;
                    else
                        break;
                }
            }
            current += QStringView(script).mid(start, i - start + 1);
            ++i;
            continue;
        }
        if (c == u'-' && i + 1 < n && script[i + 1] == u'-') {
            const qsizetype end = script.indexOf(u'\n', i);
            i = end < 0 ? n : end;
            continue;
        }
        if (c == u'/' && i + 1 < n && script[i + 1] == u'*') {
            const qsizetype end = script.indexOf(QStringLiteral("*/"), i + 2);
            i = end < 0 ? n : end + 2;
            continue;
        }
        if (QStringView(script).mid(i).startsWith(terminator)) {
            // "SET TERM ^ ;" ends with the old terminator, which may be the new one's text.
            i += terminator.size();
            finish();
            continue;
        }
        current += c;
        ++i;
    }
    finish();
    return statements;
}

void runSqlScript(Connection &connection, const QString &script)
{
    for (const QString &statement : splitSqlScript(script)) {
        if (statement.compare(QStringLiteral("commit"), Qt::CaseInsensitive) != 0)
            connection.executeImmediate(statement);
        connection.commitRetaining();
    }
}

} // namespace db
