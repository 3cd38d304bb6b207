#pragma once

#include <memory>

#include "databasesession.h"
#include "felcora/hostcomponents.h"
#include "felcora/hostkit/brokerconfig.h"
#include "sqldialect.h"

namespace felcora::hostkit {

// The connection object of one entity. It lives as long as the broker and
// keeps its Sql; the database behind it opens on first use and again after
// its settings change.
class EntityConnection final : public IDataConnection
{
public:
    EntityConnection(QString entity, EntitySettings settings);

    QString Sql() const override { return m_sql; }
    void setSql(const QString &statement) override { m_sql = statement; }
    bool CrearRs(std::unique_ptr<IRecordset> &rs) override;
    qint64 Ejecutar() override;

    const EntitySettings &settings() const { return m_settings; }
    void reconfigure(const EntitySettings &settings);
    const SqlDialect &dialect() const { return *m_dialect; }
    // Opens the database now (creating the embedded default with its schema).
    void open();
    bool createdDatabase() const { return m_session && m_session->createdDatabase(); }

    void begin();
    void commit();
    void rollback();

private:
    // The current Sql, refused if unsafe, in the database's own spelling.
    QString checkedStatement(const char *operation) const;

    QString m_entity;
    EntitySettings m_settings;
    std::unique_ptr<SqlDialect> m_dialect;
    std::unique_ptr<DatabaseSession> m_session;
    QString m_sql;
};

} // namespace felcora::hostkit
