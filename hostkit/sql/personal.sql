-- The customer database ("PERSONAL").
CREATE TABLE clientes (
    cuit                   TEXT NOT NULL PRIMARY KEY,
    nombre                 TEXT COLLATE NOCASE,
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
-- Names ignoring case. The list's Spanish order comes from a collation the data access
-- applies (see README), which this index does not follow; but its names and row ids are all
-- the list's first screen reads, before the rows it keeps.
CREATE INDEX clientes_nombre ON clientes (nombre COLLATE NOCASE);

-- Gross-income-tax distribution: one line per customer and jurisdiction.
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
