// Kessig: the configuration store of the Orvane tool set.
//
// OrvaneDB wraps the function catalogue "OrvaneDATA.DAT" and one open
// configuration database behind table cursors: each cursor has move, seek,
// edit and update members and one property per field (a get and a let
// overload with the field's member name). Every failure is thrown as DbError
// with the number a user of such databases knows for the condition, or with
// SQLite's own code and message when SQLite itself fails. Every value read from
// a file and every value written is checked against its field: a value outside
// its field's type or range fails with a DbError naming the file, table, field and
// row, and every cursor walk ends.
#pragma once

#include <cstdint>
#include <memory>
#include <stdexcept>
#include <string>

struct sqlite3;

namespace kessig {

// A database failure: a number and the text that goes with it.
class DbError : public std::runtime_error {
public:
    DbError(int32_t number, const std::string& text);
    int32_t number() const noexcept { return number_; }
    std::string text() const { return what(); }

private:
    int32_t number_;
};

// Numbers of the cursor layer's failures.
namespace err {
inline constexpr int32_t InvalidUseOfNull = 94;      // a Null field read into a number or text
inline constexpr int32_t NoCurrentIndex = 3019;      // "Operation invalid without a current index."
inline constexpr int32_t UpdateWithoutEdit = 3020;   // "Update or CancelUpdate without AddNew or Edit."
inline constexpr int32_t NoCurrentRecord = 3021;     // "No current record."
inline constexpr int32_t DuplicateKey = 3022;        // duplicate value in a unique index
inline constexpr int32_t FileNotFound = 3024;        // "Could not find file '...'."
inline constexpr int32_t ReadOnlyDatabase = 3027;    // "Cannot update. Database or object is read-only."
inline constexpr int32_t FileInUse = 3045;           // the file is locked by another user
inline constexpr int32_t NullInKey = 3058;           // "Index or primary key cannot contain a Null value."
inline constexpr int32_t CannotOpenFile = 3051;      // no permission, or not a regular file
inline constexpr int32_t TableNotFound = 3078;       // "cannot find the input table or query '...'"
inline constexpr int32_t FieldTooSmall = 3163;       // "The field is too small to accept the amount of data ..."
inline constexpr int32_t ItemNotFound = 3265;        // "Item not found in this collection."
inline constexpr int32_t NullNotAllowed = 3314;      // a required field holds Null
inline constexpr int32_t ZeroLengthNotAllowed = 3315;// "Field '...' cannot be a zero-length string."
inline constexpr int32_t UnrecognizedFormat = 3343;  // "Unrecognized database format '...'."
inline constexpr int32_t NumericOverflow = 3349;     // "Numeric field overflow."
inline constexpr int32_t ObjectClosed = 3420;      // "Object invalid or no longer set." (nothing open)
inline constexpr int32_t ConversionError = 3421;     // "Data type conversion error."
} // namespace err

// How hard a configuration's commits are pushed to the disk.
//  Full:    every commit is synced; for files written in place (the user's own file).
//  Relaxed: commits reach the file at once but are not synced, and the file stays
//           locked to this object while open; for working copies, whose safety comes
//           from Save (a byte copy of the file always holds every committed write).
enum class Durability { Full, Relaxed };

// The settings every connection of this store runs with (SQLite's defensive mode,
// triggers and views off, an untrusted schema), so that nothing stored in a file can
// run. For a connection another library makes on a configuration an OrvaneDB has
// opened and checked, such as a Qt SQL grid on the working copy. Throws DbError.
void secureConnection(sqlite3* connection);

// A write into a configuration that did not finish (a program stopped, a full disk)
// leaves the file changed half way with its rollback journal ("NAME-journal") beside it;
// a file kept with a write-ahead log may hold committed changes in "NAME-wal" only.
// Whatever reads or copies such a file alone sees a configuration that never was.

// The journal or write-ahead log of an unfinished write beside `filename` (its links
// followed), or "" when none lies there. Cheap: it looks at the files beside it only.
std::string interruptedWriteBeside(const std::string& filename);

// Brings `filename` back to its last complete content through the database engine on the
// file itself: an unfinished write is undone from its journal, a write-ahead log is
// written into the file. Returns what was done, for the user, naming the file as
// nameInMessages (or filename); "" when there was nothing to do. Throws DbError with the
// true reason when it cannot be done: the file or its folder may not be written, the
// journal is not the file's own, or another program is writing the file right now.
std::string recoverInterruptedWrite(const std::string& filename, const std::string& nameInMessages = {});

class OrvaneDB {
public:
    OrvaneDB();
    ~OrvaneDB();
    OrvaneDB(const OrvaneDB&) = delete;
    OrvaneDB& operator=(const OrvaneDB&) = delete;

    // ---- Database operations -------------------------------------------
    // Opens Path + "/OrvaneDATA.DAT" read-only (others may read it meanwhile).
    void open_database(const std::string& Path);
    void close_database();
    // Creates and fills a new configuration; leaves it closed.
    void create_new_database(const std::string& filename);
    // Every file is checked before it is used: a file that is not a configuration, holds
    // anything that would run (triggers, views, generated columns, rules the store does
    // not know), is damaged, or has a value outside its field's rule is refused with a
    // DbError that says what was found. nameInMessages is the name those messages give the
    // file (the user's file when `filename` is a working copy of it); by default `filename`.

    // 0 when "Block List" of the file has the field VisioComment, else the error number of the lookup.
    int32_t TestVisioComments(const std::string& filename, const std::string& nameInMessages = {});
    // Adds VisioComment when missing, then opens the configuration and its five cursors.
    void open_existing_database(const std::string& filename, Durability durability = Durability::Full,
                                const std::string& nameInMessages = {});
    // True when the last open_existing_database had to add VisioComment: what
    // TestVisioComments would have said before it, without checking the file twice.
    bool AddedVisioComment() const;
    void close_work_dbs();
    bool ReadOnlyFile() const;
    // Opens a configuration only to read it (a compare): read-only, without adding
    // VisioComment to an older file, so the file is never changed; a missing
    // VisioComment reads as "". Messages name the file nameInMessages when given.
    void open_for_reading(const std::string& filename, const std::string& nameInMessages = {});
    // Whether "Block List" of the open configuration has the field VisioComment.
    bool HasVisioComment() const;

    // Extras of this implementation.
    bool CatalogueOpen() const;
    bool ConfigurationOpen() const;
    // Committed writes made to the open configuration through this object since it was opened.
    uint64_t WriteCount() const;
    // All-or-nothing changes of many rows: nothing between BeginTrans and CommitTrans
    // reaches the file unless CommitTrans succeeds; Rollback discards it.
    void BeginTrans();
    void CommitTrans();
    void Rollback();
    bool InTransaction() const;
    // While shared, other connections of this program (the quick-message grid) may read
    // and write the open configuration: a relaxed configuration gives up its exclusive
    // lock, and each commit locks the file for its own time only, until ShareFile(false).
    void ShareFile(bool shared);

    // ---- Block cursor ("Block List", index "BlockNumber") -------------------
    void BlockMoveFirst();
    void BlockMoveNext();
    void BlockEdit();
    void BlockUpdate();
    void BlockSeek(int16_t index);
    bool BlockEOF() const;
    int16_t BlockFn() const;
    void BlockFn(int16_t value);
    int16_t BlockNumber() const;
    int16_t BlockConstant() const;
    void BlockConstant(int16_t value);
    int16_t BlockTempRam() const;
    void BlockTempRam(int16_t value);
    int16_t BlockVolRam() const;
    void BlockVolRam(int16_t value);
    std::string BlockComment() const;          // "" when Null
    void BlockComment(const std::string& value);
    std::string BlockVisioComment() const;     // "" when Null
    void BlockVisioComment(const std::string& value);

    // ---- Message cursor ("Messages", index "PrimaryKey") --------------------
    void MessageMoveFirst();
    void MessageMoveNext();
    void MessageSeek(int16_t index);
    void MessageEdit();
    void MessageUpdate();
    std::string MessageMsg() const;
    void MessageMsg(const std::string& value);  // NUL padding at the end is dropped
    bool MessageEOF() const;
    int16_t MessageOffset() const;

    // ---- Comment cursor ("Comments", its single row) --------------------------
    void CommentEdit();
    void CommentUpdate();
    std::string CommentTitle() const;
    void CommentTitle(const std::string& value);
    std::string CommentComment() const;
    void CommentComment(const std::string& value);
    std::string CommentConfig() const;
    void CommentConfig(const std::string& value);

    // ---- Constant cursor ("Constants", index "PrimaryKey") --------------------
    void ConstantMoveFirst();
    void ConstantMoveNext();
    void ConstantAddNew();
    void ConstantEdit();
    void ConstantUpdate();
    void ConstantDelete();
    void ConstantSeek(int16_t index, int16_t index1);
    bool ConstantEOF() const;
    bool ConstantNoMatch() const;
    int16_t ConstantBlockNumber() const;
    void ConstantBlockNumber(int16_t value);
    int16_t ConstantOffset() const;
    void ConstantOffset(int16_t value);
    int32_t ConstantValue() const;
    void ConstantValue(int32_t value);

    // ---- Quick cursor ("QuickMessages", index "PrimaryKey") -------------------
    void QuickMoveFirst();
    void QuickMoveNext();
    void QuickSeek(int16_t index);
    void QuickEdit();
    void QuickUpdate();
    bool QuickEOF() const;
    int16_t QuickOffset() const;
    std::string QuickMessage() const;
    void QuickMessage(const std::string& value);   // NUL padding at the end is dropped
    std::string QuickBlock() const;                 // the Integer field as decimal text
    void QuickBlock(const std::string& value);
    std::string QuickParameter() const;
    void QuickParameter(const std::string& value);

    // ---- Func cursor (catalogue "Funcs"; read only) ---------------------------
    void FuncMoveFirst();
    void FuncMoveNext();
    bool FuncEOF() const;
    bool FuncNoMatch() const;
    int16_t FuncFN() const;
    std::string FuncName() const;
    int16_t FuncIcycle() const;
    int16_t FuncVolRam() const;
    int16_t FuncInputs() const;
    int16_t FuncParams() const;
    int16_t FuncHidden() const;
    int16_t FuncSingle() const;
    int16_t FuncAuxAnalogs() const;
    int16_t FuncAuxDiscretes() const;
    int16_t FuncFtype() const;
    void FuncSetIndex(const std::string& which);  // "FN": by number; anything else: by name
    void FuncSeekI(int16_t index);
    void FuncSeekS(const std::string& index);

    // ---- Param cursor (catalogue "Params"; read only) -------------------------
    int16_t ParamFN() const;
    int16_t ParamPN() const;
    std::string ParamDescription() const;
    int16_t ParamOffset() const;
    int32_t ParamMin() const;
    int32_t ParamMax() const;
    int32_t ParamDefault() const;
    int16_t ParamDecimal() const;
    int16_t ParamSecurity() const;
    int16_t ParamType() const;
    void ParamSeek(int16_t index, int16_t index1);

    // ---- Input cursor (catalogue "Inputs"; read only) -------------------------
    int16_t InputFN() const;
    int16_t InputIN() const;
    std::string InputDescription() const;
    std::string InputShortName() const;
    int16_t InputSecurity() const;
    int16_t InputType() const;
    void InputSeek(int16_t index, int16_t index1);

    // ---- Auxiliary outputs and version (catalogue; read only) -----------------
    std::string AuxDescription() const;
    void AuxSeek(int16_t index, const std::string& index1, int16_t index2);
    std::string Version() const;

private:
    struct Impl;
    std::unique_ptr<Impl> d_;
};

} // namespace kessig
