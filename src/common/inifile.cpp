#include "inifile.h"

#include "db/textcodec.h"

#include <QFile>
#include <QStringDecoder>

IniFile IniFile::read(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return IniFile();
    return parse(file.readAll());
}

IniFile IniFile::parse(const QByteArray &contents)
{
    QByteArray bytes = contents;
    if (bytes.startsWith("\xEF\xBB\xBF"))
        bytes.remove(0, 3);
    QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    QString text = utf8.decode(bytes);
    if (utf8.hasError())
        text = db::fromWin1250(bytes);

    IniFile ini;
    QString section;
    bool inSection = false;
    const auto lines = QStringView(text).split(u'\n');
    for (QStringView raw : lines) {
        const QStringView line = raw.trimmed();
        if (line.isEmpty() || line.startsWith(u';'))
            continue;
        if (line.startsWith(u'[')) {
            const qsizetype close = line.indexOf(u']');
            section = (close < 0 ? line.mid(1) : line.mid(1, close - 1)).trimmed().toString();
            inSection = true;
            continue;
        }
        if (!inSection)
            continue;
        const qsizetype eq = line.indexOf(u'=');
        if (eq <= 0)
            continue;
        QStringView value = line.mid(eq + 1).trimmed();
        if (value.size() >= 2 && value.startsWith(u'"') && value.endsWith(u'"'))
            value = value.mid(1, value.size() - 2);
        ini.m_entries.append({section, line.left(eq).trimmed().toString(), value.toString()});
    }
    return ini;
}

std::optional<QString> IniFile::value(const QString &section, const QString &key) const
{
    for (const Entry &e : m_entries) {
        if (e.section.compare(section, Qt::CaseInsensitive) == 0 && e.key.compare(key, Qt::CaseInsensitive) == 0)
            return e.value;
    }
    return std::nullopt;
}

QString IniFile::value(const QString &section, const QString &key, const QString &fallback) const
{
    return value(section, key).value_or(fallback);
}

QByteArray IniFile::format(const QString &section, const QList<std::pair<QString, QString>> &values)
{
    QString text = u'[' + section + QStringLiteral("]\r\n");
    for (const auto &[key, value] : values) {
        const bool quoted =
            value != value.trimmed() || (value.size() >= 2 && value.startsWith(u'"') && value.endsWith(u'"'));
        text += key + u'=' + (quoted ? u'"' + value + u'"' : value) + QStringLiteral("\r\n");
    }
    return text.toUtf8();
}
