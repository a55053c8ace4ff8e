-- Counters and the data structure version of a delivered database.
--
-- 'ID_UPDATE' is the update level (id of the last applied data update); 'SUBJ', 'ZOOS' and 'KS' hand
-- out the identifiers of new records. The 'ID_INST' row is deliberately absent: the program writes it
-- when it activates the installation at its first start.

INSERT INTO AUTOINC (TABULKA, HODNOTA) VALUES
    ('ID_UPDATE', 0),
    ('SUBJ', 0),
    ('ZOOS', 0),
    ('KS', 0);

PRAGMA user_version = 1;
