#include <QTest>

class TestSchemaUpgrade : public QObject
{
    Q_OBJECT
};

QTEST_GUILESS_MAIN(TestSchemaUpgrade)
#include "tst_schemaupgrade.moc"
