-- The catalogue's layout: the one source from which every empty catalogue is made.
--
-- Conventions the program relies on:
--   * every table has the key "Id INTEGER PRIMARY KEY AUTOINCREMENT" (never 0, never reused);
--   * a text column of width n is declared VARCHAR(n); memos are MEMO; 16-bit numbers SMALLINT;
--   * text columns compare with the collation KOLT (letter case ignored for all of Unicode);
--   * an index that the program names per table is stored as "<table>$<name>".

CREATE TABLE Movies (
  Id          INTEGER PRIMARY KEY AUTOINCREMENT,
  M_no        VARCHAR(10) COLLATE KOLT,
  Category    VARCHAR(20) COLLATE KOLT,
  Title       VARCHAR(70) COLLATE KOLT,
  Year        SMALLINT,
  Tot_time    VARCHAR(10) COLLATE KOLT,
  Date_aq     DATETIME,
  Media_type  VARCHAR(10) COLLATE KOLT,
  Director    VARCHAR(50) COLLATE KOLT,
  Prop        INTEGER,
  Description MEMO COLLATE KOLT
);

CREATE TABLE Mv_Cast (
  Id          INTEGER PRIMARY KEY AUTOINCREMENT,
  P_Id        INTEGER,
  Name        VARCHAR(30) COLLATE KOLT
);
CREATE INDEX "Mv_Cast$P_Id" ON Mv_Cast (P_Id);

CREATE TABLE Music (
  Id          INTEGER PRIMARY KEY AUTOINCREMENT,
  Category    VARCHAR(50) COLLATE KOLT,
  Title       VARCHAR(70) COLLATE KOLT,
  Artist      VARCHAR(50) COLLATE KOLT,
  Year        SMALLINT,
  Tot_time    VARCHAR(10) COLLATE KOLT,
  Date_aq     DATETIME,
  Media_type  VARCHAR(5) COLLATE KOLT,
  Description MEMO COLLATE KOLT
);

CREATE TABLE Mu_Songs (
  Id          INTEGER PRIMARY KEY AUTOINCREMENT,
  P_Id        INTEGER,
  Track       INTEGER,
  Title       VARCHAR(30) COLLATE KOLT,
  Time        VARCHAR(5) COLLATE KOLT
);
CREATE INDEX "Mu_Songs$P_Id" ON Mu_Songs (P_Id);

CREATE TABLE Books (
  Id          INTEGER PRIMARY KEY AUTOINCREMENT,
  Category    VARCHAR(20) COLLATE KOLT,
  Title       VARCHAR(70) COLLATE KOLT,
  Author      VARCHAR(50) COLLATE KOLT,
  Year        SMALLINT,
  Tot_pg      SMALLINT,
  Date_aq     DATETIME,
  Publishers  VARCHAR(30) COLLATE KOLT,
  Description MEMO COLLATE KOLT
);

CREATE TABLE Programs (
  Id          INTEGER PRIMARY KEY AUTOINCREMENT,
  M_no        VARCHAR(10) COLLATE KOLT,
  Category    VARCHAR(20) COLLATE KOLT,
  Name        VARCHAR(70) COLLATE KOLT,
  Version     VARCHAR(20) COLLATE KOLT,
  Year        SMALLINT,
  Size        VARCHAR(20) COLLATE KOLT,
  Date_aq     DATETIME,
  Media_type  VARCHAR(10) COLLATE KOLT,
  Author      VARCHAR(50) COLLATE KOLT,
  Description MEMO COLLATE KOLT
);

CREATE TABLE AddressBook (
  Id          INTEGER PRIMARY KEY AUTOINCREMENT,
  Category    VARCHAR(20) COLLATE KOLT,
  F_Name      VARCHAR(30) COLLATE KOLT,
  L_Name      VARCHAR(40) COLLATE KOLT,
  H_Addr1     VARCHAR(50) COLLATE KOLT,
  H_Addr2     VARCHAR(50) COLLATE KOLT,
  H_Pc        VARCHAR(30) COLLATE KOLT,
  H_Country   VARCHAR(30) COLLATE KOLT,
  H_Tel       VARCHAR(50) COLLATE KOLT,
  H_Mob       VARCHAR(50) COLLATE KOLT,
  H_Fax       VARCHAR(50) COLLATE KOLT,
  H_email     VARCHAR(50) COLLATE KOLT,
  H_www       VARCHAR(50) COLLATE KOLT,
  O_Comp      VARCHAR(50) COLLATE KOLT,
  O_Pos       VARCHAR(50) COLLATE KOLT,
  O_Addr1     VARCHAR(50) COLLATE KOLT,
  O_Addr2     VARCHAR(50) COLLATE KOLT,
  O_Pc        VARCHAR(30) COLLATE KOLT,
  O_Country   VARCHAR(30) COLLATE KOLT,
  O_Tel       VARCHAR(50) COLLATE KOLT,
  O_Mob       VARCHAR(50) COLLATE KOLT,
  O_Fax       VARCHAR(50) COLLATE KOLT,
  O_email     VARCHAR(50) COLLATE KOLT,
  O_www       VARCHAR(50) COLLATE KOLT,
  Description MEMO COLLATE KOLT
);

-- The nine lookup lists.
CREATE TABLE Movies_C   (Id INTEGER PRIMARY KEY AUTOINCREMENT, P_Id INTEGER, Name VARCHAR(50) COLLATE KOLT);
CREATE TABLE Movies_D   (Id INTEGER PRIMARY KEY AUTOINCREMENT, P_Id INTEGER, Name VARCHAR(50) COLLATE KOLT);
CREATE TABLE Movies_A   (Id INTEGER PRIMARY KEY AUTOINCREMENT, P_Id INTEGER, Name VARCHAR(50) COLLATE KOLT);
CREATE TABLE Music_C    (Id INTEGER PRIMARY KEY AUTOINCREMENT, P_Id INTEGER, Name VARCHAR(30) COLLATE KOLT);
CREATE TABLE Music_A    (Id INTEGER PRIMARY KEY AUTOINCREMENT, P_Id INTEGER, Name VARCHAR(50) COLLATE KOLT);
CREATE TABLE Books_C    (Id INTEGER PRIMARY KEY AUTOINCREMENT, P_Id INTEGER, Name VARCHAR(50) COLLATE KOLT);
CREATE TABLE Books_A    (Id INTEGER PRIMARY KEY AUTOINCREMENT, P_Id INTEGER, Name VARCHAR(50) COLLATE KOLT);
CREATE TABLE AddBook_C  (Id INTEGER PRIMARY KEY AUTOINCREMENT, P_Id INTEGER, Name VARCHAR(50) COLLATE KOLT);
CREATE TABLE Programs_C (Id INTEGER PRIMARY KEY AUTOINCREMENT, P_Id INTEGER, Name VARCHAR(50) COLLATE KOLT);

CREATE INDEX "Movies_C$Name"   ON Movies_C (Name);
CREATE INDEX "Movies_D$Name"   ON Movies_D (Name);
CREATE INDEX "Movies_A$Name"   ON Movies_A (Name);
CREATE INDEX "Music_C$Name"    ON Music_C (Name);
CREATE INDEX "Music_A$Name"    ON Music_A (Name);
CREATE INDEX "Books_C$Name"    ON Books_C (Name);
CREATE INDEX "Books_A$Name"    ON Books_A (Name);
CREATE INDEX "AddBook_C$Name"  ON AddBook_C (Name);
CREATE INDEX "Programs_C$Name" ON Programs_C (Name);

-- The catalogue's own settings (format, password verifier, collation version).
CREATE TABLE kolt_meta (
  key   TEXT PRIMARY KEY,
  value TEXT
);

-- Stored action statements: run by name, parameters given by position (?1 is the first).
CREATE TABLE kolt_querydefs (
  name   TEXT PRIMARY KEY COLLATE NOCASE,
  sql    TEXT NOT NULL,
  params TEXT NOT NULL
);

INSERT INTO kolt_querydefs (name, sql, params) VALUES
  ('UpdMv_Cast',  'UPDATE Mv_Cast SET P_Id = ?1 WHERE P_Id = 0',  '[mov_id]'),
  ('DelMv_Cast',  'DELETE FROM Mv_Cast WHERE P_Id = ?1',          '[mov_id]'),
  ('UpdMu_Songs', 'UPDATE Mu_Songs SET P_Id = ?1 WHERE P_Id = 0', '[mu_id]'),
  ('DelMu_Songs', 'DELETE FROM Mu_Songs WHERE P_Id = ?1',         '[mu_id]');
