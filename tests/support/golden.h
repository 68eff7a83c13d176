#pragma once

#include "reports/reportsheet.h"
#include "rowstext.h"

#include <QDir>
#include <QFile>
#include <QString>
#include <QStringList>

// Golden files: the text a report must come to, kept in tests/golden/. Run a test
// with TERVALA_UPDATE_GOLDEN=1 in the environment to write the files anew from
// what the code makes now; then read the difference before committing it.

// A sheet as text: its title lines, an empty line, then each row as sheetRowText
// gives it, line breaks inside a cell shown as "\r".
inline QString sheetText(const reports::ReportSheet &sheet)
{
    QStringList lines = sheet.titleLines;
    lines << QString();
    lines += sheetRowsText(sheet);
    for (QString &line : lines)
        line.replace(u'\r', QStringLiteral("\\r"));
    return lines.join(u'\n') + u'\n';
}

// Empty when the text equals the golden file `name`; otherwise what differs. With
// TERVALA_UPDATE_GOLDEN=1 the file is written and the text counts as equal.
inline QString differenceFromGolden(const QString &name, const QString &text)
{
    const QString path = QStringLiteral(TERVALA_GOLDEN_DIR "/") + name;
    if (qEnvironmentVariableIntValue("TERVALA_UPDATE_GOLDEN") == 1) {
        QDir().mkpath(QStringLiteral(TERVALA_GOLDEN_DIR));
        QFile out(path);
        if (!out.open(QIODevice::WriteOnly | QIODevice::Truncate) || out.write(text.toUtf8()) < 0)
            return QStringLiteral("cannot write ") + path;
        return QString();
    }
    QFile in(path);
    if (!in.open(QIODevice::ReadOnly))
        return QStringLiteral("no golden file %1 (run with TERVALA_UPDATE_GOLDEN=1 to make it)").arg(path);
    const QStringList expected = QString::fromUtf8(in.readAll()).split(u'\n');
    const QStringList actual = text.split(u'\n');
    for (qsizetype i = 0; i < std::max(expected.size(), actual.size()); ++i) {
        if (expected.value(i) != actual.value(i)) {
            return QStringLiteral("%1, line %2:\n  golden: %3\n  now:    %4")
                .arg(path)
                .arg(i + 1)
                .arg(expected.value(i, QStringLiteral("<end>")), actual.value(i, QStringLiteral("<end>")));
        }
    }
    return QString();
}
