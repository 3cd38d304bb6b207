// The test support itself: a comparison that missed a change would let every
// "nothing lost" check pass.

#include <QDialog>
#include <QLineEdit>
#include <QtTest>

#include "support/modal.h"
#include "support/tempdatabase.h"
#include "support/typing.h"

using namespace felcora::test;

class TestSupport : public QObject
{
    Q_OBJECT

private slots:
    void snapshotSeesEveryKindOfChange();
};

void TestSupport::snapshotSeesEveryKindOfChange()
{
    TempDatabase db;
    TempDatabase::exec(db.personalPath(),
                       QStringLiteral("insert into clientes (cuit, nombre, email) values ('1', 'Uno', NULL), ('2', 'Dos', 'd@x');"
                                      "insert into VentajasRel values ('RIM', '', '', '1');"));
    const auto before = DatabaseSnapshot::take(db.personalPath());
    QCOMPARE(before.differences(before), QStringList());
    QCOMPARE(before.rowCount(QStringLiteral("clientes")), 2);

    TempDatabase::exec(db.personalPath(),
                       QStringLiteral("update clientes set email = '' where cuit = '1';"
                                      "update clientes set nombre = 'DOS' where cuit = '2';"
                                      "insert into clientes (cuit, nombre) values ('3', 'Tres');"
                                      "delete from VentajasRel;"));
    const auto after = DatabaseSnapshot::take(db.personalPath());
    QCOMPARE(before.differences(after),
             QStringList({QStringLiteral("VentajasRel[1] deleted"),
                          QStringLiteral("clientes[1].email: NULL -> ''"),
                          QStringLiteral("clientes[2].nombre: 'Dos' -> 'DOS'"),
                          QStringLiteral("clientes[3] inserted")}));
}

QTEST_MAIN(TestSupport)
#include "tst_support.moc"
