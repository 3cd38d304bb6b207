#include "core/customerrecord.h"

#include "felcora/error.h"
#include "felcora/hostcomponents.h"
#include "felcora/numerictext.h"

namespace felcora {

namespace {

// The numeric text of the format component as a double.
double numberOf(const QString &numericText)
{
    const auto value = NumericText::value(numericText);
    if (!value)
        throw Error(errnum::kWrongObject, QStringLiteral("FELCORA"),
                    QStringLiteral("No coinciden los tipos: \"%1\" no es un número").arg(numericText));
    return *value;
}

} // namespace

CustomerRecord CustomerRecord::read(const IRecordset &rs, IFormat &format)
{
    auto text = [&](const char *column) { return format.EsNull(rs.Fields(QString::fromLatin1(column))); };
    auto number = [&](const char *column) { return format.EsNumero(rs.Fields(QString::fromLatin1(column))); };
    auto letter = [&](const char *column) { return rs.Fields(QString::fromLatin1(column)).toString().trimmed(); };

    CustomerRecord r;
    r.cuit = text("CUIT");
    r.nombre = text("nombre");
    r.domicilio = text("domicilio");
    r.localidad = text("localidad");
    r.codpost = text("codpost");
    r.email = text("email");
    r.telefonos = text("telefonos");
    r.finitactiv = text("FInitActiv");
    r.contacto = text("contacto");
    r.condiva = letter("condiva");
    r.condivafact = letter("condivafact");
    r.ivaexento = number("ivaexento");
    r.eximgan = text("EximGan");
    r.eximganvalor = text("eximganvalor");
    r.eximganvalortemp = text("eximganvalortemp");
    r.ivaareduccion = text("ivaareduccion");
    r.ivaareduccionvalor = text("ivaareduccionvalor");
    r.ivaareduccionvalortemp = text("ivaareduccionvalortemp");
    r.excepLapiaec = text("ExcepLAPIAEC");
    r.ajxVinc4102 = number("AjxVinc_4102");
    r.ingbru = number("ingbru");
    r.lugarDepMerc = letter("LUGARDEPMERC");
    r.regalias = number("regalias");
    r.honorario = number("honorario");
    r.cib = text("CIB");
    r.cml = text("CML");
    r.nin = text("NIN");
    return r;
}

CustomerPick CustomerPick::fromTexts(IFormat &format, const QString &nombre, const QString &cuit,
                                     const QString &domicilio, const QString &email, const QString &regalias,
                                     const QString &ajusteVinculacion)
{
    CustomerPick pick{nombre, cuit, domicilio, email};
    pick.regalias = numberOf(format.EsNumero(regalias));
    pick.ajusteVinculacion = numberOf(format.EsNumero(ajusteVinculacion));
    return pick;
}

PendingCustomer PendingCustomer::read(const IRecordset &rs)
{
    auto text = [&rs](const char *field) {
        const QVariant value = rs.Fields(QString::fromLatin1(field));
        return value.isNull() ? QString() : value.toString();
    };
    return {text("documento_numero"), text("nombre"), text("DIRECCION"), text("CODIGO_POSTAL"), text("CIUDAD")};
}

} // namespace felcora
