// The support the suites' checks stand on: a snapshot that missed a change would let every "nothing lost" check pass.

#include <QtTest>

#include "support/dialogwork.h"
#include "support/tempdatabase.h"

using namespace felcora::test;
using namespace Qt::StringLiterals;

class TestSupport : public QObject
{
    Q_OBJECT

private slots:
    void snapshotSeesEveryKindOfChange()
    {
        TempDatabase db;
        TempDatabase::exec(db.personalPath(),
                           u"insert into clientes (cuit, nombre, email) values ('1', 'Uno', NULL), ('2', 'Dos', 'd@x');"
                           "insert into VentajasRel values ('RIM', '', '', '1');"_s);
        const auto before = DatabaseSnapshot::take(db.personalPath());
        QCOMPARE(before.differences(before), QStringList());
        TempDatabase::exec(db.personalPath(),
                           u"update clientes set email = '' where cuit = '1';"
                           "update clientes set nombre = 'DOS' where cuit = '2';"
                           "insert into clientes (cuit, nombre) values ('3', 'Tres');"
                           "delete from VentajasRel;"_s);
        QCOMPARE(before.differences(DatabaseSnapshot::take(db.personalPath())),
                 QStringList({u"VentajasRel[1] deleted"_s, u"clientes[1].email: NULL -> ''"_s,
                              u"clientes[2].nombre: 'Dos' -> 'DOS'"_s, u"clientes[3] inserted"_s}));
    }

    // Set up as the application's save dialogs, the offered file selected in its list (which it would return over
    // the name box); worked as soon as it shows, before it is active.
    void chosenFileIsTheOneGivenWhateverTheFolderHolds()
    {
        const StrayMessageWatchdog unanswered; // "replace the file?" fails instead of blocking
        QTemporaryDir dir;
        QVERIFY(QFile(dir.filePath(u"listado.pdf"_s)).open(QIODevice::WriteOnly));
        QFileDialog dialog(nullptr, u"Guardar"_s, dir.path(), u"PDF (*.pdf)"_s);
        dialog.setOption(QFileDialog::DontUseNativeDialog);
        dialog.setAcceptMode(QFileDialog::AcceptSave);
        dialog.setDefaultSuffix(u"pdf"_s);
        dialog.selectFile(u"listado.pdf"_s);
        dialog.open();
        QVERIFY(!dialog.isActiveWindow());
        chooseFile(&dialog, dir.filePath(u"nuevo"_s));
        QCOMPARE(dialog.result(), int(QDialog::Accepted));
        QCOMPARE(dialog.selectedFiles(), QStringList{dir.filePath(u"nuevo.pdf"_s)}); // the suffix is added
    }
};

QTEST_MAIN(TestSupport)
#include "tst_support.moc"
