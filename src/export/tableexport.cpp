#include "export/tableexport.h"

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>
#include <QtEndian>
#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <string_view>
#include <sys/stat.h>
#include <unistd.h>
#include <xlsxwriter.h>

#include "core/filefailure.h"
#include "felcora/error.h"

namespace felcora::tableexport {

namespace {

const QString kSource = QStringLiteral("Exportar");
// Rows written between two calls of the progress: well under a millisecond's work.
constexpr qsizetype kProgressRows = 1024;

// The temporary file's name is tried anew when another process took it.
constexpr int kTempNameAttempts = 16;
constexpr int kTempNameDigits = 8;
// The temporary name holds the target's first characters only, leaving room for the rest of it.
constexpr qsizetype kTempNameStem = 64;
constexpr int kHexBase = 16;
// A new file gets what the user's umask leaves of read and write for all.
constexpr mode_t kNewFileMode = 0666;
// What a replacement takes of the old file's mode: read, write and run for
// all, never set-id bits a new owner could not keep.
constexpr mode_t kPermissionBits = 0777;
// Links followed to the file they name, as many as the system itself follows.
constexpr int kMaxLinkDepth = 40;

// A CSV file as a Spanish-locale spreadsheet opens it: UTF-8 marked by its
// byte order mark, fields separated by semicolons, lines ended by CR LF.
const QByteArray kUtf8Bom("\xEF\xBB\xBF");
constexpr char kCsvSeparator = ';';
constexpr char kCsvQuote = '"';
const QByteArray kCsvLineEnd("\r\n");
// Bytes gathered before they are written to the file.
constexpr qsizetype kCsvBufferBytes = qsizetype(1) << 20;
// First characters that make a spreadsheet read a field as a formula.
// Tab and CR first are dropped by some spreadsheets, which then read what follows.
const QByteArray kFormulaStarts("=+-@\t\r");
// A lone minus is a placeholder: nothing follows it that could run.
const QByteArrayView kPlaceholder("-");
constexpr char kTextMark = '\'';
// The longest text a spreadsheet formula holds in one string literal.
constexpr qsizetype kFormulaLiteralMax = 255;

// An XLSX sheet's rows (the header row among them) and the longest text of a cell.
constexpr qsizetype kXlsxMaxRows = LXW_ROW_MAX;
constexpr qsizetype kXlsxMaxCellChars = 32767;
const char *const kDefaultSheetName = "Hoja1";
// Columns are made as wide as the header and the first rows' texts, within limits (in characters).
constexpr qsizetype kWidthSampleRows = 200;
constexpr double kMinColumnWidth = 8;
constexpr double kMaxColumnWidth = 60;
constexpr double kColumnPadding = 2;
const char *const kTextNumberFormat = "@";
// OOXML writes a character XML cannot hold as _xHHHH_.
constexpr qsizetype kEscapeLength = 7; // _x, four hex digits, _
constexpr qsizetype kEscapePrefix = 2; // _x
constexpr int kEscapeDigits = 4;
constexpr char16_t kFirstPrintable = 0x20;

QString native(const QString &path)
{
    return QDir::toNativeSeparators(path);
}

Error writeFailure(const QString &path, const QString &why)
{
    return Error(errnum::kFileError, kSource,
                 QStringLiteral("No se pudo escribir el archivo %1: %2").arg(native(path), why));
}

Error writeFailure(const QString &path, int error)
{
    return writeFailure(path, fileFailureReason(error));
}

// A file written beside its target under a name of its own. It takes the
// target's name only when committed; until then the target stays as it was,
// and an uncommitted file is removed.
class ReplacementFile
{
public:
    explicit ReplacementFile(const QString &path)
        : m_path(path)
    {
        QFileInfo target(path);
        // Links are followed: the file they name is replaced, the links stay.
        for (int depth = 0; target.isSymLink(); ++depth) {
            if (depth == kMaxLinkDepth)
                throw writeFailure(path, ELOOP);
            target = QFileInfo(target.symLinkTarget());
        }
        m_target = target.absoluteFilePath();
        if (target.exists() && !target.isFile())
            throw writeFailure(path, QStringLiteral("ya existe con ese nombre algo que no es un archivo"));
        // A rename would replace a read-only file regardless of its mode: refuse it, as the user marked it.
        if (target.exists() && ::access(QFile::encodeName(m_target).constData(), W_OK) != 0)
            throw writeFailure(path,
                               errno == EACCES || errno == EPERM ? QStringLiteral("el archivo es de solo lectura")
                                                                 : fileFailureReason(errno));
        for (int attempt = 0; attempt < kTempNameAttempts && m_fd < 0; ++attempt) {
            m_temp = QStringLiteral("%1/.%2.%3.tmp")
                         .arg(target.absolutePath(), target.fileName().left(kTempNameStem))
                         .arg(QRandomGenerator::global()->generate(), kTempNameDigits, kHexBase, QLatin1Char('0'));
            m_fd = ::open(QFile::encodeName(m_temp).constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, kNewFileMode);
            if (m_fd < 0 && errno != EEXIST)
                break;
        }
        if (m_fd < 0)
            throw writeFailure(path, errno);
        // The replacement keeps the permissions of the file it replaces. A
        // share that keeps no Unix modes refuses any: there the file is still
        // written, with the share's own.
        struct stat old;
        if (::stat(QFile::encodeName(m_target).constData(), &old) == 0
            && ::fchmod(m_fd, old.st_mode & kPermissionBits) != 0 && errno != EPERM && errno != ENOTSUP
            && errno != ENOSYS) {
            ::close(m_fd); // the destructor of an object not made does not run
            ::unlink(QFile::encodeName(m_temp).constData());
            throw writeFailure(path, QStringLiteral("no se pudieron conservar los permisos del archivo anterior"));
        }
    }
    ~ReplacementFile()
    {
        if (m_fd >= 0)
            ::close(m_fd);
        if (!m_committed)
            ::unlink(QFile::encodeName(m_temp).constData());
    }
    ReplacementFile(const ReplacementFile &) = delete;
    ReplacementFile &operator=(const ReplacementFile &) = delete;

    int descriptor() const { return m_fd; }
    QString tempPath() const { return m_temp; }
    const QString &path() const { return m_path; }

    [[noreturn]] void fail(int error) const { throw writeFailure(m_path, error); }

    // The file on the disk, then under the target's name: a full disk or a
    // failing device is told here at the latest.
    void commit()
    {
        const int fd = std::exchange(m_fd, -1);
        if (::fsync(fd) != 0) {
            const int error = errno;
            ::close(fd);
            fail(error);
        }
        if (::close(fd) != 0)
            fail(errno);
        if (::rename(QFile::encodeName(m_temp).constData(), QFile::encodeName(m_target).constData()) != 0)
            fail(errno);
        m_committed = true;
    }

private:
    QString m_path;
    QString m_target;
    QString m_temp;
    int m_fd = -1;
    bool m_committed = false;
};

// Calls the progress every kProgressRows rows and after the last; false when it asks to stop.
bool goOn(const Progress &progress, qsizetype done, qsizetype total)
{
    if (!progress || (done % kProgressRows != 0 && done != total))
        return true;
    return progress(done, total);
}

// A cell's text as UTF-8: the source's own bytes where it keeps them, else its text converted into scratch.
QByteArrayView cellBytes(const TableSource &table, qsizetype row, int column, QByteArray &scratch)
{
    if (table.utf8)
        return table.utf8(row, column);
    scratch = table.text(row, column).toUtf8();
    return scratch;
}

bool isDigits(QByteArrayView text)
{
    return !text.isEmpty() && std::all_of(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; });
}

// Appends text, each quote doubled.
void appendQuoted(QByteArray &out, QByteArrayView text)
{
    for (const char c : text) {
        if (c == kCsvQuote)
            out += kCsvQuote;
        out += c;
    }
}

// One CSV field. A code of digits in a text column is written as the formula
// ="digits": a spreadsheet would read the bare digits as a number, showing a
// CUIT's 11 digits in exponent form (2,01111E+10) and dropping leading zeros,
// while the formula gives the digits back as text. A text a spreadsheet would
// take for a formula (=, +, -, @, tab or CR first; a lone - aside) is marked as text with a leading
// apostrophe, so that opening the file never runs what a field holds. Fields
// holding the separator, a quote or a line break are quoted, quotes doubled.
void appendCsvField(QByteArray &out, QByteArrayView field, bool textColumn)
{
    const bool formula = textColumn && isDigits(field) && field.size() <= kFormulaLiteralMax;
    const bool marked = !formula && !field.isEmpty() && kFormulaStarts.contains(field.front()) && field != kPlaceholder;
    const bool quoted = formula || std::any_of(field.begin(), field.end(), [](char c) {
                            return c == kCsvSeparator || c == kCsvQuote || c == '\r' || c == '\n';
                        });
    if (quoted)
        out += kCsvQuote;
    if (marked)
        out += kTextMark;
    if (formula) {
        out += '=';
        appendQuoted(out, QByteArrayView("\""));
        out += field;
        appendQuoted(out, QByteArrayView("\""));
    } else if (quoted) {
        appendQuoted(out, field);
    } else {
        out += field;
    }
    if (quoted)
        out += kCsvQuote;
}

// The CSV bytes, gathered and written in large pieces; a failing write is thrown.
class CsvWriter
{
public:
    explicit CsvWriter(const ReplacementFile &file)
        : m_file(file)
    {
        m_buffer.reserve(kCsvBufferBytes + kCsvBufferBytes / 2);
        m_buffer += kUtf8Bom;
    }

    void field(int column, QByteArrayView text, bool textColumn)
    {
        if (column > 0)
            m_buffer += kCsvSeparator;
        appendCsvField(m_buffer, text, textColumn);
    }

    void endLine()
    {
        m_buffer += kCsvLineEnd;
        if (m_buffer.size() >= kCsvBufferBytes)
            flush();
    }

    void flush()
    {
        const char *next = m_buffer.constData();
        qsizetype left = m_buffer.size();
        while (left > 0) {
            const ssize_t written = ::write(m_file.descriptor(), next, size_t(left));
            if (written < 0) {
                if (errno == EINTR)
                    continue;
                m_file.fail(errno);
            }
            next += written;
            left -= written;
        }
        m_buffer.resize(0);
    }

private:
    const ReplacementFile &m_file;
    QByteArray m_buffer;
};

// Which columns keep their codes as text, one flag per column.
QList<bool> textColumnFlags(const TableSource &table)
{
    QList<bool> flags(table.headers.size(), false);
    for (const int c : table.textColumns)
        if (c >= 0 && c < flags.size())
            flags[c] = true;
    return flags;
}

bool writeCsv(const TableSource &table, const ReplacementFile &file, const Progress &progress)
{
    CsvWriter csv(file);
    const int columns = int(table.headers.size());
    const QList<bool> textColumn = textColumnFlags(table);
    for (int c = 0; c < columns; ++c)
        csv.field(c, table.headers[c].toUtf8(), false);
    csv.endLine();
    QByteArray scratch;
    for (qsizetype row = 0; row < table.rowCount; ++row) {
        for (int c = 0; c < columns; ++c)
            csv.field(c, cellBytes(table, row, c, scratch), textColumn[c]);
        csv.endLine();
        if (!goOn(progress, row + 1, table.rowCount))
            return false;
    }
    csv.flush();
    return true;
}

bool isHex(char c)
{
    return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F');
}

// Whether an OOXML escape (_xHHHH_) begins at position i.
bool escapeAt(QByteArrayView text, qsizetype i)
{
    if (i + kEscapeLength > text.size() || text[i] != '_' || text[i + 1] != 'x' || text[i + kEscapeLength - 1] != '_')
        return false;
    const auto digits = text.begin() + i + kEscapePrefix;
    return std::all_of(digits, digits + kEscapeDigits, isHex);
}

// A control character; the bytes of other characters in UTF-8 are never below 0x20.
bool isControl(char c)
{
    return uchar(c) < kFirstPrintable && c != '\t' && c != '\n' && c != '\r';
}

// A cell's text as XLSX holds it, in out (which ends in a NUL, as the library
// wants). XML holds no control character but tab, LF and CR: each other one is
// written as OOXML's escape _xHHHH_, which a spreadsheet reads back as the
// character itself (NUL too, which would end the text early), so nothing is
// lost or changed. A text that already looks like such an escape gets its
// underscore escaped (_x005F_), so that it is read back as written and not as
// the character it names.
const char *xlsxText(QByteArrayView text, QByteArray &out)
{
    out.resize(0);
    const bool plain = std::none_of(text.begin(), text.end(), [](char c) { return isControl(c) || c == '_'; });
    if (plain) {
        out += text;
        return out.constData();
    }
    for (qsizetype i = 0; i < text.size(); ++i) {
        const char c = text[i];
        if (isControl(c) || (c == '_' && escapeAt(text, i)))
            out += "_x" + QByteArray::number(uchar(c), kHexBase).toUpper().rightJustified(kEscapeDigits, '0') + '_';
        else
            out += c;
    }
    return out.constData();
}

// Frees a workbook that was not closed (a cancelled or failed export): nothing of it is written.
struct Workbook
{
    lxw_workbook *book = nullptr;
    ~Workbook()
    {
        if (book)
            lxw_workbook_free(book);
    }
    lxw_error close() { return workbook_close(std::exchange(book, nullptr)); }
};

Error xlsxFailure(const QString &path, lxw_error error)
{
    return writeFailure(path, QString::fromUtf8(lxw_strerror(error)));
}

// The least XML the library writes for a row and for a text cell around the
// row's number (twice in a cell: its row and its column letter) and the text.
constexpr std::string_view kRowMarkup = R"(<row r=""></row>)";
constexpr std::string_view kCellMarkup = R"(<c r="" t="inlineStr"><is><t></t></is></c>)";
constexpr qsizetype kMinColumnLetters = 1;
constexpr int kDecimalBase = 10;

qsizetype decimalDigits(qsizetype number)
{
    qsizetype digits = 1;
    for (; number >= kDecimalBase; number /= kDecimalBase)
        ++digits;
    return digits;
}

// The sheet's part in the book and what ZIP says of an entry (little endian throughout).
constexpr QByteArrayView kSheetEntry("xl/worksheets/sheet1.xml");
constexpr quint32 kEndSignature = 0x06054b50;
constexpr quint32 kZip64LocatorSignature = 0x07064b50;
constexpr quint32 kZip64EndSignature = 0x06064b50;
constexpr quint32 kEntrySignature = 0x02014b50;
constexpr qsizetype kEndSize = 22;
constexpr qsizetype kMaxCommentSize = 0xFFFF;
constexpr qsizetype kEndDirectorySizeAt = 12;
constexpr qsizetype kEndDirectoryOffsetAt = 16;
constexpr qsizetype kZip64LocatorSize = 20;
constexpr qsizetype kZip64LocatorEndAt = 8;
constexpr qsizetype kZip64EndSize = 56;
constexpr qsizetype kZip64EndDirectorySizeAt = 40;
constexpr qsizetype kZip64EndDirectoryOffsetAt = 48;
constexpr qsizetype kEntrySize = 46;
constexpr qsizetype kEntryUnpackedAt = 24;
constexpr qsizetype kEntryNameLengthAt = 28;
constexpr qsizetype kEntryExtraLengthAt = 30;
constexpr qsizetype kEntryCommentLengthAt = 32;
constexpr quint16 kZip64ExtraId = 0x0001;
constexpr qsizetype kExtraLengthAt = 2;
constexpr qsizetype kExtraHeaderSize = 4;
constexpr quint32 kZip64Marker = 0xFFFFFFFF;

template <class T> T readLittle(const QByteArray &bytes, qsizetype at)
{
    if (at < 0 || at + qsizetype(sizeof(T)) > bytes.size())
        return T(0);
    return qFromLittleEndian<T>(bytes.constData() + at);
}

QByteArray readAt(QFile &file, qint64 offset, qint64 size)
{
    return file.seek(offset) ? file.read(size) : QByteArray();
}

// The unpacked size of the book's sheet, from the ZIP's central directory; -1 when it is not there.
qint64 sheetSize(const QString &book)
{
    QFile file(book);
    if (!file.open(QIODevice::ReadOnly))
        return -1;
    const qint64 tailStart = std::max<qint64>(0, file.size() - kEndSize - kMaxCommentSize);
    const QByteArray tail = readAt(file, tailStart, file.size() - tailStart);
    qsizetype end = tail.size() - kEndSize;
    while (end >= 0 && readLittle<quint32>(tail, end) != kEndSignature)
        --end;
    if (end < 0)
        return -1;
    qint64 directorySize = readLittle<quint32>(tail, end + kEndDirectorySizeAt);
    qint64 directoryOffset = readLittle<quint32>(tail, end + kEndDirectoryOffsetAt);
    const qsizetype locator = end - kZip64LocatorSize;
    if (readLittle<quint32>(tail, locator) == kZip64LocatorSignature) {
        const QByteArray zip64End
            = readAt(file, qint64(readLittle<quint64>(tail, locator + kZip64LocatorEndAt)), kZip64EndSize);
        if (readLittle<quint32>(zip64End, 0) != kZip64EndSignature)
            return -1;
        directorySize = qint64(readLittle<quint64>(zip64End, kZip64EndDirectorySizeAt));
        directoryOffset = qint64(readLittle<quint64>(zip64End, kZip64EndDirectoryOffsetAt));
    }
    const QByteArray directory = readAt(file, directoryOffset, directorySize);
    for (qsizetype at = 0; readLittle<quint32>(directory, at) == kEntrySignature;) {
        const qsizetype nameLength = readLittle<quint16>(directory, at + kEntryNameLengthAt);
        const qsizetype extraLength = readLittle<quint16>(directory, at + kEntryExtraLengthAt);
        const qsizetype name = at + kEntrySize;
        const qsizetype extra = name + nameLength;
        if (extra + extraLength > directory.size())
            return -1;
        if (QByteArrayView(directory).sliced(name, nameLength) == kSheetEntry) {
            const quint32 unpacked = readLittle<quint32>(directory, at + kEntryUnpackedAt);
            if (unpacked != kZip64Marker)
                return unpacked;
            // A larger size is in the ZIP64 extra field, the first of what it holds.
            for (qsizetype field = extra; field + kExtraHeaderSize <= extra + extraLength;
                 field += kExtraHeaderSize + readLittle<quint16>(directory, field + kExtraLengthAt)) {
                if (readLittle<quint16>(directory, field) == kZip64ExtraId)
                    return qint64(readLittle<quint64>(directory, field + kExtraHeaderSize));
            }
            return -1;
        }
        at = extra + extraLength + readLittle<quint16>(directory, at + kEntryCommentLengthAt);
    }
    return -1;
}

void sizeColumns(const TableSource &table, lxw_worksheet *sheet, lxw_format *textFormat)
{
    const qsizetype sample = std::min(table.rowCount, kWidthSampleRows);
    for (int c = 0; c < table.headers.size(); ++c) {
        qsizetype widest = table.headers[c].size();
        for (qsizetype row = 0; row < sample; ++row)
            widest = std::max(widest, table.text(row, c).size());
        const double width = std::clamp(double(widest) + kColumnPadding, kMinColumnWidth, kMaxColumnWidth);
        worksheet_set_column(sheet, lxw_col_t(c), lxw_col_t(c), width,
                             table.textColumns.contains(c) ? textFormat : nullptr);
    }
}

// Every text as a string cell, in constant-memory mode: each row goes to a
// temporary file (in the target's folder, deleted by the library as it is
// made) once the next begins, so that a million rows cost little memory.
bool writeXlsx(const TableSource &table, const ReplacementFile &file, const Progress &progress)
{
    const QString &path = file.path();
    QByteArray folder = QFile::encodeName(QFileInfo(file.tempPath()).absolutePath());
    lxw_workbook_options options{};
    options.constant_memory = LXW_TRUE;
    options.tmpdir = folder.data();
    options.use_zip64 = LXW_TRUE;
    Workbook workbook;
    workbook.book = workbook_new_opt(QFile::encodeName(file.tempPath()).constData(), &options);
    if (!workbook.book)
        throw writeFailure(path, QStringLiteral("no se pudo crear el libro"));
    const QByteArray sheetName = table.sheetName.isEmpty() ? QByteArray(kDefaultSheetName) : table.sheetName.toUtf8();
    if (workbook_validate_sheet_name(workbook.book, sheetName.constData()) != LXW_NO_ERROR)
        throw Error(
            errnum::kInvalidCall, kSource,
            QStringLiteral("\"%1\" no sirve como nombre de hoja: tiene más de 31 caracteres o alguno de []:*?/\\")
                .arg(table.sheetName));
    // A valid name that gives no sheet: the library could not make its temporary file.
    errno = 0;
    lxw_worksheet *sheet = workbook_add_worksheet(workbook.book, sheetName.constData());
    if (!sheet)
        throw errno != 0 ? writeFailure(path, errno) : xlsxFailure(path, LXW_ERROR_CREATING_TMPFILE);
    lxw_format *bold = workbook_add_format(workbook.book);
    format_set_bold(bold);
    lxw_format *textFormat = workbook_add_format(workbook.book);
    format_set_num_format(textFormat, kTextNumberFormat);
    sizeColumns(table, sheet, textFormat);
    worksheet_freeze_panes(sheet, 1, 0);

    QByteArray escaped;
    // The least the sheet's XML holds once whole, counted as cells are written.
    qint64 sheetBytesAtLeast = 0;
    qsizetype lastRowCounted = -1;
    const auto cell = [&](qsizetype row, int column, QByteArrayView text, lxw_format *format) {
        if (text.isEmpty())
            return;
        const lxw_error error
            = worksheet_write_string(sheet, lxw_row_t(row), lxw_col_t(column), xlsxText(text, escaped), format);
        const qsizetype rowDigits = decimalDigits(row + 1);
        sheetBytesAtLeast += qint64(kCellMarkup.size()) + kMinColumnLetters + rowDigits + escaped.size();
        if (row != std::exchange(lastRowCounted, row))
            sheetBytesAtLeast += qint64(kRowMarkup.size()) + rowDigits;
        if (error == LXW_ERROR_MAX_STRING_LENGTH_EXCEEDED)
            throw Error(errnum::kFileError, kSource,
                        QStringLiteral("No se exportó: el texto de la fila %1, columna \"%2\", tiene más de %3 "
                                       "caracteres, más de lo que admite una celda XLSX; exporte a un archivo .csv")
                            .arg(row)
                            .arg(table.headers[column])
                            .arg(kXlsxMaxCellChars));
        if (error != LXW_NO_ERROR)
            throw xlsxFailure(path, error);
    };
    for (int c = 0; c < table.headers.size(); ++c)
        cell(0, c, table.headers[c].toUtf8(), bold);
    QByteArray scratch;
    for (qsizetype row = 0; row < table.rowCount; ++row) {
        for (int c = 0; c < table.headers.size(); ++c)
            cell(row + 1, c, cellBytes(table, row, c, scratch), nullptr);
        if (!goOn(progress, row + 1, table.rowCount))
            return false;
    }
    // The book is compressed into the file as it closes: a full disk shows
    // here, told by the system's reason where there is one.
    errno = 0;
    const lxw_error closed = workbook.close();
    const int error = errno;
    if (closed != LXW_NO_ERROR)
        throw error != 0 ? writeFailure(path, error) : xlsxFailure(path, closed);
    // The rows went to the library's temporary files unchecked, so a disk that
    // filled meanwhile leaves a sheet cut short that closes without an error.
    // Free room measured now would not prove what was lost then; the book
    // itself does: its sheet must hold at least the cells' markup and texts.
    const qint64 written = sheetSize(file.tempPath());
    if (written < 0)
        throw writeFailure(path, QStringLiteral("no se pudo leer el libro escrito para comprobarlo"));
    if (written < sheetBytesAtLeast)
        throw writeFailure(path, ENOSPC);
    return true;
}

} // namespace

std::optional<FileFormat> formatOf(const QString &path)
{
    const QString suffix = QFileInfo(path).suffix();
    if (suffix.compare(u"xlsx", Qt::CaseInsensitive) == 0)
        return FileFormat::Xlsx;
    if (suffix.compare(u"csv", Qt::CaseInsensitive) == 0)
        return FileFormat::Csv;
    return std::nullopt;
}

FileFormat requireFormat(const QString &path)
{
    const std::optional<FileFormat> format = formatOf(path);
    if (!format)
        throw Error(errnum::kInvalidCall, kSource,
                    QStringLiteral("No se puede exportar a %1: el archivo debe terminar en .xlsx (Excel) o .csv "
                                   "(texto separado por punto y coma)")
                        .arg(native(path)));
    return *format;
}

ExportResult exportTable(const TableSource &table, const QString &path, const Progress &progress)
{
    const FileFormat format = requireFormat(path);
    if (format == FileFormat::Xlsx && table.rowCount >= kXlsxMaxRows)
        throw Error(errnum::kInvalidCall, kSource,
                    QStringLiteral("No se exportó: la lista tiene %1 filas y una hoja XLSX admite %2 más los "
                                   "títulos; exporte a un archivo .csv")
                        .arg(table.rowCount)
                        .arg(kXlsxMaxRows - 1));
    ReplacementFile file(path);
    const bool complete
        = format == FileFormat::Xlsx ? writeXlsx(table, file, progress) : writeCsv(table, file, progress);
    if (!complete)
        return {0, true};
    file.commit();
    return {table.rowCount, false};
}

} // namespace felcora::tableexport
