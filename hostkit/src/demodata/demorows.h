#pragma once

#include <cstdint>
#include <string>

#include "demotables.h"

// Builds the rows of the demo data in memory. Everything is UTF-8 in reused
// std::string buffers: a million rows must not cost a million allocations.
namespace felcora::hostkit::demo {

// splitmix64: tiny, fast and identical on every platform, so a seed always
// gives the same data.
class Rng
{
public:
    // Streams of one seed start at unrelated points of the sequence: started a
    // fixed step apart they would replay each other's numbers.
    Rng(std::uint64_t seed, std::uint64_t stream)
        : m_state(mix(mix(seed) ^ stream))
    {
    }

    std::uint64_t next() { return mix(m_state += 0x9E3779B97F4A7C15ull); }

    // Uniform in [0, n); n > 0.
    std::uint32_t below(std::uint32_t n)
    {
        return std::uint32_t((std::uint64_t(std::uint32_t(next() >> 32)) * n) >> 32);
    }

    // Uniform in [lo, hi].
    std::int64_t between(std::int64_t lo, std::int64_t hi)
    {
        return lo + std::int64_t(next() % std::uint64_t(hi - lo + 1));
    }

    bool percent(unsigned p) { return below(100) < p; }

    template <typename T> const T &pick(const Table<T> &table) { return table[below(std::uint32_t(table.size))]; }

private:
    static std::uint64_t mix(std::uint64_t z)
    {
        z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
        z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
        return z ^ (z >> 31);
    }

    std::uint64_t m_state;
};

// Gross income: CIB holds the condition as its position in the condition
// list, CML whether the customer is under the Convenio Multilateral.
constexpr char kInscripto = '0';
constexpr char kNoInscripto = '1';
constexpr char kExento = '2';
constexpr char kMultilateral = '1';
constexpr char kNotMultilateral = '0';

struct CustomerRow
{
    char cuit[11];
    bool company = false;
    const Jurisdiction *jurisdiction = nullptr;
    const Locality *locality = nullptr;

    std::string nombre;
    std::string domicilio;
    bool hasEmail = false;
    std::string email;
    bool hasTelefonos = false;
    std::string telefonos;
    char finitactiv[10];
    char condiva = 'S';
    char condivafact = 'S';
    double ivaexento = 0;
    char eximgan = 'N';
    double eximganvalor = 0;
    double eximganvalortemp = 0;
    char ivaareduccion = 'N';
    double ivaareduccionvalor = 0;
    double ivaareduccionvalortemp = 0;
    char excepLapiaec = 'N';
    double ajxVinc4102 = 0;
    std::string contacto;
    double ingbru = 0;
    const char *lugarDepMerc = "";
    double regalias = 0;
    double honorario = 0;
    char cib = kInscripto;
    char cml = kNotMultilateral;
    std::string nin;
};

// A whole tax base in ten-thousandths: shares are kept at four decimals.
constexpr int kWholeShare = 10000;

// One line of the gross-income distribution: a jurisdiction and its share in
// ten-thousandths. The lines of a customer mostly add up to kWholeShare; a few
// miss it slightly, as lines typed by hand do.
struct DibLine
{
    const char *jurisdiction;
    int share;
    bool exempt;
};

// The most lines one customer gets.
constexpr int kMaxDibLines = 4;

class RowMaker
{
public:
    explicit RowMaker(Rng &rng);

    // A complete customer; the CUIT is random, so it may already exist.
    void makeCustomer(CustomerRow &row);
    // Draws another CUIT of the same kind (company or person) into row.cuit.
    void redrawCuit(CustomerRow &row);

    // The distribution lines of a customer under the Convenio Multilateral,
    // starting with its own jurisdiction; returns how many (1 to kMaxDibLines).
    int makeDib(const CustomerRow &row, DibLine (&lines)[kMaxDibLines]);

private:
    void makeCuit(CustomerRow &row, bool female);
    void makeCompanyName(CustomerRow &row, std::string &mailDomain);
    void makePersonName(CustomerRow &row, bool female, std::string &first, std::string &surname);
    void makeAddress(CustomerRow &row);
    void makePhones(CustomerRow &row);
    void makeDate(CustomerRow &row);
    void makeTaxes(CustomerRow &row);

    Rng &m_rng;
    std::string m_first;   // ASCII first name of the last person, for the e-mail
    std::string m_surname; // ASCII surname of the last person
    std::string m_domain;  // ASCII mail domain of the last company
};

} // namespace felcora::hostkit::demo
