#include <QDir>
#include <QFile>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QTest>
#include <algorithm>
#include <csignal>
#include <sys/resource.h>

#include "support/errors.h"
#include "support/registerfiles.h"
#include "taxregister/registerindex.h"
#include "taxregister/registerline.h"
#include "taxregister/registerscan.h"
#include "taxregister/registerzip.h"

using namespace felcora;
using namespace felcora::taxregister;
using namespace Qt::StringLiterals;
using felcora::test::errorDescription;

Q_DECLARE_METATYPE(LineStatus)

namespace {

constexpr quint64 kMegabyte = quint64(1) << 20;
constexpr qsizetype kBlockRecords = 4096; // as the index cuts its blocks
const QByteArray kCuit = "20111111112";
const QDate kIndexDate(2026, 3, 1);
constexpr qint64 kIndexLines = 600'000; // more than one chunk of the index's writer
constexpr quint32 kSeed = 1;

QByteArray line(const QByteArray &cuit, const QByteArray &name = "PEREZ JUAN",
                test::ActivityAt at = test::ActivityAt::Column51, const QByteArray &activity = "12")
{
    return test::registerLine({cuit, name, "AC", "AC", "NI", 'N', 'S', activity, at});
}

// cuit|name|income tax|VAT|simplified|partner and employer|activity
QByteArray shown(const RegisterLine &l)
{
    const auto code = [](const char *at) { return QByteArray(at, kCodeWidth) + '|'; };
    return QByteArray::number(l.cuit) + '|' + QByteArray(l.name, l.nameLength) + '|' + code(l.incomeTax) + code(l.vat)
        + code(l.simplified) + l.partner + l.employer + '|' + QByteArray(l.activity, kCodeWidth);
}

// The first `count` lines of a synthetic register, parsed.
std::vector<RegisterLine> synthetic(qsizetype count)
{
    test::SyntheticRegister make;
    auto lines = std::vector<RegisterLine>(std::size_t(count));
    QByteArray text;
    for (RegisterLine &l : lines) {
        text.resize(0);
        make(qsizetype(&l - lines.data()), text);
        if (parseRegisterLine(text.constData(), text.size() - 1, l) != LineStatus::Valid)
            qFatal("not a valid line: %s", text.constData());
    }
    return lines;
}

} // namespace

class RegisterFileTest : public QObject
{
    Q_OBJECT

private:
    QString file(const QString &name) const { return m_dir.filePath(name); }
    QString indexOf(const std::vector<RegisterLine> &lines, const QString &name)
    {
        RegisterIndexWriter writer(file(name), kIndexDate);
        for (const RegisterLine &l : lines)
            writer.add(l);
        writer.finish();
        return file(name);
    }
    QStringList tempFilesLeft() const
    {
        return QDir(m_dir.path()).entryList(QDir::Files | QDir::Hidden).filter(u".tmp"_s);
    }

    QTemporaryDir m_dir;

private slots:
    void parseLine_data();
    void parseLine();
    void zipRefused_data();
    void zipRefused();
    void scan();
    void indexLookups_data();
    void indexLookups();
    void indexRefusesDamage_data();
    void indexRefusesDamage();
    void indexKept_data();
    void indexKept();
};

void RegisterFileTest::parseLine_data()
{
    QTest::addColumn<QByteArray>("text");
    QTest::addColumn<LineStatus>("status");
    QTest::addColumn<QByteArray>("shown"); // a line not valid leaves its result as it was
    const auto row = [](const char *name, const QByteArray &text, LineStatus status, const QByteArray &shown = "42") {
        QTest::newRow(name) << text << status << shown;
    };
    const QByteArray perez = "20111111112|PEREZ JUAN|AC|AC|NI|NS|12";
    const QByteArray at50 = line(kCuit, "PEREZ JUAN", test::ActivityAt::Column50);
    const QByteArray latin = test::latin1(u"ÁLVAREZ ÑANDÚ MARÍA DEL CARMÉN"_s);
    QByteArray nul = line(kCuit, QByteArray("\0GOMEZ\0ANA\0", 11));
    nul[42] = nul[47] = nul[50] = '\0';
    QByteArray split = line(kCuit).replace(49, 3, "1 2");
    row("activity at 51-52, CR LF", line(kCuit) + '\r', LineStatus::Valid, perez);
    row("activity at 50-51", at50 + '\r', LineStatus::Valid, perez);
    row("activity at 50-51, blank 52", at50 + ' ', LineStatus::Valid, perez);
    row("one character of activity at 52", line(kCuit, "PEREZ JUAN", test::ActivityAt::Column51, " 7"),
        LineStatus::Valid, "20111111112|PEREZ JUAN|AC|AC|NI|NS|7 ");
    row("Latin-1 name filling its columns", line(kCuit, latin), LineStatus::Valid,
        "20111111112|" + latin + "|AC|AC|NI|NS|12");
    row("control characters, blanks around the name", line(kCuit, "  GOMEZ\001\177\205ANA\037"), LineStatus::Valid,
        "20111111112|GOMEZ   ANA|AC|AC|NI|NS|12");
    row("NUL bytes", nul, LineStatus::Valid, "20111111112|GOMEZ ANA|A |AC|NI| S|2 ");
    row("blanks in every field", kCuit + QByteArray(41, ' '), LineStatus::Valid, "20111111112||  |  |  |  |  ");
    row("49 columns", line(kCuit).left(49), LineStatus::Valid, "20111111112|PEREZ JUAN|AC|AC|NI|NS|  ");
    row("wrong check digit", line("20111111111"), LineStatus::Valid, "20111111111|PEREZ JUAN|AC|AC|NI|NS|12");
    row("CR alone", "\r", LineStatus::Empty);
    row("48 columns and CR", line(kCuit).left(48) + '\r', LineStatus::Short);
    row("53 blank columns", line(kCuit) + ' ', LineStatus::Long);
    row("letter in CUIT", line("2011111111A"), LineStatus::BadCuit);
    row("blank inside the activity", split, LineStatus::BadActivity);
    row("three characters of activity", split.replace(50, 1, "5"), LineStatus::BadActivity);
}

void RegisterFileTest::parseLine()
{
    QFETCH(QByteArray, text);
    QFETCH(LineStatus, status);
    const std::vector<char> exact(text.begin(), text.end()); // so that the sanitizer sees a read past the line
    RegisterLine out{42};
    QCOMPARE(parseRegisterLine(exact.data(), text.size(), out), status);
    QTEST(status == LineStatus::Valid ? shown(out) : QByteArray::number(out.cuit), "shown");
}

// Every file is refused with its own message, at opening or while inflating.
void RegisterFileTest::zipRefused_data()
{
    QTest::addColumn<QString>("path");
    QTest::addColumn<QString>("message");
    const auto row = [](const char *name, const QString &path, const QString &message) {
        QTest::newRow(name) << path << message.arg(path);
    };
    const QString notZip = u"\"%1\" no es un archivo zip o está incompleto"_s;
    const QString ofZip = u"El padrón del zip \"%1\" "_s;
    const QByteArray text = test::registerText({line(kCuit)});
    const test::ZipEntry register_{u"padron.txt"_s, text};
    const auto zip = [this](const char *name, const QList<test::ZipEntry> &entries) {
        return test::writeZip(file(QString::fromLatin1(name)), entries) ? file(QString::fromLatin1(name)) : QString();
    };
    row("missing", file(u"missing.zip"_s), u"El archivo \"%1\" no existe o no se puede leer"_s);
    QVERIFY(QFile(file(u"empty.zip"_s)).open(QIODevice::WriteOnly));
    row("empty file", file(u"empty.zip"_s), notZip);
    const QString cut = zip("cut.zip", {register_});
    QVERIFY(QFile::resize(cut, QFileInfo(cut).size() - 10));
    row("cut short", cut, notZip);
    row("two files and a folder", zip("two.zip", {register_, {u"leame.txt"_s, "otro"}, {u"d/"_s}}),
        u"El zip \"%1\" contiene 2 archivos: el padrón viene en uno solo"_s);
    row("a folder only", zip("folder-only.zip", {{u"padron/"_s}}), u"El zip \"%1\" no contiene ningún archivo"_s);
    test::ZipEntry secret = register_;
    secret.password = "clave";
    row("encrypted", zip("secret.zip", {secret}), ofZip + u"está cifrado: no se puede leer sin contraseña"_s);
    // 16 MB of one line over and over: it deflates about a thousand to one.
    const QString bomb = zip("bomb.zip", {{u"padron.txt"_s, text.repeated(qsizetype(16 * kMegabyte) / text.size())}});
    row("a bomb, refused before it is inflated", bomb,
        ofZip + u"ocupa más de 1 MB descomprimido: no parece el padrón (límite de seguridad)"_s);
    const QString liar = file(u"liar.zip"_s);
    QVERIFY(QFile::copy(bomb, liar) && test::declareSize(liar, quint32(kMegabyte / 2)));
    row("a bomb that says it is small", liar,
        ofZip + u"está dañado: da más texto que los 524288 bytes que declara (límite de seguridad)"_s);
    const QString less = zip("less.zip", {register_});
    QVERIFY(test::declareSize(less, quint32(text.size() + 1)));
    row("less text than declared", less, ofZip + u"está dañado: da menos texto que los 55 bytes que declara"_s);
}

void RegisterFileTest::zipRefused()
{
    QFETCH(QString, path);
    QTEST(errorDescription([&] {
              RegisterZip zip(path, kMegabyte);
              char buffer[4096];
              while (zip.read(buffer, sizeof buffer) > 0) {}
          }),
          "message");
}

// One pass over a register larger than the scan's pieces: lines counted, damaged ones told (the first
// of them only), a line longer than a piece passed over whole, the master's customers kept with their
// first line however the master writes their CUITs; Cancelar in the progress stops it.
void RegisterFileTest::scan()
{
    // 1 ours, 2 not ours, 3 empty (not a line), 4 bad CUIT, 5 short, 6 long past
    // what is kept, 7 ours again, 8 ours, 9 long, 10 ours, 11 not ours.
    QList<QByteArray> head = {
        line(kCuit, "PRIMERA"),    line("27222222223"),     QByteArray(),           line("3050000000X"),
        line(kCuit).left(40),      QByteArray(10'000, 'X'), line(kCuit, "SEGUNDA"), line("30500000001", "EMPRESA SA"),
        line("20333333334") + "X", line("01234567890"),     line("22222222222")};
    QList<QPair<qint64, LineStatus>> expected
        = {{4, LineStatus::BadCuit}, {5, LineStatus::Short}, {6, LineStatus::Long}, {9, LineStatus::Long}};
    for (int i = 0; i < kMaxDamagedKept; ++i) {
        head << "corta";
        if (expected.size() < kMaxDamagedKept)
            expected.append({head.size(), LineStatus::Short});
    }
    constexpr qint64 kLines = 150'000;
    const qint64 hugeAt = head.size() + kLines / 2;
    test::SyntheticRegister make;
    const QString path = file(u"register.zip"_s);
    QVERIFY(test::writeRegisterZip(path, u"datos/SELE-SAL-CONSTA.txt"_s, QDateTime(QDate(2026, 2, 14), QTime(23, 30)),
                                   head.size() + kLines + 1, [&](qint64 number, QByteArray &out) {
                                       if (number < head.size())
                                           out += head[number] + '\n';
                                       else if (number == hugeAt)
                                           out += QByteArray(6 * kMegabyte, 'Z') + "\r\n";
                                       else
                                           make(number - head.size() - (number > hugeAt), out);
                                   }));
    CuitSet master;
    for (const QString &cuit : {u"20111111112"_s, u" 30500000001  "_s, u"01234567890"_s, u"23999999990"_s,
                                u"27-22222222-3"_s, QString(11, QChar(0x0662))})
        master.insert(cuit);
    QByteArrayList customers = {"20111111112|PRIMERA|AC|AC|NI|NS|12", "30500000001|EMPRESA SA|AC|AC|NI|NS|12",
                                "1234567890|PEREZ JUAN|AC|AC|NI|NS|12"};
    const std::vector<RegisterLine> all = synthetic(kLines);
    for (std::size_t i = 0; i < all.size(); i += 997) {
        master.insert(all[i].cuit);
        customers << shown(all[i]);
    }
    int calls = 0; // Cancelar at the second call
    const RegisterScan cancelled = scanRegister(
        path, master, nullptr, [&calls](quint64 done, quint64 total) { return ++calls < 2 && done < total; });
    QVERIFY(cancelled.cancelled && calls == 2 && cancelled.lines > 0 && cancelled.lines < kLines);
    bool whole = false; // the progress reaches the total
    const RegisterScan scan = scanRegister(path, master, nullptr, [&whole](quint64 done, quint64 total) {
        whole = done == total;
        return true;
    });
    QVERIFY(whole && !scan.cancelled);
    QCOMPARE(scan.entryName, u"datos/SELE-SAL-CONSTA.txt"_s);
    QCOMPARE(scan.registerDate, QDate(2026, 2, 14));
    QCOMPARE(scan.lines, head.size() - 1 + kLines + 1);
    QCOMPARE(scan.damaged, 4 + kMaxDamagedKept + 1);
    QCOMPARE(scan.repeated, 1);
    QList<QPair<qint64, LineStatus>> damaged;
    for (const DamagedLine &d : scan.firstDamaged)
        damaged.append({d.number, d.status});
    QCOMPARE(damaged, expected);
    QByteArrayList found;
    for (const RegisterLine &l : scan.customers)
        found << shown(l);
    QCOMPARE(found, customers);
}

void RegisterFileTest::indexLookups_data()
{
    QTest::addColumn<qsizetype>("at"); // the line's position; -1 past the last
    QTest::addColumn<bool>("found");   // not found: one below the line's CUIT, where no CUIT is
    QTest::newRow("first, added twice") << qsizetype(0) << true;
    QTest::newRow("last of the first block") << kBlockRecords - 1 << true;
    QTest::newRow("first of the second block, added twice") << kBlockRecords << true;
    QTest::newRow("last") << kIndexLines - 1 << true;
    QTest::newRow("below the first") << qsizetype(0) << false;
    QTest::newRow("past the last") << qsizetype(-1) << false;
    QTest::newRow("between two blocks") << kBlockRecords << false;
    QTest::newRow("within a block") << kBlockRecords + 100 << false;
}

// An index of more lines than one chunk of its writer, added in no order, each
// second CUIT added again with another line: every CUIT is found once, with
// the line added first.
void RegisterFileTest::indexLookups()
{
    QFETCH(qsizetype, at);
    QFETCH(bool, found);
    static const std::vector<RegisterLine> lines = synthetic(kIndexLines);
    static const QString path = [this] {
        std::vector<RegisterLine> added = lines;
        std::shuffle(added.begin(), added.end(), QRandomGenerator(kSeed));
        for (std::size_t i = 0; i < lines.size(); i += 2) {
            added.push_back(lines[i + 1]);
            added.back().cuit = lines[i].cuit;
        }
        return indexOf(added, u"lookups.indice"_s);
    }();
    const quint64 cuit = at < 0 ? lines.back().cuit + 1 : lines[std::size_t(at)].cuit - (found ? 0 : 1);
    const auto index = RegisterIndex::open(path);
    QCOMPARE(index->entryCount(), kIndexLines);
    QCOMPARE(shown(index->find(cuit).value_or(RegisterLine())), shown(found ? lines[std::size_t(at)] : RegisterLine()));
    QVERIFY(tempFilesLeft().isEmpty());
}

void RegisterFileTest::indexRefusesDamage_data()
{
    QTest::addColumn<qint64>("cut"); // bytes cut off the end, -1 all
    QTest::addColumn<qint64>("at");  // where bytes are written, from the end when negative
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QString>("atOpen");
    QTest::addColumn<QString>("atFind");
    const QString notIndex = u"\"%1\" no es un índice del padrón de esta versión: vuelva a importar el padrón"_s;
    const QString damaged = u"El índice del padrón \"%1\" está dañado: vuelva a importar el padrón"_s;
    const QString none = u"<no error>"_s;
    QTest::newRow("magic") << 0LL << 0LL << QByteArray("X") << notIndex << none;
    QTest::newRow("version") << 0LL << 8LL << QByteArray("\x02") << notIndex << none;
    QTest::newRow("a byte of the directory") << 0LL << -20LL << QByteArray("\x01") << damaged << none;
    QTest::newRow("cut short") << 1LL << 0LL << QByteArray() << damaged << none;
    QTest::newRow("empty") << -1LL << 0LL << QByteArray() << notIndex << none;
    QTest::newRow("a byte of a block") << 0LL << 100LL << QByteArray("\x55\xAA") << none << damaged;
}

void RegisterFileTest::indexRefusesDamage()
{
    QFETCH(qint64, cut);
    QFETCH(qint64, at);
    QFETCH(QByteArray, bytes);
    static const std::vector<RegisterLine> lines = synthetic(2 * kBlockRecords);
    const QString path = indexOf(lines, u"damaged.indice"_s);
    QFile f(path);
    QVERIFY(f.open(QIODevice::ReadWrite | QIODevice::Unbuffered));
    QVERIFY(f.resize(cut < 0 ? 0 : f.size() - cut));
    QVERIFY(f.seek(at < 0 ? f.size() + at : at) && f.write(bytes) == bytes.size());
    std::unique_ptr<RegisterIndex> index;
    QTEST(errorDescription([&] { index = RegisterIndex::open(path); }).replace(path, u"%1"_s), "atOpen");
    if (index)
        QTEST(errorDescription([&] { index->find(lines[0].cuit); }).replace(path, u"%1"_s), "atFind");
}

void RegisterFileTest::indexKept_data()
{
    QTest::addColumn<QString>("target");
    QTest::addColumn<bool>("finished"); // under a file-size limit: the disk is full
    QTest::addColumn<QString>("failure");
    const QString cannot = u"No se pudo escribir el índice del padrón \"%1\": "_s;
    QTest::newRow("writer abandoned") << u"kept.indice"_s << false << u"<no error>"_s;
    QTest::newRow("disk full") << u"kept.indice"_s << true
                               << cannot + u"el archivo es más grande de lo que admite el disco"_s;
    QTest::newRow("no folder") << u"no/folder/kept.indice"_s << false << cannot + u"la carpeta no existe"_s;
}

// A writer dropped before finish(), or that fails, leaves the old index and no file of its own.
void RegisterFileTest::indexKept()
{
    QFETCH(QString, target);
    QFETCH(bool, finished);
    QVERIFY(!RegisterIndex::open(file(u"none.indice"_s)));
    const QString path = indexOf(synthetic(3), u"kept.indice"_s);
    std::signal(SIGXFSZ, SIG_IGN);
    rlimit old{};
    QVERIFY(getrlimit(RLIMIT_FSIZE, &old) == 0);
    const rlimit limit{finished ? 64 * 1024 : old.rlim_cur, old.rlim_max};
    QString failure = errorDescription([&] {
        RegisterIndexWriter writer(file(target), kIndexDate.addDays(1));
        RegisterLine l = synthetic(1)[0];
        setrlimit(RLIMIT_FSIZE, &limit);
        for (quint64 i = 0; i < 3 * 256 * 1024; ++i) { // several of the writer's chunks
            l.cuit = 20'000'000'000 + i;
            writer.add(l);
        }
        if (finished)
            writer.finish();
    });
    QVERIFY(setrlimit(RLIMIT_FSIZE, &old) == 0);
    QTEST(failure.replace(file(target), u"%1"_s), "failure");
    const auto kept = RegisterIndex::open(path);
    QCOMPARE(kept->registerDate(), kIndexDate);
    QCOMPARE(kept->entryCount(), 3);
    QCOMPARE(tempFilesLeft(), QStringList());
}

QTEST_GUILESS_MAIN(RegisterFileTest)
#include "tst_registerfile.moc"
