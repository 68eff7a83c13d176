// tervala-demo FOLDER: makes the demo fund in FOLDER: ksu.fdb (an empty reporting
// database), lokra.fdb (a small Lokra database with a half-year of loans) and a
// TV.ini that opens both through the embedded engine.
#include "db/connection.h"
#include "db/error.h"
#include "db/sqlscript.h"
#include "store/schema.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QSaveFile>
#include <QTextStream>

namespace {

QString resource(const QString &name)
{
    QFile f(QStringLiteral(":/demo/") + name);
    if (!f.open(QIODevice::ReadOnly))
        throw db::Error(QStringLiteral("brak zasobu ") + name);
    return QString::fromUtf8(f.readAll());
}

void makeLokra(const QString &path)
{
    db::Connection c;
    c.setDatabase(QString(), path);
    c.create();
    db::runSqlScript(c, resource(QStringLiteral("lokra-schema.sql")));
    db::runSqlScript(c, resource(QStringLiteral("lokra-demo.sql")));
    c.close();
}

void writeIni(const QDir &folder)
{
    QSaveFile f(folder.filePath(QStringLiteral("TV.ini")));
    if (!f.open(QIODevice::WriteOnly))
        throw db::Error(QStringLiteral("nie można zapisać TV.ini: ") + f.errorString());
    const QString text = QStringLiteral("[Settings]\r\nHost=\r\nPath_ksu=%1\r\nPath=%2\r\n")
                             .arg(folder.filePath(QStringLiteral("ksu.fdb")), folder.filePath(QStringLiteral("lokra.fdb")));
    f.write(text.toUtf8());
    if (!f.commit())
        throw db::Error(QStringLiteral("nie można zapisać TV.ini: ") + f.errorString());
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    QTextStream err(stderr);
    if (argc != 2) {
        err << "Użycie: tervala-demo KATALOG" << Qt::endl;
        return 2;
    }
    QDir folder(QDir(QString::fromLocal8Bit(argv[1])).absolutePath());
    try {
        if (!folder.mkpath(QStringLiteral(".")))
            throw db::Error(QStringLiteral("nie można utworzyć katalogu ") + folder.path());
        store::createReportingDatabase(folder.filePath(QStringLiteral("ksu.fdb")));
        makeLokra(folder.filePath(QStringLiteral("lokra.fdb")));
        writeIni(folder);
    } catch (const std::exception &e) {
        err << "tervala-demo: " << QString::fromUtf8(e.what()) << Qt::endl;
        return 1;
    }
    QTextStream(stdout) << "Demo fund ready in " << folder.path() << Qt::endl;
    return 0;
}
