#include <QTest>

class RegisterCheckTest : public QObject
{
    Q_OBJECT
};

QTEST_GUILESS_MAIN(RegisterCheckTest)
#include "tst_registercheck.moc"
