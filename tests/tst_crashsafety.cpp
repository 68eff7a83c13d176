// The command-line import killed with SIGKILL at random moments: the reporting
// database afterwards holds either the whole state before the import or the whole
// imported period, and passes Firebird's own validation.
#include "support/cli.h"
#include "support/databasedump.h"
#include "support/firebirdtools.h"
#include "support/workspace.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QRandomGenerator>
#include <QTest>

namespace {

QString demoScript()
{
    QFile f(QStringLiteral(TERVALA_SOURCE_DIR "/tools/demo/lokra-demo.sql"));
    if (!f.open(QIODevice::ReadOnly))
        qFatal("cannot read lokra-demo.sql");
    return lokraSchemaScript() + QString::fromUtf8(f.readAll());
}

// Today's date and the keys DANE_KAP draws from its sequence differ between an
// interrupted run followed by a complete one and a clean run; nothing else may.
const dump::IgnoredColumns Volatile{QStringLiteral("*.DATAW"), QStringLiteral("DANE_KAP.ID")};

// One kind of import, with the database files before and after a clean run.
struct Operation
{
    QString name;
    QStringList arguments; // after "import"
    QString before;
    QString after;
    QString reportPdf;     // the import report the run writes
    qint64 cleanMs = 0;    // how long a clean run takes, process start to end
    QStringList beforeDump;
    QStringList afterDump;
};

bool replaceFile(const QString &from, const QString &to)
{
    QFile::remove(to);
    return QFile::copy(from, to);
}

// A PDF written whole: the header at the start and the end-of-file mark at the end.
bool isCompletePdf(const QString &path)
{
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        return false;
    const QByteArray data = f.readAll();
    return data.startsWith("%PDF-") && data.right(32).contains("%%EOF");
}

} // namespace

class TestCrashSafety : public QObject
{
    Q_OBJECT

    Workspace m_ws;
    QList<Operation> m_operations;
    qint64 m_startupMs = 0; // start-up, connections and the Lokra version check, without an import

    QString ksu() const { return m_ws.path(QStringLiteral("ksu.fdb")); }

    QStringList runArguments(const Operation &op) const
    {
        return QStringList{QStringLiteral("--home"), m_ws.path(), QStringLiteral("import")} + op.arguments;
    }

private slots:
    // The states before and after each kind of import, from clean runs of the program.
    void initTestCase()
    {
        m_ws.createReportingDatabase(QStringLiteral("state0.fdb"));
        m_ws.createDatabase(QStringLiteral("lokra.fdb"), demoScript());
        m_ws.writeEmbeddedIni();
        auto operation = [](const char *name, QStringList arguments, const char *before, const char *after,
                            const char *reportPdf) {
            Operation op;
            op.name = QString::fromUtf8(name);
            op.arguments = std::move(arguments);
            op.before = QString::fromLatin1(before);
            op.after = QString::fromLatin1(after);
            op.reportPdf = QString::fromLatin1(reportPdf);
            return op;
        };
        m_operations = {
            operation("new period", {"01", "2013", "06", "2013"}, "state0.fdb", "state1.fdb",
                      "IMP_2013-01-01_2013-06-30.pdf"),
            operation("second period with carry-over", {"07", "2012", "12", "2012"}, "state1.fdb", "state2.fdb",
                      "IMP_2012-07-01_2012-12-31.pdf"),
            operation("overwrite", {"01", "2013", "06", "2013", "--overwrite"}, "state2.fdb", "state3.fdb",
                      "IMP_2013-01-01_2013-06-30.pdf"),
        };
        // A period the import refuses after everything that precedes its work.
        {
            QVERIFY(replaceFile(m_ws.path(QStringLiteral("state0.fdb")), ksu()));
            QElapsedTimer clock;
            clock.start();
            const CliResult r = runTervala({"--home", m_ws.path(), "import", "06", "2013", "05", "2013"});
            m_startupMs = clock.elapsed();
            QVERIFY2(r.status == 1, qPrintable(r.out + r.err));
            qInfo("a refused import (start-up only) takes %lld ms", m_startupMs);
        }
        for (Operation &op : m_operations) {
            QVERIFY(replaceFile(m_ws.path(op.before), ksu()));
            QElapsedTimer clock;
            clock.start();
            const CliResult r = runTervala(runArguments(op));
            op.cleanMs = clock.elapsed();
            QVERIFY2(r.status == 0, qPrintable(op.name + u'\n' + r.out + r.err));
            QVERIFY(replaceFile(ksu(), m_ws.path(op.after)));
            const firebird::Validation clean = firebird::validateDatabase(m_ws.path(op.after));
            QVERIFY2(clean.output.isEmpty(), qPrintable(clean.output));
            op.beforeDump = dump::dumpDatabaseFile(m_ws.path(op.before), Volatile);
            op.afterDump = dump::dumpDatabaseFile(m_ws.path(op.after), Volatile);
            QVERIFY(op.beforeDump != op.afterDump);
            qInfo("%s: a clean run takes %lld ms", qPrintable(op.name), op.cleanMs);
        }
    }

    void killedImportsLeaveOldOrNewState()
    {
        constexpr int Runs = 60;
        const quint32 seed = qEnvironmentVariableIsSet("TERVALA_CRASH_SEED")
            ? quint32(qEnvironmentVariableIntValue("TERVALA_CRASH_SEED"))
            : 20130630u;
        QRandomGenerator random(seed);
        int killed = 0, oldState = 0, newState = 0, rolledBackAfterReport = 0, leftovers = 0;
        int withWarnings = 0, orphanPages = 0;
        for (int run = 0; run < Runs; ++run) {
            const Operation &op = m_operations[run % m_operations.size()];
            QVERIFY(replaceFile(m_ws.path(op.before), ksu()));
            QDir(m_ws.path(QStringLiteral("Eksport"))).removeRecursively();

            // A delay spread over the import's work, from a little before it begins to
            // a little after a clean run would have ended.
            const qint64 first = m_startupMs * 3 / 4;
            const qint64 last = std::max(op.cleanMs * 23 / 20, first + 1);
            const int delay = int(first + random.bounded(quint32(last - first)));
            QProcess program;
            program.setProcessChannelMode(QProcess::MergedChannels);
            program.start(QStringLiteral(TERVALA_BINARY), runArguments(op));
            QVERIFY(program.waitForStarted(30000));
            const bool finished = program.waitForFinished(delay);
            if (!finished) {
                program.kill();
                QVERIFY(program.waitForFinished(30000));
                ++killed;
            } else {
                QVERIFY2(program.exitStatus() == QProcess::NormalExit && program.exitCode() == 0,
                         qPrintable(QString::fromLocal8Bit(program.readAll())));
            }
            const QString context = QStringLiteral("run %1 (%2, %3 ms%4)")
                                        .arg(run)
                                        .arg(op.name)
                                        .arg(delay)
                                        .arg(finished ? QStringLiteral(", finished") : QStringLiteral(", killed"));

            const firebird::Validation validation = firebird::validateDatabase(ksu());
            QVERIFY2(validation.sound(), qPrintable(context + QStringLiteral(": gfix: ") + validation.output));
            orphanPages += validation.warnings;
            if (!validation.output.isEmpty())
                ++withWarnings;

            const QStringList state = dump::dumpDatabaseFile(ksu(), Volatile);
            const bool isOld = state == op.beforeDump;
            const bool isNew = state == op.afterDump;
            QVERIFY2(isOld || isNew,
                     qPrintable(context + QStringLiteral(": partial state; against the new period ")
                                + dump::firstDifference(op.afterDump, state)));
            QVERIFY2(isNew || !finished, qPrintable(context + QStringLiteral(": finished without the new period")));
            isOld ? ++oldState : ++newState;

            // Files are replaced whole: a report there is complete, whatever became of the database.
            const QString report = m_ws.path(QStringLiteral("Eksport/") + op.reportPdf);
            if (QFile::exists(report)) {
                QVERIFY2(isCompletePdf(report), qPrintable(context + QStringLiteral(": incomplete ") + report));
                if (isOld)
                    ++rolledBackAfterReport;
            }
            const QStringList files = QDir(m_ws.path(QStringLiteral("Eksport"))).entryList(QDir::Files);
            for (const QString &file : files) {
                if (!file.endsWith(QStringLiteral(".pdf")))
                    ++leftovers;
            }
        }
        qInfo("seed %u: %d runs, %d killed; %d left the state before the import (%d of them after the import "
              "report was written), %d the complete new period; gfix: no errors, %d orphan pages in %d runs; "
              "%d unfinished temporary files",
              seed, Runs, killed, oldState, rolledBackAfterReport, newState, orphanPages, withWarnings, leftovers);
        // The delays must reach both sides of the commit, or the test proves little.
        QVERIFY(oldState > 0);
        QVERIFY(newState > 0);
    }
};

QTEST_GUILESS_MAIN(TestCrashSafety)
#include "tst_crashsafety.moc"
