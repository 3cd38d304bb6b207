#pragma once

#include <QDate>
#include <QString>
#include <memory>

#include "felcora/felcora_core_export.h"

// The register's zip file read as a stream: the one text file it holds is
// inflated a buffer at a time, never unpacked to disk.
namespace felcora::taxregister {

// The most text a register may inflate to: the agency's file is about 0.8 GB,
// so a zip that would give more (a zip bomb, or not the register) is refused
// before and while it is read. The README states this limit.
constexpr quint64 kLargestRegisterText = quint64(4) << 30; // 4 GiB

class FELCORA_CORE_EXPORT RegisterZip
{
public:
    // Opens the zip and its single file. Refused (thrown as felcora::Error
    // with a Spanish description): a missing or unreadable file, one that is
    // not a zip or is cut short, a zip holding no file or more than one, an
    // encrypted file, a file that says it inflates to more than sizeLimit.
    explicit RegisterZip(const QString &path, quint64 sizeLimit = kLargestRegisterText);
    ~RegisterZip();
    RegisterZip(const RegisterZip &) = delete;
    RegisterZip &operator=(const RegisterZip &) = delete;

    // The name of the text file inside, and its date as the zip records it
    // (the day the agency wrote the register).
    QString entryName() const;
    QDate entryDate() const;
    // The text's size as the zip declares it, and how much of it was read.
    quint64 declaredSize() const;
    quint64 bytesRead() const;

    // Inflates up to capacity bytes into buffer; answers how many, 0 at the
    // end. Thrown: a damaged or cut-short stream, a checksum that does not
    // match, more text than the declared size or the limit.
    qsizetype read(char *buffer, qsizetype capacity);

private:
    struct State;
    std::unique_ptr<State> d;
};

} // namespace felcora::taxregister
