// The list exported to XLSX and CSV, read back by readers of their own (openpyxl, Python's csv module): every cell,
// the file replaced only when complete, failures told and cancelling through the progress window.

#include <QFileDialog>
#include <QJsonArray>
#include <QJsonDocument>
#include <QProcess>
#include <QProgressDialog>
#include <QThread>
#include <QtTest>
#include <csignal>
#include <sys/resource.h>
#include <unistd.h>

#include "browser/customertable.h"
#include "browser/listexport.h"
#include "core/customerstore.h"
#include "export/tableexport.h"
#include "felcora/customerlistexport.h"
#include "molde/molde.h"
#include "support/dialogwork.h"
#include "support/tempdatabase.h"

using namespace felcora;
using namespace Qt::StringLiterals;
using felcora::test::TempDatabase;
using Rows = QList<QStringList>;

namespace {

const QString kPython = u"/usr/bin/python3"_s;
// Prints the file's rows as JSON: XLSX cells through openpyxl, its _xHHHH_ escapes decoded as a spreadsheet does (a
// value that is no text shows as "#" and its type), CSV through the csv module after checking its BOM and CR LF ends.
const QString kReadBack = uR"(
import csv, json, sys, openpyxl
from openpyxl.utils.escape import unescape
path = sys.argv[1]
if path.lower().endswith('.xlsx'):
    sheet = openpyxl.load_workbook(path).active
    cell = lambda v: '' if v is None else unescape(v) if isinstance(v, str) else '#' + type(v).__name__
    rows = [[cell(c.value) for c in r] for r in sheet.iter_rows()]
else:
    data = open(path, 'rb').read()
    assert data.startswith(b'\xef\xbb\xbf') and data.endswith(b'\r\n'), data[:8]
    text = data[3:].decode('utf-8')
    quoted = False
    for i, ch in enumerate(text):
        quoted ^= ch == chr(34)  # a quote
        assert quoted or ch != '\n' or text[i - 1] == '\r', 'a line ended without CR'
    rows = list(csv.reader(text.splitlines(keepends=True), delimiter=';'))
print(json.dumps(rows))
)"_s;

const QStringList kHeaders{u"Nombre"_s, u"Cuit"_s, u"Direccion"_s, u"E-Mail"_s};

tableexport::TableSource sourceOf(const Rows &rows)
{
    tableexport::TableSource source;
    source.headers = kHeaders;
    source.rowCount = rows.size();
    source.text = [rows](qsizetype r, int c) { return rows[r][c]; };
    source.textColumns = {1};
    return source;
}

Rows readBack(const QString &path)
{
    QProcess python;
    python.start(kPython, {u"-c"_s, kReadBack, path});
    if (!python.waitForFinished(60000) || python.exitCode() != 0)
        return {{u"unreadable: "_s + QString::fromUtf8(python.readAllStandardError())}};
    Rows rows;
    for (const QJsonValue &row : QJsonDocument::fromJson(python.readAllStandardOutput()).array())
        rows << row.toVariant().toStringList();
    return rows;
}

// The names of the files in a folder and their bytes.
QMap<QString, QByteArray> contents(const QString &folder)
{
    QMap<QString, QByteArray> files;
    for (const QFileInfo &f : QDir(folder).entryInfoList(QDir::Files | QDir::Hidden)) {
        QFile file(f.filePath());
        files[f.fileName()] = file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("unreadable");
    }
    return files;
}

} // namespace

class TestListExport : public QObject
{
    Q_OBJECT

private slots:
    void everyCellReadsBack_data()
    {
        QTest::addColumn<QString>("file");
        QTest::addColumn<Rows>("rows");
        QTest::addColumn<Rows>("csvRows"); // what the CSV holds where it differs: digit codes and formula starts
        const Rows rows{
            {u"Ñandú Comercio Exterior S.A."_s, u"20111111112"_s, u"Av. Córdoba 1234, 5º \"B\""_s,
             u"ñandu@ejemplo.com.ar"_s},
            {u"Pérez; \"El Gaucho\"\nHermanos"_s, u"02345678901"_s, u""_s, u""_s},
            {u"=HIPERVINCULO(\"x\")"_s, u"20-1111111-2"_s, u"Calle\r\nPiso 2"_s, u"-@"_s},
            {u"Campana\a y NUL\0 fin"_s, u"_x0041_ literal"_s, u"tab\there"_s, u"ÀÉÍÓÚ üçã €"_s},
        };
        Rows csvRows = rows;
        csvRows[0][1] = u"=\"20111111112\""_s;
        csvRows[1][1] = u"=\"02345678901\""_s;
        csvRows[2][0] = u"'=HIPERVINCULO(\"x\")"_s;
        csvRows[2][3] = u"'-@"_s;
        for (const QString &file : {u"lista.xlsx"_s, u"LISTA.CSV"_s}) {
            QTest::addRow("%s", qPrintable(file)) << file << rows << csvRows;
            QTest::addRow("%s, headers only", qPrintable(file)) << file << Rows{} << Rows{};
        }
    }

    void everyCellReadsBack()
    {
        QFETCH(QString, file);
        QFETCH(Rows, rows);
        QFETCH(Rows, csvRows);
        QTemporaryDir dir;
        const QString path = dir.filePath(file);
        QFile old(path); // replaced, its permissions kept
        QVERIFY(old.open(QIODevice::WriteOnly) && old.write("viejo") == 5 && old.flush());
        QVERIFY(old.setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ReadGroup));
        const QFile::Permissions permissions = old.permissions();
        const tableexport::ExportResult result = tableexport::exportTable(sourceOf(rows), path);
        QCOMPARE(result.rowsWritten, rows.size());
        QCOMPARE(readBack(path), Rows{kHeaders} + (file.endsWith(u".CSV"_s) ? csvRows : rows));
        QCOMPARE(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden), QStringList{file});
        QCOMPARE(QFile::permissions(path), permissions);
    }

    // Failures are told in a critical box and leave the folder as it was: no file replaced, no temporary one.
    void failureIsToldAndChangesNothing_data()
    {
        QTest::addColumn<QString>("file");
        QTest::addColumn<qsizetype>("rowCount");
        QTest::addColumn<int>("textLength");
        QTest::addColumn<QString>("told"); // %1 the folder
        QTest::newRow("other extension") << u"lista.txt"_s << qsizetype(1) << 1
                                         << u"No se puede exportar a %1/lista.txt: el archivo debe terminar en .xlsx "
                                            "(Excel) o .csv (texto separado por punto y coma)"_s;
        QTest::newRow("missing folder") << u"falta/lista.csv"_s << qsizetype(1) << 1
                                        << u"No se pudo escribir el archivo %1/falta/lista.csv: la carpeta no existe"_s;
        QTest::newRow("folder that is a file") << u"/etc/passwd/lista.xlsx"_s << qsizetype(1) << 1
                                               << u"No se pudo escribir el archivo /etc/passwd/lista.xlsx: la ruta no "
                                                  "es una carpeta"_s;
        QTest::newRow("text longer than a cell, halfway")
            << u"lista.xlsx"_s << qsizetype(3000) << 32768
            << u"No se exportó: el texto de la fila 3000, columna \"Nombre\", tiene más de 32767 caracteres, más de "
               "lo que admite una celda XLSX; exporte a un archivo .csv"_s;
        QTest::newRow("more rows than a sheet")
            << u"lista.xlsx"_s << qsizetype(1'048'576) << 1
            << u"No se exportó: la lista tiene 1048576 filas y una hoja XLSX admite 1048575 más los títulos; exporte "
               "a un archivo .csv"_s;
    }

    void failureIsToldAndChangesNothing()
    {
        QFETCH(QString, file);
        QFETCH(qsizetype, rowCount);
        QFETCH(int, textLength);
        QTemporaryDir dir;
        QFile old(dir.filePath(u"lista.xlsx"_s));
        QVERIFY(old.open(QIODevice::WriteOnly) && old.write("viejo") == 5 && old.flush());
        const auto before = contents(dir.path());
        tableexport::TableSource source = sourceOf({});
        source.rowCount = rowCount;
        // The long text comes last, after most of the file is written.
        source.text = [=](qsizetype row, int column) {
            return QString(row == rowCount - 1 && column == 0 ? textLength : 1, u'x');
        };
        test::MessageBoxes boxes;
        QCOMPARE(browser::exportWithProgress(nullptr, source, QDir(dir.path()).filePath(file)), QString());
        QFETCH(QString, told);
        QCOMPARE(boxes.texts, QStringList{told.replace(u"%1"_s, dir.path())});
        QCOMPARE(boxes.icons, QList{QMessageBox::Critical});
        QCOMPARE(contents(dir.path()), before);
    }

    // Rows the library keeps in temporary files that cannot grow (as on a disk that fills up) give a sheet cut short
    // that closes without an error: told as a full disk, the old file kept. The book itself, compressed, fits.
    void sheetCutShortIsAFullDisk()
    {
        QTemporaryDir dir;
        QFile old(dir.filePath(u"lista.xlsx"_s));
        QVERIFY(old.open(QIODevice::WriteOnly) && old.write("viejo") == 5 && old.flush());
        const auto before = contents(dir.path());
        tableexport::TableSource source = sourceOf({});
        source.rowCount = 20'000; // some 10 MB of XML, a few hundred KB compressed
        source.text = [](qsizetype, int) { return QString(100, u'x'); };
        constexpr rlim_t kFileSizeLimit = 2 << 20;
        rlimit limit{};
        QCOMPARE(getrlimit(RLIMIT_FSIZE, &limit), 0);
        const rlimit unlimited = limit;
        limit.rlim_cur = kFileSizeLimit;
        const auto oldHandler = std::signal(SIGXFSZ, SIG_IGN); // a write past the limit fails instead
        QCOMPARE(setrlimit(RLIMIT_FSIZE, &limit), 0);
        test::MessageBoxes boxes;
        const QString status = browser::exportWithProgress(nullptr, source, old.fileName());
        setrlimit(RLIMIT_FSIZE, &unlimited);
        std::signal(SIGXFSZ, oldHandler);
        QCOMPARE(status, QString());
        QCOMPARE(boxes.texts,
                 QStringList{u"No se pudo escribir el archivo %1: el disco está lleno"_s.arg(old.fileName())});
        QCOMPARE(contents(dir.path()), before);
    }

    // A file the user made read-only is not replaced. Root may write any mode, so for root it is made immutable.
    void readOnlyFileIsKept()
    {
        QTemporaryDir dir;
        QFile old(dir.filePath(u"lista.csv"_s));
        QVERIFY(old.open(QIODevice::WriteOnly) && old.write("viejo") == 5 && old.flush());
        QVERIFY(old.setPermissions(QFile::ReadOwner | QFile::ReadGroup | QFile::ReadOther));
        const auto immutable = [&](const char *flag) {
            return QProcess::execute(u"chattr"_s, {QString::fromLatin1(flag), old.fileName()}) == 0;
        };
        if (geteuid() == 0 && !immutable("+i"))
            QSKIP("root writes read-only files, and this file system keeps no immutable flag");
        test::MessageBoxes boxes;
        const QString status = browser::exportWithProgress(nullptr, sourceOf({}), old.fileName());
        if (geteuid() == 0)
            QVERIFY(immutable("-i"));
        QCOMPARE(status, QString());
        QCOMPARE(
            boxes.texts,
            QStringList{u"No se pudo escribir el archivo %1: el archivo es de solo lectura"_s.arg(old.fileName())});
        QCOMPARE(contents(dir.path()), (QMap<QString, QByteArray>{{u"lista.csv"_s, "viejo"}}));
    }

    // Esc in the progress window stops a long export: the old file keeps its bytes and no temporary file stays.
    void cancelledKeepsTheOldFile_data()
    {
        QTest::addColumn<QString>("file");
        QTest::newRow("xlsx") << u"lista.xlsx"_s;
        QTest::newRow("csv") << u"lista.csv"_s;
    }

    void cancelledKeepsTheOldFile()
    {
        QFETCH(QString, file);
        QTemporaryDir dir;
        const QString path = dir.filePath(file);
        QFile old(path);
        QVERIFY(old.open(QIODevice::WriteOnly) && old.write("viejo") == 5 && old.flush());
        tableexport::TableSource source = sourceOf({});
        constexpr qsizetype kRows = 1'000'000; // some 30 seconds, when not stopped
        constexpr qsizetype kSlowEvery = 1024;
        source.rowCount = kRows;
        source.text = [](qsizetype row, int column) {
            if (column == 0 && row % kSlowEvery == 0)
                QThread::msleep(30);
            return u"Cliente %1"_s.arg(row);
        };
        QString status;
        QVERIFY(test::whileShown<QProgressDialog>([&] { status = browser::exportWithProgress(nullptr, source, path); },
                                                  [](QProgressDialog *progress) {
                                                      QVERIFY(QTest::qWaitForWindowActive(progress));
                                                      QTest::keyClick(progress, Qt::Key_Escape);
                                                  }));
        QCOMPARE(status, u"Exportación cancelada: no se escribió "_s + path);
        QCOMPARE(contents(dir.path()), (QMap<QString, QByteArray>{{file, "viejo"}}));
    }

    // A name another program stored in Latin-1 (bytes that are no UTF-8) still gives a file its reader opens.
    void invalidUtf8FromTheDatabase_data()
    {
        QTest::addColumn<QString>("file");
        QTest::addColumn<QString>("cuit");
        QTest::newRow("xlsx") << u"lista.xlsx"_s << u"20111111112"_s;
        QTest::newRow("csv") << u"lista.csv"_s << u"=\"20111111112\""_s;
    }

    void invalidUtf8FromTheDatabase()
    {
        QFETCH(QString, file);
        QFETCH(QString, cuit);
        TempDatabase db;
        TempDatabase::exec(db.personalPath(),
                           u"insert into clientes (cuit, nombre) values ('20111111112', "
                           "cast(x'4c6f70e97a' as text))"_s);
        QTemporaryDir dir;
        QCOMPARE(exportCustomerList(*db.makeBroker(), dir.filePath(file)), 1);
        QCOMPARE(readBack(dir.filePath(file)), (Rows{kHeaders, {u"Lop\uFFFDz"_s, cuit, u""_s, u""_s}}));
    }

    // The customer list as its window opens it, in Spanish order by name: the host's call to CSV, and the shown
    // rows through the save dialog, a name typed without extension taking XLSX's.
    void customerListFromTheDatabase()
    {
        TempDatabase db;
        TempDatabase::exec(db.personalPath(),
                           u"insert into clientes (cuit, nombre, domicilio, email) values "
                           "('30711111110', 'Zárate SRL', 'Ruta 9', NULL), ('20222222223', 'Ñandú, Íñigo', NULL, "
                           "'i@n.ar'), ('27333333334', 'nandu', 'Uno; \"dos\"', ''), ('23444444449', 'Álvarez', "
                           "'', 'a@b.ar')"_s);
        const Rows expected{kHeaders,
                            {u"Álvarez"_s, u"23444444449"_s, u""_s, u"a@b.ar"_s},
                            {u"nandu"_s, u"27333333334"_s, u"Uno; \"dos\""_s, u""_s},
                            {u"Ñandú, Íñigo"_s, u"20222222223"_s, u""_s, u"i@n.ar"_s},
                            {u"Zárate SRL"_s, u"30711111110"_s, u"Ruta 9"_s, u""_s}};
        QTemporaryDir dir;
        const auto broker = db.makeBroker();
        QCOMPARE(exportCustomerList(*broker, dir.filePath(u"host.xlsx"_s)), 4);
        QCOMPARE(readBack(dir.filePath(u"host.xlsx"_s)), expected);
        Rows csv = expected;
        for (qsizetype row = 1; row < csv.size(); ++row)
            csv[row][1] = u"=\"%1\""_s.arg(csv[row][1]);
        QCOMPARE(exportCustomerList(*broker, dir.filePath(u"host.csv"_s)), 4);
        QCOMPARE(readBack(dir.filePath(u"host.csv"_s)), csv);

        hostkit::Molde format;
        browser::CustomerTable table = browser::CustomerTable::read(
            *CustomerStore({broker.get(), &format, nullptr}, nullptr, true).openList(), format);
        const browser::CustomerTable::Order &byName = table.sortedBy(browser::kNombre);
        const QString typed = dir.filePath(u"mostrada"_s);
        QString status;
        QVERIFY(test::whileShown<QFileDialog>(
            [&] {
                const auto shown = [&](qsizetype row, int column) { return table.text(byName[size_t(row)], column); };
                status = browser::exportShownList(nullptr, browser::customerListSource(table.rowCount(), shown));
            },
            [&](QFileDialog *dialog) { test::chooseFile(dialog, typed); }));
        QCOMPARE(status, u"4 clientes exportados a "_s + typed + u".xlsx"_s);
        QCOMPARE(readBack(typed + u".xlsx"_s), expected);
    }
};

QTEST_MAIN(TestListExport)
#include "tst_listexport.moc"
