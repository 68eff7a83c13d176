#include "apppaths.h"

#include <QCoreApplication>
#include <QDir>

namespace {
QString g_home;
}

namespace AppPaths {

void setHome(const QString &folder)
{
    g_home = QDir(folder).absolutePath();
}

QString home()
{
    if (g_home.isEmpty())
        return QCoreApplication::applicationDirPath();
    return g_home;
}

QString file(const QString &name)
{
    return QDir(home()).filePath(name);
}

QString settingsFile()
{
    return file(QStringLiteral("TV.ini"));
}

} // namespace AppPaths
