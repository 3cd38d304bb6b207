#pragma once

#include <QString>
#include <QStringList>
#include <memory>
#include <vector>

#include "databasesession.h"

class QSqlDatabase;

namespace felcora::hostkit {

// A database on a server, through a Qt SQL driver (QPSQL, QODBC).
//
// A forward-only result of QPSQL is read row by row from the server, and any
// other statement on the same connection cuts it short without a word. So
// each open recordset keeps a connection of its own until it has been read
// to its end (or is dropped), and the connections are kept for reuse. A
// transaction has one connection, on which its statements run and whose
// results are read whole at once.
class ServerSession final : public DatabaseSession
{
public:
    explicit ServerSession(EntitySettings settings);
    ~ServerSession() override;
    ServerSession(const ServerSession &) = delete;
    ServerSession &operator=(const ServerSession &) = delete;

    std::unique_ptr<IRecordset> query(const QString &sql) override;
    qint64 execute(const QString &sql) override;
    void begin() override;
    void commit() override;
    void rollback() override;

    static std::unique_ptr<ServerSession> open(const EntitySettings &settings);

    // One connection's name and whether a recordset or a transaction holds it.
    struct Link
    {
        QString name;
        bool busy = false;
        bool closed = false; // its result was left before its end: it goes from the pool
    };

private:
    // Whether an idle connection is tried before it is handed out: before a
    // change, so that one the server closed (a restart, an idle timeout) is
    // replaced and the change is sent once, on a connection that works.
    enum class Check { AsKept, Answers };
    // An idle connection, opened when none is left.
    std::shared_ptr<Link> idleLink(Check check);
    void openLink(const QString &name);
    void dropClosedLinks();
    // Whether the server still answers on a connection.
    static bool answers(const Link &link);
    // After a failure on an idle connection: when the server has closed it,
    // forgets it with the other idle ones (the next statement opens a new one)
    // and answers true.
    bool dropIfLost(const std::shared_ptr<Link> &link);
    // Closes and forgets every connection that no recordset or transaction holds.
    void forgetIdleLinks();

    EntitySettings m_settings;
    std::vector<std::shared_ptr<Link>> m_links;
    std::shared_ptr<Link> m_transaction; // set while a transaction is open
};

} // namespace felcora::hostkit
