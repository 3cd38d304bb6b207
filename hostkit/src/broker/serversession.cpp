#include "serversession.h"

#include <QAtomicInt>
#include <QSqlDatabase>
#include <QSqlDriver>
#include <QSqlError>
#include <QSqlQuery>
#include <QSqlRecord>
#include <algorithm>

#include "brokererrors.h"
#include "felcora/error.h"
#include "sqldialect.h"

namespace felcora::hostkit {

namespace {

QString sourceFor(const QString &driver, const char *operation)
{
    return QStringLiteral("RecordBroker.%1.%2").arg(driver, QLatin1String(operation));
}

// The server's own text of a failure; it never holds the password.
// It may run over several lines (the code, a detail): it is shown as one sentence.
QString serverText(const QSqlError &error)
{
    const QString text = error.databaseText().simplified();
    return text.isEmpty() ? error.driverText().simplified() : text;
}

[[noreturn]] void failStatement(const EntitySettings &settings, const char *operation, const QSqlError &error)
{
    // A second row with the same key gets a number of its own: the caller may know what it means.
    const qint32 number = SqlDialect::forDriver(settings.driver)->isDuplicateKey(error.nativeErrorCode())
        ? errnum::kDuplicateKey
        : brokererr::kDatabase;
    throw Error(number, sourceFor(settings.driver, operation),
                QStringLiteral("El servidor de base de datos rechazó la sentencia (%1)").arg(serverText(error)));
}

// A connection name unique in the process: Qt keeps connections by name.
QString newLinkName()
{
    static QAtomicInt counter;
    return QStringLiteral("felcora-server-%1").arg(counter.fetchAndAddRelaxed(1) + 1);
}

// A result read row by row from the server on a connection it holds until
// its last row has been read or it is dropped.
class ServerRecordset final : public IRecordset
{
public:
    ServerRecordset(std::shared_ptr<ServerSession::Link> link, QSqlQuery query, EntitySettings settings)
        : m_link(std::move(link))
        , m_query(std::move(query))
        , m_settings(std::move(settings))
    {
        const QSqlRecord record = m_query.record();
        for (int c = 0; c < record.count(); ++c)
            m_names.append(record.fieldName(c));
        step();
    }
    ~ServerRecordset() override { release(); }

    bool Eof() const override { return m_eof; }
    void MoveNext() override
    {
        if (m_eof)
            throw Error(errnum::kNoCurrentRecord, sourceFor(m_settings.driver, "MoveNext"),
                        QStringLiteral("No hay un registro actual"));
        step();
    }
    int fieldCount() const override { return int(m_names.size()); }
    QString fieldName(int column) const override { return m_names.value(column); }
    QVariant value(int column) const override
    {
        if (m_eof || column < 0 || column >= m_names.size())
            throw Error(errnum::kNoCurrentRecord, sourceFor(m_settings.driver, "Fields"),
                        QStringLiteral("No hay un registro actual"));
        return m_query.value(column);
    }

private:
    void step()
    {
        if (m_query.next())
            return;
        // A result that ends with an error was cut short: that is a failure, not the end of the data.
        const QSqlError error = m_query.lastError();
        m_eof = true;
        release();
        if (error.isValid())
            failStatement(m_settings, "MoveNext", error);
    }
    void release()
    {
        if (!m_link)
            return;
        // Dropped before its end (the list closed while it was read): the
        // driver would read and discard every row left, a wait of seconds on
        // a million. The connection is closed instead, and the session opens
        // another when it next needs one.
        if (!m_eof) {
            QSqlDatabase::database(m_link->name, false).close();
            m_link->closed = true;
        }
        m_query.finish();
        m_link->busy = false;
        m_link.reset();
    }

    std::shared_ptr<ServerSession::Link> m_link;
    QSqlQuery m_query;
    EntitySettings m_settings;
    QStringList m_names;
    bool m_eof = false;
};

// A result read whole, for the statements of a transaction.
class BufferedRecordset final : public IRecordset
{
public:
    BufferedRecordset(QSqlQuery &query, const EntitySettings &settings)
        : m_driver(settings.driver)
    {
        const QSqlRecord record = query.record();
        for (int c = 0; c < record.count(); ++c)
            m_names.append(record.fieldName(c));
        while (query.next()) {
            QVariantList row;
            row.reserve(m_names.size());
            for (int c = 0; c < m_names.size(); ++c)
                row.append(query.value(c));
            m_rows.append(row);
        }
        if (query.lastError().isValid())
            failStatement(settings, "CrearRs", query.lastError());
    }

    bool Eof() const override { return m_row >= m_rows.size(); }
    void MoveNext() override
    {
        if (Eof())
            throw Error(errnum::kNoCurrentRecord, sourceFor(m_driver, "MoveNext"),
                        QStringLiteral("No hay un registro actual"));
        ++m_row;
    }
    int fieldCount() const override { return int(m_names.size()); }
    QString fieldName(int column) const override { return m_names.value(column); }
    QVariant value(int column) const override
    {
        if (Eof() || column < 0 || column >= m_names.size())
            throw Error(errnum::kNoCurrentRecord, sourceFor(m_driver, "Fields"),
                        QStringLiteral("No hay un registro actual"));
        return m_rows.at(m_row).at(column);
    }

private:
    QString m_driver;
    QStringList m_names;
    QList<QVariantList> m_rows;
    qsizetype m_row = 0;
};

} // namespace

ServerSession::ServerSession(EntitySettings settings)
    : m_settings(std::move(settings))
{
}

ServerSession::~ServerSession()
{
    for (const auto &link : m_links) {
        // A recordset still being read keeps its connection; the others close.
        if (link->busy && link != m_transaction)
            continue;
        QSqlDatabase::database(link->name, false).close();
        QSqlDatabase::removeDatabase(link->name);
    }
}

std::unique_ptr<ServerSession> ServerSession::open(const EntitySettings &settings)
{
    if (!QSqlDatabase::isDriverAvailable(settings.driver.toUpper()))
        throw brokererr::driverNotAvailable(settings.driver);
    auto session = std::make_unique<ServerSession>(settings);
    session->idleLink(Check::AsKept); // a wrong setting shows now, not at the first statement
    return session;
}

void ServerSession::openLink(const QString &name)
{
    QSqlDatabase db = QSqlDatabase::addDatabase(m_settings.driver.toUpper(), name);
    db.setDatabaseName(m_settings.database);
    db.setHostName(m_settings.host);
    if (m_settings.port > 0)
        db.setPort(m_settings.port);
    db.setUserName(m_settings.user);
    db.setPassword(m_settings.serverPassword());
    db.setConnectOptions(m_settings.serverConnectOptions());
    if (!db.open()) {
        const QString text = serverText(db.lastError());
        db = QSqlDatabase();
        QSqlDatabase::removeDatabase(name);
        throw Error(brokererr::kOpen, sourceFor(m_settings.driver, "Open"),
                    QStringLiteral("No se pudo conectar con la base de datos \"%1\" del servidor \"%2\" (%3)")
                        .arg(m_settings.database, m_settings.host, text));
    }
    if (m_settings.driver.compare(QStringLiteral("QPSQL"), Qt::CaseInsensitive) == 0) {
        // With it off a backslash would escape the apostrophe that doubling protects.
        QSqlQuery set(db);
        if (!set.exec(QStringLiteral("SET standard_conforming_strings = on")))
            failStatement(m_settings, "Open", set.lastError());
    }
}

void ServerSession::dropClosedLinks()
{
    std::erase_if(m_links, [](const std::shared_ptr<Link> &link) {
        if (link->busy || !link->closed)
            return false;
        QSqlDatabase::removeDatabase(link->name);
        return true;
    });
}

std::shared_ptr<ServerSession::Link> ServerSession::idleLink(Check check)
{
    dropClosedLinks();
    const auto idle = std::ranges::find_if(m_links, [](const auto &link) { return !link->busy; });
    if (idle != m_links.end()) {
        std::shared_ptr<Link> link = *idle;
        if (check == Check::AsKept || answers(*link))
            return link;
        forgetIdleLinks();
    }
    auto link = std::make_shared<Link>();
    link->name = newLinkName();
    openLink(link->name);
    m_links.push_back(link);
    return link;
}

std::unique_ptr<IRecordset> ServerSession::query(const QString &sql)
{
    if (m_transaction) {
        QSqlQuery q(QSqlDatabase::database(m_transaction->name, false));
        q.setNumericalPrecisionPolicy(QSql::LowPrecisionDouble);
        if (!q.exec(sql))
            failStatement(m_settings, "CrearRs", q.lastError());
        return std::make_unique<BufferedRecordset>(q, m_settings);
    }
    // A query may run again on a new connection when the server dropped the old one: it changes nothing.
    for (int attempt = 0;; ++attempt) {
        const std::shared_ptr<Link> link = idleLink(Check::AsKept);
        QSqlQuery q(QSqlDatabase::database(link->name, false));
        q.setForwardOnly(true);
        q.setNumericalPrecisionPolicy(QSql::LowPrecisionDouble);
        if (q.exec(sql)) {
            link->busy = true;
            return std::make_unique<ServerRecordset>(link, std::move(q), m_settings);
        }
        const QSqlError error = q.lastError();
        q = QSqlQuery();
        if (attempt > 0 || !dropIfLost(link))
            failStatement(m_settings, "CrearRs", error);
    }
}

qint64 ServerSession::execute(const QString &sql)
{
    const std::shared_ptr<Link> link = m_transaction ? m_transaction : idleLink(Check::Answers);
    QSqlQuery q(QSqlDatabase::database(link->name, false));
    if (!q.exec(sql)) {
        // A change is not run again: it may have been done before the connection went.
        // The next statement gets a new connection.
        const QSqlError error = q.lastError();
        q = QSqlQuery();
        if (link != m_transaction)
            dropIfLost(link);
        failStatement(m_settings, "Ejecutar", error);
    }
    // Read at once: the next statement replaces it.
    const qint64 changed = q.isSelect() ? 0 : q.numRowsAffected();
    return changed < 0 ? 0 : changed;
}

bool ServerSession::answers(const Link &link)
{
    QSqlDatabase db = QSqlDatabase::database(link.name, false);
    if (!db.isOpen())
        return false;
    // The driver does not notice a connection the server closed: a trivial statement does.
    QSqlQuery probe(db);
    return probe.exec(QStringLiteral("SELECT 1"));
}

bool ServerSession::dropIfLost(const std::shared_ptr<Link> &link)
{
    if (answers(*link))
        return false;
    forgetIdleLinks();
    return true;
}

void ServerSession::forgetIdleLinks()
{
    // The server closed one: a restart or a timeout has closed the others
    // waiting beside it too, and each would fail once more. A busy one (a
    // recordset being read, the transaction) is left to fail on its own.
    std::vector<std::shared_ptr<Link>> kept;
    for (const auto &link : m_links) {
        if (link->busy) {
            kept.push_back(link);
            continue;
        }
        QSqlDatabase::database(link->name, false).close();
        QSqlDatabase::removeDatabase(link->name);
    }
    m_links = std::move(kept);
}

void ServerSession::begin()
{
    if (m_transaction)
        throw Error(brokererr::kTransaction, sourceFor(m_settings.driver, "BeginTrans"),
                    QStringLiteral("Ya hay una transacción abierta en esta conexión"));
    const std::shared_ptr<Link> link = idleLink(Check::Answers);
    QSqlDatabase db = QSqlDatabase::database(link->name, false);
    if (!db.transaction()) {
        const QSqlError error = db.lastError();
        db = QSqlDatabase();
        dropIfLost(link);
        failStatement(m_settings, "BeginTrans", error);
    }
    m_transaction = link;
    m_transaction->busy = true;
}

void ServerSession::commit()
{
    if (!m_transaction)
        throw Error(brokererr::kTransaction, sourceFor(m_settings.driver, "CommitTrans"),
                    QStringLiteral("No hay una transacción abierta en esta conexión"));
    QSqlDatabase db = QSqlDatabase::database(m_transaction->name, false);
    const bool committed = db.commit();
    const QSqlError error = db.lastError();
    if (!committed) {
        db.rollback();
        m_transaction->busy = false;
        m_transaction.reset();
        failStatement(m_settings, "CommitTrans", error);
    }
    m_transaction->busy = false;
    m_transaction.reset();
}

void ServerSession::rollback()
{
    if (!m_transaction)
        return;
    QSqlDatabase::database(m_transaction->name, false).rollback();
    m_transaction->busy = false;
    m_transaction.reset();
}

} // namespace felcora::hostkit
