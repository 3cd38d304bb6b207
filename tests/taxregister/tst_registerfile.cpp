#include <QTest>

class RegisterFileTest : public QObject
{
    Q_OBJECT
};

QTEST_GUILESS_MAIN(RegisterFileTest)
#include "tst_registerfile.moc"
