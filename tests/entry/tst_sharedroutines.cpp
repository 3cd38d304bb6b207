// The routines every window of the component shares: numeric literals for
// statements (EsNumeroANSI and the numeric test under a comma locale and a
// point locale), number formats, text literals, message boxes and unloading windows.

#include <QApplication>
#include <QAbstractButton>
#include <QDialog>
#include <QElapsedTimer>
#include <QMessageBox>
#include <QSettings>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <functional>
#include <optional>
#include <thread>

#include "core/numberliterals.h"
#include "core/componentstate.h"
#include "ui/msgbox.h"
#include "core/sqltext.h"
#include "felcora/clListado.h"
#include "felcora/hostkit/hostkit.h"
#include "felcora/numerictext.h"
#include "support/modal.h"
#include "support/recordingbroker.h"
#include "support/errors.h"
#include "support/tempdatabase.h"

using namespace felcora;
using felcora::test::errorOf;
using felcora::test::RecordingBroker;
using felcora::test::TempDatabase;

namespace {

QVariant scalarThrough(IDataAccess &broker, const QString &sql)
{
    IDataConnection *connection = broker.getDataConnectionByEntity(QStringLiteral("PERSONAL"));
    connection->setSql(sql);
    std::unique_ptr<IRecordset> rs;
    if (!connection->CrearRs(rs))
        return {};
    return rs->value(0);
}

} // namespace

class TestSharedRoutines : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase()
    {
        QVERIFY(m_settings.isValid());
        hostkit::registerHostComponents();
    }
    void init()
    {
        m_broker = std::make_unique<RecordingBroker>();
        state().gBroker.borrow(m_broker.get());
    }
    void cleanup()
    {
        QLocale::setDefault(m_systemLocale);
        test::closeAllModals();
        state() = ComponentState{};
        m_broker.reset();
    }

    void esNumeroANSI_data()
    {
        QTest::addColumn<QString>("locale");
        QTest::addColumn<QString>("separator"); // what the entity reports
        QTest::addColumn<QVariant>("value");
        QTest::addColumn<QString>("expected");
        const QVariant null;
        auto row = [](const QByteArray &tag, const char *locale, const char *separator, const QVariant &value, const char *expected) {
            QTest::newRow(tag.constData()) << QString::fromLatin1(locale) << QString::fromLatin1(separator) << value << QString::fromLatin1(expected);
        };
        for (const char *locale : {"es_AR", "en_US"}) {
            const QByteArray l(locale);
            row(l + ": 12.5 as .", locale, ".", QStringLiteral("12.5"), "12.5");
            row(l + ": 12,5 as .", locale, ".", QStringLiteral("12,5"), "12.5");
            row(l + ": 12.5 as ,", locale, ",", QStringLiteral("12.5"), "12,5");
            row(l + ": 12,5 as ,", locale, ",", QStringLiteral("12,5"), "12,5");
            row(l + ": 12,5, no separator reported", locale, "", QStringLiteral("12,5"), "12.5");
            row(l + ": 12,5, blank separator", locale, " ", QStringLiteral("12,5"), "12.5");
            row(l + ": 12.5, separator with blanks", locale, " , ", QStringLiteral("12.5"), "12,5");
            row(l + ": blanks kept", locale, ".", QStringLiteral(" 12,5 "), " 12.5 ");
            row(l + ": sign and exponent", locale, ".", QStringLiteral("-1,5e3"), "-1.5e3");
            row(l + ": integer", locale, ",", QStringLiteral("42"), "42");
            row(l + ": double value", locale, ",", 12.5, "12,5");
            row(l + ": empty", locale, ".", QString(), "0");
            row(l + ": blanks only", locale, ".", QStringLiteral("   "), "0");
            row(l + ": letters", locale, ".", QStringLiteral("abc"), "0");
            row(l + ": trailing letters", locale, ".", QStringLiteral("12abc"), "0");
            row(l + ": null", locale, ".", null, "0");
        }
        // Mixed marks: the last is the decimal one, the earlier ones group digits and go.
        row("es_AR: 1.234,5 as .", "es_AR", ".", QStringLiteral("1.234,5"), "1234.5");
        row("es_AR: 1.234,5 as ,", "es_AR", ",", QStringLiteral("1.234,5"), "1234,5");
        row("es_AR: 1.234.567,89 as .", "es_AR", ".", QStringLiteral("1.234.567,89"), "1234567.89");
        row("es_AR: 1,234.5 is no number", "es_AR", ".", QStringLiteral("1,234.5"), "0");
        row("en_US: 1,234.5 as .", "en_US", ".", QStringLiteral("1,234.5"), "1234.5");
        row("en_US: 1,234.5 as ,", "en_US", ",", QStringLiteral("1,234.5"), "1234,5");
        row("en_US: 1.234,5 is no number", "en_US", ".", QStringLiteral("1.234,5"), "0");
        // Marks of one kind that group digits are each written as the separator.
        row("es_AR: 1.234.567 as ,", "es_AR", ",", QStringLiteral("1.234.567"), "1,234,567");
        row("en_US: 1.234.567 is no number", "en_US", ".", QStringLiteral("1.234.567"), "0");
    }
    void esNumeroANSI()
    {
        QFETCH(QString, locale);
        QFETCH(QString, separator);
        QFETCH(QVariant, value);
        QFETCH(QString, expected);
        QLocale::setDefault(QLocale(locale));
        m_broker->setDecimalSeparator(QStringLiteral("PERSONAL"), separator);
        m_broker->setDecimalSeparator(QStringLiteral("SYSTABLAS"), QStringLiteral("#"));
        QCOMPARE(EsNumeroANSI(value, QStringLiteral("PERSONAL")), expected);
    }

    void esNumeroANSIFailures_data()
    {
        QTest::addColumn<QVariant>("value");
        QTest::newRow("numeric text") << QVariant(QStringLiteral("12,5"));
        QTest::newRow("text that is no number") << QVariant(QStringLiteral("abc"));
    }
    void esNumeroANSIFailures()
    {
        QFETCH(QVariant, value);
        m_broker->failDecimalSeparator(Error(3704, QStringLiteral("RecordBroker.BrokerMain"), QStringLiteral("sin conexión")));
        const auto error = errorOf([&] { EsNumeroANSI(value, QStringLiteral("PERSONAL")); });
        QVERIFY(error);
        QCOMPARE(error->hexNumber(), QStringLiteral("80151387"));
        QCOMPARE(error->source(), QStringLiteral("[ FELCORA.basGlobalDeclaracion.EsNumeroANSI Linea 1 ]RecordBroker.BrokerMain"));
        QCOMPARE(error->description(), QStringLiteral("sin conexión"));
    }

    void esNumeroANSIWithoutDataAccess()
    {
        std::optional<Error> error;
        std::thread([&] { error = errorOf([] { EsNumeroANSI(QStringLiteral("1"), QStringLiteral("PERSONAL")); }); }).join();
        QVERIFY(error);
        QCOMPARE(error->number(), errnum::kEsNumeroANSI);
    }

    void numericText_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("locale");
        QTest::addColumn<QVariant>("expected"); // null: not numeric
        const QVariant no;
        auto row = [](const char *locale, const char *text, const QVariant &expected) {
            QTest::addRow("%s: \"%s\"", locale, text) << QString::fromUtf8(text) << QString::fromLatin1(locale) << expected;
        };
        for (const char *locale : {"es_AR", "en_US"}) {
            row(locale, "12.5", 12.5);
            row(locale, "12,5", 12.5);
            row(locale, "  -3,5  ", -3.5);
            row(locale, "+7", 7.0);
            row(locale, "1,5e3", 1500.0);
            row(locale, "2E-2", 0.02);
            row(locale, "1e", no);
            row(locale, "1e+", no);
            row(locale, "", no);
            row(locale, "-", no);
            row(locale, ",", no);
            row(locale, "abc", no);
            row(locale, "1 234", no);
            row(locale, "1..234", no);
            row(locale, "1.,5", no);
        }
        // Several marks of one kind group digits only where the locale groups with them.
        row("es_AR", "1.234.567", 1234567.0);
        row("en_US", "1.234.567", no);
        row("en_US", "1,234,567", 1234567.0);
        row("es_AR", "1,234,567", no);
        // Mixed marks: the last one is decimal, the earlier ones must be the locale's group mark.
        row("es_AR", "1.234,5", 1234.5);
        row("en_US", "1.234,5", no);
        row("en_US", "1,234.5", 1234.5);
        row("es_AR", "1,234.5", no);
        row("es_AR", "1.234,5.6", no);
        row("es_AR", ".234,5", no);
        row("es_AR", "1.234.,5", no);
    }
    void numericText()
    {
        QFETCH(QString, text);
        QFETCH(QString, locale);
        QFETCH(QVariant, expected);
        const QLocale l(locale);
        QCOMPARE(NumericText::isNumeric(text, l), !expected.isNull());
        const auto value = NumericText::value(text, l);
        QCOMPARE(value.has_value(), !expected.isNull());
        if (value)
            QCOMPARE(*value, expected.toDouble());
    }

    void numericTextMarksIndexTheOriginalText()
    {
        const auto parsed = NumericText::parse(QStringLiteral("  1.234.567,8"), QLocale(QStringLiteral("es_AR")));
        QVERIFY(parsed);
        QCOMPARE(parsed->decimalMark, 11);
        QCOMPARE(parsed->groupMarks, (QList<int>{3, 7}));
        QCOMPARE(parsed->cForm, QStringLiteral("1234567.8"));
    }

    void formatoNumericoSQLDecimals_data()
    {
        QTest::addColumn<QString>("mask");
        QTest::addColumn<int>("decimals");
        QTest::newRow("0.0000") << QStringLiteral("0.0000") << 4;
        QTest::newRow("#,##0.00") << QStringLiteral("#,##0.00") << 2;
        QTest::newRow("0. (point last)") << QStringLiteral("0.") << 0;
        QTest::newRow("0.0.0 (first point counts)") << QStringLiteral("0.0.0") << 3;
        QTest::newRow("0 (no point: whole length)") << QStringLiteral("0") << 1;
        QTest::newRow("###0 (no point: whole length)") << QStringLiteral("###0") << 4;
    }
    void formatoNumericoSQLDecimals()
    {
        QFETCH(QString, mask);
        QFETCH(int, decimals);
        QStringList asked;
        m_broker->setNumberFormat([&](const QString &entity, const QString &value, int d) {
            asked << entity + u'|' + value;
            return QStringLiteral("round(999.999, %1) + 999.999").arg(d);
        });
        const QString expression = FormatoNumericoSQL(QStringLiteral("SYSTABLAS"), QStringLiteral("DIBVALOR"), mask);
        QCOMPARE(m_broker->numberFormatDecimals(), QList<qint32>{decimals});
        QCOMPARE(asked, QStringList{QStringLiteral("SYSTABLAS|999,999")});
        QCOMPARE(expression, QStringLiteral("round(DIBVALOR, %1) + DIBVALOR").arg(decimals));
    }

    void formatoNumericoSQLKeepsOtherAnswers()
    {
        m_broker->setNumberFormat([](const QString &, const QString &, int) { return QStringLiteral("FORMAT(x, '0.00')"); });
        QCOMPARE(FormatoNumericoSQL(QStringLiteral("PERSONAL"), QStringLiteral("DIBVALOR"), QStringLiteral("0.00")),
                 QStringLiteral("FORMAT(x, '0.00')"));
    }

    void formatoNumericoSQLRunsOnSqlite()
    {
        TempDatabase db;
        QVERIFY(db.isValid());
        TempDatabase::exec(db.personalPath(), QStringLiteral("insert into DIB (CLICUI, JRDNRO, DIBVALOR, DIBEXENTO) values "
                                                             "('1', '901', 1.23456, 0), ('1', '902', 2.5, 0), ('2', '901', 100, 0)"));
        clListado listado;
        const auto broker = db.makeBroker();
        listado.SetDataConnection(QVariant::fromValue<QObject *>(broker.get()));
        const QString expression = FormatoNumericoSQL(QStringLiteral("PERSONAL"), QStringLiteral("DIBVALOR"), QStringLiteral("0.00"));
        QVERIFY2(!expression.contains(QLatin1String("999")), qPrintable(expression));
        const QVariant total = scalarThrough(*broker, QStringLiteral("select sum(") + expression
                                                          + QStringLiteral(") as Total from DIB where CLICUI = '1'"));
        QCOMPARE(total.toDouble(), 3.73);
    }

    void sqlTextRoundTrips_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("literal");
        QTest::newRow("apostrophe in a name") << QStringLiteral("D'Alessandro") << QStringLiteral("'D''Alessandro'");
        QTest::newRow("two apostrophes") << QStringLiteral("''") << QStringLiteral("''''''");
        QTest::newRow("injection attempt") << QStringLiteral("'; drop table clientes; --") << QStringLiteral("'''; drop table clientes; --'");
        QTest::newRow("empty") << QString() << QStringLiteral("''");
        QTest::newRow("accents") << QStringLiteral("Peña ñandú") << QStringLiteral("'Peña ñandú'");
    }
    void sqlTextRoundTrips()
    {
        QFETCH(QString, text);
        QFETCH(QString, literal);
        QCOMPARE(sqlText(text), literal);
        TempDatabase db;
        QVERIFY(db.isValid());
        const auto broker = db.makeBroker();
        IDataConnection *connection = broker->getDataConnectionByEntity(QStringLiteral("PERSONAL"));
        connection->setSql(QStringLiteral("insert into clientes (cuit, nombre) values ('20123456786', %1)").arg(sqlText(text)));
        QCOMPARE(connection->Ejecutar(), qint64(1));
        const QVariant stored = scalarThrough(*broker, QStringLiteral("select nombre from clientes where nombre = %1").arg(sqlText(text)));
        QCOMPARE(stored.toString(), text);
        QCOMPARE(TempDatabase::scalar(db.personalPath(), QStringLiteral("select count(*) from clientes")).toInt(), 1);
    }

    void msgBox_data()
    {
        QTest::addColumn<int>("style");
        QTest::addColumn<QString>("title"); // null: the component's default title
        QTest::addColumn<int>("button");
        QTest::addColumn<int>("icon");
        QTest::addColumn<int>("buttons");
        QTest::addColumn<int>("result");
        using B = QMessageBox;
        QTest::newRow("yes/no question, No") << (vbYesNo | vbQuestion) << QString() << int(B::No) << int(B::Question) << int(B::Yes | B::No) << int(vbNo);
        QTest::newRow("yes/no critical, Yes") << (vbYesNo | vbCritical) << QString() << int(B::Yes) << int(B::Critical) << int(B::Yes | B::No) << int(vbYes);
        QTest::newRow("ok information") << int(vbInformation) << QString() << int(B::Ok) << int(B::Information) << int(B::Ok) << int(vbOK);
        QTest::newRow("ok/cancel exclamation, Cancel") << (vbOKCancel | vbExclamation) << QStringLiteral("Clientes") << int(B::Cancel) << int(B::Warning) << int(B::Ok | B::Cancel) << int(vbCancel);
        QTest::newRow("yes/no/cancel, Cancel") << int(vbYesNoCancel) << QString() << int(B::Cancel) << int(B::NoIcon) << int(B::Yes | B::No | B::Cancel) << int(vbCancel);
    }
    void msgBox()
    {
        QFETCH(int, style);
        QFETCH(QString, title);
        QFETCH(int, button);
        QFETCH(int, icon);
        QFETCH(int, buttons);
        QFETCH(int, result);
        QString seenTitle, seenText;
        int seenIcon = -1, seenButtons = 0;
        const auto action = test::onNextModal<QMessageBox>([&](QMessageBox *box) {
            seenTitle = box->windowTitle();
            seenText = box->text();
            seenIcon = box->icon();
            seenButtons = int(box->standardButtons());
            if (QAbstractButton *b = box->button(QMessageBox::StandardButton(button)))
                b->click();
            else
                box->reject();
        });
        const MsgBoxResult answer = title.isNull() ? MsgBox(QStringLiteral("¿Borrar el cliente?"), style)
                                                   : MsgBox(QStringLiteral("¿Borrar el cliente?"), style, title);
        QCOMPARE(seenTitle, title.isNull() ? QStringLiteral("FELCORA") : title);
        QCOMPARE(seenText, QStringLiteral("¿Borrar el cliente?"));
        QCOMPARE(seenIcon, icon);
        QCOMPARE(seenButtons, buttons);
        QCOMPARE(int(answer), result);
    }

    void msgBoxAnswerOfAHelper()
    {
        QString text;
        QMessageBox::Icon icon = QMessageBox::NoIcon;
        test::answerNextMessageBox(QMessageBox::No, &text, &icon);
        QCOMPARE(MsgBox(QStringLiteral("¿Guardar?"), vbYesNo | vbExclamation), vbNo);
        QCOMPARE(text, QStringLiteral("¿Guardar?"));
        QCOMPARE(icon, QMessageBox::Warning);
    }

    void msgBoxEscape_data()
    {
        QTest::addColumn<int>("style");
        QTest::addColumn<int>("result");
        QTest::newRow("yes/no: No") << int(vbYesNo) << int(vbNo);
        QTest::newRow("yes/no/cancel: Cancel") << int(vbYesNoCancel) << int(vbCancel);
        QTest::newRow("ok/cancel: Cancel") << int(vbOKCancel) << int(vbCancel);
        QTest::newRow("ok only: OK") << int(vbOKOnly) << int(vbOK);
    }
    void msgBoxEscape()
    {
        QFETCH(int, style);
        QFETCH(int, result);
        const auto action = test::onNextModal<QMessageBox>([](QMessageBox *box) { QTest::keyClick(box, Qt::Key_Escape); });
        QCOMPARE(int(MsgBox(QStringLiteral("x"), style)), result);
    }

    void descargarFormulario_data()
    {
        QTest::addColumn<bool>("dialog");
        QTest::newRow("dialog") << true;
        QTest::newRow("plain window") << false;
    }
    void descargarFormulario()
    {
        QFETCH(bool, dialog);
        QWidget *window = dialog ? new QDialog : new QWidget;
        auto *other = new QWidget;
        const QPointer<QWidget> watch(window), otherWatch(other);
        state().windows.insert(QStringLiteral("frmClientes"), window);
        state().windows.insert(QStringLiteral("frmOtro"), other);
        window->show();
        QWidget *reference = window;
        DescargarFormulario(reference);
        QCOMPARE(reference, nullptr);
        QVERIFY(!watch.isNull() && !watch->isVisible());
        QCOMPARE(state().windows.keys(), QStringList{QStringLiteral("frmOtro")});
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QVERIFY(watch.isNull());
        QVERIFY(!otherWatch.isNull());
        delete other;
    }

    void descargarFormularioEndsModalLoop()
    {
        QDialog *dialog = new QDialog;
        state().windows.insert(QStringLiteral("frmClientes"), dialog);
        QTimer::singleShot(0, dialog, [dialog] {
            dialog->setResult(QDialog::Accepted); // whoever waits must not take the unload for an acceptance
            QWidget *reference = dialog;
            DescargarFormulario(reference);
        });
        QTimer safety; // ends a loop the call failed to end
        safety.setSingleShot(true);
        connect(&safety, &QTimer::timeout, [] { test::closeAllModals(); });
        safety.start(5000);
        QElapsedTimer clock;
        clock.start();
        QCOMPARE(dialog->exec(), int(QDialog::Rejected));
        QVERIFY2(clock.elapsed() < 4000, "the modal loop ran on until the safety timer closed it");
        QVERIFY(state().windows.isEmpty());
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }

private:
    felcora::test::UserSettingsSandbox m_settings;
    std::unique_ptr<RecordingBroker> m_broker;
    const QLocale m_systemLocale;
};

QTEST_MAIN(TestSharedRoutines)
#include "tst_sharedroutines.moc"
