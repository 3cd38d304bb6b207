#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QTest>
#include <QtEndian>
#include <algorithm>
#include <csignal>
#include <functional>
#include <numeric>
#include <sys/resource.h>
#include <vector>

#include "support/errors.h"
#include "support/registerfiles.h"
#include "taxregister/registerindex.h"
#include "taxregister/registerline.h"
#include "taxregister/registerscan.h"
#include "taxregister/registerzip.h"

using namespace felcora;
using namespace felcora::taxregister;
using felcora::test::errorDescription;

Q_DECLARE_METATYPE(LineStatus)

namespace {

constexpr quint64 kMegabyte = quint64(1) << 20;
constexpr qsizetype kBlockRecords = 4096; // as the index cuts its blocks
constexpr qint64 kLocalHeaderSize = 30;
constexpr qsizetype kLocalNameLengthAt = 26;
constexpr qsizetype kLocalExtraLengthAt = 28;

test::RegisterFields fields(const QByteArray &cuit, const QByteArray &name = "PEREZ JUAN")
{
    test::RegisterFields f;
    f.cuit = cuit;
    f.name = name;
    f.activity = "12";
    return f;
}

QByteArray line(const test::RegisterFields &f)
{
    return test::registerLine(f);
}

QByteArray nameOf(const RegisterLine &l)
{
    return QByteArray(l.name, l.nameLength);
}

QByteArray codesOf(const RegisterLine &l)
{
    return QByteArray(l.incomeTax, kCodeWidth) + '|' + QByteArray(l.vat, kCodeWidth) + '|'
        + QByteArray(l.simplified, kCodeWidth) + '|' + l.partner + l.employer + '|'
        + QByteArray(l.activity, kCodeWidth);
}

RegisterLine parsed(const QByteArray &text)
{
    RegisterLine l;
    const LineStatus status = parseRegisterLine(text.constData(), text.size(), l);
    if (status != LineStatus::Valid)
        qFatal("not a valid line: %s", text.constData());
    return l;
}

// Every CUIT of a sequence, as the lines of a synthetic register carry them.
std::vector<quint64> cuits(qsizetype count, quint64 firstTen = test::CuitSequence::kFirstPerson)
{
    test::CuitSequence sequence(firstTen);
    std::vector<quint64> all(std::size_t(count), 0);
    for (quint64 &cuit : all)
        cuit = sequence.next();
    return all;
}

QStringList leftovers(const QString &folder)
{
    return QDir(folder).entryList(QDir::Files | QDir::Hidden).filter(QStringLiteral(".tmp"));
}

} // namespace

class RegisterFileTest : public QObject
{
    Q_OBJECT

private:
    QString file(const QString &name) const { return m_dir.filePath(name); }
    QString zipOf(const QList<QByteArray> &lines, const QByteArray &lineEnd = "\r\n")
    {
        const QString path = file(QStringLiteral("r%1.zip").arg(++m_files));
        if (!test::writeZip(path, {{QStringLiteral("padron.txt"), test::registerText(lines, lineEnd)}}))
            qFatal("zip not written");
        return path;
    }
    // An index of `count` synthetic lines, in the order given by `order` (positions into the sequence).
    QString indexOf(const std::vector<qsizetype> &order, const QString &name)
    {
        const QString path = file(name);
        test::SyntheticRegister synthetic;
        std::vector<RegisterLine> lines;
        QByteArray text;
        for (qsizetype i = 0; i < qsizetype(order.size()); ++i) {
            text.resize(0);
            synthetic(i, text);
            lines.push_back(parsed(text.chopped(2)));
        }
        RegisterIndexWriter writer(path, QDate(2026, 3, 1));
        for (const qsizetype at : order)
            writer.add(lines[std::size_t(at)]);
        writer.finish();
        return path;
    }

    QTemporaryDir m_dir;
    int m_files = 0;

private slots:
    void parseLine_data();
    void parseLine();
    void parseNeverReadsPastTheLine();
    void cuitSet_data();
    void cuitSet();
    void cuitSetGrows();
    void zipRefused_data();
    void zipRefused();
    void zipFailsWhileRead_data();
    void zipFailsWhileRead();
    void zipReadWhole();
    void scanCounts();
    void scanAcrossBuffers();
    void scanKeepsFirstDamaged();
    void scanCancelled();
    void indexLookups_data();
    void indexLookups();
    void indexMergesAnyOrder_data();
    void indexMergesAnyOrder();
    void indexRefusesDamage_data();
    void indexRefusesDamage();
    void indexKeptWhenAbandoned();
    void indexKeptWhenDiskFull();
    void indexEmptyAndMissing();
};

void RegisterFileTest::parseLine_data()
{
    QTest::addColumn<QByteArray>("text");
    QTest::addColumn<LineStatus>("status");
    QTest::addColumn<quint64>("cuit");
    QTest::addColumn<QByteArray>("name");
    QTest::addColumn<QByteArray>("codes");

    const QByteArray cuit = "20111111112";
    const QByteArray codes = "AC|AC|NI|NS|12";
    auto f = fields(cuit);
    QTest::newRow("activity at 51-52, CR LF")
        << line(f) + '\r' << LineStatus::Valid << 20111111112ULL << QByteArray("PEREZ JUAN") << codes;
    QTest::newRow("activity at 51-52, LF")
        << line(f) << LineStatus::Valid << 20111111112ULL << QByteArray("PEREZ JUAN") << codes;
    f.activityAt = test::ActivityAt::Column50;
    QTest::newRow("activity at 50-51") << line(f) + '\r' << LineStatus::Valid << 20111111112ULL
                                       << QByteArray("PEREZ JUAN") << codes;
    QTest::newRow("activity at 50-51, blank 52")
        << line(f) + ' ' << LineStatus::Valid << 20111111112ULL << QByteArray("PEREZ JUAN") << codes;
    auto one = fields(cuit);
    one.activity = " 7";
    QTest::newRow("one character of activity at 52")
        << line(one) << LineStatus::Valid << 20111111112ULL << QByteArray("PEREZ JUAN") << QByteArray("AC|AC|NI|NS|7 ");
    const QByteArray latin = test::latin1(QStringLiteral("ÑANDÚ ÜBEL ÁLVAREZ"));
    QTest::newRow("Latin-1 name") << line(fields(cuit, latin)) << LineStatus::Valid << 20111111112ULL << latin << codes;
    QTest::newRow("name cut both sides") << line(fields(cuit, "   GOMEZ  ANA")) << LineStatus::Valid << 20111111112ULL
                                         << QByteArray("GOMEZ  ANA") << codes;
    QTest::newRow("full name") << line(fields(cuit, QByteArray(kNameWidth, 'X'))) << LineStatus::Valid << 20111111112ULL
                               << QByteArray(kNameWidth, 'X') << codes;
    QByteArray nul = line(fields(cuit, QByteArray("\0GOMEZ\0ANA\0", 11)));
    nul[42] = '\0';
    nul[47] = '\0';
    nul[50] = '\0';
    QTest::newRow("NUL bytes") << nul << LineStatus::Valid << 20111111112ULL << QByteArray("GOMEZ ANA")
                               << QByteArray("A |AC|NI| S|2 ");
    QTest::newRow("control characters") << line(fields(cuit,
                                                       "GOMEZ\x01\x7F\x85"
                                                       "ANA\x1F"))
                                        << LineStatus::Valid << 20111111112ULL << QByteArray("GOMEZ   ANA") << codes;
    const QByteArray blanks = cuit + QByteArray(41, ' ');
    QTest::newRow("blanks in every field")
        << blanks << LineStatus::Valid << 20111111112ULL << QByteArray() << QByteArray("  |  |  |  |  ");
    QTest::newRow("49 columns") << line(f).left(49) << LineStatus::Valid << 20111111112ULL << QByteArray("PEREZ JUAN")
                                << QByteArray("AC|AC|NI|NS|  ");
    QTest::newRow("wrong check digit is still the register's")
        << line(fields("20111111111")) << LineStatus::Valid << 20111111111ULL << QByteArray("PEREZ JUAN") << codes;
    QTest::newRow("empty") << QByteArray() << LineStatus::Empty << 0ULL << QByteArray() << QByteArray();
    QTest::newRow("CR alone") << QByteArray("\r") << LineStatus::Empty << 0ULL << QByteArray() << QByteArray();
    QTest::newRow("48 columns") << line(f).left(48) << LineStatus::Short << 0ULL << QByteArray() << QByteArray();
    QTest::newRow("48 columns and CR") << line(f).left(48) + '\r' << LineStatus::Short << 0ULL << QByteArray()
                                       << QByteArray();
    QTest::newRow("blanks") << QByteArray("   ") << LineStatus::Short << 0ULL << QByteArray() << QByteArray();
    QTest::newRow("53 columns") << line(fields(cuit)) + 'X' << LineStatus::Long << 0ULL << QByteArray() << QByteArray();
    QTest::newRow("53 blank columns") << line(fields(cuit)) + ' ' << LineStatus::Long << 0ULL << QByteArray()
                                      << QByteArray();
    QTest::newRow("letter in CUIT") << line(fields("2011111111A")) << LineStatus::BadCuit << 0ULL << QByteArray()
                                    << QByteArray();
    QTest::newRow("dashes in CUIT") << line(fields("20-11111111-2")) << LineStatus::BadCuit << 0ULL << QByteArray()
                                    << QByteArray();
    QTest::newRow("blank CUIT") << line(fields("")) << LineStatus::BadCuit << 0ULL << QByteArray() << QByteArray();
    QTest::newRow("NUL in CUIT") << line(fields(QByteArray("2011111\0"
                                                           "112",
                                                           11)))
                                 << LineStatus::BadCuit << 0ULL << QByteArray() << QByteArray();
    QByteArray split = line(fields(cuit));
    split[49] = '1';
    split[50] = ' ';
    split[51] = '2';
    QTest::newRow("blank inside the activity")
        << split << LineStatus::BadActivity << 0ULL << QByteArray() << QByteArray();
    split[50] = '5';
    QTest::newRow("three characters of activity")
        << split << LineStatus::BadActivity << 0ULL << QByteArray() << QByteArray();
}

void RegisterFileTest::parseLine()
{
    QFETCH(QByteArray, text);
    QFETCH(LineStatus, status);
    // Only a valid line fills the result: the marks stay on any other.
    RegisterLine out;
    out.cuit = 42;
    QCOMPARE(parseRegisterLine(text.constData(), text.size(), out), status);
    if (status != LineStatus::Valid) {
        QCOMPARE(out.cuit, 42ULL);
        return;
    }
    QTEST(out.cuit, "cuit");
    QTEST(nameOf(out), "name");
    QTEST(codesOf(out), "codes");
}

// Each line in a buffer of exactly its size, so that the sanitizer catches a
// read past its end, with every byte value in every column.
void RegisterFileTest::parseNeverReadsPastTheLine()
{
    const QByteArray whole = line(fields("20111111112")) + "\r";
    for (qsizetype length = 0; length <= whole.size(); ++length) {
        for (int column = 0; column < length; ++column) {
            for (int byte = 0; byte < 256; ++byte) {
                std::vector<char> exact(whole.begin(), whole.begin() + length);
                exact[std::size_t(column)] = char(byte);
                RegisterLine out;
                const LineStatus status = parseRegisterLine(exact.data(), length, out);
                if (status == LineStatus::Valid)
                    QVERIFY(out.nameLength <= kNameWidth);
            }
        }
    }
}

void RegisterFileTest::cuitSet_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<quint64>("number");
    QTest::addColumn<bool>("kept");
    QTest::newRow("eleven digits") << "20111111112" << 20111111112ULL << true;
    QTest::newRow("blanks around") << " 30500000001  " << 30500000001ULL << true;
    QTest::newRow("leading zero") << "01234567890" << 1234567890ULL << true;
    QTest::newRow("dashes") << "20-11111111-2" << 20111111112ULL << false;
    QTest::newRow("ten digits") << "2011111111" << 2011111111ULL << false;
    QTest::newRow("twelve digits") << "201111111120" << 201111111120ULL << false;
    QTest::newRow("zeros") << "00000000000" << 0ULL << false;
    QTest::newRow("Arabic-Indic digits") << QString(11, QChar(0x0662)) << 22222222222ULL << false;
}

void RegisterFileTest::cuitSet()
{
    QFETCH(QString, text);
    QFETCH(quint64, number);
    QFETCH(bool, kept);
    CuitSet set;
    set.insert(text);
    QCOMPARE(set.contains(number), kept);
    QCOMPARE(set.size(), kept ? 1 : 0);
}

void RegisterFileTest::cuitSetGrows()
{
    const std::vector<quint64> all = cuits(200'000);
    CuitSet set;
    for (std::size_t i = 0; i < all.size(); i += 2)
        QVERIFY(set.insert(all[i]));
    QVERIFY(!set.insert(all[0]));
    QCOMPARE(set.size(), qsizetype(all.size() / 2));
    for (std::size_t i = 0; i < all.size(); ++i)
        QVERIFY2(set.contains(all[i]) == (i % 2 == 0), qPrintable(QString::number(all[i])));
}

enum class Broken {
    Missing,
    Folder,
    Text,
    EmptyFile,
    CutShort,
    TwoFiles,
    NoFile,
    FolderOnly,
    Encrypted,
    DeclaresTooMuch
};

void RegisterFileTest::zipRefused_data()
{
    QTest::addColumn<int>("broken");
    QTest::addColumn<QString>("message");
    QTest::newRow("missing") << int(Broken::Missing) << "El archivo \"%1\" no existe o no se puede leer";
    QTest::newRow("a folder") << int(Broken::Folder) << "El archivo \"%1\" no existe o no se puede leer";
    QTest::newRow("text") << int(Broken::Text) << "\"%1\" no es un archivo zip o está incompleto";
    QTest::newRow("empty file") << int(Broken::EmptyFile) << "\"%1\" no es un archivo zip o está incompleto";
    QTest::newRow("cut short") << int(Broken::CutShort) << "\"%1\" no es un archivo zip o está incompleto";
    QTest::newRow("two files") << int(Broken::TwoFiles)
                               << "El zip \"%1\" contiene 2 archivos: el padrón viene en uno solo";
    QTest::newRow("no file") << int(Broken::NoFile) << "El zip \"%1\" no contiene ningún archivo";
    QTest::newRow("a folder only") << int(Broken::FolderOnly) << "El zip \"%1\" no contiene ningún archivo";
    QTest::newRow("encrypted") << int(Broken::Encrypted)
                               << "El padrón del zip \"%1\" está cifrado: no se puede leer sin contraseña";
    QTest::newRow("declares more than the limit")
        << int(Broken::DeclaresTooMuch)
        << "El padrón del zip \"%1\" ocupa más de 1 MB descomprimido: no parece el padrón (límite de seguridad)";
}

void RegisterFileTest::zipRefused()
{
    QFETCH(int, broken);
    QFETCH(QString, message);
    const QString path = file(QStringLiteral("broken%1.zip").arg(broken));
    const QByteArray text = test::registerText({line(fields("20111111112"))});
    const QList<test::ZipEntry> one = {{QStringLiteral("padron.txt"), text}};
    switch (Broken(broken)) {
    case Broken::Missing: break;
    case Broken::Folder: QVERIFY(QDir().mkpath(path)); break;
    case Broken::Text:
    case Broken::EmptyFile: {
        QFile f(path);
        QVERIFY(f.open(QIODevice::WriteOnly));
        if (Broken(broken) == Broken::Text)
            f.write(text);
        break;
    }
    case Broken::CutShort:
        QVERIFY(test::writeZip(path, one));
        QVERIFY(test::cutShort(path, QFileInfo(path).size() - 10));
        break;
    case Broken::TwoFiles:
        QVERIFY(test::writeZip(path, {one[0], {QStringLiteral("leame.txt"), "otro"}, {QStringLiteral("d/"), {}}}));
        break;
    case Broken::NoFile: QVERIFY(test::writeZip(path, {})); break;
    case Broken::FolderOnly: QVERIFY(test::writeZip(path, {{QStringLiteral("padron/"), {}}})); break;
    case Broken::Encrypted: {
        test::ZipEntry secret = one[0];
        secret.password = "clave";
        QVERIFY(test::writeZip(path, {secret}));
        break;
    }
    case Broken::DeclaresTooMuch:
        QVERIFY(test::writeZip(path, one));
        QVERIFY(test::declareSize(path, quint32(kMegabyte + 1)));
        break;
    }
    QCOMPARE(errorDescription([&] { RegisterZip zip(path, kMegabyte); }), message.arg(path));
}

enum class Damage { Lies, Crc, DeclaresMore, Garbled };

void RegisterFileTest::zipFailsWhileRead_data()
{
    QTest::addColumn<int>("damage");
    QTest::addColumn<QString>("message");
    QTest::newRow("a bomb that says it is small")
        << int(Damage::Lies)
        << "El padrón del zip \"%1\" está dañado: da más texto que los 524288 bytes que declara (límite de seguridad)";
    QTest::newRow("CRC") << int(Damage::Crc)
                         << "El padrón del zip \"%1\" está dañado: su suma de verificación no coincide con el texto";
    QTest::newRow("less text than declared")
        << int(Damage::DeclaresMore)
        << "El padrón del zip \"%1\" está dañado: da menos texto que los 810001 bytes que declara";
    QTest::newRow("garbled compressed data")
        << int(Damage::Garbled)
        << "El padrón del zip \"%1\" está dañado: sus datos comprimidos no se pueden descomprimir";
}

void RegisterFileTest::zipFailsWhileRead()
{
    QFETCH(int, damage);
    QFETCH(QString, message);
    const QString path = file(QStringLiteral("damaged%1.zip").arg(damage));
    test::SyntheticRegister synthetic;
    QByteArray text;
    for (int i = 0; i < 15'000; ++i)
        synthetic(i, text);
    switch (Damage(damage)) {
    case Damage::Lies:
        QVERIFY(test::writeZipBomb(path, 16 * kMegabyte));
        QVERIFY(test::declareSize(path, quint32(kMegabyte / 2)));
        break;
    case Damage::Crc:
        QVERIFY(test::writeZip(path, {{QStringLiteral("padron.txt"), text}}));
        QVERIFY(test::declareCrc(path, 0x12345678));
        break;
    case Damage::DeclaresMore:
        QVERIFY(test::writeZip(path, {{QStringLiteral("padron.txt"), text}}));
        QVERIFY(test::declareSize(path, quint32(text.size() + 1)));
        break;
    case Damage::Garbled: {
        // The first byte of the deflated data names a block type that does not exist.
        QVERIFY(test::writeZip(path, {{QStringLiteral("padron.txt"), text}}));
        QFile f(path);
        QVERIFY(f.open(QIODevice::ReadWrite));
        const QByteArray header = f.read(kLocalHeaderSize);
        const qint64 data = kLocalHeaderSize + qFromLittleEndian<quint16>(header.constData() + kLocalNameLengthAt)
            + qFromLittleEndian<quint16>(header.constData() + kLocalExtraLengthAt);
        QVERIFY(f.seek(data));
        QCOMPARE(f.write("\x07"), 1);
        break;
    }
    }
    RegisterZip zip(path, kMegabyte);
    std::vector<char> buffer(64 * 1024);
    QCOMPARE(errorDescription([&] {
                 while (zip.read(buffer.data(), qsizetype(buffer.size())) > 0) {}
             }),
             message.arg(path));
    // A bomb is stopped as soon as it passes what it declares.
    QVERIFY(zip.bytesRead() <= zip.declaredSize());
}

void RegisterFileTest::zipReadWhole()
{
    const QByteArray text = test::registerText({line(fields("20111111112")), line(fields("27222222223"))});
    const QDateTime written(QDate(2026, 2, 14), QTime(23, 30));
    for (const test::Compression compression : {test::Compression::Stored, test::Compression::Deflated}) {
        const QString path = file(QStringLiteral("whole%1.zip").arg(int(compression)));
        QVERIFY(test::writeZip(path,
                               {{QStringLiteral("datos/"), {}},
                                {QStringLiteral("datos/SELE-SAL-CONSTA.txt"), text, written, compression}}));
        RegisterZip zip(path);
        QCOMPARE(zip.entryName(), QStringLiteral("datos/SELE-SAL-CONSTA.txt"));
        QCOMPARE(zip.entryDate(), QDate(2026, 2, 14));
        QCOMPARE(zip.declaredSize(), quint64(text.size()));
        QByteArray read;
        char piece[7];
        for (qsizetype got; (got = zip.read(piece, sizeof piece)) > 0;)
            read.append(piece, got);
        QCOMPARE(read, text);
        QCOMPARE(zip.bytesRead(), quint64(text.size()));
    }
}

void RegisterFileTest::scanCounts()
{
    const QByteArray ours = "20111111112";
    auto first = fields(ours, "PRIMERA");
    auto again = fields(ours, "SEGUNDA");
    QByteArray longest(10'000, 'X');
    const QList<QByteArray> lines = {
        line(first),                               // 1
        line(fields("27222222223")),               // 2 not ours
        QByteArray(),                              // 3 empty: not a line
        line(fields("3050000000X")),               // 4 bad CUIT
        line(fields(ours)).left(40),               // 5 short
        longest,                                   // 6 long, past what is kept
        line(again),                               // 7 ours again
        line(fields("30500000001", "EMPRESA SA")), // 8 ours
        line(fields("20333333334")) + "X",         // 9 long
    };
    const QString path = zipOf(lines, "\n");
    CuitSet master;
    master.insert(QString::fromLatin1(ours));
    master.insert(QStringLiteral("30500000001"));
    master.insert(QStringLiteral("23999999990")); // not in the register
    const RegisterScan scan = scanRegister(path, master, nullptr);
    QCOMPARE(scan.entryName, QStringLiteral("padron.txt"));
    QCOMPARE(scan.lines, 8);
    QCOMPARE(scan.damaged, 4);
    QCOMPARE(scan.repeated, 1);
    QCOMPARE(scan.cancelled, false);
    QList<QPair<qint64, LineStatus>> damaged;
    for (const DamagedLine &d : scan.firstDamaged)
        damaged.append({d.number, d.status});
    const QList<QPair<qint64, LineStatus>> expected
        = {{4, LineStatus::BadCuit}, {5, LineStatus::Short}, {6, LineStatus::Long}, {9, LineStatus::Long}};
    QCOMPARE(damaged, expected);
    QCOMPARE(scan.customers.size(), std::size_t(2));
    QCOMPARE(scan.customers[0].cuit, 20111111112ULL);
    QCOMPARE(nameOf(scan.customers[0]), QByteArray("PRIMERA"));
    QCOMPARE(scan.customers[1].cuit, 30500000001ULL);
}

// A register larger than the scan's pieces, with a line longer than a piece:
// lines that run across pieces are read whole, every customer found, every
// valid line in the index.
void RegisterFileTest::scanAcrossBuffers()
{
    constexpr qint64 kLines = 150'000;
    constexpr qint64 kHugeAt = 70'000;
    const std::vector<quint64> all = cuits(kLines);
    test::SyntheticRegister synthetic;
    const QString path = file(QStringLiteral("large.zip"));
    QVERIFY(test::writeRegisterZip(path, QStringLiteral("padron.txt"), QDateTime(QDate(2026, 1, 5), QTime(8, 0)),
                                   kLines + 1, [&](qint64 number, QByteArray &out) {
                                       if (number == kHugeAt)
                                           out += QByteArray(6 * kMegabyte, 'Z') + "\r\n";
                                       else
                                           synthetic(number < kHugeAt ? number : number - 1, out);
                                   }));
    CuitSet master;
    std::vector<quint64> expected;
    for (std::size_t i = 0; i < all.size(); i += 997) {
        master.insert(QString::number(all[i]).rightJustified(11, u'0'));
        expected.push_back(all[i]);
    }
    const QString indexPath = file(QStringLiteral("large.indice"));
    RegisterIndexWriter writer(indexPath, QDate(2026, 1, 5));
    quint64 lastDone = 0;
    quint64 total = 0;
    const RegisterScan scan = scanRegister(path, master, &writer, [&](quint64 done, quint64 of) {
        if (done < lastDone)
            qFatal("progress went back");
        lastDone = done;
        total = of;
        return true;
    });
    QCOMPARE(scan.registerDate, QDate(2026, 1, 5));
    QCOMPARE(scan.lines, kLines + 1);
    QCOMPARE(scan.damaged, 1);
    QCOMPARE(scan.firstDamaged.value(0).number, kHugeAt + 1);
    QCOMPARE(lastDone, total);
    std::vector<quint64> found;
    for (const RegisterLine &l : scan.customers)
        found.push_back(l.cuit);
    QCOMPARE(found, expected);
    QVERIFY(writer.finish() > 0);
    const auto index = RegisterIndex::open(indexPath);
    QCOMPARE(index->entryCount(), kLines);
    for (const quint64 cuit : {all.front(), all[kHugeAt - 1], all[kHugeAt], all.back()})
        QCOMPARE(index->find(cuit).value_or(RegisterLine()).cuit, cuit);
}

void RegisterFileTest::scanKeepsFirstDamaged()
{
    QList<QByteArray> lines;
    for (int i = 0; i < kMaxDamagedKept + 5; ++i)
        lines << line(fields("20111111112")) << QByteArray("corta");
    const RegisterScan scan = scanRegister(zipOf(lines), CuitSet(), nullptr);
    QCOMPARE(scan.damaged, kMaxDamagedKept + 5);
    QCOMPARE(scan.firstDamaged.size(), kMaxDamagedKept);
    QCOMPARE(scan.firstDamaged.last().number, 2 * kMaxDamagedKept);
    QCOMPARE(scan.firstDamaged.last().status, LineStatus::Short);
}

void RegisterFileTest::scanCancelled()
{
    const QString path = file(QStringLiteral("cancel.zip"));
    test::SyntheticRegister synthetic;
    QVERIFY(test::writeRegisterZip(path, QStringLiteral("padron.txt"), QDateTime::currentDateTime(), 200'000,
                                   std::ref(synthetic)));
    int calls = 0;
    quint64 stoppedAt = 0;
    const RegisterScan scan = scanRegister(path, CuitSet(), nullptr, [&](quint64 done, quint64 total) {
        stoppedAt = done;
        return ++calls < 2 && done < total;
    });
    QVERIFY(scan.cancelled);
    QCOMPARE(calls, 2);
    QVERIFY(stoppedAt > 0);
    QVERIFY(scan.lines < 200'000);
}

void RegisterFileTest::indexLookups_data()
{
    QTest::addColumn<qsizetype>("at"); // position in the sequence; -1 below the first, -2 past the last
    QTest::addColumn<bool>("found");
    QTest::newRow("first") << qsizetype(0) << true;
    QTest::newRow("last of the first block") << kBlockRecords - 1 << true;
    QTest::newRow("first of the second block") << kBlockRecords << true;
    QTest::newRow("last of the second block") << 2 * kBlockRecords - 1 << true;
    QTest::newRow("first of the last block") << 3 * kBlockRecords << true;
    QTest::newRow("last") << 3 * kBlockRecords + 4 << true;
    QTest::newRow("below the first") << qsizetype(-1) << false;
    QTest::newRow("past the last") << qsizetype(-2) << false;
    QTest::newRow("between two blocks") << -kBlockRecords << false;
    QTest::newRow("within a block") << -kBlockRecords - 100 << false;
}

void RegisterFileTest::indexLookups()
{
    QFETCH(qsizetype, at);
    QFETCH(bool, found);
    constexpr qsizetype kCount = 3 * kBlockRecords + 5;
    std::vector<qsizetype> order(kCount);
    std::iota(order.begin(), order.end(), 0);
    static const QString path = indexOf(order, QStringLiteral("edges.indice"));
    const std::vector<quint64> all = cuits(kCount);
    // Missing CUITs: just around the sequence, or one past a line's (the sequence skips some).
    quint64 cuit = at >= 0 ? all[std::size_t(at)] : at == -1 ? all.front() - 1 : at == -2 ? all.back() + 1 : 0;
    if (at < -2)
        cuit = all[std::size_t(-at)] - 1;
    QVERIFY(!found || cuit != 0);
    if (!found)
        QVERIFY(std::find(all.begin(), all.end(), cuit) == all.end());

    const auto index = RegisterIndex::open(path);
    QVERIFY(index);
    QCOMPARE(index->entryCount(), kCount);
    QCOMPARE(index->registerDate(), QDate(2026, 3, 1));
    const std::optional<RegisterLine> hit = index->find(cuit);
    QCOMPARE(hit.has_value(), found);
    if (!found)
        return;
    QByteArray text;
    test::SyntheticRegister synthetic;
    for (qsizetype i = 0; i <= at; ++i) {
        text.resize(0);
        synthetic(i, text);
    }
    const RegisterLine expected = parsed(text.chopped(2));
    QCOMPARE(hit->cuit, cuit);
    QCOMPARE(nameOf(*hit), nameOf(expected));
    QCOMPARE(codesOf(*hit), codesOf(expected));
}

void RegisterFileTest::indexMergesAnyOrder_data()
{
    QTest::addColumn<QString>("order");
    QTest::newRow("ascending") << "ascending";
    QTest::newRow("descending") << "descending";
    QTest::newRow("shuffled") << "shuffled";
    QTest::newRow("two runs interleaved") << "interleaved";
}

// More lines than one chunk of the writer, in any order, with repeated CUITs:
// every CUIT once, with the line added first.
void RegisterFileTest::indexMergesAnyOrder()
{
    QFETCH(QString, order);
    constexpr qsizetype kCount = 600'000;
    const std::vector<quint64> all = cuits(kCount);
    std::vector<qsizetype> positions(kCount);
    std::iota(positions.begin(), positions.end(), 0);
    if (order == u"descending")
        std::reverse(positions.begin(), positions.end());
    else if (order == u"shuffled")
        std::shuffle(positions.begin(), positions.end(), *QRandomGenerator::global());
    else if (order == u"interleaved")
        std::stable_partition(positions.begin(), positions.end(), [](qsizetype p) { return p % 2 == 0; });
    const QString path = file(QStringLiteral("any-%1.indice").arg(order));
    RegisterIndexWriter writer(path, QDate(2026, 3, 2));
    RegisterLine l = parsed(line(fields("20111111112", "PRIMERA")));
    for (const qsizetype p : positions) {
        l.cuit = all[std::size_t(p)];
        writer.add(l);
    }
    // Each tenth CUIT again, with another name: the first line stays.
    RegisterLine later = parsed(line(fields("20111111112", "REPETIDA")));
    for (std::size_t i = 0; i < all.size(); i += 10) {
        later.cuit = all[i];
        writer.add(later);
    }
    writer.finish();
    QVERIFY(leftovers(m_dir.path()).isEmpty());
    const auto index = RegisterIndex::open(path);
    QCOMPARE(index->entryCount(), kCount);
    // Every CUIT looked up here was added twice.
    for (std::size_t i = 0; i < all.size(); i += 970) {
        const std::optional<RegisterLine> hit = index->find(all[i]);
        QVERIFY(hit);
        QCOMPARE(nameOf(*hit), QByteArray("PRIMERA"));
    }
    QVERIFY(!index->find(all.back() + 1));
}

enum class IndexDamage { Magic, Version, DirectoryByte, CutShort, Garbage, Empty, BlockByte };

void RegisterFileTest::indexRefusesDamage_data()
{
    QTest::addColumn<int>("damage");
    QTest::addColumn<QString>("atOpen");
    QTest::addColumn<QString>("atFind");
    const QString notIndex
        = QStringLiteral("\"%1\" no es un índice del padrón de esta versión: vuelva a importar el padrón");
    const QString damaged = QStringLiteral("El índice del padrón \"%1\" está dañado: vuelva a importar el padrón");
    const QString none = QStringLiteral("<no error>");
    QTest::newRow("magic") << int(IndexDamage::Magic) << notIndex << none;
    QTest::newRow("version") << int(IndexDamage::Version) << notIndex << none;
    QTest::newRow("a byte of the directory") << int(IndexDamage::DirectoryByte) << damaged << none;
    QTest::newRow("cut short") << int(IndexDamage::CutShort) << damaged << none;
    QTest::newRow("another file") << int(IndexDamage::Garbage) << notIndex << none;
    QTest::newRow("empty") << int(IndexDamage::Empty) << notIndex << none;
    QTest::newRow("a byte of a block") << int(IndexDamage::BlockByte) << none << damaged;
}

void RegisterFileTest::indexRefusesDamage()
{
    QFETCH(int, damage);
    QFETCH(QString, atOpen);
    QFETCH(QString, atFind);
    std::vector<qsizetype> order(2 * kBlockRecords);
    std::iota(order.begin(), order.end(), 0);
    const QString path = indexOf(order, QStringLiteral("damaged%1.indice").arg(damage));
    QFile f(path);
    QVERIFY(f.open(QIODevice::ReadWrite));
    const qint64 size = f.size();
    const auto patch = [&](qint64 at, QByteArray bytes) { QVERIFY(f.seek(at) && f.write(bytes) == bytes.size()); };
    switch (IndexDamage(damage)) {
    case IndexDamage::Magic: patch(0, "X"); break;
    case IndexDamage::Version: patch(8, "\x02"); break;
    case IndexDamage::DirectoryByte: patch(size - 20, "\x01"); break;
    case IndexDamage::CutShort: QVERIFY(f.resize(size - 1)); break;
    case IndexDamage::Garbage:
        QVERIFY(f.resize(0));
        patch(0, QByteArray(4096, 'g'));
        break;
    case IndexDamage::Empty: QVERIFY(f.resize(0)); break;
    case IndexDamage::BlockByte: patch(100, "\x55\xAA"); break;
    }
    f.close();
    std::unique_ptr<RegisterIndex> index;
    const auto withPath
        = [&path](const QString &message) { return message.contains(u"%1") ? message.arg(path) : message; };
    QCOMPARE(errorDescription([&] { index = RegisterIndex::open(path); }), withPath(atOpen));
    if (!index)
        return;
    QCOMPARE(errorDescription([&] { index->find(cuits(1).front()); }), withPath(atFind));
}

void RegisterFileTest::indexKeptWhenAbandoned()
{
    const QString path = indexOf({0, 1, 2}, QStringLiteral("kept.indice"));
    const QByteArray before = [&] {
        QFile f(path);
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    }();
    {
        RegisterIndexWriter writer(path, QDate(2026, 4, 1));
        RegisterLine l = parsed(line(fields("20111111112")));
        for (qsizetype i = 0; i < 3 * qsizetype(256 * 1024); ++i) {
            l.cuit = quint64(20'000'000'000 + i);
            writer.add(l);
        }
    }
    QFile f(path);
    QVERIFY(f.open(QIODevice::ReadOnly));
    QCOMPARE(f.readAll(), before);
    QCOMPARE(leftovers(m_dir.path()), QStringList());
}

// A disk that fills (here a file-size limit) is told by finish(), and the old index stays.
void RegisterFileTest::indexKeptWhenDiskFull()
{
    const QString path = indexOf({0, 1, 2}, QStringLiteral("full.indice"));
    std::signal(SIGXFSZ, SIG_IGN);
    rlimit old;
    QVERIFY(getrlimit(RLIMIT_FSIZE, &old) == 0);
    rlimit small = old;
    small.rlim_cur = 64 * 1024;
    QString failure;
    {
        RegisterIndexWriter writer(path, QDate(2026, 4, 1));
        QVERIFY(setrlimit(RLIMIT_FSIZE, &small) == 0);
        test::SyntheticRegister synthetic;
        QByteArray text;
        for (int i = 0; i < 100'000; ++i) {
            text.resize(0);
            synthetic(i, text);
            writer.add(parsed(text.chopped(2)));
        }
        failure = errorDescription([&] { writer.finish(); });
        setrlimit(RLIMIT_FSIZE, &old);
    }
    QCOMPARE(failure,
             QStringLiteral("No se pudo escribir el índice del padrón \"%1\": el archivo es más grande de lo "
                            "que admite el disco")
                 .arg(path));
    const auto index = RegisterIndex::open(path);
    QCOMPARE(index->entryCount(), 3);
    QCOMPARE(leftovers(m_dir.path()), QStringList());
}

void RegisterFileTest::indexEmptyAndMissing()
{
    const QString path = file(QStringLiteral("empty.indice"));
    QVERIFY(!RegisterIndex::open(path));
    RegisterIndexWriter(path, QDate()).finish();
    const auto index = RegisterIndex::open(path);
    QCOMPARE(index->entryCount(), 0);
    QCOMPARE(index->registerDate(), QDate());
    QVERIFY(!index->find(20111111112ULL));
    const QString nowhere = file(QStringLiteral("no/such/folder/padron.indice"));
    QCOMPARE(errorDescription([&] { RegisterIndexWriter writer(nowhere, QDate()); }),
             QStringLiteral("No se pudo escribir el índice del padrón \"%1\": la carpeta no existe").arg(nowhere));
}

QTEST_GUILESS_MAIN(RegisterFileTest)
#include "tst_registerfile.moc"
