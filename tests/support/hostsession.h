#pragma once

#include <QTest>
#include <QVariant>
#include <memory>

#include "felcora/clListado.h"
#include "felcora/hostkit/recordbroker.h"
#include "support/tempdatabase.h"

namespace felcora::test {

// The databases of one test, filled with customersSql, a broker on them and the customer list object
// given that broker, as a host gives it. Members go in reverse order: the host's objects before their
// database. The host components must be registered first.
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
