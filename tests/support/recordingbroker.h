#pragma once

#include <QHash>
#include <QList>
#include <QObject>
#include <QQueue>
#include <QStringList>
#include <QVariant>
#include <functional>
#include <optional>

#include "felcora/error.h"
#include "felcora/hostcomponents.h"

namespace felcora::test {

// A recordset over rows held in memory.
class MemoryRecordset final : public IRecordset
{
public:
    MemoryRecordset(QStringList columns, QList<QVariantList> rows);

    bool Eof() const override { return m_row >= m_rows.size(); }
    void MoveNext() override;
    int fieldCount() const override { return int(m_columns.size()); }
    QString fieldName(int column) const override { return m_columns.value(column); }
    QVariant value(int column) const override;

private:
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

class RecordingBroker;

class RecordingConnection final : public IDataConnection
{
public:
    RecordingConnection(RecordingBroker &broker, QString entity);

    QString Sql() const override { return m_sql; }
    void setSql(const QString &statement) override { m_sql = statement; }
    bool CrearRs(std::unique_ptr<IRecordset> &rs) override;
    qint64 Ejecutar() override;

private:
    RecordingBroker &m_broker;
    QString m_entity;
    QString m_sql;
};

// A data-access object that keeps every statement it is asked to run and
// answers from a script: for tests where the exact statement is the point.
// Unscripted queries answer no rows; unscripted changes answer 0.
class RecordingBroker : public QObject, public IDataAccess
{
    Q_OBJECT
    Q_INTERFACES(felcora::IDataAccess)

public:
    struct Statement
    {
        QString entity;
        QString sql;
        bool query; // CrearRs (true) or Ejecutar (false)
    };

    explicit RecordingBroker(QObject *parent = nullptr);

    // Queues an answer for the next statement run on any entity.
    void script(const ScriptedAnswer &answer) { m_script.enqueue(answer); }
    void setDecimalSeparator(const QString &entity, const QString &separator);
    void setDateFormat(std::function<QString(const QString &, const QString &)> format)
    {
        m_dateFormat = std::move(format);
    }
    void setNumberFormat(std::function<QString(const QString &, const QString &, int)> format)
    {
        m_numberFormat = std::move(format);
    }
    void failDecimalSeparator(const std::optional<Error> &error) { m_separatorError = error; }
    // Called as each statement runs, before its answer: to see the state the caller runs it in.
    void setOnRun(std::function<void(const Statement &)> onRun) { m_onRun = std::move(onRun); }

    const QList<Statement> &statements() const { return m_statements; }
    QStringList sqlTexts() const;
    int loadParametersCalls() const { return m_loadCalls; }
    void failLoadParameters(const std::optional<Error> &error) { m_loadError = error; }
    QList<qint32> numberFormatDecimals() const { return m_decimalsSeen; }

    void LoadParameters() override;
    IDataConnection *getDataConnectionByEntity(const QString &entity) override;
    QString getDateFormatbyEntity(const QString &entity, const QString &dateText) override;
    QString getNumberFormatbyEntity(const QString &entity, const QString &value, qint32 &decimals) override;
    QString getNumberFormatbyEntity(const QString &entity, const QString &value, qint16 decimals) override;
    QString getDecimalSeparatorbyEntity(QString &entity) override;

protected:
    // Keeps a call that is not a statement (a transaction's), in order with the statements.
    void recordCall(const QString &entity, const QString &call);

private:
    friend class RecordingConnection;
    ScriptedAnswer run(const QString &entity, const QString &sql, bool query);

    QHash<QString, std::shared_ptr<RecordingConnection>> m_connections;
    QHash<QString, QString> m_separators;
    QQueue<ScriptedAnswer> m_script;
    QList<Statement> m_statements;
    QList<qint32> m_decimalsSeen;
    std::function<QString(const QString &, const QString &)> m_dateFormat;
    std::function<QString(const QString &, const QString &, int)> m_numberFormat;
    std::function<void(const Statement &)> m_onRun;
    std::optional<Error> m_separatorError;
    std::optional<Error> m_loadError;
    int m_loadCalls = 0;
};

// The same, offering transactions: each call is kept among the statements as
// "BeginTrans", "CommitTrans" or "RollbackTrans".
class TransactionalRecordingBroker final : public RecordingBroker, public ITransactions
{
    Q_OBJECT
    Q_INTERFACES(felcora::IDataAccess felcora::ITransactions)

public:
    using RecordingBroker::RecordingBroker;

    void BeginTrans(const QString &entity) override { recordCall(entity, QStringLiteral("BeginTrans")); }
    void CommitTrans(const QString &entity) override { recordCall(entity, QStringLiteral("CommitTrans")); }
    void RollbackTrans(const QString &entity) override { recordCall(entity, QStringLiteral("RollbackTrans")); }
};

} // namespace felcora::test
