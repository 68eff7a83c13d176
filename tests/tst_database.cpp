#include "db/connection.h"
#include "db/error.h"
#include "db/query.h"
#include "db/sqlscript.h"
#include "support/workspace.h"

#include <QTest>

using db::Money;
using db::Query;

class TestDatabase : public QObject
{
    Q_OBJECT

    Workspace *m_ws = nullptr;
    db::Connection m_db;

private slots:
    void init()
    {
        m_ws = new Workspace;
        m_ws->createDatabase(
            QStringLiteral("t.fdb"),
            QStringLiteral("create table legacy (id integer, s varchar(40) character set none);\n"
                           "create table t (id integer, s varchar(40), amount decimal(15,2), small numeric(9,2), "
                           "ratio double precision, d date, ts timestamp, c char(5));\n"
                           "create table notes (id integer, body blob sub_type text);\n"
                           "insert into legacy values (1, x'A3F3649F');\n"));
        m_db.setDatabase(QString(), m_ws->path(QStringLiteral("t.fdb")));
        m_db.open();
    }
    void cleanup()
    {
        m_db.close();
        delete m_ws;
        m_ws = nullptr;
    }

    void legacyWindows1250BytesReadAsPolish()
    {
        Query q(m_db, QStringLiteral("select s from legacy where id = :d0"));
        q.execute({1});
        QVERIFY(q.next());
        QCOMPARE(q.value(0).toString(), QStringLiteral("Łódź"));
    }

    void polishTextRoundTrips_data()
    {
        QTest::addColumn<QString>("table");
        QTest::newRow("database character set") << "t";
        QTest::newRow("character set none") << "legacy";
    }
    void polishTextRoundTrips()
    {
        QFETCH(QString, table);
        const QString text = QStringLiteral("Spółka Z O.O. – Żółć ĄĘŚ");
        Query insert(m_db, QStringLiteral("insert into %1 (id, s) values (:d0, :d1)").arg(table));
        insert.execute({7, text});
        m_db.commitRetaining();
        Query select(m_db, QStringLiteral("select s from %1 where id = 7").arg(table));
        select.execute();
        QVERIFY(select.next());
        QCOMPARE(select.value(u"S").toString(), text);
    }

    void valuesOfEveryKindRoundTrip()
    {
        const QDateTime end(QDate(2012, 2, 29), QTime(23, 59, 59, 999));
        Query insert(m_db, QStringLiteral("insert into t (id, s, amount, small, ratio, d, ts, c) "
                                          "values (:d0, :d1, :d2, :d3, :d4, :d5, :d6, :d7)"));
        insert.execute({2, QStringLiteral("x"), *Money::parse(u"1234,50"), 0.1 + 0.2, 0.125, QDate(2013, 1, 1), end,
                        QStringLiteral("ab")});
        Query select(m_db, QStringLiteral("select * from t where id = 2"));
        select.execute();
        QVERIFY(select.next());
        QCOMPARE(select.value(u"amount").toMoney(), *Money::parse(u"1234,5"));
        QCOMPARE(select.value(u"amount").toString(), QStringLiteral("1234,5"));
        QCOMPARE(select.value(u"small").toMoney(), *Money::parse(u"0,3"));
        QCOMPARE(select.value(u"ratio").toDouble(), 0.125);
        QCOMPARE(select.value(u"d").toDate(), QDate(2013, 1, 1));
        QCOMPARE(select.value(u"ts").toDateTime(), end);
        QCOMPARE(select.value(u"c").toString(), QStringLiteral("ab"));
        QCOMPARE(select.value(u"id").toInt(), qint64(2));
    }

    // A text bound to a blob column is stored whole, however long, and read back
    // as it was: longer than one segment and than a VARCHAR can be.
    void longTextRoundTripsThroughABlob_data()
    {
        QTest::addColumn<QString>("text");
        QTest::newRow("empty") << QString();
        QTest::newRow("one line") << QStringLiteral("Spółka \"Żółć\"; Łódź");
        QString lines;
        for (int i = 0; i < 6000; ++i)
            lines += QStringLiteral("%1;Przedsiębiorstwo Handlowe ĄĘŚ nr %1;1;1234,5600\r\n").arg(i);
        QTest::newRow("several segments") << lines;
    }
    void longTextRoundTripsThroughABlob()
    {
        QFETCH(QString, text);
        Query insert(m_db, QStringLiteral("insert into notes (id, body) values (:d0, :d1)"));
        insert.execute({1, text});
        insert.execute({2, db::Param()});
        m_db.commitRetaining();
        Query select(m_db, QStringLiteral("select body from notes order by id"));
        select.execute();
        QVERIFY(select.next());
        QCOMPARE(select.value(0).toString(), text);
        QVERIFY(select.next());
        QVERIFY(select.value(0).isNull());
    }

    void nullReadsAsEmpty()
    {
        Query insert(m_db, QStringLiteral("insert into t (id, s, d) values (:d0, :d1, :d2)"));
        insert.execute({3, db::Param(), QDate()});
        Query select(m_db, QStringLiteral("select s, amount, d, ts from t where id = 3"));
        select.execute();
        QVERIFY(select.next());
        QVERIFY(select.value(0).isNull());
        QCOMPARE(select.value(0).toString(), QString());
        QCOMPARE(select.value(1).toMoney(), Money());
        QCOMPARE(select.value(1).toInt(), qint64(0));
        QVERIFY(!select.value(2).toDate().isValid());
        QVERIFY(!select.value(3).toDateTime().isValid());
    }

    void parametersBindByNumberAndRepeat()
    {
        Query insert(m_db, QStringLiteral("insert into t (id, s, c) values (:d1, :d0, :D0)"));
        insert.execute({QStringLiteral("abc"), 4});
        // Prepared once, run again with other values.
        insert.execute({QStringLiteral("def"), 5});
        Query select(m_db, QStringLiteral("select id, s, c from t where id >= :d0 and s <> ':d1' order by id"));
        select.execute({4});
        QVERIFY(select.next());
        QCOMPARE(select.value(1).toString(), QStringLiteral("abc"));
        QCOMPARE(select.value(2).toString(), QStringLiteral("abc"));
        QVERIFY(select.next());
        QCOMPARE(select.value(0).toInt(), qint64(5));
        QVERIFY(!select.next());
    }

    void textFromUsersNeverChangesStatements()
    {
        const QString hostile = QStringLiteral("x'); delete from legacy; --");
        Query insert(m_db, QStringLiteral("insert into t (id, s) values (9, :d0)"));
        insert.execute({hostile});
        Query count(m_db, QStringLiteral("select count(*) from legacy"));
        count.execute();
        QVERIFY(count.next());
        QCOMPARE(count.value(0).toInt(), qint64(1));
    }

    void placeholderTranslation_data()
    {
        QTest::addColumn<QString>("sql");
        QTest::addColumn<QString>("translated");
        QTest::addColumn<QList<int>>("order");
        QTest::newRow("plain") << "a=:d0 and b=:d1"
                               << "a=? and b=?" << QList<int>{0, 1};
        QTest::newRow("upper case, repeated") << "a>=:D0 and a<=:D1 or c=:d0"
                                              << "a>=? and a<=? or c=?" << QList<int>{0, 1, 0};
        QTest::newRow("two digits") << "x=:d14;"
                                    << "x=?;" << QList<int>{14};
        QTest::newRow("inside literal") << "a=':d0' and b=:d1"
                                        << "a=':d0' and b=?" << QList<int>{1};
        QTest::newRow("quoted identifier") << "\":d0\"=:d0"
                                           << "\":d0\"=?" << QList<int>{0};
        QTest::newRow("not a placeholder") << "a=:d0x and :days"
                                           << "a=:d0x and :days" << QList<int>{};
        QTest::newRow("comment") << "a=:d0 -- :d1\n"
                                 << "a=? -- :d1\n"
                                 << QList<int>{0};
    }
    void placeholderTranslation()
    {
        QFETCH(QString, sql);
        QFETCH(QString, translated);
        QFETCH(QList<int>, order);
        std::vector<int> got;
        QCOMPARE(Query::translatePlaceholders(sql, &got), translated);
        QCOMPARE(QList<int>(got.begin(), got.end()), order);
    }

    void errorsCarryFirebirdText()
    {
        try {
            Query q(m_db, QStringLiteral("select * from no_such_table"));
            QFAIL("prepared a query on a missing table");
        } catch (const db::Error &e) {
            QVERIFY2(e.message().contains(QStringLiteral("NO_SUCH_TABLE")), qPrintable(e.message()));
        }
    }

    void atomicWorkIsAllOrNothing()
    {
        try {
            db::AtomicWork work(m_db);
            Query del(m_db, QStringLiteral("delete from legacy"));
            del.execute();
            Query bad(m_db, QStringLiteral("insert into legacy (id) values (:d0)"));
            bad.execute({QStringLiteral("not a number")});
            work.commit();
            QFAIL("a bad insert went through");
        } catch (const db::Error &) {
        }
        Query count(m_db, QStringLiteral("select count(*) from legacy"));
        count.execute();
        QVERIFY(count.next());
        QCOMPARE(count.value(0).toInt(), qint64(1));

        {
            db::AtomicWork work(m_db);
            Query del(m_db, QStringLiteral("delete from legacy"));
            del.execute();
            work.commit();
        }
        m_db.rollbackRetaining();
        count.execute();
        QVERIFY(count.next());
        QCOMPARE(count.value(0).toInt(), qint64(0));
    }

    void atomicWorkNests()
    {
        Query insert(m_db, QStringLiteral("insert into legacy (id) values (:d0)"));
        auto ids = [&] {
            Query q(m_db, QStringLiteral("select list(id) from (select id from legacy order by id)"));
            q.execute();
            q.next();
            return q.value(0).toString();
        };
        {
            db::AtomicWork outer(m_db);
            insert.execute({2});
            m_db.commitRetaining(); // waits for the outer unit
            try {
                db::AtomicWork inner(m_db);
                insert.execute({3});
                throw db::Error(QStringLiteral("inner step fails"));
            } catch (const db::Error &) {
            }
            {
                db::AtomicWork inner(m_db);
                insert.execute({4});
                inner.commit();
            }
            outer.commit();
        }
        m_db.rollbackRetaining();
        QCOMPARE(ids(), QStringLiteral("1,2,4"));
        try {
            db::AtomicWork outer(m_db);
            insert.execute({5});
            m_db.commitRetaining();
            {
                db::AtomicWork inner(m_db);
                insert.execute({6});
                inner.commit();
            }
            throw db::Error(QStringLiteral("outer fails after the inner unit committed"));
        } catch (const db::Error &) {
        }
        QCOMPARE(ids(), QStringLiteral("1,2,4"));
        QVERIFY(!m_db.inAtomicWork());
    }

    void queryOutlivingItsConnectionFailsCleanly()
    {
        Query q(m_db, QStringLiteral("select id from legacy"));
        m_db.close();
        QVERIFY_THROWS_EXCEPTION(db::Error, q.execute());
        m_db.open();
        q.execute(); // prepared again on the new attachment
        QVERIFY(q.next());
    }

    void scriptsSplitLikeIsql()
    {
        const QStringList statements =
            db::splitSqlScript(QStringLiteral("create table a (s varchar(5)); -- a comment; with a semicolon\n"
                                              "insert into a values (';');\n"
                                              "SET TERM ^ ;\n"
                                              "create procedure p returns (x integer) as begin x = 1; suspend; end^\n"
                                              "SET TERM ; ^\n"
                                              "/* ; */ commit;"));
        QCOMPARE(statements.size(), 4);
        QCOMPARE(statements[1], QStringLiteral("insert into a values (';')"));
        QVERIFY(statements[2].endsWith(QStringLiteral("suspend; end")));
        QCOMPARE(statements[3], QStringLiteral("commit"));
    }
};

QTEST_GUILESS_MAIN(TestDatabase)
#include "tst_database.moc"
