#include "taxregister/registerzip.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <algorithm>
#include <cstring>
#include <zip.h>

#include "felcora/error.h"

namespace felcora::taxregister {

namespace {

const QString kSource = QStringLiteral("Padrón");
constexpr quint64 kKilobyte = 1024;
constexpr int kUnitSteps = 3; // KB, MB, GB

struct ArchiveCloser
{
    void operator()(zip_t *archive) const { zip_discard(archive); }
};
struct EntryCloser
{
    void operator()(zip_file_t *entry) const { zip_fclose(entry); }
};

QString shown(const QString &path)
{
    return QDir::toNativeSeparators(path);
}

// A size as the messages say it: "4 GB", "1 MB", or bytes when it is no whole unit.
QString sizeText(quint64 bytes)
{
    static const char *const units[kUnitSteps] = {"KB", "MB", "GB"};
    int unit = -1;
    quint64 value = bytes;
    while (unit + 1 < kUnitSteps && value >= kKilobyte && value % kKilobyte == 0) {
        value /= kKilobyte;
        ++unit;
    }
    return unit < 0 ? QStringLiteral("%1 bytes").arg(bytes)
                    : QStringLiteral("%1 %2").arg(value).arg(QLatin1String(units[unit]));
}

// The file cannot be read as a zip: it is something else, or was cut short.
Error notAZip(const QString &path)
{
    return Error(errnum::kFileError, kSource,
                 QStringLiteral("\"%1\" no es un archivo zip o está incompleto").arg(shown(path)));
}

Error unreadable(const QString &path)
{
    return Error(errnum::kFileError, kSource,
                 QStringLiteral("El archivo \"%1\" no existe o no se puede leer").arg(shown(path)));
}

// The zip opens but what it holds is not a register this program reads.
Error notARegister(const QString &path, const QString &why)
{
    return Error(errnum::kInvalidCall, kSource, QStringLiteral("El padrón del zip \"%1\" %2").arg(shown(path), why));
}

Error damaged(const QString &path, const QString &why)
{
    return Error(errnum::kFileError, kSource,
                 QStringLiteral("El padrón del zip \"%1\" está dañado: %2").arg(shown(path), why));
}

// What libzip reports, in the user's terms.
Error zipFailure(const QString &path, zip_error_t *error)
{
    switch (zip_error_code_zip(error)) {
    case ZIP_ER_NOENT:
    case ZIP_ER_OPEN: return unreadable(path);
    case ZIP_ER_MEMORY:
        return Error(errnum::kOutOfMemory, kSource,
                     QStringLiteral("No hay memoria suficiente para leer el zip \"%1\"").arg(shown(path)));
    case ZIP_ER_NOZIP:
    case ZIP_ER_EOF:
    case ZIP_ER_MULTIDISK: return notAZip(path);
    case ZIP_ER_INCONS: return damaged(path, QStringLiteral("su índice no coincide con su contenido"));
    case ZIP_ER_CRC: return damaged(path, QStringLiteral("su suma de verificación no coincide con el texto"));
    case ZIP_ER_ZLIB:
    case ZIP_ER_COMPRESSED_DATA:
        return damaged(path, QStringLiteral("sus datos comprimidos no se pueden descomprimir"));
    case ZIP_ER_NOPASSWD:
    case ZIP_ER_WRONGPASSWD:
    case ZIP_ER_ENCRNOTSUPP: return notARegister(path, QStringLiteral("está cifrado: no se puede leer sin contraseña"));
    case ZIP_ER_COMPNOTSUPP:
        return notARegister(path, QStringLiteral("está comprimido con un método que no se puede leer"));
    case ZIP_ER_READ:
    case ZIP_ER_SEEK:
        if (zip_error_code_system(error) != 0)
            return Error(errnum::kFileError, kSource,
                         QStringLiteral("No se pudo leer el archivo \"%1\": %2")
                             .arg(shown(path), QString::fromLocal8Bit(std::strerror(zip_error_code_system(error)))));
        return notAZip(path);
    default:
        return Error(errnum::kFileError, kSource,
                     QStringLiteral("No se pudo leer el zip \"%1\": %2")
                         .arg(shown(path), QString::fromUtf8(zip_error_strerror(error))));
    }
}

bool isFolder(const char *name)
{
    const std::size_t length = std::strlen(name);
    return length > 0 && name[length - 1] == '/';
}

} // namespace

struct RegisterZip::State
{
    QString path;
    quint64 limit = 0;
    std::unique_ptr<zip_t, ArchiveCloser> archive;
    std::unique_ptr<zip_file_t, EntryCloser> entry; // closed before the archive
    QString entryName;
    QDate entryDate;
    quint64 declared = 0;
    quint64 read = 0;
};

RegisterZip::RegisterZip(const QString &path, quint64 sizeLimit)
    : d(std::make_unique<State>())
{
    d->path = path;
    d->limit = sizeLimit;
    const QFileInfo info(path);
    if (!info.isFile() || !info.isReadable())
        throw unreadable(path);
    // libzip takes an empty file for an empty archive; it is no zip at all.
    if (info.size() == 0)
        throw notAZip(path);

    int code = ZIP_ER_OK;
    d->archive.reset(zip_open(QFile::encodeName(path).constData(), ZIP_RDONLY, &code));
    if (!d->archive) {
        zip_error_t error;
        zip_error_init_with_code(&error, code);
        const Error failure = zipFailure(path, &error);
        zip_error_fini(&error);
        throw failure;
    }

    // Folders stored in the zip are not files of it.
    const zip_int64_t entries = zip_get_num_entries(d->archive.get(), 0);
    zip_int64_t files = 0;
    zip_uint64_t index = 0;
    for (zip_int64_t i = 0; i < entries; ++i) {
        const char *name = zip_get_name(d->archive.get(), zip_uint64_t(i), ZIP_FL_ENC_GUESS);
        if (!name)
            throw zipFailure(path, zip_get_error(d->archive.get()));
        if (isFolder(name))
            continue;
        if (files++ == 0)
            index = zip_uint64_t(i);
    }
    if (files == 0)
        throw Error(errnum::kInvalidCall, kSource,
                    QStringLiteral("El zip \"%1\" no contiene ningún archivo").arg(shown(path)));
    if (files > 1)
        throw Error(errnum::kInvalidCall, kSource,
                    QStringLiteral("El zip \"%1\" contiene %2 archivos: el padrón viene en uno solo")
                        .arg(shown(path))
                        .arg(files));

    zip_stat_t stat;
    zip_stat_init(&stat);
    if (zip_stat_index(d->archive.get(), index, ZIP_FL_ENC_GUESS, &stat) != 0)
        throw zipFailure(path, zip_get_error(d->archive.get()));
    if ((stat.valid & ZIP_STAT_ENCRYPTION_METHOD) && stat.encryption_method != ZIP_EM_NONE)
        throw notARegister(path, QStringLiteral("está cifrado: no se puede leer sin contraseña"));
    if ((stat.valid & ZIP_STAT_COMP_METHOD) && !zip_compression_method_supported(stat.comp_method, 0))
        throw notARegister(path, QStringLiteral("está comprimido con un método que no se puede leer"));
    // A central directory always says the size; one that does not is taken at the limit.
    d->declared = (stat.valid & ZIP_STAT_SIZE) ? stat.size : sizeLimit;
    if (d->declared > sizeLimit)
        throw notARegister(path,
                           QStringLiteral("ocupa más de %1 descomprimido: no parece el padrón (límite de seguridad)")
                               .arg(sizeText(sizeLimit)));
    if (stat.valid & ZIP_STAT_NAME)
        d->entryName = QString::fromUtf8(stat.name);
    if (stat.valid & ZIP_STAT_MTIME)
        d->entryDate = QDateTime::fromSecsSinceEpoch(qint64(stat.mtime)).date();

    d->entry.reset(zip_fopen_index(d->archive.get(), index, 0));
    if (!d->entry)
        throw zipFailure(path, zip_get_error(d->archive.get()));
}

RegisterZip::~RegisterZip() = default;

QString RegisterZip::entryName() const
{
    return d->entryName;
}

QDate RegisterZip::entryDate() const
{
    return d->entryDate;
}

quint64 RegisterZip::declaredSize() const
{
    return d->declared;
}

quint64 RegisterZip::bytesRead() const
{
    return d->read;
}

qsizetype RegisterZip::read(char *buffer, qsizetype capacity)
{
    if (capacity <= 0)
        return 0;
    // One byte more than the declared size is asked for, so that a stream that
    // gives more (a bomb that lies about its size) is caught at once.
    const quint64 room = d->declared - d->read;
    const quint64 ask = room >= quint64(capacity) ? quint64(capacity) : room + 1;
    const zip_int64_t got = zip_fread(d->entry.get(), buffer, ask);
    if (got < 0)
        throw zipFailure(d->path, zip_file_get_error(d->entry.get()));
    if (d->read + quint64(got) > d->declared)
        throw damaged(
            d->path,
            QStringLiteral("da más texto que los %1 bytes que declara (límite de seguridad)").arg(d->declared));
    if (got == 0 && d->read < d->declared)
        throw damaged(d->path, QStringLiteral("da menos texto que los %1 bytes que declara").arg(d->declared));
    d->read += quint64(got);
    return qsizetype(got);
}

} // namespace felcora::taxregister
