#pragma once

#include <QDate>
#include <QString>
#include <memory>
#include <optional>

#include "felcora/felcora_core_export.h"
#include "taxregister/registerline.h"

// A compact index of the whole register, kept in a file of its own beside the
// databases: every taxpayer by CUIT, so that a CUIT typed for a new customer
// finds what the register says about it in a few milliseconds. Built in the
// same pass as the import; its records are kept sorted in blocks of a few
// thousand, each compressed, with the first CUIT of every block in a directory
// at the end of the file.
namespace felcora::taxregister {

class FELCORA_CORE_EXPORT RegisterIndexWriter
{
public:
    // Writes beside path; the file takes path's name only at finish(). The
    // register's date goes into the file's header.
    RegisterIndexWriter(const QString &path, const QDate &registerDate);
    // Without finish() nothing replaces path, and the partial file is removed.
    ~RegisterIndexWriter();
    RegisterIndexWriter(const RegisterIndexWriter &) = delete;
    RegisterIndexWriter &operator=(const RegisterIndexWriter &) = delete;

    // Lines in any order; a CUIT already added keeps its first line.
    void add(const RegisterLine &line);
    // Completes the file and gives it its name; answers its size in bytes.
    // Failures (a full disk) are thrown, and the old index is left as it was.
    qint64 finish();

private:
    struct State;
    std::unique_ptr<State> d;
};

class FELCORA_CORE_EXPORT RegisterIndex
{
public:
    // The index at path, or nothing when there is none. A file that is not an
    // index, or a damaged one, is thrown as felcora::Error.
    static std::unique_ptr<RegisterIndex> open(const QString &path);
    ~RegisterIndex();

    QDate registerDate() const;
    qint64 entryCount() const;
    // The register's line for this CUIT (eleven digits as a number).
    std::optional<RegisterLine> find(quint64 cuit) const;

private:
    RegisterIndex();
    struct State;
    std::unique_ptr<State> d;
};

} // namespace felcora::taxregister
