#include "core/registerstore.h"

#include "core/registerstatements.h"
#include "felcora/error.h"
#include "felcora/hostcomponents.h"
#include "taxregister/registerline.h"

namespace felcora {

namespace {
QString textOf(const IRecordset &rs, const QString &column)
{
    const QVariant value = rs.Fields(column);
    return value.isNull() ? QString() : value.toString().trimmed();
}
} // namespace

RegisterStore::RegisterStore(const StoreContext &context)
    : m_context(context)
{
}

void RegisterStore::ensureTables() const
{
    IDataAccess &broker = *m_context.broker;
    for (const auto &[probe, create] : {std::pair{probeSnapshotTableSql(), createSnapshotTableSql()},
                                        std::pair{probeSnapshotInfoTableSql(), createSnapshotInfoTableSql()}}) {
        try {
            openQuery(broker, entity::kPersonal, probe);
        } catch (const Error &) {
            runStatement(broker, entity::kPersonal, create);
        }
    }
}

std::optional<SnapshotInfo> RegisterStore::snapshot() const
{
    ensureTables();
    const OpenedQuery query = openQuery(*m_context.broker, entity::kPersonal, selectSnapshotInfoSql());
    if (!query.rs || query.rs->Eof())
        return std::nullopt;
    const IRecordset &rs = *query.rs;
    SnapshotInfo info;
    info.registerDate = snapshotDateOf(textOf(rs, QStringLiteral("fecha")));
    info.fileName = textOf(rs, QStringLiteral("archivo"));
    info.importedAt = snapshotTimeOf(textOf(rs, QStringLiteral("importado")));
    info.lines = rs.Fields(QStringLiteral("lineas")).toLongLong();
    info.damaged = rs.Fields(QStringLiteral("danadas")).toLongLong();
    return info;
}

std::optional<RegisterRecord> RegisterStore::find(const QString &cuit) const
{
    const OpenedQuery query = openQuery(*m_context.broker, entity::kPersonal, selectSnapshotOfSql(cuit));
    if (!query.rs || query.rs->Eof())
        return std::nullopt;
    return recordAt(*query.rs, SnapshotColumns(*query.rs));
}

std::unique_ptr<IRecordset> RegisterStore::openCustomerCuits() const
{
    return openQuery(*m_context.broker, entity::kPersonal, selectCustomerCuitsSql()).rs;
}

std::unique_ptr<IRecordset> RegisterStore::openCheck() const
{
    return openQuery(*m_context.broker, entity::kPersonal, selectCustomersToCheckSql()).rs;
}

RegisterStore::SnapshotColumns::SnapshotColumns(const IRecordset &rs)
{
    const char *const names[]
        = {"cuit", "nombre", "ganancias", "iva", "monotributo", "integrante", "empleador", "actividad"};
    for (std::size_t k = 0; k < std::size(names); ++k)
        at[k] = rs.fieldIndex(QLatin1String(names[k]));
}

RegisterRecord RegisterStore::recordAt(const IRecordset &rs, const SnapshotColumns &columns)
{
    auto text = [&rs, &columns](int k) { return QString::fromUtf8(rs.textUtf8(columns.at[k])).trimmed(); };
    return {text(0), text(1), text(2), text(3), text(4), text(5), text(6), text(7)};
}

RegisterStore::Replacement::Replacement(const RegisterStore &store, SnapshotInfo info)
    : m_store(store)
    , m_info(std::move(info))
    , m_work(store.m_context.transactions, entity::kPersonal)
{
}

RegisterStore::Replacement::~Replacement() = default;

void RegisterStore::Replacement::begin()
{
    m_store.ensureTables();
    m_work.begin();
    IDataAccess &broker = *m_store.m_context.broker;
    runStatement(broker, entity::kPersonal, deleteSnapshotInfoSql());
    runStatement(broker, entity::kPersonal, deleteSnapshotSql());
}

void RegisterStore::Replacement::add(std::span<const taxregister::RegisterLine> lines)
{
    for (std::size_t at = 0; at < lines.size(); at += kSnapshotLinesPerInsert) {
        const std::size_t count = std::min<std::size_t>(kSnapshotLinesPerInsert, lines.size() - at);
        runStatement(*m_store.m_context.broker, entity::kPersonal, insertSnapshotSql(lines.subspan(at, count)));
    }
}

void RegisterStore::Replacement::commit()
{
    runStatement(*m_store.m_context.broker, entity::kPersonal, insertSnapshotInfoSql(m_info));
    m_work.commit();
}

} // namespace felcora
