#pragma once

#include <QByteArray>
#include <QString>

namespace db {

// Windows-1250 is the code page of every text the program exchanges with Firebird
// (the connection character set) and of the component dictionary file.
QByteArray toWin1250(const QString &text);
QString fromWin1250(const QByteArray &bytes);
QString fromWin1250(const char *data, qsizetype size);
// True when every character of `text` has a Windows-1250 byte.
bool fitsWin1250(const QString &text);

} // namespace db
