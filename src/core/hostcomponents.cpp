#include "felcora/hostcomponents.h"

#include "felcora/error.h"

namespace felcora {

IRecordset::~IRecordset() = default;
IDataConnection::~IDataConnection() = default;
IDataAccess::~IDataAccess() = default;
ITransactions::~ITransactions() = default;
IListing::~IListing() = default;
IFormat::~IFormat() = default;

QVariant IRecordset::Fields(const QString &name) const
{
    const int column = fieldIndex(name);
    if (column < 0)
        throw Error(errnum::kItemNotFound, QStringLiteral("Recordset"),
                    QStringLiteral("No se encontró el campo \"%1\" en el conjunto de registros").arg(name));
    return value(column);
}

int IRecordset::fieldIndex(const QString &name) const
{
    const int count = fieldCount();
    for (int column = 0; column < count; ++column) {
        if (fieldName(column).compare(name, Qt::CaseInsensitive) == 0)
            return column;
    }
    return -1;
}

bool IRecordset::isNull(int column) const
{
    return value(column).isNull();
}

QByteArrayView IRecordset::textUtf8(int column) const
{
    const QVariant v = value(column);
    m_text = v.isNull() ? QByteArray() : v.toString().toUtf8();
    return m_text;
}

} // namespace felcora
