#include "apppaths.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>

namespace {
QString g_home;
const QString SettingsFileName = QStringLiteral("TV.ini");
} // namespace

namespace AppPaths {

QString chooseHome(const QString &executableFolder, const QString &homeOption, const QString &dataFolder)
{
    if (!homeOption.isEmpty())
        return homeOption;
    if (QFileInfo(QDir(executableFolder).filePath(SettingsFileName)).isFile())
        return executableFolder;
    return dataFolder;
}

QString dataFolder()
{
    return QStandardPaths::writableLocation(QStandardPaths::AppDataLocation);
}

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
    return file(SettingsFileName);
}

} // namespace AppPaths
