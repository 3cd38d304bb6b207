-- System tables ("SYSTABLAS"): the jurisdictions of the Convenio Multilateral.
CREATE TABLE JRD (
    JRDNRO TEXT NOT NULL PRIMARY KEY,
    JRDPRV TEXT
);
