#pragma once

#include <QString>

// The program's home folder: TV.ini, the folder Eksport and the update files live
// there. It is the folder of the executable unless --home names another.
namespace AppPaths {
void setHome(const QString &folder);
QString home();
QString file(const QString &name); // a path inside the home folder
QString settingsFile();            // TV.ini
} // namespace AppPaths
