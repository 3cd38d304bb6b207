#include "felcora/hostkit/serverschema.h"

#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QLocale>
#include <QTemporaryDir>
#include <optional>
#include <sqlite3.h>

#include "brokererrors.h"
#include "felcora/error.h"
#include "felcora/hostkit/demodata.h"
#include "felcora/hostkit/recordbroker.h"
#include "serversession.h"
#include "sqlscript.h"

namespace felcora::hostkit {

namespace {

// The server's tables, then the rows a new database starts with.
const QStringList kScripts
    = {QStringLiteral(":/felcora/sql/postgres/schema.sql"), QStringLiteral(":/felcora/sql/personal.seed.sql"),
       QStringLiteral(":/felcora/sql/systablas.seed.sql")};

QString sourceFor(const char *operation)
{
    return QStringLiteral("RecordBroker.ServerSchema.") + QLatin1String(operation);
}

// The tables the demo data fills, by database file, and where they go on the server.
struct DemoTable
{
    const char *file;
    const char *table;
    const char *target;
};
constexpr DemoTable kDemoTables[] = {
    {"personal.db", "clientes", "clientes"},
    {"personal.db", "DIB", "DIB"},
    {"personal.db", "VentajasRel", "VentajasRel"},
    {"contable.db", "AGENTES", "quenmarcontable.AGENTES"},
    {"contable.db", "ROLES_AUTORIZADOS", "quenmarcontable.ROLES_AUTORIZADOS"},
};
// Rows per insert statement of the copy.
constexpr int kRowsPerInsert = 1000;

// A text as a literal of the server's.
QString sqlLiteral(const QString &text)
{
    return u'\'' + QString(text).replace(u'\'', QStringLiteral("''")) + u'\'';
}

// A value of an SQLite row as a literal of the server's.
QString literal(sqlite3_stmt *row, int column)
{
    switch (sqlite3_column_type(row, column)) {
    case SQLITE_NULL: return QStringLiteral("NULL");
    case SQLITE_INTEGER: return QString::number(sqlite3_column_int64(row, column));
    case SQLITE_FLOAT: return QString::number(sqlite3_column_double(row, column), 'g', 17);
    default: break;
    }
    return sqlLiteral(QString::fromUtf8(reinterpret_cast<const char *>(sqlite3_column_text(row, column)),
                                        sqlite3_column_bytes(row, column)));
}

// Copies every row of a table of a database file to the server, a batch of
// rows per insert statement.
void copyTable(const QString &file, const DemoTable &table, ServerSession &server)
{
    sqlite3 *db = nullptr;
    sqlite3_stmt *rows = nullptr;
    QString batch;
    const auto fail = [&] {
        const QString why = QString::fromUtf8(sqlite3_errmsg(db));
        sqlite3_finalize(rows);
        sqlite3_close(db);
        throw Error(brokererr::kDatabase, sourceFor("DemoData"),
                    QStringLiteral("No se pudieron leer los datos de demostración (%1)").arg(why));
    };
    if (sqlite3_open_v2(QFile::encodeName(file).constData(), &db, SQLITE_OPEN_READONLY, nullptr) != SQLITE_OK)
        fail();
    const QByteArray select = QByteArrayLiteral("SELECT * FROM ") + table.table;
    if (sqlite3_prepare_v2(db, select.constData(), -1, &rows, nullptr) != SQLITE_OK)
        fail();
    QStringList columns;
    for (int c = 0; c < sqlite3_column_count(rows); ++c)
        columns.append(QString::fromUtf8(sqlite3_column_name(rows, c)));
    const QString head
        = QStringLiteral("INSERT INTO %1 (%2) VALUES ").arg(QLatin1String(table.target), columns.join(u','));
    int inBatch = 0;
    const auto send = [&] {
        server.execute(batch + QStringLiteral(" ON CONFLICT DO NOTHING"));
        batch.clear();
        inBatch = 0;
    };
    int rc;
    while ((rc = sqlite3_step(rows)) == SQLITE_ROW) {
        QStringList values;
        for (int c = 0; c < columns.size(); ++c)
            values.append(literal(rows, c));
        batch += (inBatch == 0 ? head : QStringLiteral(",")) + u'(' + values.join(u',') + u')';
        if (++inBatch == kRowsPerInsert)
            send();
    }
    if (rc != SQLITE_DONE)
        fail();
    sqlite3_finalize(rows);
    sqlite3_close(db);
    if (inBatch > 0)
        send();
}

// One statement of the scripts, with the name of the file it comes from.
struct ScriptStatement
{
    QString file;
    sqlscript::Statement statement;
};

QList<ScriptStatement> readScripts()
{
    QList<ScriptStatement> statements;
    for (const QString &resource : kScripts) {
        QFile file(resource);
        if (!file.open(QIODevice::ReadOnly))
            throw Error(brokererr::kOpen, sourceFor("Init"),
                        QStringLiteral("No se encontró el esquema \"%1\"").arg(resource));
        const QString name = QFileInfo(resource).fileName();
        for (const sqlscript::Statement &statement : sqlscript::split(QString::fromUtf8(file.readAll())))
            statements.append({name, statement});
    }
    return statements;
}

// The first words of a statement, up to its first parenthesis, to name it in a message.
QString headOf(const QString &statement)
{
    constexpr qsizetype kHeadWords = 8;
    const qsizetype parenthesis = statement.indexOf(u'(');
    QStringList words = statement.left(parenthesis).simplified().split(u' ', Qt::SkipEmptyParts);
    if (words.isEmpty())
        words = statement.simplified().split(u' ');
    const bool cut = parenthesis >= 0 || words.size() > kHeadWords;
    return QStringList(words.mid(0, kHeadWords)).join(u' ') + (cut ? QStringLiteral(" ...") : QString());
}

// What a CREATE statement makes: its kind (TABLE, INDEX, SCHEMA ...), its name
// as written, and whether it leaves one that exists alone (IF NOT EXISTS).
struct Creation
{
    QString kind;
    QString name;
    bool ifNotExists = false;
};

std::optional<Creation> creationOf(const QString &statement)
{
    const QStringList words = QString(statement).replace(u'(', QStringLiteral(" ( ")).simplified().split(u' ');
    const auto word = [&](qsizetype k) { return words.value(k).toUpper(); };
    if (word(0) != u"CREATE")
        return std::nullopt;
    qsizetype k = word(1) == u"UNIQUE" ? 2 : 1;
    Creation made;
    made.kind = word(k++);
    if (word(k) == u"IF" && word(k + 1) == u"NOT" && word(k + 2) == u"EXISTS") {
        made.ifNotExists = true;
        k += 3;
    }
    made.name = words.value(k);
    return made;
}

// A name as the server keeps it: unquoted names are folded to lower case.
QString folded(const QString &name)
{
    return name.startsWith(u'"') ? name.mid(1, name.size() - 2) : name.toLower();
}

// The names as a list of literals for "in (...)".
QString literalList(const QStringList &names)
{
    QStringList literals;
    for (const QString &name : names)
        literals.append(sqlLiteral(name));
    return literals.join(u',');
}

// What keeps the scripts from running on the session's database, each as a
// sentence that says what to do about it; none when they can run. Only reads.
QStringList obstacles(ServerSession &session, const QList<ScriptStatement> &statements)
{
    // The tables and indexes made in the default schema, by the name the server
    // keeps, and the schemas made. What is made only when missing (IF NOT
    // EXISTS: the accounting tables, which another system may have made) is no conflict.
    QHash<QString, Creation> made;
    QStringList schemas;
    for (const ScriptStatement &s : statements) {
        const std::optional<Creation> creation = creationOf(s.statement.text);
        if (!creation)
            continue;
        if (creation->kind == u"SCHEMA")
            schemas.append(folded(creation->name));
        else if ((creation->kind == u"TABLE" || creation->kind == u"INDEX") && !creation->ifNotExists
                 && !creation->name.contains(u'.'))
            made.insert(folded(creation->name), *creation);
    }

    // The database's settings, read whole so that its connection is free again.
    auto database = session.query(QStringLiteral(
        "select quote_ident(current_database()), quote_ident(current_user), current_schema(), "
        "quote_ident(current_schema()), current_setting('search_path'), pg_get_userbyid(d.datdba), "
        "pg_get_userbyid(d.datdba) = current_user, coalesce(has_schema_privilege(current_schema(), 'CREATE'), false), "
        "has_database_privilege(current_database(), 'CREATE'), current_setting('server_encoding'), "
        "exists (select 1 from pg_collation where collprovider = 'i') "
        "from pg_database d where d.datname = current_database()"));
    const QString db = database->value(0).toString();
    const QString role = database->value(1).toString();
    const bool hasSchema = !database->value(2).isNull();
    const QString schema = database->value(3).toString();
    const QString searchPath = database->value(4).toString();
    const QString owner = database->value(5).toString();
    const bool owns = database->value(6).toBool();
    const bool mayCreateTables = database->value(7).toBool();
    const bool mayCreateSchemas = database->value(8).toBool();
    const QString encoding = database->value(9).toString();
    const bool icu = database->value(10).toBool();
    database.reset();

    QStringList found;
    if (!hasSchema)
        found.append(QStringLiteral("No existe ninguno de los esquemas del search_path del rol (%1), donde se "
                                    "crean las tablas: cree uno (CREATE SCHEMA public) o fije uno que exista "
                                    "(ALTER ROLE %2 IN DATABASE %3 SET search_path = <esquema>).")
                         .arg(searchPath, role, db));
    else if (!mayCreateTables)
        found.append(QStringLiteral("El rol no puede crear tablas en el esquema %1: el dueño de la base de datos (%2) "
                                    "puede permitírselo con GRANT CREATE ON SCHEMA %1 TO %3%4.")
                         .arg(schema, owner, role,
                              owns ? QString()
                                   : QStringLiteral(", o hacerlo dueño de ella con ALTER DATABASE %1 OWNER TO %2")
                                         .arg(db, role)));
    if (!schemas.isEmpty() && !mayCreateSchemas)
        found.append(QStringLiteral("El rol no puede crear el esquema %1: el dueño de la base de datos (%2) puede "
                                    "permitírselo con GRANT CREATE ON DATABASE %3 TO %4.")
                         .arg(schemas.join(QStringLiteral(", ")), owner, db, role));
    if (!schemas.isEmpty()) {
        const auto existing
            = session.query(QStringLiteral("select quote_ident(nspname), pg_get_userbyid(nspowner) from pg_namespace "
                                           "where nspname in (%1) and not has_schema_privilege(oid, 'CREATE')")
                                .arg(literalList(schemas)));
        for (; !existing->Eof(); existing->MoveNext())
            found.append(QStringLiteral("El rol no puede crear tablas en el esquema %1, que ya existe: su dueño (%2) "
                                        "puede permitírselo con GRANT CREATE ON SCHEMA %1 TO %3.")
                             .arg(existing->value(0).toString(), existing->value(1).toString(), role));
    }
    if (encoding != u"UTF8")
        found.append(QStringLiteral("La base de datos tiene la codificación %1 y las tablas necesitan UTF8: créelas "
                                    "en una base de datos nueva, hecha con CREATE DATABASE <nombre> ENCODING 'UTF8' "
                                    "TEMPLATE template0.")
                         .arg(encoding));
    if (!icu)
        found.append(QStringLiteral("El servidor no tiene ICU, con el que se ordenan los nombres en español "
                                    "(collation es_ar): use un servidor PostgreSQL compilado con ICU."));
    if (hasSchema && !made.isEmpty()) {
        const auto existing = session.query(
            QStringLiteral("select relname from pg_class where relnamespace = (select oid from pg_namespace "
                           "where nspname = current_schema()) and relname in (%1) order by relname")
                .arg(literalList(made.keys())));
        QStringList names;
        for (; !existing->Eof(); existing->MoveNext()) {
            const Creation &creation = made.value(existing->value(0).toString());
            names.append((creation.kind == u"TABLE" ? QStringLiteral("la tabla ") : QStringLiteral("el índice "))
                         + creation.name);
        }
        if (!names.isEmpty())
            found.append(QStringLiteral("La base de datos ya tiene %1, y las tablas se crean solo donde no existen: "
                                        "use una base de datos nueva o, si esos objetos sobran, bórrelos.")
                             .arg(QLocale(QLocale::Spanish).createSeparatedList(names)));
    }
    return found;
}

} // namespace

qint64 writeServerDemoData(const EntitySettings &settings, const DemoOptions &options)
{
    // The rows are made where the generator makes them: in embedded databases of their own.
    QTemporaryDir dir;
    if (!dir.isValid())
        throw Error(brokererr::kOpen, sourceFor("DemoData"), QStringLiteral("No se pudo crear una carpeta temporal"));
    {
        RecordBroker embedded;
        embedded.useConfig(BrokerConfig::embedded(dir.path()));
        embedded.LoadParameters();
    }
    const auto session = ServerSession::open(settings);
    const auto customers
        = [&] { return session->query(QStringLiteral("select count(*) from clientes"))->value(0).toLongLong(); };
    const qint64 customersBefore = customers();
    // Another seed for each filling, so that a second one draws other CUITs than the first.
    DemoOptions drawn = options;
    drawn.seed += quint32(customersBefore);
    generateDemoData(dir.filePath(QStringLiteral("personal.db")), dir.filePath(QStringLiteral("contable.db")), drawn);

    session->begin();
    try {
        for (const DemoTable &table : kDemoTables)
            copyTable(dir.filePath(QLatin1String(table.file)), table, *session);
        session->commit();
    } catch (...) {
        session->rollback();
        throw;
    }
    return customers() - customersBefore;
}

void initServerDatabase(const EntitySettings &settings)
{
    if (settings.driver.compare(QStringLiteral("QPSQL"), Qt::CaseInsensitive) != 0)
        throw Error(brokererr::kOpen, sourceFor("Init"),
                    QStringLiteral("Las tablas se crean solo en un servidor PostgreSQL (Driver=QPSQL), no con \"%1\"")
                        .arg(settings.driver));
    const QList<ScriptStatement> statements = readScripts();
    const QString failed = QStringLiteral("No se crearon las tablas en la base de datos \"%1\" del servidor \"%2\"")
                               .arg(settings.database, settings.host);

    const auto session = ServerSession::open(settings);
    if (const QStringList found = obstacles(*session, statements); !found.isEmpty())
        throw Error(
            brokererr::kOpen, sourceFor("Init"),
            QStringLiteral("%1 con el rol \"%2\". %3 No se cambió nada.").arg(failed, settings.user, found.join(u' ')));

    // One statement at a time, so that the server's refusal of any of them is
    // seen and named; one transaction, so that a refusal leaves nothing behind.
    session->begin();
    qsizetype done = 0;
    try {
        for (; done < statements.size(); ++done)
            session->execute(statements.at(done).statement.text);
        session->commit();
    } catch (const Error &e) {
        session->rollback();
        const QString which = done < statements.size()
            ? QStringLiteral("falló la sentencia %1 (%2, línea %3: %4)")
                  .arg(QString::number(done + 1), statements.at(done).file,
                       QString::number(statements.at(done).statement.line), headOf(statements.at(done).statement.text))
            : QStringLiteral("no se pudo confirmar la transacción");
        throw Error(e.number(), sourceFor("Init"),
                    QStringLiteral("%1: %2. %3. No se creó nada.").arg(failed, which, e.description()));
    }
}

} // namespace felcora::hostkit
