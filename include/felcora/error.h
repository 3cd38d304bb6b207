#pragma once

#include <QString>
#include <exception>

#include "felcora/felcora_core_export.h"

namespace felcora {

// The one failure type of the component and its host components: what an error
// message or a re-raise needs is a number, a source (who failed, outermost first)
// and a description (what failed).
class FELCORA_CORE_EXPORT Error : public std::exception
{
public:
    Error(qint32 number, QString source, QString description);

    qint32 number() const { return m_number; }
    const QString &source() const { return m_source; }
    const QString &description() const { return m_description; }

    // The number as upper-case hexadecimal digits without prefix ("2B67", "80151387").
    QString hexNumber() const;

    const char *what() const noexcept override { return m_what.constData(); }

private:
    qint32 m_number;
    QString m_source;
    QString m_description;
    QByteArray m_what;
};

// Error numbers the component raises, with the values hosts of the product family know.
namespace errnum {
constexpr qint32 kInvalidCall = 5; // invalid procedure call or argument
constexpr qint32 kOutOfMemory = 7;
constexpr qint32 kWrongObject = 13;           // type mismatch
constexpr qint32 kFileError = 75;             // path or file access error
constexpr qint32 kNoComponent = 91;           // object variable not set
constexpr qint32 kInvalidPropertyValue = 380; // a stored value a control cannot take
constexpr qint32 kNoCurrentRecord = 3021;     // the recordset is past its last row
constexpr qint32 kItemNotFound = 3265;        // no such field in the recordset
constexpr qint32 kMostrarListado = 11111;     // 0x2B67
constexpr qint32 kGrabarRelVentaja = 11111;   // the benefit-tie save re-raises with the same number
constexpr qint32 kEsNumeroANSI = qint32(0x80151387u);
constexpr qint32 kObjectErrorBase = qint32(0x80040000u);
constexpr qint32 kAccountingSystem = kObjectErrorBase + 12345;  // 0x80043039: the accounting database cannot be read
constexpr qint32 kLineNotFound = kObjectErrorBase + 100;        // -2147221404: the line to change is gone
constexpr qint32 kComponentNotRegistered = qint32(0x80040154u); // class not registered
// A data access raises this when a change would give two rows the same key
// (another workstation stored that key first): the integrity violation of OLE DB.
constexpr qint32 kDuplicateKey = qint32(0x80040E2Fu);
} // namespace errnum

// Error 91, "object variable not set": what is missing (a component, a
// selected row) in brackets after the text when it is named.
FELCORA_CORE_EXPORT Error objectNotSet(const QString &source, const QString &what = QString());

} // namespace felcora
