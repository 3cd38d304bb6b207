-- The catalogues behind the listing component's pick windows, written into a
-- new customer database on SQLite and on a server alike.
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
