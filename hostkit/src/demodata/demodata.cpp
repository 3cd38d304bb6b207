#include "felcora/hostkit/demodata.h"

#include "felcora/error.h"

#include "broker/sqliteerrors.h"
#include "demorows.h"

#include <sqlite3.h>

#include <string>
#include <vector>

namespace felcora::hostkit {

namespace {

using demo::CustomerRow;
using demo::DibLine;
using demo::Rng;
using demo::RowMaker;

// The source of every error names the database file it happened in.
QString errorSource(const QString &path)
{
    return QStringLiteral("felcora.hostkit.generateDemoData(%1)").arg(path);
}

QString fileOf(sqlite3 *db)
{
    const char *file = sqlite3_db_filename(db, "main");
    return QString::fromUtf8(file ? file : "");
}

[[noreturn]] void fail(sqlite3 *db, qint32 number, const QString &description)
{
    throw Error(number, errorSource(fileOf(db)), description);
}

// The last failure on a connection, described for the user.
[[noreturn]] void fail(sqlite3 *db)
{
    const int code = sqlite3_extended_errcode(db);
    fail(db, code, describeSqliteError(code, QString::fromUtf8(sqlite3_errmsg(db)), fileOf(db)));
}

class Database
{
public:
    explicit Database(const QString &path)
    {
        // No SQLITE_OPEN_CREATE: a missing file is an error, not a new empty database.
        // The connection never leaves this thread, so it needs no mutex.
        const int rc
            = sqlite3_open_v2(path.toUtf8().constData(), &m_db, SQLITE_OPEN_READWRITE | SQLITE_OPEN_NOMUTEX, nullptr);
        if (rc != SQLITE_OK) {
            // Even a failed open may hand back a connection that holds the message.
            const qint32 code = m_db ? sqlite3_extended_errcode(m_db) : rc;
            const QString message = QString::fromUtf8(m_db ? sqlite3_errmsg(m_db) : sqlite3_errstr(rc));
            sqlite3_close(m_db);
            throw Error(code, errorSource(path), describeSqliteError(code, message, path));
        }
        sqlite3_extended_result_codes(m_db, 1);
        sqlite3_busy_timeout(m_db, 5000);
    }
    ~Database() { sqlite3_close(m_db); }
    Database(const Database &) = delete;
    Database &operator=(const Database &) = delete;

    sqlite3 *handle() const { return m_db; }

    void exec(const char *sql)
    {
        if (sqlite3_exec(m_db, sql, nullptr, nullptr, nullptr) != SQLITE_OK)
            fail(m_db);
    }

private:
    sqlite3 *m_db = nullptr;
};

// Rolls back unless committed, so a failure leaves the database as it was.
class Transaction
{
public:
    explicit Transaction(Database &db)
        : m_db(db)
    {
        m_db.exec("BEGIN");
    }
    ~Transaction()
    {
        if (!m_committed)
            sqlite3_exec(m_db.handle(), "ROLLBACK", nullptr, nullptr, nullptr);
    }
    Transaction(const Transaction &) = delete;
    Transaction &operator=(const Transaction &) = delete;

    void commit()
    {
        m_db.exec("COMMIT");
        m_committed = true;
    }

private:
    Database &m_db;
    bool m_committed = false;
};

// A prepared statement. Text is bound as SQLITE_STATIC: the buffers of a row
// outlive the step, and every parameter is bound again before the next one.
class Statement
{
public:
    Statement(Database &db, const char *sql)
        : m_db(db.handle())
    {
        if (sqlite3_prepare_v2(m_db, sql, -1, &m_stmt, nullptr) != SQLITE_OK)
            fail(m_db);
    }
    ~Statement() { sqlite3_finalize(m_stmt); }
    Statement(const Statement &) = delete;
    Statement &operator=(const Statement &) = delete;

    void text(int index, const char *data, std::size_t size)
    {
        check(sqlite3_bind_text(m_stmt, index, data, int(size), SQLITE_STATIC));
    }
    void text(int index, const std::string &value) { text(index, value.data(), value.size()); }
    void text(int index, const char *value) { text(index, value, std::char_traits<char>::length(value)); }
    void text(int index, const char &flag) { text(index, &flag, 1); }
    void textOrNull(int index, bool present, const std::string &value)
    {
        if (present)
            text(index, value);
        else
            null(index);
    }
    void number(int index, double value) { check(sqlite3_bind_double(m_stmt, index, value)); }
    void integer(int index, qint64 value) { check(sqlite3_bind_int64(m_stmt, index, value)); }
    void null(int index) { check(sqlite3_bind_null(m_stmt, index)); }

    // Runs a statement that returns no row.
    void run()
    {
        const int rc = sqlite3_step(m_stmt);
        sqlite3_reset(m_stmt);
        if (rc != SQLITE_DONE)
            fail(m_db);
    }

    // Runs a query; true when it returns a row.
    bool exists()
    {
        const int rc = sqlite3_step(m_stmt);
        sqlite3_reset(m_stmt);
        if (rc != SQLITE_ROW && rc != SQLITE_DONE)
            fail(m_db);
        return rc == SQLITE_ROW;
    }

    // Runs a query that returns one integer.
    qint64 scalar()
    {
        const int rc = sqlite3_step(m_stmt);
        const qint64 value = rc == SQLITE_ROW ? sqlite3_column_int64(m_stmt, 0) : 0;
        sqlite3_reset(m_stmt);
        if (rc != SQLITE_ROW)
            fail(m_db);
        return value;
    }

private:
    void check(int rc)
    {
        if (rc != SQLITE_OK)
            fail(m_db);
    }

    sqlite3 *m_db;
    sqlite3_stmt *m_stmt = nullptr;
};

// Who an agent is: a customer it stands for, or a company or person of its own.
struct Identity
{
    std::string cuit;
    std::string nombre;
    std::string domicilio;
    std::string localidad;
    std::string codpost;
};

Identity identityOf(const CustomerRow &row)
{
    return {std::string(row.cuit, sizeof row.cuit), row.nombre, row.domicilio, row.locality->name,
            row.locality->postalCode};
}

constexpr std::size_t kKnownSample = 512;

void bindCustomer(Statement &s, const CustomerRow &row)
{
    s.text(1, row.cuit, sizeof row.cuit);
    s.text(2, row.nombre);
    s.text(3, row.domicilio);
    s.text(4, row.locality->name);
    s.text(5, row.locality->postalCode);
    s.textOrNull(6, row.hasEmail, row.email);
    s.textOrNull(7, row.hasTelefonos, row.telefonos);
    s.text(8, row.finitactiv, sizeof row.finitactiv);
    s.text(9, "N");
    s.text(10, row.condiva);
    s.text(11, row.condivafact);
    s.number(12, row.ivaexento);
    s.text(13, row.eximgan);
    s.number(14, row.eximganvalor);
    s.number(15, row.eximganvalortemp);
    s.text(16, row.ivaareduccion);
    s.number(17, row.ivaareduccionvalor);
    s.number(18, row.ivaareduccionvalortemp);
    s.text(19, row.excepLapiaec);
    s.number(20, row.ajxVinc4102);
    s.text(21, row.contacto);
    s.number(22, row.ingbru);
    s.text(23, row.lugarDepMerc);
    s.number(24, row.regalias);
    s.number(25, row.honorario);
    s.text(26, row.cib);
    s.text(27, row.cml);
    s.text(28, row.nin);
}

// Appends options.customers rows to clientes with their DIB lines and benefit
// ties; returns how many were written and keeps a sample of them in known.
qint64 writeCustomers(Database &db, const DemoOptions &options, std::vector<Identity> &known)
{
    if (options.customers <= 0)
        return 0;

    const qint64 existing = Statement(db, "SELECT count(*) FROM clientes").scalar();

    Statement insertCustomer(
        db,
        "INSERT OR IGNORE INTO clientes (cuit, nombre, domicilio, localidad, codpost, email, telefonos,"
        " finitactiv, cvdi, condiva, condivafact, ivaexento, eximgan, eximganvalor, eximganvalortemp,"
        " ivaareduccion, ivaareduccionvalor, ivaareduccionvalortemp, ExcepLAPIAEC, AjxVinc_4102, contacto,"
        " ingbru, LUGARDEPMERC, regalias, honorario, CIB, CML, NIN)"
        " VALUES (?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?)");
    Statement clearDib(db, "DELETE FROM DIB WHERE CLICUI = ?");
    Statement insertDib(db, "INSERT INTO DIB (CLICUI, JRDNRO, DIBVALOR, DIBEXENTO) VALUES (?,?,?,?)");
    Statement insertTie(db, "INSERT INTO VentajasRel (IdVentaja, IdSubRegimen, NCM, cuit) VALUES (?,?,?,?)");

    Rng rng(options.seed, 1);
    RowMaker maker(rng);
    CustomerRow row;
    DibLine lines[demo::kMaxDibLines];

    // A drawn CUIT can only collide with a customer that was there before or one
    // written in this run; the bound only stops a hopeless search in a full file.
    const qint64 maxAttempts = existing + 2 * options.customers + 1000;
    qint64 written = 0;
    for (qint64 attempt = 0; written < options.customers; ++attempt) {
        if (attempt == maxAttempts)
            fail(db.handle(), SQLITE_CONSTRAINT_PRIMARYKEY,
                 QStringLiteral("No quedan CUIT libres para clientes nuevos en la base de datos \"%1\"")
                     .arg(fileOf(db.handle())));
        maker.makeCustomer(row);
        bindCustomer(insertCustomer, row);
        insertCustomer.run();
        if (sqlite3_changes(db.handle()) == 0)
            continue; // the CUIT is already a customer
        ++written;

        if (known.size() < kKnownSample)
            known.push_back(identityOf(row));

        if (row.cml == demo::kMultilateral) {
            // Lines left behind by a removed customer with the same CUIT would spoil the sum.
            clearDib.text(1, row.cuit, sizeof row.cuit);
            clearDib.run();
            const int n = maker.makeDib(row, lines);
            for (int i = 0; i < n; ++i) {
                insertDib.text(1, row.cuit, sizeof row.cuit);
                insertDib.text(2, lines[i].jurisdiction);
                insertDib.number(3, double(lines[i].share) / demo::kWholeShare);
                insertDib.integer(4, lines[i].exempt ? 1 : 0);
                insertDib.run();
            }
        }

        if (rng.percent(4)) {
            const auto ties = rng.between(1, 3);
            for (qint64 i = 0; i < ties; ++i) {
                const demo::BenefitTie &tie = rng.pick(demo::kBenefitTies);
                insertTie.text(1, tie.benefit);
                insertTie.text(2, tie.subRegime);
                insertTie.text(3, rng.pick(demo::kTariffHeadings));
                insertTie.text(4, row.cuit, sizeof row.cuit);
                insertTie.run();
            }
        }
    }
    return written;
}

// Appends options.agents rows to AGENTES. Agents 1 and 2 generate the others:
// agent 1 holds role 2, so its agents that are not yet customers are pending;
// agent 2 holds role 3 only, so its agents never are.
void writeAgents(Database &accounting, Database &personal, const DemoOptions &options,
                 const std::vector<Identity> &known, DemoSummary &summary)
{
    if (options.agents <= 0)
        return;

    Statement agentExists(accounting, "SELECT 1 FROM AGENTES WHERE ID_AGENTE = ?");
    Statement insertAgent(
        accounting,
        "INSERT INTO AGENTES (ID_AGENTE, Documento_Numero, NOMBRE, DIRECCION, CODIGO_POSTAL, CIUDAD, GENERADORID)"
        " VALUES (?,?,?,?,?,?,?)");
    Statement insertRole(accounting, "INSERT OR IGNORE INTO ROLES_AUTORIZADOS (ID_AGENTE, ID_ROL) VALUES (?,?)");
    Statement isCustomer(personal, "SELECT 1 FROM clientes WHERE cuit = ?");

    Rng rng(options.seed, 2);
    RowMaker maker(rng);
    CustomerRow row;

    // A company or person with a CUIT no customer has.
    const auto stranger = [&](bool company) {
        do {
            maker.makeCustomer(row);
        } while (row.company != company);
        for (;;) {
            isCustomer.text(1, row.cuit, sizeof row.cuit);
            if (!isCustomer.exists())
                return identityOf(row);
            maker.redrawCuit(row);
        }
    };
    // Generators have no generator; one agent in ten lacks its postal code, one its city.
    const auto write = [&](qint64 id, const Identity &who, qint64 generator) {
        insertAgent.integer(1, id);
        insertAgent.text(2, who.cuit);
        insertAgent.text(3, who.nombre);
        insertAgent.text(4, who.domicilio);
        if (rng.percent(10))
            insertAgent.null(5);
        else
            insertAgent.text(5, who.codpost);
        if (rng.percent(10))
            insertAgent.null(6);
        else
            insertAgent.text(6, who.localidad);
        if (generator > 0)
            insertAgent.integer(7, generator);
        else
            insertAgent.null(7);
        insertAgent.run();
        ++summary.agents;
    };

    qint64 budget = options.agents;
    constexpr qint64 kGenerators[2] = {1, 2};
    constexpr qint64 kGeneratorRoles[2] = {2, 3};
    for (int g = 0; g < 2 && budget > 0; ++g) {
        agentExists.integer(1, kGenerators[g]);
        if (!agentExists.exists()) {
            write(kGenerators[g], stranger(true), 0);
            --budget;
        }
        insertRole.integer(1, kGenerators[g]);
        insertRole.integer(2, kGeneratorRoles[g]);
        insertRole.run();
    }

    qint64 id = Statement(accounting, "SELECT coalesce(max(ID_AGENTE), 0) FROM AGENTES").scalar();
    int ofFirst = 0; // agents of generator 1 written so far
    for (; budget > 0; --budget) {
        const qint64 generator = rng.percent(65) ? 1 : 2;
        // The first two agents of generator 1 are a customer and a pending one, so
        // that even a small run has both kinds; the others are drawn.
        bool asCustomer = generator == 1 && ofFirst < 2 ? ofFirst == 0 : rng.percent(generator == 1 ? 45 : 50);
        asCustomer = asCustomer && !known.empty();
        if (generator == 1)
            ++ofFirst;

        if (asCustomer)
            write(++id, known[rng.below(std::uint32_t(known.size()))], generator);
        else
            write(++id, stranger(rng.percent(70)), generator);
        if (generator == 1 && !asCustomer)
            ++summary.pendingAgents;
    }
}

} // namespace

DemoSummary generateDemoData(const QString &personalDb, const QString &accountingDb, const DemoOptions &options)
{
    DemoSummary summary;
    std::vector<Identity> known;

    Database personal(personalDb);
    personal.exec("PRAGMA synchronous=OFF");
    // Every row lands at a random place of the CUIT and name indexes: keep them in memory.
    personal.exec("PRAGMA cache_size=-131072");
    Transaction customers(personal);
    summary.customers = writeCustomers(personal, options, known);

    // The customers stay uncommitted until the agents are written, so that a
    // failure in the accounting database leaves both files as they were.
    Database accounting(accountingDb);
    accounting.exec("PRAGMA synchronous=OFF");
    Transaction agents(accounting);
    writeAgents(accounting, personal, options, known, summary);
    customers.commit();
    agents.commit();
    return summary;
}

} // namespace felcora::hostkit
