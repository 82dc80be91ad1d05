-- The function catalogue "OrvaneDATA.DAT". SQLite index names are global to a
-- file, so each index is named after its table and its own name.
CREATE TABLE "Funcs" (
  "FN"           INTEGER NOT NULL CHECK ("FN" BETWEEN -32768 AND 32767),
  "FName"        TEXT    NOT NULL COLLATE NOCASE CHECK (length("FName") BETWEEN 1 AND 16),
  "Icycle"       INTEGER NOT NULL CHECK ("Icycle" BETWEEN -32768 AND 32767),
  "VolRam"       INTEGER NOT NULL CHECK ("VolRam" BETWEEN 0 AND 32767),
  "Inputs"       INTEGER NOT NULL CHECK ("Inputs" BETWEEN 0 AND 74),
  "Params"       INTEGER NOT NULL CHECK ("Params" BETWEEN 0 AND 74),
  "Hidden"       INTEGER NOT NULL CHECK ("Hidden" BETWEEN 0 AND 74),
  "Single"       INTEGER NOT NULL CHECK ("Single" BETWEEN -32768 AND 32767),
  "AuxAnalogs"   INTEGER NOT NULL CHECK ("AuxAnalogs" BETWEEN 0 AND 32767),
  "AuxDiscretes" INTEGER NOT NULL CHECK ("AuxDiscretes" BETWEEN 0 AND 32767),
  "Ftype"        INTEGER NOT NULL CHECK ("Ftype" BETWEEN -32768 AND 32767)
);
CREATE UNIQUE INDEX "Funcs.PrimaryKey" ON "Funcs" ("FN");
CREATE INDEX "Funcs.Fname" ON "Funcs" ("FName" COLLATE NOCASE);

CREATE TABLE "Params" (
  "FN"          INTEGER NOT NULL CHECK ("FN" BETWEEN -32768 AND 32767),
  "PN"          INTEGER NOT NULL CHECK ("PN" BETWEEN 1 AND 32767),
  "Description" TEXT    NOT NULL,
  "Offset"      INTEGER NOT NULL CHECK ("Offset" BETWEEN -32768 AND 32767),
  "Min"         INTEGER NOT NULL CHECK ("Min" BETWEEN -2147483648 AND 2147483647),
  "Max"         INTEGER NOT NULL CHECK ("Max" BETWEEN -2147483648 AND 2147483647),
  "Default"     INTEGER NOT NULL CHECK ("Default" BETWEEN -2147483648 AND 2147483647),
  "Decimal"     INTEGER NOT NULL CHECK ("Decimal" BETWEEN -32768 AND 32767),
  "Security"    INTEGER NOT NULL CHECK ("Security" BETWEEN -32768 AND 32767),
  "Type"        INTEGER NOT NULL CHECK ("Type" BETWEEN -32768 AND 32767)
);
CREATE UNIQUE INDEX "Params.PrimaryKey" ON "Params" ("FN", "PN");

CREATE TABLE "Inputs" (
  "FN"          INTEGER NOT NULL CHECK ("FN" BETWEEN -32768 AND 32767),
  "In"          INTEGER NOT NULL CHECK ("In" BETWEEN 1 AND 32767),
  "Description" TEXT    NOT NULL,
  "ShortName"   TEXT    NOT NULL,
  "Security"    INTEGER NOT NULL CHECK ("Security" BETWEEN -32768 AND 32767),
  "Type"        INTEGER NOT NULL CHECK ("Type" IN (1, 2))
);
CREATE UNIQUE INDEX "Inputs.PrimaryKey" ON "Inputs" ("FN", "In");

CREATE TABLE "AuxOutputs" (
  "FN"          INTEGER NOT NULL CHECK ("FN" BETWEEN -32768 AND 32767),
  "Kind"        TEXT    NOT NULL CHECK ("Kind" IN ('A', 'D')),
  "OutputNumber" INTEGER NOT NULL CHECK ("OutputNumber" BETWEEN 1 AND 32767),
  "Description" TEXT    NOT NULL
);
CREATE UNIQUE INDEX "AuxOutputs.PrimaryKey" ON "AuxOutputs" ("FN", "Kind", "OutputNumber");

CREATE TABLE "Version" (
  "VersionString" TEXT NOT NULL
);
