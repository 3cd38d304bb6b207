#include "demotables.h"

namespace felcora::hostkit::demo {

namespace {

template <typename T, std::size_t N> constexpr Table<T> table(const T (&items)[N])
{
    return Table<T>{items, N};
}

// Towns per jurisdiction with their postal code and telephone area code.
const Locality kCaba[] = {
    {"Ciudad Autónoma de Buenos Aires", "1425", "11"}, {"Ciudad Autónoma de Buenos Aires", "1428", "11"},
    {"Ciudad Autónoma de Buenos Aires", "1405", "11"}, {"Ciudad Autónoma de Buenos Aires", "1035", "11"},
    {"Ciudad Autónoma de Buenos Aires", "1084", "11"}, {"Ciudad Autónoma de Buenos Aires", "1113", "11"},
    {"Ciudad Autónoma de Buenos Aires", "1275", "11"}, {"Ciudad Autónoma de Buenos Aires", "1431", "11"},
};
const Locality kBuenosAires[] = {
    {"La Plata", "1900", "221"}, {"Mar del Plata", "7600", "223"}, {"Bahía Blanca", "8000", "291"},
    {"Quilmes", "1878", "11"},   {"San Isidro", "1642", "11"},     {"Avellaneda", "1870", "11"},
    {"Tandil", "7000", "249"},   {"Campana", "2804", "3489"},      {"Zárate", "2800", "3487"},
    {"Pilar", "1629", "230"},    {"Lanús", "1824", "11"},          {"Lomas de Zamora", "1832", "11"},
};
const Locality kCatamarca[] = {
    {"San Fernando del Valle de Catamarca", "4700", "383"},
    {"Andalgalá", "4740", "3835"},
    {"Belén", "4750", "3835"},
};
const Locality kCordoba[] = {
    {"Córdoba", "5000", "351"},        {"Río Cuarto", "5800", "358"},        {"Villa María", "5900", "353"},
    {"San Francisco", "2400", "3564"}, {"Villa Carlos Paz", "5152", "3541"},
};
const Locality kCorrientes[] = {
    {"Corrientes", "3400", "379"},
    {"Goya", "3450", "3777"},
    {"Paso de los Libres", "3230", "3772"},
    {"Santo Tomé", "3340", "3756"},
};
const Locality kChaco[] = {
    {"Resistencia", "3500", "362"},
    {"Presidencia Roque Sáenz Peña", "3700", "364"},
    {"Villa Ángela", "3540", "3735"},
};
const Locality kChubut[] = {
    {"Rawson", "9103", "280"},        {"Trelew", "9100", "280"},
    {"Puerto Madryn", "9120", "280"}, {"Comodoro Rivadavia", "9000", "297"},
    {"Esquel", "9200", "2945"},
};
const Locality kEntreRios[] = {
    {"Paraná", "3100", "343"},
    {"Concordia", "3200", "345"},
    {"Gualeguaychú", "2820", "3446"},
    {"Concepción del Uruguay", "3260", "3442"},
};
const Locality kFormosa[] = {
    {"Formosa", "3600", "370"},
    {"Clorinda", "3610", "3718"},
    {"Pirané", "3606", "3717"},
};
const Locality kJujuy[] = {
    {"San Salvador de Jujuy", "4600", "388"},
    {"Palpalá", "4612", "388"},
    {"San Pedro de Jujuy", "4500", "3888"},
    {"La Quiaca", "4650", "3885"},
};
const Locality kLaPampa[] = {
    {"Santa Rosa", "6300", "2954"},
    {"General Pico", "6360", "2302"},
    {"Realicó", "6200", "2331"},
};
const Locality kLaRioja[] = {
    {"La Rioja", "5300", "380"},
    {"Chilecito", "5360", "3825"},
    {"Aimogasta", "5310", "3827"},
};
const Locality kMendoza[] = {
    {"Mendoza", "5500", "261"},       {"San Rafael", "5600", "260"}, {"Godoy Cruz", "5501", "261"},
    {"Luján de Cuyo", "5507", "261"}, {"Maipú", "5515", "261"},
};
const Locality kMisiones[] = {
    {"Posadas", "3300", "376"},
    {"Oberá", "3360", "3755"},
    {"Eldorado", "3380", "3751"},
    {"Puerto Iguazú", "3370", "3757"},
};
const Locality kNeuquen[] = {
    {"Neuquén", "8300", "299"},
    {"Cutral Có", "8322", "299"},
    {"Zapala", "8340", "2942"},
    {"San Martín de los Andes", "8370", "2972"},
};
const Locality kRioNegro[] = {
    {"Viedma", "8500", "2920"},
    {"San Carlos de Bariloche", "8400", "294"},
    {"General Roca", "8332", "298"},
    {"Cipolletti", "8324", "299"},
};
const Locality kSalta[] = {
    {"Salta", "4400", "387"},
    {"San Ramón de la Nueva Orán", "4530", "3878"},
    {"Tartagal", "4560", "3873"},
    {"General Güemes", "4430", "387"},
};
const Locality kSanJuan[] = {
    {"San Juan", "5400", "264"},
    {"Caucete", "5442", "264"},
    {"San José de Jáchal", "5460", "2647"},
};
const Locality kSanLuis[] = {
    {"San Luis", "5700", "266"},
    {"Villa Mercedes", "5730", "2657"},
    {"Merlo", "5881", "2656"},
};
const Locality kSantaCruz[] = {
    {"Río Gallegos", "9400", "2966"},
    {"Caleta Olivia", "9011", "297"},
    {"El Calafate", "9405", "2902"},
    {"Puerto Deseado", "9050", "297"},
};
const Locality kSantaFe[] = {
    {"Santa Fe", "3000", "342"},       {"Rosario", "2000", "341"},      {"Rafaela", "2300", "3492"},
    {"Venado Tuerto", "2600", "3462"}, {"Reconquista", "3560", "3482"}, {"San Lorenzo", "2200", "3476"},
};
const Locality kSantiago[] = {
    {"Santiago del Estero", "4200", "385"},
    {"La Banda", "4300", "385"},
    {"Termas de Río Hondo", "4220", "3858"},
};
const Locality kTierraDelFuego[] = {
    {"Ushuaia", "9410", "2901"},
    {"Río Grande", "9420", "2964"},
    {"Tolhuin", "9412", "2901"},
};
const Locality kTucuman[] = {
    {"San Miguel de Tucumán", "4000", "381"},
    {"Yerba Buena", "4107", "381"},
    {"Concepción", "4146", "3865"},
    {"Tafí Viejo", "4103", "381"},
};

// Weights follow where foreign trade concentrates: the port cities first.
const Jurisdiction kJurisdictionList[] = {
    {"901", 300, table(kCaba)},    {"902", 250, table(kBuenosAires)},   {"903", 6, table(kCatamarca)},
    {"904", 80, table(kCordoba)},  {"905", 12, table(kCorrientes)},     {"906", 10, table(kChaco)},
    {"907", 18, table(kChubut)},   {"908", 25, table(kEntreRios)},      {"909", 6, table(kFormosa)},
    {"910", 8, table(kJujuy)},     {"911", 7, table(kLaPampa)},         {"912", 5, table(kLaRioja)},
    {"913", 50, table(kMendoza)},  {"914", 15, table(kMisiones)},       {"915", 15, table(kNeuquen)},
    {"916", 12, table(kRioNegro)}, {"917", 14, table(kSalta)},          {"918", 10, table(kSanJuan)},
    {"919", 8, table(kSanLuis)},   {"920", 7, table(kSantaCruz)},       {"921", 100, table(kSantaFe)},
    {"922", 6, table(kSantiago)},  {"923", 16, table(kTierraDelFuego)}, {"924", 14, table(kTucuman)},
};

const char *const kSurnameList[] = {
    "González",     "Rodríguez", "Gómez",      "Fernández",  "López",    "Díaz",       "Martínez", "Pérez",
    "García",       "Sánchez",   "Romero",     "Sosa",       "Álvarez",  "Torres",     "Ruiz",     "Ramírez",
    "Flores",       "Benítez",   "Acosta",     "Medina",     "Herrera",  "Suárez",     "Aguirre",  "Giménez",
    "Gutiérrez",    "Pereyra",   "Rojas",      "Molina",     "Castro",   "Ortiz",      "Silva",    "Núñez",
    "Luna",         "Juárez",    "Cabrera",    "Ríos",       "Ferreyra", "Godoy",      "Morales",  "Domínguez",
    "Moreno",       "Peralta",   "Vega",       "Carrizo",    "Quiroga",  "Castillo",   "Ledesma",  "Muñoz",
    "Ojeda",        "Ponce",     "Vera",       "Vázquez",    "Villalba", "Cardozo",    "Navarro",  "Ramos",
    "Arias",        "Coronel",   "Córdoba",    "Figueroa",   "Correa",   "Cáceres",    "Vargas",   "Maldonado",
    "Mansilla",     "Farías",    "Rivero",     "Paz",        "Miranda",  "Roldán",     "Méndez",   "Lucero",
    "Cruz",         "Hernández", "Agüero",     "Páez",       "Blanco",   "Mendoza",    "Barrios",  "Escobar",
    "Ávila",        "Soria",     "Acuña",      "Ibáñez",     "Mercado",  "Bustos",     "Chávez",   "Iñíguez",
    "Ibarra",       "Peña",      "Zapata",     "Bianchi",    "Rossi",    "Ferrari",    "Russo",    "Colombo",
    "Schmidt",      "Müller",    "Bertolotti", "Yáñez",      "Montaño",  "Echeverría", "Zubiría",  "Urquiza",
    "D'Alessandro", "D'Angelo",  "O'Connor",   "D'Agostino",
};

const char *const kMaleNameList[] = {
    "Juan",      "José",     "Carlos",  "Jorge",   "Luis",    "Miguel",  "Martín",  "Sebastián", "Nicolás",  "Agustín",
    "Joaquín",   "Matías",   "Tomás",   "Ramón",   "Héctor",  "Julián",  "Andrés",  "Rubén",     "Néstor",   "Raúl",
    "Óscar",     "Víctor",   "Hernán",  "Germán",  "Facundo", "Gonzalo", "Diego",   "Pablo",     "Esteban",  "Ignacio",
    "Alejandro", "Fernando", "Roberto", "Ricardo", "Daniel",  "Eduardo", "Gustavo", "Marcelo",   "Valentín", "Iñaki",
};

const char *const kFemaleNameList[] = {
    "María",    "Laura",    "Ana",     "Lucía",    "Sofía",    "Valentina", "Camila",   "Florencia",
    "Carolina", "Gabriela", "Mónica",  "Verónica", "Silvia",   "Patricia",  "Graciela", "Inés",
    "Mariela",  "Natalia",  "Romina",  "Soledad",  "Agustina", "Milagros",  "Belén",    "Noemí",
    "Débora",   "Raquel",   "Beatriz", "Cecilia",  "Claudia",  "Julieta",   "Victoria", "Rocío",
    "Andrea",   "Paula",    "Marisa",  "Begoña",   "Ángeles",  "Eugenia",   "Lorena",   "Nélida",
};

const char *const kActivityList[] = {
    "Importadora", "Exportadora",     "Distribuidora", "Metalúrgica", "Textil",       "Comercial",
    "Frigorífico", "Agroexportadora", "Logística",     "Química",     "Maderera",     "Vitivinícola",
    "Autopartes",  "Electrónica",     "Plásticos",     "Papelera",    "Farmacéutica", "Agropecuaria",
    "Alimentos",   "Curtiembre",      "Cerealera",     "Industrias",  "Tecnología",   "Transportes",
    "Minera",      "Pesquera",        "Olivícola",     "Aceitera",    "Láctea",       "Cristalería",
};

const char *const kQualifierList[] = {
    "del Sur",      "del Norte", "del Litoral", "del Plata",    "Andina",        "Patagónica",    "Pampeana",
    "Austral",      "Argentina", "Rioplatense", "Cuyana",       "del Atlántico", "Mediterránea",  "del Centro",
    "Mesopotámica", "Fueguina",  "Norteña",     "Sudamericana", "del Valle",     "Internacional",
};

const char *const kPlaceNameList[] = {
    "Los Álamos",    "San Jorge",    "La Esperanza", "El Ombú",   "Santa Lucía", "Las Acacias",
    "La Candelaria", "San Cayetano", "El Ñandú",     "Los Ñires", "La Cañada",   "Don Benjamín",
    "Santa Inés",    "El Algarrobo", "Las Marías",   "San Ramón",
};

// Street names short enough that the street and its number always fit in 40 characters.
const char *const kStreetList[] = {
    "Av. Corrientes",
    "San Martín",
    "Belgrano",
    "Rivadavia",
    "Av. del Libertador",
    "Sarmiento",
    "Bartolomé Mitre",
    "Moreno",
    "25 de Mayo",
    "9 de Julio",
    "Av. Pueyrredón",
    "Hipólito Yrigoyen",
    "Tucumán",
    "Lavalle",
    "Av. Santa Fe",
    "Güemes",
    "Paraguay",
    "Bv. Oroño",
    "Av. Juan B. Justo",
    "Av. Colón",
    "Almirante Brown",
    "Las Heras",
    "Bv. Gálvez",
    "Av. Córdoba",
    "Reconquista",
    "Florida",
    "Maipú",
    "Esmeralda",
    "Suipacha",
    "Av. Entre Ríos",
    "Av. Belgrano",
    "Perú",
    "Chacabuco",
    "Bolívar",
    "Defensa",
    "Alsina",
    "Montevideo",
    "Juncal",
    "Arenales",
    "Viamonte",
    "Av. Leandro N. Alem",
    "Av. Eva Perón",
    "Av. Fuerza Aérea",
    "Ruta Nacional 9 km",
    "Ruta Provincial 6 km",
    "Camino General Belgrano",
    "Av. Circunvalación",
    "Ñandubay",
    "Dr. Luis Agote",
    "O'Higgins",
    "Av. Presidente Perón",
    "Padre Fahy",
};

// Where the goods of a customer are usually cleared; at most 22 characters each.
const char *const kDepositPlaceList[] = {
    "Depósito Fiscal TRP",    "Terminal 4 APM",      "Exolgan Dock Sud",     "Aeropuerto Ezeiza",
    "Depósito Fiscal Ezeiza", "Puerto de Rosario",   "Zona Franca La Plata", "Puerto Buenos Aires",
    "Paso de los Libres",     "Cristo Redentor",     "Puerto Zárate",        "Puerto Madryn",
    "Puerto Ushuaia",         "Zona Franca Córdoba", "Aduana de Mendoza",    "Depósito propio",
    "Puerto Bahía Blanca",    "Terminal 1-2-3 TRP",  "Aduana de Clorinda",   "Paso San Francisco",
};

const char *const kMailProviderList[] = {
    "gmail.com",   "hotmail.com",     "yahoo.com.ar", "outlook.com",
    "live.com.ar", "fibertel.com.ar", "arnet.com.ar", "speedy.com.ar",
};

const char *const kCompanyMailboxList[] = {
    "info", "ventas", "administracion", "comex", "contacto", "facturacion", "compras",
};

const BenefitTie kBenefitTieList[] = {
    {"RIM", "IC04"}, {"RIM", "IG04"}, {"BKN", "IC04"}, {"BKN", "IG04"}, {"RAT", "IT04"}, {"TDF", "IC04"},
    {"ZF", "ZF01"},  {"ZF", "ZF02"},  {"EXP", "EC01"}, {"EXP", "ET01"}, {"LI", "IC04"},
};

const char *const kTariffHeadingList[] = {
    "8471.30.12", "8517.13.00", "8703.23.10", "8429.51.99", "3004.90.99", "8708.29.99", "0201.30.00", "1001.99.00",
    "2204.21.00", "4011.10.00", "8528.72.00", "3901.10.10", "7208.51.00", "8418.10.00", "9018.90.99", "6109.10.00",
    "8802.40.90", "2710.19.21", "1201.90.00", "0306.17.10", "8479.89.99", "3808.93.29",
};

} // namespace

const Table<Jurisdiction> kJurisdictions = table(kJurisdictionList);
const Table<const char *> kSurnames = table(kSurnameList);
const Table<const char *> kMaleNames = table(kMaleNameList);
const Table<const char *> kFemaleNames = table(kFemaleNameList);
const Table<const char *> kActivities = table(kActivityList);
const Table<const char *> kQualifiers = table(kQualifierList);
const Table<const char *> kPlaceNames = table(kPlaceNameList);
const Table<const char *> kStreets = table(kStreetList);
const Table<const char *> kDepositPlaces = table(kDepositPlaceList);
const Table<const char *> kMailProviders = table(kMailProviderList);
const Table<const char *> kCompanyMailboxes = table(kCompanyMailboxList);
const Table<BenefitTie> kBenefitTies = table(kBenefitTieList);
const Table<const char *> kTariffHeadings = table(kTariffHeadingList);

} // namespace felcora::hostkit::demo
