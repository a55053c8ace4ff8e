-- ILLUSTRATIVE SAMPLES. A real deployment replaces everything in this file with the code lists of the
-- unions and employers' associations taking part in the survey and with the higher-level agreements
-- that the central processor registers. The rows are here so that every lookup of the program shows
-- something: trade unions with their internal sectors (two levels), regions and further
-- classification, employers' associations, and higher-level agreements registered by the processor
-- (installation 1) with complete content.

-- Trade unions -----------------------------------------------------------------------------------

INSERT INTO SVAZ (ID_SVAZ, NAZEV) VALUES
    (1, 'Odborový svaz KOVO'),
    (2, 'Odborový svaz zdravotnictví a sociální péče ČR'),
    (3, 'Českomoravský odborový svaz pracovníků školství'),
    (4, 'Odborový svaz státních orgánů a organizací');

INSERT INTO ODVINTER1 (ID_SVAZ, KOD_ODVINTER1, NAZEV) VALUES
    (1, '01', 'Strojírenství'),
    (1, '02', 'Automobilový průmysl'),
    (1, '03', 'Hutnictví a slévárenství'),
    (1, '04', 'Elektrotechnika a elektronika'),
    (2, '01', 'Zdravotnictví'),
    (2, '02', 'Sociální služby'),
    (3, '01', 'Regionální školství'),
    (3, '02', 'Vysoké školy a výzkum'),
    (4, '01', 'Státní správa'),
    (4, '02', 'Územní samospráva');

INSERT INTO ODVINTER2 (ID_SVAZ, KOD_ODVINTER1, KOD_ODVINTER2, NAZEV) VALUES
    (1, '01', '01', 'Výroba strojů a zařízení'),
    (1, '01', '02', 'Opravy a údržba strojů'),
    (1, '02', '01', 'Výroba osobních automobilů'),
    (1, '02', '02', 'Dodavatelé dílů a příslušenství'),
    (1, '03', '01', 'Výroba železa a oceli'),
    (1, '03', '02', 'Slévárny'),
    (1, '04', '01', 'Silnoproudá elektrotechnika'),
    (2, '01', '01', 'Nemocnice'),
    (2, '01', '02', 'Zdravotnická záchranná služba'),
    (2, '02', '01', 'Domovy pro seniory'),
    (3, '01', '01', 'Mateřské a základní školy'),
    (3, '01', '02', 'Střední školy'),
    (4, '01', '01', 'Ministerstva a ústřední úřady'),
    (4, '02', '01', 'Obecní a krajské úřady');

INSERT INTO REGINTER (ID_SVAZ, KOD_REGINTER, NAZEV) VALUES
    (1, 'P', 'Praha'),
    (1, 'C', 'Čechy'),
    (1, 'M', 'Morava a Slezsko'),
    (2, 'Z', 'Západ'),
    (2, 'V', 'Východ'),
    (3, '01', 'Čechy'),
    (3, '02', 'Morava'),
    (4, '01', 'Celostátní');

INSERT INTO CININTER (ID_SVAZ, KOD_CININTER, NAZEV) VALUES
    (1, 'A', 'Organizace do 100 členů'),
    (1, 'B', 'Organizace nad 100 členů'),
    (2, 'S', 'Státní zařízení'),
    (2, 'N', 'Nestátní zařízení'),
    (3, 'U', 'Učitelé'),
    (4, 'O', 'Organizační složky státu');

-- Employers' associations ------------------------------------------------------------------------

INSERT INTO SVAZPOD (ID_SVAZPOD, NAZEV) VALUES
    (1, 'Svaz průmyslu a dopravy České republiky'),
    (2, 'Sdružení automobilového průmyslu'),
    (3, 'Svaz strojírenské technologie'),
    (4, 'Asociace nemocnic České republiky');

-- Higher-level agreements registered by the processor (installation 1) ---------------------------

INSERT INTO EVKS (ID_EVKS, ID_INST_EVKS, ID_KS, ID_INST_KS, ID_SVAZ, KOD_ODVINTER1, ID_SVAZPOD, ID_TYPSUBJ, ROK, PLATNOST) VALUES
    (1, 1, 1, 1, 1, '01', 3, 1, 2026, 'Y'),
    (2, 1, 2, 1, 1, '02', 2, 1, 2026, 'Y'),
    (3, 1, 3, 1, 2, '01', 4, 2, 2026, 'Y');

INSERT INTO KS (ID_KS, ID_INST_KS, ID_KS_VKS, ID_INST_KS_VKS, DATUZ, DATPLOD, DATPL, MEMO) VALUES
    (1, 1, NULL, NULL, '2025-12-10', '2026-01-01', '2026-12-31', 'Kolektivní smlouva vyššího stupně pro strojírenství (ukázka).'),
    (2, 1, NULL, NULL, '2025-11-28', '2026-01-01', '2027-12-31', 'Kolektivní smlouva vyššího stupně pro automobilový průmysl (ukázka).'),
    (3, 1, NULL, NULL, '2025-12-15', '2026-01-01', '2026-12-31', 'Kolektivní smlouva vyššího stupně pro zdravotnictví (ukázka).');

INSERT INTO SPOLUP (ID_KS, ID_INST_KS, VPSM, PFDLOUHO, CRUF, CZO, CZOM, CZOP, CZOI, CZON, PZO, PIZO, VRI, PMZO, VRPI) VALUES
    (1, 1, 'Y', 'N', 'Y', 'Y', 'Y', 'N', 'Y', 'N', NULL, 'Y', 'N', 'Y', 'N'),
    (2, 1, 'Y', 'Y', 'Y', 'Y', 'Y', 'Y', 'Y', 'Y', NULL, 'Y', 'Y', 'Y', 'Y'),
    (3, 1, 'Y', 'N', 'N', 'Y', 'Y', 'N', 'N', 'N', NULL, 'Y', 'N', 'N', 'N');

INSERT INTO ZAMEST (ID_KS, ID_INST_KS, ORAZ, ORAZJ, ZZ50, ZZ50J, ZZP, ORZ, ORZKP, RZ, "TO", TOJU, PISV, RDSSP, RDONP) VALUES
    (1, 1, 'N', NULL, 'Y', 'Rekvalifikace a úprava pracovní doby zaměstnanců nad 50 let.', 'N', 'Y', 'N', 'Y', 'Y', 'N', 'Y', 'N', 'N'),
    (2, 1, 'Y', 'Pomocné a sezónní práce ve výrobě.', 'N', NULL, 'Y', 'Y', 'Y', 'Y', 'Y', 'N', 'Y', 'Y', 'N'),
    (3, 1, 'N', NULL, 'N', NULL, 'N', 'Y', 'N', 'Y', 'Y', 'Y', 'Y', 'N', 'Y');

INSERT INTO PRDOBA (ID_KS, ID_INST_KS, PD, PDO, PDOHT, PDPR, PPD, PND, PNDT, PNDD, KPD) VALUES
    (1, 1, 'Y', 'Y', 37.5, 'N', 'Y', 'Y', 1, 0, 'N'),
    (2, 1, 'Y', 'N', NULL, 'Y', 'N', 'Y', 1, 2, 'Y'),
    (3, 1, NULL, NULL, NULL, NULL, NULL, NULL, NULL, NULL, NULL);

INSERT INTO PREKAZKY (ID_KS, ID_INST_KS, ZO, ZO1, ZO1MIN, ZO1MAX, ZO3, ZO3MIN, ZO3MAX, NMPN, NMPN4, OPREK, VS, ND, U) VALUES
    (1, 1, 'Y', 'Y', 2, 2, 'Y', 4, 5, 'N', NULL, 'Y', 1, 1, 2),
    (2, 1, 'Y', 'N', NULL, NULL, 'Y', 5, 6, 'Y', 70, 'Y', 2, 2, 2),
    (3, 1, 'N', NULL, NULL, NULL, NULL, NULL, NULL, 'N', NULL, 'N', NULL, NULL, NULL);

INSERT INTO MZN (ID_KS, ID_INST_KS, MV, ZT, ZTPR, ZPNM, ZPNMPR, TS, TSX, MMVKS, TFH, MMH, MMM, MRPM, MRPMPR) VALUES
    (1, 1, 'Y', 'Y', 4.5, 'N', NULL, 'Y', 12, 'Y', 37.5, 135.4, 23500, NULL, NULL),
    (2, 1, 'Y', 'N', NULL, 'Y', 5.2, 'Y', 10, 'N', NULL, NULL, NULL, NULL, NULL),
    (3, 1, NULL, NULL, NULL, NULL, NULL, NULL, NULL, NULL, NULL, NULL, NULL, 'Y', 6);

INSERT INTO MZT (ID_KS, ID_INST_KS, TTFH, MMTH1, MMTH2, MMTH3, MMTM1, MMTM2, MMTM3) VALUES
    (1, 1, 40, 125.5, 138.2, 152.0, 21800, 24000, 26400),
    (2, 1, 37.5, 130, 145, 160, 21300, 23800, 26200),
    (3, 1, NULL, NULL, NULL, NULL, NULL, NULL, NULL);

INSERT INTO PRIPLAT (ID_KS, ID_INST_KS, PP, PPPRPV, PPS, PPSPRPV, PN, PNPRPV, PSN, PSNPRPV, PO, POKCH, PS, PSKCS) VALUES
    (1, 1, 'Y', 30, 'Y', 100, 'Y', 15, 'Y', 15, 'Y', 8, 'N', NULL),
    (2, 1, 'Y', 35, 'Y', 100, 'Y', 20, 'Y', 20, 'Y', 10, 'Y', 250),
    (3, 1, NULL, NULL, NULL, NULL, NULL, NULL, NULL, NULL, NULL, NULL, NULL, NULL);

INSERT INTO ODMENY (ID_KS, ID_INST_KS, N13P, N14P, POPZV, D50, D50F0, D50F5, D50F10, DF, DF0, DF5, DF10) VALUES
    (1, 1, 'Y', 'N', 'Y', 'Y', 3000, 3000, 5000, 'Y', 2000, 4000, 6000),
    (2, 1, 'Y', 'Y', 'Y', 'N', NULL, NULL, NULL, 'Y', 3000, 5000, 8000),
    (3, 1, NULL, NULL, 'Y', 'Y', 2000, 3000, 4000, 'N', NULL, NULL, NULL);

INSERT INTO SF (ID_KS, ID_INST_KS, ZS, ZSNKC, ZSZKC, PP, PPKC, PPKCMAX, ZP, T1, PPR1, CT1, RFKSP, UR, US, UX, UZ) VALUES
    (1, 1, 'Y', 40, 10, 'Y', 300, 1000, 'N', 'Y', 1.5, 1200, NULL, 400, 500, 100, 200),
    (2, 1, 'Y', 45, 15, 'Y', 500, 1500, 'Y', 'Y', 2, 3500, NULL, 1200, 1500, 300, 500),
    (3, 1, 'Y', 35, 20, 'Y', 400, NULL, 'N', NULL, NULL, 800, 'Y', 300, 350, 50, 100);
