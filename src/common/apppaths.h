#pragma once

#include <QString>

// The program's home folder: TV.ini, the folder Eksport and the update files live
// there. It is chosen once at start (chooseHome); until then it is the folder of
// the executable.
namespace AppPaths {
// The home folder of a start: the folder named by --home when given; else the
// executable's folder when it holds a TV.ini (a portable copy, the build folder);
// else the user's data folder (an installed program).
QString chooseHome(const QString &executableFolder, const QString &homeOption, const QString &dataFolder);
// The user's data folder: QStandardPaths::AppDataLocation, e.g. ~/.local/share/tervala.
QString dataFolder();

void setHome(const QString &folder);
QString home();
QString file(const QString &name); // a path inside the home folder
QString settingsFile();            // TV.ini
} // namespace AppPaths
