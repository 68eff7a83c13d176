#include <QTest>
class TestFaults : public QObject
{
    Q_OBJECT
};
QTEST_MAIN(TestFaults)
#include "tst_faults.moc"
