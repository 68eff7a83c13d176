#pragma once

#include <QString>
#include <QStringList>
#include <QTemporaryDir>

// An update server address where nothing listens.
inline constexpr const char *NoUpdateServer = "http://127.0.0.1:1";
// The warning the start-up task then shows last.
inline constexpr const char *NoInternetText =
    "Brak dostępu do internetu.\rProszę osobiście sprawdzić aktualizację oprogramowania.";

// One test case's private folder: the program's home with TV.ini, a reporting
// database and a Lokra database made from a few SQL lines.
class Workspace
{
public:
    Workspace();
    QString path(const QString &name = QString()) const;

    // A new reporting database with the program's schema.
    QString createReportingDatabase(const QString &name = QStringLiteral("ksu.fdb"));
    // A new database (WIN1250) on which the statements (isql script syntax) are run.
    QString createDatabase(const QString &name, const QString &script);
    // A Lokra database with the FIRMA table only and the given version text.
    QString createLokraDatabase(const QString &version = QStringLiteral("4.17P"),
                                const QString &name = QStringLiteral("lokra.fdb"));
    void writeIni(const QByteArray &contents);
    // TV.ini for embedded access to both databases of this workspace.
    void writeEmbeddedIni(const QString &ksu = QStringLiteral("ksu.fdb"),
                          const QString &lokra = QStringLiteral("lokra.fdb"));
    // Makes this folder the program's home.
    void makeHome() const;

private:
    QTemporaryDir m_dir;
};

// The Lokra schema of the demo fund (tables, indexes and the days-late procedure).
QString lokraSchemaScript();
// The schema and the import tests' small fund of tools/demo/lokra-demo.sql, whose every figure is known.
QString lokraDemoScript();
