#pragma once

#include <cstddef>

// Word lists behind the demo data: Argentine names, streets, towns and trade terms.
// All text is UTF-8.
namespace felcora::hostkit::demo {

template <typename T> struct Table
{
    const T *items;
    std::size_t size;
    const T &operator[](std::size_t i) const { return items[i]; }
};

struct Locality
{
    const char *name;
    const char *postalCode; // four-digit code
    const char *areaCode;   // telephone area code without the leading 0
};

struct Jurisdiction
{
    const char *code; // JRDNRO, "901".."924"
    int weight;       // how often customers live there, relative
    Table<Locality> localities;
};

extern const Table<Jurisdiction> kJurisdictions; // the 24, in JRDNRO order

extern const Table<const char *> kSurnames; // includes a few with an apostrophe
extern const Table<const char *> kMaleNames;
extern const Table<const char *> kFemaleNames;

extern const Table<const char *> kActivities; // "Importadora", "Metalúrgica", ...
extern const Table<const char *> kQualifiers; // "del Sur", "Patagónica", ...
extern const Table<const char *> kPlaceNames; // "Los Álamos", "San Jorge", ...

extern const Table<const char *> kStreets;
extern const Table<const char *> kDepositPlaces; // LUGARDEPMERC values, at most 22 characters
extern const Table<const char *> kMailProviders; // domains for people
extern const Table<const char *> kCompanyMailboxes;

// A benefit regime with one of the customs destinations it applies to; both codes
// belong to the Ventajas / SubRegimenes catalogues the customer schema fills in.
struct BenefitTie
{
    const char *benefit;   // IdVentaja
    const char *subRegime; // IdSubRegimen
};

extern const Table<BenefitTie> kBenefitTies;
extern const Table<const char *> kTariffHeadings; // NCM positions

} // namespace felcora::hostkit::demo
