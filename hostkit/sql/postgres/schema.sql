-- The server database: the customer tables and the jurisdictions in the default
-- schema, the accounting tables in the schema quenmarcontable (statements name
-- them QUENMARCONTABLE.AGENTES). Identifiers are unquoted, so the server keeps
-- them in lower case and any spelling in a statement finds them.
-- Plain SQL without client commands: the script runs as one multi-statement
-- request (one transaction) on an empty database.

-- Names sort as in Spanish: accents do not count, Ñ follows N, and case only
-- breaks ties. The collation stays deterministic, so that equality is exact and
-- LIKE keeps working, whatever locale the server was created with.
CREATE COLLATION IF NOT EXISTS es_ar (provider = icu, locale = 'es-AR');

-- The customer database. Amounts are numeric: statements write them both as
-- numbers (12.5) and as quoted text ('12.5'), and the server reads both.
CREATE TABLE clientes (
    cuit                   TEXT NOT NULL PRIMARY KEY,
    nombre                 TEXT COLLATE es_ar,
    domicilio              TEXT,
    localidad              TEXT,
    codpost                TEXT,
    email                  TEXT,
    telefonos              TEXT,
    finitactiv             DATE,
    cvdi                   TEXT,
    condiva                TEXT,
    condivafact            TEXT,
    ivaexento              NUMERIC,
    eximgan                TEXT,
    eximganvalor           NUMERIC,
    eximganvalortemp       NUMERIC,
    ivaareduccion          TEXT,
    ivaareduccionvalor     NUMERIC,
    ivaareduccionvalortemp NUMERIC,
    ExcepLAPIAEC           TEXT,
    AjxVinc_4102           NUMERIC,
    contacto               TEXT,
    ingbru                 NUMERIC,
    LUGARDEPMERC           TEXT,
    regalias               NUMERIC,
    honorario              NUMERIC,
    CIB                    TEXT,
    CML                    TEXT,
    NIN                    TEXT
);
-- The list reads every customer by name: the index gives the first rows at once.
CREATE INDEX clientes_nombre ON clientes (nombre);

-- Gross-income-tax distribution: one line per customer and jurisdiction.
-- DIBEXENTO is written both as 0 and as '0'.
CREATE TABLE DIB (
    CLICUI    TEXT NOT NULL,
    JRDNRO    TEXT NOT NULL,
    DIBVALOR  NUMERIC,
    DIBEXENTO INTEGER,
    PRIMARY KEY (CLICUI, JRDNRO)
);

-- Benefit regimes tied to a customer.
CREATE TABLE VentajasRel (
    IdVentaja    TEXT,
    IdSubRegimen TEXT,
    NCM          TEXT,
    cuit         TEXT
);
CREATE INDEX VentajasRel_cuit ON VentajasRel (cuit);

-- Catalogues behind the listing component's pick windows.
CREATE TABLE Ventajas (
    IdVentaja   TEXT NOT NULL PRIMARY KEY,
    Descripcion TEXT
);
CREATE TABLE SubRegimenes (
    IdSubRegimen TEXT NOT NULL PRIMARY KEY,
    Descripcion  TEXT
);

INSERT INTO Ventajas (IdVentaja, Descripcion) VALUES
    ('RIM', 'Régimen de importación de bienes de capital'),
    ('RAT', 'Régimen de aduana en factoría'),
    ('TDF', 'Régimen de promoción de Tierra del Fuego'),
    ('ZF',  'Zona franca'),
    ('EXP', 'Reintegros a la exportación'),
    ('BKN', 'Bienes de capital nuevos'),
    ('LI',  'Régimen de líneas de producción usadas');
INSERT INTO SubRegimenes (IdSubRegimen, Descripcion) VALUES
    ('IC04', 'Importación a consumo'),
    ('IT04', 'Importación temporaria'),
    ('EC01', 'Exportación a consumo'),
    ('ET01', 'Exportación temporaria'),
    ('ZF01', 'Ingreso a zona franca'),
    ('ZF02', 'Egreso de zona franca'),
    ('IG04', 'Importación con garantía');

-- System tables: the jurisdictions of the Convenio Multilateral.
CREATE TABLE JRD (
    JRDNRO TEXT NOT NULL PRIMARY KEY,
    JRDPRV TEXT
);

INSERT INTO JRD (JRDNRO, JRDPRV) VALUES
    ('901', 'Ciudad Autónoma de Buenos Aires'),
    ('902', 'Buenos Aires'),
    ('903', 'Catamarca'),
    ('904', 'Córdoba'),
    ('905', 'Corrientes'),
    ('906', 'Chaco'),
    ('907', 'Chubut'),
    ('908', 'Entre Ríos'),
    ('909', 'Formosa'),
    ('910', 'Jujuy'),
    ('911', 'La Pampa'),
    ('912', 'La Rioja'),
    ('913', 'Mendoza'),
    ('914', 'Misiones'),
    ('915', 'Neuquén'),
    ('916', 'Río Negro'),
    ('917', 'Salta'),
    ('918', 'San Juan'),
    ('919', 'San Luis'),
    ('920', 'Santa Cruz'),
    ('921', 'Santa Fe'),
    ('922', 'Santiago del Estero'),
    ('923', 'Tierra del Fuego'),
    ('924', 'Tucumán');

-- The accounting tables, kept by another system; the customer component only
-- reads them. That system may have created them already.
CREATE SCHEMA IF NOT EXISTS quenmarcontable;

CREATE TABLE IF NOT EXISTS quenmarcontable.AGENTES (
    ID_AGENTE        INTEGER NOT NULL PRIMARY KEY,
    Documento_Numero TEXT,
    NOMBRE           TEXT,
    DIRECCION        TEXT,
    CODIGO_POSTAL    TEXT,
    CIUDAD           TEXT,
    GENERADORID      INTEGER
);
CREATE INDEX IF NOT EXISTS AGENTES_GENERADORID ON quenmarcontable.AGENTES (GENERADORID);

CREATE TABLE IF NOT EXISTS quenmarcontable.ROLES_AUTORIZADOS (
    ID_AGENTE INTEGER NOT NULL,
    ID_ROL    INTEGER NOT NULL,
    PRIMARY KEY (ID_AGENTE, ID_ROL)
);
