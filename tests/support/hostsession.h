#pragma once

#include <QTest>
#include <QVariant>
#include <memory>

#include "felcora/clListado.h"
#include "felcora/hostkit/recordbroker.h"
#include "support/tempdatabase.h"

namespace felcora::test {

// What a host works with in one test: the databases, a broker on them, and
// the customer list object that makes the thread's components. Released in
// reverse order: the host's objects before their database. The host
// components must be registered before it is made.
struct HostSession
{
    // The customer database filled by these statements, and the broker on it handed to the component.
    explicit HostSession(const QString &customersSql)
    {
        TempDatabase::exec(personal(), customersSql);
        useDataAccess(broker.get());
    }

    TempDatabase db;
    std::unique_ptr<hostkit::RecordBroker> broker = db.makeBroker();
    clListado listado;

    QString personal() const { return db.personalPath(); }

    // Hands a data-access object to the component, as a host does.
    void useDataAccess(QObject *dataAccess)
    {
        QVERIFY(QMetaObject::invokeMethod(&listado, "SetDataConnection", Qt::DirectConnection,
                                          Q_ARG(QVariant, QVariant::fromValue(dataAccess))));
    }
};

} // namespace felcora::test
