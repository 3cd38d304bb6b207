#include "core/customerrecord.h"

#include "core/storeddate.h"
#include "felcora/datetext.h"
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

CustomerRecord CustomerRecord::read(const IRecordset &rs, IFormat &format, bool withFee)
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
    // A date the format component would show in another form (an ISO text, a
    // Julian day) would read as no date and be lost on saving: it is shown
    // as the day it stands for.
    const QVariant start = rs.Fields(QStringLiteral("FInitActiv"));
    const auto startDate = storedDate(start);
    r.finitactiv = startDate ? DateText::display(*startDate) : format.EsNull(start);
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
    // As stored, blanks included: a save writes the box back, and trimming
    // here would change a value nobody touched.
    r.lugarDepMerc = rs.Fields(QStringLiteral("LUGARDEPMERC")).toString();
    r.regalias = number("regalias");
    if (withFee)
        r.honorario = number("honorario");
    return r;
}

QString captionOf(CustomerField field)
{
    switch (field) {
    case CustomerField::Cuit: return QStringLiteral("CUIT");
    case CustomerField::Nombre: return QStringLiteral("Nombre");
    case CustomerField::Domicilio: return QStringLiteral("Domicilio");
    case CustomerField::Localidad: return QStringLiteral("Localidad");
    case CustomerField::Codpost: return QStringLiteral("Cod. Postal");
    case CustomerField::Email: return QStringLiteral("E-Mail");
    case CustomerField::Telefonos: return QStringLiteral("Teléfonos");
    case CustomerField::Finitactiv: return QStringLiteral("Inicio de Activ");
    case CustomerField::Contacto: return QStringLiteral("Contácto");
    case CustomerField::LugarDepMerc: return QStringLiteral("LUGAR-DEP.MERC");
    case CustomerField::Regalias: return QStringLiteral("Regalias");
    case CustomerField::AjxVinc4102: return QStringLiteral("Ajuste por vinculación Resol 41/02");
    case CustomerField::ExcepLapiaec: return QStringLiteral("Excepción de LAPI");
    case CustomerField::Condiva: return QStringLiteral("Condición IVA en MARIA");
    case CustomerField::Eximgan: return QStringLiteral("EXIMGAN");
    case CustomerField::Eximganvalor: return QStringLiteral("EXIMGAN Impo");
    case CustomerField::Eximganvalortemp: return QStringLiteral("EXIMGAN Temporal");
    case CustomerField::Ivaareduccion: return QStringLiteral("IVAADREDUCCION");
    case CustomerField::Ivaareduccionvalor: return QStringLiteral("IVAADREDUCCION Impo");
    case CustomerField::Ivaareduccionvalortemp: return QStringLiteral("IVAADREDUCCION Temporal");
    case CustomerField::Condivafact: return QStringLiteral("Condición IVA Facturación");
    case CustomerField::Ivaexento: return QStringLiteral("Exento IVA");
    case CustomerField::Honorario: return QStringLiteral("Honorario %");
    case CustomerField::Ingbru: break;
    }
    return QStringLiteral("Ingresos Brutos");
}

const QString &valueOf(const CustomerRecord &r, CustomerField field)
{
    switch (field) {
    case CustomerField::Cuit: return r.cuit;
    case CustomerField::Nombre: return r.nombre;
    case CustomerField::Domicilio: return r.domicilio;
    case CustomerField::Localidad: return r.localidad;
    case CustomerField::Codpost: return r.codpost;
    case CustomerField::Email: return r.email;
    case CustomerField::Telefonos: return r.telefonos;
    case CustomerField::Finitactiv: return r.finitactiv;
    case CustomerField::Contacto: return r.contacto;
    case CustomerField::LugarDepMerc: return r.lugarDepMerc;
    case CustomerField::Regalias: return r.regalias;
    case CustomerField::AjxVinc4102: return r.ajxVinc4102;
    case CustomerField::ExcepLapiaec: return r.excepLapiaec;
    case CustomerField::Condiva: return r.condiva;
    case CustomerField::Eximgan: return r.eximgan;
    case CustomerField::Eximganvalor: return r.eximganvalor;
    case CustomerField::Eximganvalortemp: return r.eximganvalortemp;
    case CustomerField::Ivaareduccion: return r.ivaareduccion;
    case CustomerField::Ivaareduccionvalor: return r.ivaareduccionvalor;
    case CustomerField::Ivaareduccionvalortemp: return r.ivaareduccionvalortemp;
    case CustomerField::Condivafact: return r.condivafact;
    case CustomerField::Ivaexento: return r.ivaexento;
    case CustomerField::Honorario: return r.honorario;
    case CustomerField::Ingbru: break;
    }
    return r.ingbru;
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
