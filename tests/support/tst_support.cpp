// The support the suites' checks stand on: a snapshot comparison that missed a change would let every
// "nothing lost" check pass, a file dialog that saved elsewhere would have them read the wrong file.

#include <QDialog>
#include <QFileDialog>
#include <QLineEdit>
#include <QtTest>

#include "support/dialogwork.h"
#include "support/tempdatabase.h"

using namespace felcora::test;

class TestSupport : public QObject
{
    Q_OBJECT

private slots:
    void snapshotSeesEveryKindOfChange();
    void chosenFileIsTheOneGivenWhateverTheFolderHolds();
};

void TestSupport::snapshotSeesEveryKindOfChange()
{
    TempDatabase db;
    TempDatabase::exec(
        db.personalPath(),
        QStringLiteral("insert into clientes (cuit, nombre, email) values ('1', 'Uno', NULL), ('2', 'Dos', 'd@x');"
                       "insert into VentajasRel values ('RIM', '', '', '1');"));
    const auto before = DatabaseSnapshot::take(db.personalPath());
    QCOMPARE(before.differences(before), QStringList());

    TempDatabase::exec(db.personalPath(),
                       QStringLiteral("update clientes set email = '' where cuit = '1';"
                                      "update clientes set nombre = 'DOS' where cuit = '2';"
                                      "insert into clientes (cuit, nombre) values ('3', 'Tres');"
                                      "delete from VentajasRel;"));
    const auto after = DatabaseSnapshot::take(db.personalPath());
    QCOMPARE(
        before.differences(after),
        QStringList({QStringLiteral("VentajasRel[1] deleted"), QStringLiteral("clientes[1].email: NULL -> ''"),
                     QStringLiteral("clientes[2].nombre: 'Dos' -> 'DOS'"), QStringLiteral("clientes[3] inserted")}));
}

// Set up as the application's save dialogs, in a folder holding the file offered, which its list selects
// and it would return over its name box; worked as soon as it shows, before it is active.
void TestSupport::chosenFileIsTheOneGivenWhateverTheFolderHolds()
{
    const StrayMessageWatchdog unanswered; // "replace the file?" fails instead of blocking
    QTemporaryDir dir;
    const QString offered = QStringLiteral("listado.pdf");
    QFile existing(dir.filePath(offered));
    QVERIFY(existing.open(QIODevice::WriteOnly));
    existing.close();
    const QString unwritable = dir.filePath(QStringLiteral("no/such/folder/x.pdf"));
    const QList<std::pair<QString, QString>> cases = {
        {dir.filePath(QStringLiteral("nuevo")), dir.filePath(QStringLiteral("nuevo.pdf"))}, // the suffix is added
        {unwritable, unwritable}, // a folder that does not exist is kept as given
    };
    for (const auto &[given, chosen] : cases) {
        QFileDialog dialog(nullptr, QStringLiteral("Guardar"), dir.path(), QStringLiteral("PDF (*.pdf)"));
        dialog.setOption(QFileDialog::DontUseNativeDialog);
        dialog.setAcceptMode(QFileDialog::AcceptSave);
        dialog.setDefaultSuffix(QStringLiteral("pdf"));
        dialog.selectFile(offered);
        dialog.open();
        QVERIFY(!dialog.isActiveWindow());
        chooseFile(&dialog, given);
        QCOMPARE(dialog.result(), int(QDialog::Accepted));
        QCOMPARE(dialog.selectedFiles(), QStringList{chosen});
    }
}

QTEST_MAIN(TestSupport)
#include "tst_support.moc"
