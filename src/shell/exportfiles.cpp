#include "exportfiles.h"

#include "common/csv.h"
#include "common/messages.h"

#include <QFileDialog>

QString askSavePath(QWidget *parent, const QString &caption, const QString &filter, const QString &suffix)
{
    QString path = QFileDialog::getSaveFileName(parent, caption, QString(), filter);
    if (path.isEmpty() || path.endsWith(suffix, Qt::CaseInsensitive))
        return path;
    return path + suffix;
}

bool exportCsvFile(const QString &path, const QList<QStringList> &rows, const output::OutputGuard &guard,
                   Messages &messages)
{
    try {
        if (!guard.approve(path, output::FileKind::Csv, messages))
            return false;
        csv::writeFile(path, rows);
        return true;
    } catch (const std::exception &error) {
        showFailure(messages, error);
        return false;
    }
}
