#pragma once

#include <QString>

#include "felcora/felcora_core_export.h"

namespace felcora {

class IFormat;
class IRecordset;

// One row of clientes as the editing windows show it: texts as the format
// component gives them (EsNull: "" for null), the start date as dd/mm/yyyy,
// numbers as its numeric text (EsNumero: "0" for null), the two VAT
// conditions as their stored letter trimmed, the place of deposit as stored.
struct FELCORA_CORE_EXPORT CustomerRecord
{
    QString cuit;
    QString nombre;
    QString domicilio;
    QString localidad;
    QString codpost;
    QString email;
    QString telefonos;
    QString finitactiv; // "" or dd/mm/yyyy; 01/01/1900 stands for a missing date
    QString contacto;
    QString condiva;     // S, N, M (anything else: no condition)
    QString condivafact; // S, N, M, E, F, X (anything else: no condition)
    QString ivaexento;   // meaningful for condivafact X
    QString eximgan;     // S, N
    QString eximganvalor;
    QString eximganvalortemp;
    QString ivaareduccion; // S, N
    QString ivaareduccionvalor;
    QString ivaareduccionvalortemp;
    QString excepLapiaec; // S, N
    QString ajxVinc4102;
    QString ingbru;
    QString lugarDepMerc;
    QString regalias;
    QString honorario;

    // The current row of a customer query (select *): the columns the editors
    // show, the fee only withFee (it belongs to hosts other than the product,
    // whose tables may lack it). A missing column fails as the recordset does.
    // The start date is shown as dd/mm/yyyy whatever form it is stored in.
    static CustomerRecord read(const IRecordset &rs, IFormat &format, bool withFee);

    bool operator==(const CustomerRecord &) const = default;
};

// The values of a customer the editors show, each with the caption of its
// box (or frame, list, check box), in the order of the modify window.
enum class CustomerField {
    Cuit,
    Nombre,
    Domicilio,
    Localidad,
    Codpost,
    Email,
    Telefonos,
    Finitactiv,
    Contacto,
    LugarDepMerc,
    Regalias,
    AjxVinc4102,
    ExcepLapiaec,
    Condiva,
    Eximgan,
    Eximganvalor,
    Eximganvalortemp,
    Ivaareduccion,
    Ivaareduccionvalor,
    Ivaareduccionvalortemp,
    Condivafact,
    Ivaexento,
    Honorario,
    Ingbru,
};
inline constexpr CustomerField kCustomerFields[] = {
    CustomerField::Cuit,
    CustomerField::Nombre,
    CustomerField::Domicilio,
    CustomerField::Localidad,
    CustomerField::Codpost,
    CustomerField::Email,
    CustomerField::Telefonos,
    CustomerField::Finitactiv,
    CustomerField::Contacto,
    CustomerField::LugarDepMerc,
    CustomerField::Regalias,
    CustomerField::AjxVinc4102,
    CustomerField::ExcepLapiaec,
    CustomerField::Condiva,
    CustomerField::Eximgan,
    CustomerField::Eximganvalor,
    CustomerField::Eximganvalortemp,
    CustomerField::Ivaareduccion,
    CustomerField::Ivaareduccionvalor,
    CustomerField::Ivaareduccionvalortemp,
    CustomerField::Condivafact,
    CustomerField::Ivaexento,
    CustomerField::Honorario,
    CustomerField::Ingbru,
};

// The caption the user knows the value by ("Teléfonos"); the hidden
// gross-income rate is "Ingresos Brutos", after the window that sets it.
FELCORA_CORE_EXPORT QString captionOf(CustomerField field);
// The record's value of a field.
FELCORA_CORE_EXPORT const QString &valueOf(const CustomerRecord &record, CustomerField field);

// The customer a host receives: picked in the list or saved in an editor.
struct FELCORA_CORE_EXPORT CustomerPick
{
    QString nombre;
    QString cuit;
    QString domicilio;
    QString email;
    double regalias = 0.0;
    double ajusteVinculacion = 0.0;

    // The two numbers from their texts through the format component (EsNumero),
    // as doubles; error 13 when the format component answers no number.
    static CustomerPick fromTexts(IFormat &format, const QString &nombre, const QString &cuit, const QString &domicilio,
                                  const QString &email, const QString &regalias, const QString &ajusteVinculacion);

    bool operator==(const CustomerPick &) const = default;
};

// An agent of the accounting database that is not a customer yet, every
// value as text (null as "").
struct FELCORA_CORE_EXPORT PendingCustomer
{
    QString documentoNumero;
    QString nombre;
    QString direccion;
    QString codigoPostal;
    QString ciudad;

    // The current row of the pending agents' query; a missing column fails
    // as the recordset does.
    static PendingCustomer read(const IRecordset &rs);

    bool operator==(const PendingCustomer &) const = default;
};

// A benefit regime tied to a customer (a row of VentajasRel): the regime,
// optionally narrowed to a sub-regime and a tariff position. A tie is known by
// all of its values together.
struct FELCORA_CORE_EXPORT BenefitTie
{
    QString ventaja;
    QString subRegimen;
    QString ncm;

    bool operator==(const BenefitTie &) const = default;
};

// What the pending-customers window keeps from one opening to the next:
// whether its list has been filled and a row picked in the current opening,
// and the row last picked.
struct PendingImport
{
    bool cargado = false;
    bool seleccionado = false;
    PendingCustomer picked;
};

} // namespace felcora
