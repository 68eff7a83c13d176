#pragma once

#include <QProcess>
#include <QString>
#include <QStringList>

// Runs the built program with arguments and returns its exit status and output
// (with Windows' CR LF line ends made LF).
struct CliResult
{
    int status = -1;
    QString out;
    QString err;
};

inline CliResult runTervala(const QStringList &arguments, int timeoutMs = 120000, const QString &workingDir = {})
{
    QProcess p;
    if (!workingDir.isEmpty())
        p.setWorkingDirectory(workingDir);
    p.start(QStringLiteral(TERVALA_BINARY), arguments);
    p.waitForFinished(timeoutMs);
    CliResult r;
    r.status = p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1;
    r.out = QString::fromUtf8(p.readAllStandardOutput()).replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    r.err = QString::fromUtf8(p.readAllStandardError()).replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    return r;
}
