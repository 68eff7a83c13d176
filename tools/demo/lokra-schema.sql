-- Lokra loan-management database schema (tables and procedure read by Tervala) for demo and test databases.
--
-- Firebird 3 isql script, saved in UTF-8: run it with "isql -ch UTF8" on a connected database.
-- Text columns take the database's default character set (Lokra databases are created with
-- DEFAULT CHARACTER SET WIN1250). No foreign keys on purpose: test databases must be able to hold
-- incomplete data (a contract without a client, a client without PKD entries, ...).

-- Dictionary tree: a group is an entry with rodzic 0; its entries carry the group's nr in rodzic.
-- Groups used: 4 loan purposes (kod 001 working capital, 002 investment, 003 both),
-- 12 legal forms, 30 kinds of activity.
CREATE TABLE SLOWNIK (
    NR          INTEGER NOT NULL,
    RODZIC      INTEGER DEFAULT 0 NOT NULL,
    KOD         VARCHAR(10),
    NAZWA       VARCHAR(120),
    AKTYWNY     SMALLINT DEFAULT 1,
    CONSTRAINT PK_SLOWNIK PRIMARY KEY (NR)
);
CREATE INDEX IX_SLOWNIK_RODZIC ON SLOWNIK (RODZIC);

-- The fund's own record is nr_rekordu 1; wersja is the version of the Lokra program that last
-- upgraded the database.
CREATE TABLE FIRMA (
    NR_REKORDU  INTEGER NOT NULL,
    WERSJA      VARCHAR(20),
    NAZWA       VARCHAR(200),
    KOD         VARCHAR(6),
    MIASTO      VARCHAR(60),
    ULICA       VARCHAR(100),
    NIP         VARCHAR(13),
    REGON       VARCHAR(14),
    KRS         VARCHAR(20),
    TELEFON     VARCHAR(30),
    TELEFON2    VARCHAR(30),
    EMAIL       VARCHAR(80),
    FORM_PRAWNA INTEGER,
    DATAROZDZ   DATE,
    CONSTRAINT PK_FIRMA PRIMARY KEY (NR_REKORDU)
);

-- Clients. STATUS 'K' = natural person (IMIE, NAZWISKO), 'F' = firm; NAZWANIP is the name
-- registered with the tax number (for a person running a business: the business name).
-- WP enterprise type: 1 micro, 2 small, 3 medium, 4 other, 5 social economy.
-- PLEC: 1 woman, 2 man, 0 not chosen. DATAROZDZ: registration date of the business.
CREATE TABLE KLIENT (
    NR_KLIENTA   INTEGER NOT NULL,
    STATUS       CHAR(1) DEFAULT 'K' NOT NULL,
    IMIE         VARCHAR(40),
    NAZWISKO     VARCHAR(60),
    NAZWANIP     VARCHAR(200),
    PESEL        VARCHAR(11),
    NIP          VARCHAR(13),
    REGON        VARCHAR(14),
    KOD          VARCHAR(6),
    MIASTO       VARCHAR(60),
    ULICA        VARCHAR(100),
    TELEFON      VARCHAR(30),
    FORMA_PRAWNA INTEGER,
    RODZAJDZIAL  INTEGER,
    WP           SMALLINT,
    DATAROZDZ    DATE,
    PLEC         SMALLINT,
    CONSTRAINT PK_KLIENT PRIMARY KEY (NR_KLIENTA)
);

-- PKD classification (subclass text like '47.11.Z', division like '47').
CREATE TABLE PKD_SLOWNIK (
    IDSLOWNIKA  INTEGER NOT NULL,
    PODKLASA    VARCHAR(10),
    DZIAL       VARCHAR(2),
    NAZWA       VARCHAR(250),
    CONSTRAINT PK_PKD_SLOWNIK PRIMARY KEY (IDSLOWNIKA)
);

-- PKD entries of a client; GLOWNY 1 = main activity, 0 = secondary.
CREATE TABLE PKD (
    IDPKD       INTEGER NOT NULL,
    KLIENT      INTEGER NOT NULL,
    ID_SL_PKD   INTEGER,
    GLOWNY      SMALLINT DEFAULT 0 NOT NULL,
    CONSTRAINT PK_PKD PRIMARY KEY (IDPKD)
);
CREATE INDEX IX_PKD_KLIENT ON PKD (KLIENT);
CREATE INDEX IX_PKD_ID_SL_PKD ON PKD (ID_SL_PKD);

-- Loan contracts.
-- CPOZYCZKI: SLOWNIK nr of the purpose (group 4).
-- REZERWA: risk class of the provision, 0 normal .. 5 lost; DATA_REZ: date of the last change,
--   for class 5 the date the loan was written off as lost.
-- ROZLICZONY: '0' running, '1' repaid and closed, '4' terminated, 'Win' handed over to debt recovery.
-- RU: 0 not given, 1 new client, 2 resumed, 3 refinanced, 4 further loan.
-- DATAWYPLATY: date of the (first) payout.
CREATE TABLE UMOWY (
    IDUMOWY        INTEGER NOT NULL,
    NUMER          VARCHAR(30),
    NRKLIENTA      INTEGER,
    DATAUMOWY      DATE,
    KWOTAKREDYTU   NUMERIC(15,2) DEFAULT 0 NOT NULL,
    OPROCENTOWANIE NUMERIC(5,2),
    LICZBARAT      SMALLINT,
    CPOZYCZKI      INTEGER,
    REZERWA        SMALLINT DEFAULT 0,
    DATA_REZ       DATE,
    ROZLICZONY     VARCHAR(3) DEFAULT '0',
    DATAWYPLATY    DATE,
    RU             INTEGER,
    CONSTRAINT PK_UMOWY PRIMARY KEY (IDUMOWY)
);
CREATE INDEX IX_UMOWY_NRKLIENTA ON UMOWY (NRKLIENTA);
CREATE INDEX IX_UMOWY_CPOZYCZKI ON UMOWY (CPOZYCZKI);
CREATE INDEX IX_UMOWY_DATAUMOWY ON UMOWY (DATAUMOWY);

-- Loan applications. OBSZAR: 1 urban, 2 rural, 3 urban-rural commune.
-- IDUMOWY stays empty for an application that did not lead to a contract.
CREATE TABLE WNIOSKI (
    IDWNIOSKU        INTEGER NOT NULL,
    IDUMOWY          INTEGER,
    NRKLIENTA        INTEGER,
    DATAWNIOSKU      DATE,
    KWOTAWNIOSKOWANA NUMERIC(15,2),
    DECYZJA          VARCHAR(20),
    OBSZAR           INTEGER,
    CONSTRAINT PK_WNIOSKI PRIMARY KEY (IDWNIOSKU)
);
CREATE INDEX IX_WNIOSKI_IDUMOWY ON WNIOSKI (IDUMOWY);
CREATE INDEX IX_WNIOSKI_NRKLIENTA ON WNIOSKI (NRKLIENTA);

-- Chart of accounts. TYPKONTA: 1 loan capital, 2 capital of terminated loans under recovery,
-- 3 interest, 0 other.
CREATE TABLE PLANKT (
    NR_KT       VARCHAR(20) NOT NULL,
    NAZWA       VARCHAR(120),
    TYPKONTA    SMALLINT DEFAULT 0 NOT NULL,
    CONSTRAINT PK_PLANKT PRIMARY KEY (NR_KT)
);

-- Ledger accounts of one contract (one row per contract and chart account).
CREATE TABLE STAN (
    IDSTAN      INTEGER NOT NULL,
    NRUMOWY     INTEGER NOT NULL,
    KONTO       VARCHAR(20) NOT NULL,
    CONSTRAINT PK_STAN PRIMARY KEY (IDSTAN)
);
CREATE INDEX IX_STAN_NRUMOWY ON STAN (NRUMOWY);
CREATE INDEX IX_STAN_KONTO ON STAN (KONTO);

-- Ledger entries. KODDOK: document kind ('WY' payout, 'WB' bank statement, 'NO' interest charged,
-- 'PK' transfer, 'OP' fee). INFDOD 'ST' marks a cancelled (reversed) entry; it is '' otherwise.
CREATE TABLE DEKRET (
    IDDEKRETU   INTEGER NOT NULL,
    IDSTANU     INTEGER NOT NULL,
    DATADEKRETU DATE NOT NULL,
    KODDOK      VARCHAR(5) NOT NULL,
    NRDOK       VARCHAR(30),
    KWOTA_WN    NUMERIC(15,2) DEFAULT 0 NOT NULL,
    KWOTA_MA    NUMERIC(15,2) DEFAULT 0 NOT NULL,
    INFDOD      VARCHAR(10) DEFAULT '',
    OPIS        VARCHAR(120),
    CONSTRAINT PK_DEKRET PRIMARY KEY (IDDEKRETU)
);
CREATE INDEX IX_DEKRET_IDSTANU ON DEKRET (IDSTANU);
CREATE INDEX IX_DEKRET_DATADEKRETU ON DEKRET (DATADEKRETU);

-- Schedule of a contract, kept on its loan-capital account: payout tranches (KWTRANSZY > 0) and
-- capital instalments (KWRATY > 0) by date; DATASPLATY is the day an instalment was paid in full.
CREATE TABLE TERMINARZ (
    IDTERMINARZA INTEGER NOT NULL,
    IDSTANU      INTEGER NOT NULL,
    LP           SMALLINT,
    DATATRANSZY  DATE NOT NULL,
    KWTRANSZY    NUMERIC(15,2) DEFAULT 0 NOT NULL,
    KWRATY       NUMERIC(15,2) DEFAULT 0 NOT NULL,
    DATASPLATY   DATE,
    CONSTRAINT PK_TERMINARZ PRIMARY KEY (IDTERMINARZA)
);
CREATE INDEX IX_TERMINARZ_IDSTANU ON TERMINARZ (IDSTANU);

-- Arrears of one contract at a date: days since the earliest capital instalment that was due
-- before that date and not paid in full by it, less the grace days; 0 when nothing is overdue.
-- TRYB 0 is the plain calculation (other modes are not implemented here); always one row.
-- The contract's accounts are found first and each account's schedule through its index, so
-- that a call costs a few index lookups however large the ledger grows.
SET TERM ^ ;
CREATE PROCEDURE ZALEGLOSCI_AKTUALNE (
    TRYB        INTEGER,
    IDUMOWY     INTEGER,
    NA_DZIEN    TIMESTAMP,
    DNI_KARENCJI INTEGER)
RETURNS (
    DNI_ZALEGLOSCI   INTEGER,
    KWOTA_ZALEGLA    NUMERIC(15,2),
    NAJSTARSZA_RATA  DATE)
AS
DECLARE VARIABLE DZIEN DATE;
DECLARE VARIABLE KONTO INTEGER;
DECLARE VARIABLE RATA DATE;
DECLARE VARIABLE KWOTA NUMERIC(15,2);
BEGIN
    DZIEN = CAST(NA_DZIEN AS DATE);
    DNI_ZALEGLOSCI = 0;
    KWOTA_ZALEGLA = 0;
    NAJSTARSZA_RATA = NULL;

    FOR SELECT S.IDSTAN FROM STAN S WHERE S.NRUMOWY = :IDUMOWY INTO :KONTO DO
    BEGIN
        SELECT MIN(T.DATATRANSZY), COALESCE(SUM(T.KWRATY), 0)
          FROM TERMINARZ T
         WHERE T.IDSTANU = :KONTO
           AND T.KWRATY > 0
           AND T.DATATRANSZY < :DZIEN
           AND (T.DATASPLATY IS NULL OR T.DATASPLATY > :DZIEN)
          INTO :RATA, :KWOTA;
        IF (RATA IS NOT NULL AND (NAJSTARSZA_RATA IS NULL OR RATA < NAJSTARSZA_RATA)) THEN
            NAJSTARSZA_RATA = RATA;
        KWOTA_ZALEGLA = KWOTA_ZALEGLA + KWOTA;
    END

    IF (NAJSTARSZA_RATA IS NOT NULL) THEN
    BEGIN
        DNI_ZALEGLOSCI = DATEDIFF(DAY FROM NAJSTARSZA_RATA TO DZIEN) - COALESCE(DNI_KARENCJI, 0);
        IF (DNI_ZALEGLOSCI < 0) THEN
            DNI_ZALEGLOSCI = 0;
    END
    SUSPEND;
END^
SET TERM ; ^
