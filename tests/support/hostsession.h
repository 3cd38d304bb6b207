#pragma once

#include <QTest>
#include <QVariant>
#include <memory>

#include "felcora/clListado.h"
#include "felcora/hostkit/recordbroker.h"
#include "support/tempdatabase.h"

namespace felcora::test {

// A test's databases filled with customersSql, a broker on them and the customer list object given it, as a host
// does (the host components registered first); declared in this order so that the database goes last.
struct HostSession
{
    explicit HostSession(const QString &customersSql)
    {
        TempDatabase::exec(personal(), customersSql);
        useDataAccess(broker.get());
    }

    TempDatabase db;
    std::unique_ptr<hostkit::RecordBroker> broker = db.makeBroker();
    clListado listado;

    QString personal() const { return db.personalPath(); }
    void useDataAccess(QObject *dataAccess)
    {
        QVERIFY(QMetaObject::invokeMethod(&listado, "SetDataConnection", Qt::DirectConnection,
                                          Q_ARG(QVariant, QVariant::fromValue(dataAccess))));
    }
};

} // namespace felcora::test
