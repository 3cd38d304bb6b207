#pragma once

#include <QHash>
#include <QQueue>
#include <QStringList>
#include <functional>
#include <optional>

#include "felcora/error.h"
#include "felcora/hostcomponents.h"

namespace felcora::test {

// A recordset over rows held in memory.
class MemoryRecordset final : public IRecordset
{
public:
    MemoryRecordset(QStringList columns, QList<QVariantList> rows)
        : m_columns(std::move(columns))
        , m_rows(std::move(rows))
    {
    }

    bool Eof() const override { return m_row >= m_rows.size(); }
    void MoveNext() override;
    int fieldCount() const override { return int(m_columns.size()); }
    QString fieldName(int column) const override { return m_columns.value(column); }
    QVariant value(int column) const override { return current().value(column); }

private:
    const QVariantList &current() const; // the row read, and an error past the last one
    QStringList m_columns;
    QList<QVariantList> m_rows;
    qsizetype m_row = 0;
};

// What a scripted connection answers to the next statement it runs.
struct ScriptedAnswer
{
    QStringList columns;        // CrearRs: the recordset's columns
    QList<QVariantList> rows;   // CrearRs: its rows
    qint64 rowsAffected = 0;    // Ejecutar
    std::optional<Error> error; // either: fail with this error

    static ScriptedAnswer rowset(QStringList columns, QList<QVariantList> rows)
    {
        return {std::move(columns), std::move(rows), 0, {}};
    }
    static ScriptedAnswer affected(qint64 count) { return {{}, {}, count, {}}; }
    static ScriptedAnswer failure(const Error &e) { return {{}, {}, 0, e}; }
};

class RecordingConnection;

// Keeps every statement run and answers from a script (else no rows, 0 changed): where the exact statement matters.
class RecordingBroker : public QObject, public IDataAccess
{
    Q_OBJECT
    Q_INTERFACES(felcora::IDataAccess)

public:
    struct Statement
    {
        QString entity, sql;
    };
    using NumberFormat = std::function<QString(const QString &entity, const QString &value, int decimals)>;

    // The answer to the next statement run on any entity.
    void script(const ScriptedAnswer &answer) { m_script.enqueue(answer); }
    void setDecimalSeparator(const QString &entity, const QString &sep) { m_separators.insert(entity.toUpper(), sep); }
    void setNumberFormat(NumberFormat format) { m_numberFormat = std::move(format); }

    const QList<Statement> &statements() const { return m_statements; }
    int loadParametersCalls() const { return m_loadCalls; }

    void LoadParameters() override { ++m_loadCalls; }
    IDataConnection *getDataConnectionByEntity(const QString &entity) override;
    QString getDateFormatbyEntity(const QString &, const QString &date) override { return u'\'' + date + u'\''; }
    QString getNumberFormatbyEntity(const QString &entity, const QString &value, qint32 &decimals) override
    {
        return m_numberFormat ? m_numberFormat(entity, value, decimals)
                              : QStringLiteral("round(%1, %2)").arg(QString(value).replace(u',', u'.')).arg(decimals);
    }
    QString getNumberFormatbyEntity(const QString &entity, const QString &value, qint16 decimals) override
    {
        qint32 wide = decimals;
        return getNumberFormatbyEntity(entity, value, wide);
    }
    QString getDecimalSeparatorbyEntity(QString &entity) override
    {
        return m_separators.value(entity.toUpper(), QStringLiteral("."));
    }

protected:
    // Keeps a statement, or a call that is not one (a transaction's), in order.
    void record(const Statement &statement) { m_statements.append(statement); }

private:
    friend class RecordingConnection;
    ScriptedAnswer run(const Statement &statement);

    QHash<QString, std::shared_ptr<RecordingConnection>> m_connections;
    QHash<QString, QString> m_separators;
    QQueue<ScriptedAnswer> m_script;
    QList<Statement> m_statements;
    NumberFormat m_numberFormat;
    int m_loadCalls = 0;
};

// The same with transactions, each call kept among the statements as "BeginTrans", "CommitTrans" or "RollbackTrans".
class TransactionalRecordingBroker final : public RecordingBroker, public ITransactions
{
    Q_OBJECT
    Q_INTERFACES(felcora::IDataAccess felcora::ITransactions)

public:
    void BeginTrans(const QString &entity) override { record({entity, QStringLiteral("BeginTrans")}); }
    void CommitTrans(const QString &entity) override { record({entity, QStringLiteral("CommitTrans")}); }
    void RollbackTrans(const QString &entity) override { record({entity, QStringLiteral("RollbackTrans")}); }
};

} // namespace felcora::test
