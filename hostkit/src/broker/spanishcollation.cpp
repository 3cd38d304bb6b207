#include "spanishcollation.h"

#include <unicode/ucol.h>

#include <limits>
#include <memory>
#include <sqlite3.h>

#include "brokererrors.h"
#include "felcora/error.h"

namespace felcora::hostkit {

namespace {

// The locale of the server's collation (CREATE COLLATION es_ar ... locale = 'es-AR').
constexpr char kLocale[] = "es_AR";

const QString kSource = QStringLiteral("RecordBroker.SQLite.Open");

[[noreturn]] void fail(const QString &reason)
{
    throw Error(brokererr::kOpen, kSource,
                QStringLiteral("No se pudo preparar el orden de los nombres en español (%1)").arg(reason));
}

// One ICU collator: ICU's collators may not be shared between threads, so
// each connection and each thread gets its own.
class Collator
{
public:
    Collator()
    {
        UErrorCode status = U_ZERO_ERROR;
        m_collator = ucol_open(kLocale, &status);
        // Without Spanish data ICU would answer with its root order, where Ñ is an N: refused, not used instead.
        if (U_FAILURE(status) || status == U_USING_DEFAULT_WARNING) {
            ucol_close(m_collator);
            fail(QLatin1String(u_errorName(status)));
        }
    }
    ~Collator() { ucol_close(m_collator); }
    Collator(const Collator &) = delete;
    Collator &operator=(const Collator &) = delete;

    int compare(const char *a, int32_t aLength, const char *b, int32_t bLength) const
    {
        // ICU fails only on arguments no caller here gives (a null text with a length); it then
        // answers "equal", and the bytes decide.
        UErrorCode status = U_ZERO_ERROR;
        const UCollationResult order = ucol_strcollUTF8(m_collator, a, aLength, b, bLength, &status);
        if (U_SUCCESS(status) && order != UCOL_EQUAL)
            return order;
        // A deterministic collation, as the server's: texts ICU finds equal but that differ are ordered by their bytes.
        return QByteArrayView(a, aLength).compare(QByteArrayView(b, bLength));
    }

private:
    UCollator *m_collator = nullptr;
};

int32_t lengthOf(QByteArrayView text)
{
    if (text.size() > std::numeric_limits<int32_t>::max())
        fail(QStringLiteral("un texto de más de 2 GB"));
    return int32_t(text.size());
}

int compareForSqlite(void *collator, int aLength, const void *a, int bLength, const void *b)
{
    return static_cast<const Collator *>(collator)->compare(static_cast<const char *>(a), aLength,
                                                            static_cast<const char *>(b), bLength);
}

void destroyForSqlite(void *collator)
{
    delete static_cast<Collator *>(collator);
}

} // namespace

int compareSpanish(QByteArrayView a, QByteArrayView b)
{
    thread_local const Collator collator;
    return collator.compare(a.data(), lengthOf(a), b.data(), lengthOf(b));
}

void registerSpanishCollation(sqlite3 *db)
{
    auto collator = std::make_unique<Collator>();
    const int rc = sqlite3_create_collation_v2(db, kSpanishCollation, SQLITE_UTF8, collator.get(), &compareForSqlite,
                                               &destroyForSqlite);
    if (rc != SQLITE_OK) // SQLite frees nothing of a registration that failed
        fail(QString::fromUtf8(sqlite3_errstr(rc)));
    collator.release(); // the connection owns it now, and frees it when it closes
}

} // namespace felcora::hostkit
