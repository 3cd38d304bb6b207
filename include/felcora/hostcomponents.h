#pragma once

// The three host components the component works with, created by their
// registered names ("RecordBroker.BrokerMain", "oPrintDesk.cMain",
// "cMOLDE.MAIN"). Implementations are QObjects that declare these interfaces
// with Q_INTERFACES, so that an object handed over in a QVariant is recognised
// with qobject_cast. Every failure is thrown as felcora::Error.

#include <QByteArray>
#include <QByteArrayView>
#include <QObject>
#include <QString>
#include <QVariant>
#include <memory>

#include "felcora/felcora_core_export.h"

namespace felcora {

// A forward-only result of a query, positioned on its current row.
class FELCORA_CORE_EXPORT IRecordset
{
public:
    virtual ~IRecordset();

    // True once the reader has moved past the last row (or there was none).
    virtual bool Eof() const = 0;
    virtual void MoveNext() = 0;

    // The current row's value of a column, by case-insensitive name;
    // a database NULL is a null QVariant. An unknown name throws.
    QVariant Fields(const QString &name) const;

    virtual int fieldCount() const = 0;
    virtual QString fieldName(int column) const = 0;
    // Case-insensitive; -1 when the result has no such column.
    virtual int fieldIndex(const QString &name) const;
    virtual QVariant value(int column) const = 0;
    virtual bool isNull(int column) const;
    // The current value as UTF-8 text (empty for NULL), valid until the next
    // call on the recordset: the cheap path for readers that keep text in
    // bulk, such as a list of a million rows.
    virtual QByteArrayView textUtf8(int column) const;

private:
    mutable QByteArray m_text; // what textUtf8 answers when a recordset has no cheaper way
};

// The connection of one entity: callers set Sql, then run it.
class FELCORA_CORE_EXPORT IDataConnection
{
public:
    virtual ~IDataConnection();

    virtual QString Sql() const = 0;
    virtual void setSql(const QString &statement) = 0;

    // Runs Sql as a query; stores a new open recordset in rs and answers
    // whether it holds at least one row.
    virtual bool CrearRs(std::unique_ptr<IRecordset> &rs) = 0;
    // Runs Sql as a statement; answers the number of rows it changed.
    virtual qint64 Ejecutar() = 0;
};

// "RecordBroker.BrokerMain": data access by entity ("PERSONAL", "SYSTABLAS", "INTERNOS").
class FELCORA_CORE_EXPORT IDataAccess
{
public:
    virtual ~IDataAccess();

    virtual void LoadParameters() = 0;
    // The same object for the same entity on every call; it keeps its Sql.
    virtual IDataConnection *getDataConnectionByEntity(const QString &entity) = 0;
    // A date literal of the entity's dialect for a date typed day, month, year.
    virtual QString getDateFormatbyEntity(const QString &entity, const QString &dateText) = 0;
    // An expression of the entity's dialect formatting value with that many
    // decimals. The value text is written as a numeric literal with a point,
    // so "999,999" stands as 999.999 in the answer.
    virtual QString getNumberFormatbyEntity(const QString &entity, const QString &value, qint32 &decimals) = 0;
    virtual QString getNumberFormatbyEntity(const QString &entity, const QString &value, qint16 decimals) = 0;
    // The decimal separator for numeric literals of the entity; may be empty.
    virtual QString getDecimalSeparatorbyEntity(QString &entity) = 0;
};

// What a data access may offer besides IDataAccess, found with qobject_cast on
// its object: the statements of one entity's connection run all or nothing.
// Between BeginTrans and CommitTrans nothing is stored for others to see;
// RollbackTrans undoes every change since BeginTrans. Transactions do not nest.
class FELCORA_CORE_EXPORT ITransactions
{
public:
    virtual ~ITransactions();

    virtual void BeginTrans(const QString &entity) = 0;
    virtual void CommitTrans(const QString &entity) = 0;
    virtual void RollbackTrans(const QString &entity) = 0;
};

// "oPrintDesk.cMain": the listing component and its pick windows.
class FELCORA_CORE_EXPORT IListing
{
public:
    virtual ~IListing();

    virtual void SetDataAccess(QObject *&dataAccess) = 0;
    // Pick windows: the chosen code, "" when nothing was picked.
    virtual QString getSubRegimenListado() = 0;
    virtual QString getVentajasListado() = 0;
};

// "cMOLDE.MAIN": value formatting.
class FELCORA_CORE_EXPORT IFormat
{
public:
    virtual ~IFormat();

    // The value as numeric text; "0" for a null or empty value.
    virtual QString EsNumero(const QVariant &value) = 0;
    // The value as text; "" for a null value.
    virtual QString EsNull(const QVariant &value) = 0;
};

} // namespace felcora

#define FELCORA_IDATAACCESS_IID "org.felcora.IDataAccess/1.0"
#define FELCORA_ITRANSACTIONS_IID "org.felcora.ITransactions/1.0"
#define FELCORA_ILISTING_IID "org.felcora.IListing/1.0"
#define FELCORA_IFORMAT_IID "org.felcora.IFormat/1.0"
Q_DECLARE_INTERFACE(felcora::IDataAccess, FELCORA_IDATAACCESS_IID)
Q_DECLARE_INTERFACE(felcora::ITransactions, FELCORA_ITRANSACTIONS_IID)
Q_DECLARE_INTERFACE(felcora::IListing, FELCORA_ILISTING_IID)
Q_DECLARE_INTERFACE(felcora::IFormat, FELCORA_IFORMAT_IID)
