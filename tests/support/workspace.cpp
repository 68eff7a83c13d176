#include "workspace.h"

#include "common/apppaths.h"
#include "db/connection.h"
#include "db/sqlscript.h"
#include "store/schema.h"

#include <QDir>
#include <QFile>
#include <QTest>

Workspace::Workspace()
{
    if (!m_dir.isValid())
        qFatal("cannot make a temporary folder");
}

QString Workspace::path(const QString &name) const
{
    return name.isEmpty() ? m_dir.path() : QDir(m_dir.path()).filePath(name);
}

namespace {

// Qt's test library reports an exception leaving a test as "Caught unhandled
// exception" without its text: a database that could not be made says why in
// the log first (on Windows without a Firebird client, for one).
template <typename F>
void namingFailure(F &&make)
{
    try {
        make();
    } catch (const std::exception &e) {
        qWarning("%s", e.what());
        throw;
    }
}

} // namespace

QString Workspace::createReportingDatabase(const QString &name)
{
    namingFailure([&] { store::createReportingDatabase(path(name)); });
    return path(name);
}

QString Workspace::createDatabase(const QString &name, const QString &script)
{
    namingFailure([&] {
        db::Connection c;
        c.setDatabase(QString(), path(name));
        c.create();
        db::runSqlScript(c, script);
        c.close();
    });
    return path(name);
}

QString Workspace::createLokraDatabase(const QString &version, const QString &name)
{
    return createDatabase(name, QStringLiteral("create table firma (wersja varchar(20), nr_rekordu integer);\n"
                                               "insert into firma values ('%1', 1);\n")
                                    .arg(version));
}

void Workspace::writeIni(const QByteArray &contents)
{
    QFile f(path(QStringLiteral("TV.ini")));
    if (!f.open(QIODevice::WriteOnly))
        qFatal("cannot write TV.ini");
    f.write(contents);
}

void Workspace::writeEmbeddedIni(const QString &ksu, const QString &lokra)
{
    // Nothing listens on port 1: the online checks fail at once, never reaching out.
    writeIni(QStringLiteral("[Settings]\r\nHost=\r\nPath_ksu=%1\r\nPath=%2\r\nUpdateServer=%3\r\n")
                 .arg(path(ksu), path(lokra), QString::fromLatin1(NoUpdateServer))
                 .toUtf8());
}

void Workspace::makeHome() const
{
    AppPaths::setHome(m_dir.path());
}

QString lokraSchemaScript()
{
    QFile f(QStringLiteral(TERVALA_SOURCE_DIR "/tools/demo/lokra-schema.sql"));
    if (!f.open(QIODevice::ReadOnly))
        qFatal("cannot read tools/demo/lokra-schema.sql");
    return QString::fromUtf8(f.readAll());
}

QString lokraDemoScript()
{
    QFile f(QStringLiteral(TERVALA_SOURCE_DIR "/tools/demo/lokra-demo.sql"));
    if (!f.open(QIODevice::ReadOnly))
        qFatal("cannot read tools/demo/lokra-demo.sql");
    return lokraSchemaScript() + QString::fromUtf8(f.readAll());
}
