#include "kessig/OrvaneDB.h"

#include <sqlite3.h>
#include <sys/stat.h>

#include <cstdio>
#include <map>
#include <optional>
#include <string>

namespace kessig {

DbError::DbError(int32_t number, const std::string& text) : std::runtime_error(text), number_(number) {}

namespace {

const char* const kConfigSchema = R"SQL(
CREATE TABLE "Block List" (
  BlockNumber INTEGER NOT NULL CONSTRAINT "BlockNumber.range" CHECK (BlockNumber BETWEEN -32768 AND 32767),
  FunctionNumber INTEGER CONSTRAINT "FunctionNumber.range" CHECK (FunctionNumber BETWEEN -32768 AND 32767),
  Constants INTEGER CONSTRAINT "Constants.range" CHECK (Constants BETWEEN -32768 AND 32767),
  TempRam INTEGER CONSTRAINT "TempRam.range" CHECK (TempRam BETWEEN -32768 AND 32767),
  VolRam INTEGER CONSTRAINT "VolRam.range" CHECK (VolRam BETWEEN -32768 AND 32767),
  Comment TEXT,
  VisioComment TEXT);
CREATE UNIQUE INDEX "Block List.BlockNumber" ON "Block List"(BlockNumber);
CREATE TABLE Constants (
  BlockNumber INTEGER NOT NULL CONSTRAINT "BlockNumber.range" CHECK (BlockNumber BETWEEN -32768 AND 32767),
  Offset INTEGER NOT NULL CONSTRAINT "Offset.range" CHECK (Offset BETWEEN -32768 AND 32767),
  ConstantValue INTEGER CONSTRAINT "ConstantValue.range" CHECK (ConstantValue BETWEEN -2147483648 AND 2147483647));
CREATE UNIQUE INDEX "Constants.PrimaryKey" ON Constants(BlockNumber, Offset);
CREATE TABLE Messages (
  Offset INTEGER NOT NULL CONSTRAINT "Offset.range" CHECK (Offset BETWEEN -32768 AND 32767),
  Message TEXT CONSTRAINT "Message.length" CHECK (length(Message) <= 16) CONSTRAINT "Message.zerolength" CHECK (Message <> ''));
CREATE UNIQUE INDEX "Messages.PrimaryKey" ON Messages(Offset);
CREATE TABLE QuickMessages (
  Offset INTEGER NOT NULL CONSTRAINT "Offset.range" CHECK (Offset BETWEEN -32768 AND 32767),
  Message TEXT CONSTRAINT "Message.length" CHECK (length(Message) <= 16) CONSTRAINT "Message.zerolength" CHECK (Message <> ''),
  Block INTEGER CONSTRAINT "Block.range" CHECK (Block BETWEEN -32768 AND 32767),
  Parameter INTEGER CONSTRAINT "Parameter.range" CHECK (Parameter BETWEEN -32768 AND 32767));
CREATE UNIQUE INDEX "QuickMessages.PrimaryKey" ON QuickMessages(Offset);
CREATE TABLE Comments (
  Title TEXT CONSTRAINT "Title.length" CHECK (length(Title) <= 80),
  Comment TEXT,
  Config TEXT CONSTRAINT "Config.length" CHECK (length(Config) <= 80));
CREATE TABLE Calibration (
  ZeroCal INTEGER CONSTRAINT "ZeroCal.range" CHECK (ZeroCal BETWEEN -2147483648 AND 2147483647),
  FullCal INTEGER CONSTRAINT "FullCal.range" CHECK (FullCal BETWEEN -2147483648 AND 2147483647),
  IsCal INTEGER CONSTRAINT "IsCal.range" CHECK (IsCal BETWEEN 0 AND 255));
)SQL";

// Maps a failed step to the number a caller of this store expects; named
// constraints tell which rule was broken.
[[noreturn]] void throwSqlite(sqlite3* db, int rc) {
    const std::string msg = db ? sqlite3_errmsg(db) : sqlite3_errstr(rc);
    const int ext = db ? sqlite3_extended_errcode(db) : rc;
    if (ext == SQLITE_CONSTRAINT_UNIQUE || ext == SQLITE_CONSTRAINT_PRIMARYKEY)
        throw DbError(err::DuplicateKey, "The changes you requested to the table were not successful because they would create duplicate values in the index, primary key, or relationship.");
    if (ext == SQLITE_CONSTRAINT_CHECK) {
        if (msg.find(".range") != std::string::npos) throw DbError(err::NumericOverflow, "Numeric field overflow.");
        if (msg.find(".length") != std::string::npos) throw DbError(err::FieldTooSmall, "The field is too small to accept the amount of data you attempted to add.");
        if (msg.find(".zerolength") != std::string::npos) throw DbError(err::ZeroLengthNotAllowed, "Field cannot be a zero-length string.");
    }
    if (ext == SQLITE_CONSTRAINT_NOTNULL) throw DbError(err::NullNotAllowed, "Field cannot contain a Null value.");
    if ((ext & 0xff) == SQLITE_READONLY) throw DbError(err::ReadOnlyDatabase, "Cannot update. Database or object is read-only.");
    if ((ext & 0xff) == SQLITE_NOTADB) throw DbError(err::UnrecognizedFormat, "Unrecognized database format.");
    throw DbError(ext, msg);
}

class Statement {
public:
    Statement(sqlite3* db, const char* sql) : db_(db) {
        const int rc = sqlite3_prepare_v3(db, sql, -1, SQLITE_PREPARE_PERSISTENT, &stmt_, nullptr);
        if (rc != SQLITE_OK) throwSqlite(db, rc);
    }
    ~Statement() { sqlite3_finalize(stmt_); }
    Statement(const Statement&) = delete;
    Statement& operator=(const Statement&) = delete;
    void bind(int i, int64_t v) { sqlite3_bind_int64(stmt_, i, v); }
    void bind(int i, const std::string& v) { sqlite3_bind_text(stmt_, i, v.data(), static_cast<int>(v.size()), SQLITE_TRANSIENT); }
    bool step() {
        const int rc = sqlite3_step(stmt_);
        if (rc == SQLITE_ROW) return true;
        if (rc == SQLITE_DONE) { sqlite3_reset(stmt_); return false; }
        sqlite3_reset(stmt_);
        throwSqlite(db_, rc);
    }
    void reset() { sqlite3_reset(stmt_); sqlite3_clear_bindings(stmt_); }
    std::optional<int64_t> integer(int c) const {
        if (sqlite3_column_type(stmt_, c) == SQLITE_NULL) return std::nullopt;
        return sqlite3_column_int64(stmt_, c);
    }
    std::optional<std::string> text(int c) const {
        if (sqlite3_column_type(stmt_, c) == SQLITE_NULL) return std::nullopt;
        return std::string(reinterpret_cast<const char*>(sqlite3_column_text(stmt_, c)));
    }

private:
    sqlite3* db_;
    sqlite3_stmt* stmt_ = nullptr;
};

void exec(sqlite3* db, const char* sql) {
    const int rc = sqlite3_exec(db, sql, nullptr, nullptr, nullptr);
    if (rc != SQLITE_OK) throwSqlite(db, rc);
}

struct BlockRow {
    int16_t number = 0, fn = 0, constants = 0, tempRam = 0, volRam = 0;
    std::string comment, visio;
};

} // namespace

struct OrvaneDB::Impl {
    sqlite3* config = nullptr;
    // Cursor steps reuse their statements instead of parsing SQL again.
    std::map<std::string, std::unique_ptr<Statement>> statements;
    Statement& prepared(const char* sql) {
        auto& slot = statements[sql];
        if (!slot) slot = std::make_unique<Statement>(config, sql);
        slot->reset();
        return *slot;
    }
    bool readOnly = false;
    uint64_t writes = 0;
    bool inTrans = false;
    std::optional<BlockRow> block;
    bool blockEditing = false;
    struct ConstantRow { int16_t block = 0, offset = 0; int32_t value = 0; };
    std::optional<ConstantRow> constant;
    std::optional<std::pair<int16_t, int16_t>> constantAfterDelete;  // where MoveNext resumes
    enum class Pending { None, Edit, AddNew } constantPending = Pending::None;
    ConstantRow constantBuffer;
    std::optional<int16_t> constantOldBlock, constantOldOffset;
    bool constantNoMatch = false;

    void loadConstant(const char* sql, std::optional<std::pair<int16_t, int16_t>> key) {
        requireConfig();
        Statement& s = prepared(sql);
        if (key) { s.bind(1, key->first); s.bind(2, key->second); }
        constantPending = Pending::None;
        constantAfterDelete.reset();
        constant.reset();
        if (s.step())
            constant = ConstantRow{static_cast<int16_t>(s.integer(0).value_or(0)), static_cast<int16_t>(s.integer(1).value_or(0)),
                                   static_cast<int32_t>(s.integer(2).value_or(0))};
        s.reset();  // ends the read so other connections may write
    }
    ConstantRow& constantLet() {
        if (constantPending == Pending::None) throw DbError(err::UpdateWithoutEdit, "Update or CancelUpdate without AddNew or Edit.");
        return constantBuffer;
    }
    const ConstantRow& constantRead() const {
        if (constantPending != Pending::None) return constantBuffer;
        if (!constant) throw DbError(err::NoCurrentRecord, "No current record.");
        return *constant;
    }
    void requireWritable() const {
        requireConfig();
        if (readOnly) throw DbError(err::ReadOnlyDatabase, "Cannot update. Database or object is read-only.");
    }
    void countWrite() { if (!inTrans) ++writes; }

    struct MessageRow { int16_t offset = 0; std::string text; };
    std::optional<MessageRow> message;
    bool messageEditing = false;
    void loadMessage(const char* sql, std::optional<int64_t> key) {
        requireConfig();
        Statement& s = prepared(sql);
        if (key) s.bind(1, *key);
        messageEditing = false;
        message.reset();
        if (s.step()) message = MessageRow{static_cast<int16_t>(s.integer(0).value_or(0)), s.text(1).value_or("")};
        s.reset();  // ends the read so other connections may write
    }
    MessageRow& currentMessage() {
        if (!message) throw DbError(err::NoCurrentRecord, "No current record.");
        return *message;
    }
    struct QuickRow { int16_t offset = 0; std::string text; int16_t block = 0, parameter = 0; };
    std::optional<QuickRow> quick;
    bool quickEditing = false;
    void loadQuick(const char* sql, std::optional<int64_t> key) {
        requireConfig();
        Statement& s = prepared(sql);
        if (key) s.bind(1, *key);
        quickEditing = false;
        quick.reset();
        if (s.step())
            quick = QuickRow{static_cast<int16_t>(s.integer(0).value_or(0)), s.text(1).value_or(""),
                             static_cast<int16_t>(s.integer(2).value_or(0)), static_cast<int16_t>(s.integer(3).value_or(0))};
        s.reset();  // ends the read so other connections may write
    }
    QuickRow& currentQuick() {
        if (!quick) throw DbError(err::NoCurrentRecord, "No current record.");
        return *quick;
    }
    QuickRow& quickLet() {
        if (!quickEditing) throw DbError(err::UpdateWithoutEdit, "Update or CancelUpdate without AddNew or Edit.");
        return *quick;
    }
    struct CommentRow { int64_t rowid = 0; std::string title, comment, config; };
    std::optional<CommentRow> comments;
    bool commentEditing = false;
    void loadComments() {
        Statement& s = prepared("SELECT rowid, Title, Comment, Config FROM Comments ORDER BY rowid LIMIT 1");
        commentEditing = false;
        comments.reset();
        if (s.step())
            comments = CommentRow{s.integer(0).value_or(0), s.text(1).value_or(""), s.text(2).value_or(""), s.text(3).value_or("")};
        s.reset();  // ends the read so other connections may write
    }
    const CommentRow& currentComments() const {
        if (!comments) throw DbError(err::NoCurrentRecord, "No current record.");
        return *comments;
    }
    CommentRow& commentLet() {
        if (!commentEditing) throw DbError(err::UpdateWithoutEdit, "Update or CancelUpdate without AddNew or Edit.");
        return *comments;
    }
    void forgetRows() {
        comments.reset();
        commentEditing = false;
        block.reset(); constant.reset(); constantAfterDelete.reset(); message.reset(); quick.reset();
        blockEditing = messageEditing = quickEditing = false;
        constantPending = Pending::None;
    }

    void requireConfig() const {
        if (!config) throw DbError(err::NoCurrentRecord, "No current record.");
    }
    void loadBlock(const char* sql, std::optional<int64_t> key) {
        requireConfig();
        Statement& s = prepared(sql);
        if (key) s.bind(1, *key);
        blockEditing = false;
        block.reset();
        if (s.step()) {
            BlockRow r;
            r.number = static_cast<int16_t>(s.integer(0).value_or(0));
            r.fn = static_cast<int16_t>(s.integer(1).value_or(0));
            r.constants = static_cast<int16_t>(s.integer(2).value_or(0));
            r.tempRam = static_cast<int16_t>(s.integer(3).value_or(0));
            r.volRam = static_cast<int16_t>(s.integer(4).value_or(0));
            r.comment = s.text(5).value_or("");
            r.visio = s.text(6).value_or("");
            block = r;
        }
        s.reset();  // ends the read so other connections may write
    }
    const BlockRow& currentBlock() const {
        if (!block) throw DbError(err::NoCurrentRecord, "No current record.");
        return *block;
    }
    BlockRow& editableBlock() {
        if (!blockEditing) throw DbError(err::UpdateWithoutEdit, "Update or CancelUpdate without AddNew or Edit.");
        return *block;
    }
    void close() {
        statements.clear();
        if (config) sqlite3_close_v2(config);
        config = nullptr;
        forgetRows();
        inTrans = false;
    }
};

OrvaneDB::OrvaneDB() : d_(std::make_unique<Impl>()) {}
OrvaneDB::~OrvaneDB() { d_->close(); }

void OrvaneDB::create_new_database(const std::string& filename) {
    struct stat st {};
    if (::stat(filename.c_str(), &st) == 0)
        throw DbError(err::CannotOpenFile, "Database '" + filename + "' already exists.");
    sqlite3* db = nullptr;
    int rc = sqlite3_open_v2(filename.c_str(), &db, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE, nullptr);
    try {
        if (rc != SQLITE_OK) throwSqlite(db, rc);
        exec(db, "PRAGMA synchronous=FULL; BEGIN;");
        exec(db, kConfigSchema);
        exec(db, R"SQL(
WITH RECURSIVE n(i) AS (SELECT 0 UNION ALL SELECT i+1 FROM n WHERE i < 159)
INSERT INTO "Block List" SELECT i, CASE i WHEN 0 THEN 0 WHEN 1 THEN 1 WHEN 2 THEN 90 WHEN 3 THEN 91 ELSE 127 END, 0, 0, 0, '', '' FROM n;
INSERT INTO Comments VALUES ('', '', '');
WITH RECURSIVE n(i) AS (SELECT 0 UNION ALL SELECT i+1 FROM n WHERE i < 19)
INSERT INTO Messages SELECT i, CASE WHEN i < 10 THEN 'CH ' || (i+1) ELSE 'ALM ' || (i-9) END FROM n;
WITH RECURSIVE n(i) AS (SELECT 0 UNION ALL SELECT i+1 FROM n WHERE i < 7)
INSERT INTO QuickMessages SELECT i, 'QMSG ' || (i+1), 4, 1 FROM n;
WITH RECURSIVE n(i) AS (SELECT 0 UNION ALL SELECT i+1 FROM n WHERE i < 20)
INSERT INTO Calibration SELECT 0, 0, 0 FROM n;
COMMIT;)SQL");
        sqlite3_close_v2(db);
    } catch (...) {
        sqlite3_close_v2(db);
        std::remove(filename.c_str());
        throw;
    }
}

void OrvaneDB::open_existing_database(const std::string& filename, Durability durability) {
    close_work_dbs();
    struct stat st {};
    if (::stat(filename.c_str(), &st) != 0)
        throw DbError(err::FileNotFound, "Could not find file '" + filename + "'.");
    if (!S_ISREG(st.st_mode))
        throw DbError(err::CannotOpenFile, "Could not open file '" + filename + "': not a regular file.");
    if (st.st_size == 0)
        throw DbError(err::UnrecognizedFormat, "Unrecognized database format '" + filename + "'.");
    const bool readOnly = (st.st_mode & S_IWUSR) == 0;
    sqlite3* db = nullptr;
    const int rc = sqlite3_open_v2(filename.c_str(), &db, readOnly ? SQLITE_OPEN_READONLY : SQLITE_OPEN_READWRITE, nullptr);
    try {
        if (rc != SQLITE_OK) throwSqlite(db, rc);
        Statement check(db, "SELECT count(*) FROM sqlite_master WHERE type='table' AND name IN ('Block List','Constants','Messages','QuickMessages','Comments','Calibration')");
        check.step();
        if (check.integer(0).value_or(0) != 6)
            throw DbError(err::UnrecognizedFormat, "Unrecognized database format '" + filename + "'.");
        check.reset();
        // Commits go to the main file at once (no WAL) so its modification time shows every change.
        exec(db, durability == Durability::Full ? "PRAGMA journal_mode=DELETE; PRAGMA synchronous=FULL;"
                                                : "PRAGMA journal_mode=PERSIST; PRAGMA synchronous=OFF;");
    } catch (DbError& e) {
        sqlite3_close_v2(db);
        if (e.number() == SQLITE_NOTADB || e.number() == SQLITE_CORRUPT)
            throw DbError(err::UnrecognizedFormat, "Unrecognized database format '" + filename + "'.");
        throw;
    }
    d_->config = db;
    d_->readOnly = readOnly;
    d_->writes = 0;
    d_->loadComments();
}

void OrvaneDB::close_work_dbs() { d_->close(); }
bool OrvaneDB::ReadOnlyFile() const { return d_->readOnly; }
bool OrvaneDB::ConfigurationOpen() const { return d_->config != nullptr; }
uint64_t OrvaneDB::WriteCount() const { return d_->writes; }

void OrvaneDB::BlockMoveFirst() {
    d_->loadBlock("SELECT * FROM \"Block List\" ORDER BY BlockNumber LIMIT 1", std::nullopt);
}
void OrvaneDB::BlockMoveNext() {
    const int16_t at = d_->currentBlock().number;
    d_->loadBlock("SELECT * FROM \"Block List\" WHERE BlockNumber > ?1 ORDER BY BlockNumber LIMIT 1", at);
}
void OrvaneDB::BlockSeek(int16_t index) {
    d_->loadBlock("SELECT * FROM \"Block List\" WHERE BlockNumber = ?1", index);
}
bool OrvaneDB::BlockEOF() const { return !d_->block; }
void OrvaneDB::BlockEdit() {
    d_->currentBlock();
    if (d_->readOnly) throw DbError(err::ReadOnlyDatabase, "Cannot update. Database or object is read-only.");
    d_->blockEditing = true;
}
void OrvaneDB::BlockUpdate() {
    const BlockRow r = d_->editableBlock();
    Statement& s = d_->prepared("UPDATE \"Block List\" SET FunctionNumber=?2, Constants=?3, TempRam=?4, VolRam=?5, Comment=?6, VisioComment=?7 WHERE BlockNumber=?1");
    s.bind(1, r.number); s.bind(2, r.fn); s.bind(3, r.constants); s.bind(4, r.tempRam); s.bind(5, r.volRam);
    s.bind(6, r.comment); s.bind(7, r.visio);
    s.step();
    d_->blockEditing = false;
    d_->countWrite();
}
int16_t OrvaneDB::BlockFn() const { return d_->currentBlock().fn; }
void OrvaneDB::BlockFn(int16_t value) { d_->editableBlock().fn = value; }
int16_t OrvaneDB::BlockNumber() const { return d_->currentBlock().number; }
int16_t OrvaneDB::BlockConstant() const { return d_->currentBlock().constants; }
void OrvaneDB::BlockConstant(int16_t value) { d_->editableBlock().constants = value; }
int16_t OrvaneDB::BlockTempRam() const { return d_->currentBlock().tempRam; }
void OrvaneDB::BlockTempRam(int16_t value) { d_->editableBlock().tempRam = value; }
int16_t OrvaneDB::BlockVolRam() const { return d_->currentBlock().volRam; }
void OrvaneDB::BlockVolRam(int16_t value) { d_->editableBlock().volRam = value; }
std::string OrvaneDB::BlockComment() const { return d_->currentBlock().comment; }
void OrvaneDB::BlockComment(const std::string& value) { d_->editableBlock().comment = value; }
std::string OrvaneDB::BlockVisioComment() const { return d_->currentBlock().visio; }
void OrvaneDB::BlockVisioComment(const std::string& value) { d_->editableBlock().visio = value; }

void OrvaneDB::ConstantMoveFirst() {
    d_->loadConstant("SELECT * FROM Constants ORDER BY BlockNumber, Offset LIMIT 1", std::nullopt);
}
void OrvaneDB::ConstantMoveNext() {
    std::pair<int16_t, int16_t> at;
    if (d_->constantAfterDelete) at = *d_->constantAfterDelete;
    else at = {d_->constantRead().block, d_->constantRead().offset};
    d_->loadConstant("SELECT * FROM Constants WHERE (BlockNumber, Offset) > (?1, ?2) ORDER BY BlockNumber, Offset LIMIT 1", at);
}
void OrvaneDB::ConstantSeek(int16_t index, int16_t index1) {
    d_->loadConstant("SELECT * FROM Constants WHERE BlockNumber = ?1 AND Offset = ?2", std::pair{index, index1});
    d_->constantNoMatch = !d_->constant;
}
bool OrvaneDB::ConstantEOF() const { return !d_->constant && !d_->constantAfterDelete; }
bool OrvaneDB::ConstantNoMatch() const { return d_->constantNoMatch; }
void OrvaneDB::ConstantEdit() {
    d_->requireWritable();
    if (!d_->constant) throw DbError(err::NoCurrentRecord, "No current record.");
    d_->constantBuffer = *d_->constant;
    d_->constantPending = Impl::Pending::Edit;
}
void OrvaneDB::ConstantAddNew() {
    d_->requireWritable();
    d_->constantBuffer = {};
    d_->constantPending = Impl::Pending::AddNew;
}
void OrvaneDB::ConstantUpdate() {
    const Impl::ConstantRow r = d_->constantLet();
    if (d_->constantPending == Impl::Pending::Edit) {
        Statement& s = d_->prepared("UPDATE Constants SET BlockNumber=?1, Offset=?2, ConstantValue=?3 WHERE BlockNumber=?4 AND Offset=?5");
        s.bind(1, r.block); s.bind(2, r.offset); s.bind(3, r.value);
        s.bind(4, d_->constant->block); s.bind(5, d_->constant->offset);
        s.step();
        d_->constant = r;
    } else {
        Statement& s = d_->prepared("INSERT INTO Constants VALUES (?1, ?2, ?3)");
        s.bind(1, r.block); s.bind(2, r.offset); s.bind(3, r.value);
        s.step();
    }
    d_->constantPending = Impl::Pending::None;
    d_->countWrite();
}

void OrvaneDB::BeginTrans() {
    d_->requireConfig();
    if (d_->inTrans) throw DbError(SQLITE_ERROR, "A transaction is already open.");
    exec(d_->config, "BEGIN");
    d_->inTrans = true;
}
void OrvaneDB::CommitTrans() {
    if (!d_->inTrans) throw DbError(SQLITE_ERROR, "No transaction is open.");
    exec(d_->config, "COMMIT");
    d_->inTrans = false;
    ++d_->writes;
}
void OrvaneDB::Rollback() {
    if (!d_->inTrans) throw DbError(SQLITE_ERROR, "No transaction is open.");
    exec(d_->config, "ROLLBACK");
    d_->inTrans = false;
    d_->forgetRows();
}
bool OrvaneDB::InTransaction() const { return d_->inTrans; }

void OrvaneDB::MessageMoveFirst() { d_->loadMessage("SELECT * FROM Messages ORDER BY Offset LIMIT 1", std::nullopt); }
void OrvaneDB::MessageMoveNext() {
    const int16_t at = d_->currentMessage().offset;
    d_->loadMessage("SELECT * FROM Messages WHERE Offset > ?1 ORDER BY Offset LIMIT 1", at);
}
void OrvaneDB::MessageSeek(int16_t index) { d_->loadMessage("SELECT * FROM Messages WHERE Offset = ?1", index); }
void OrvaneDB::MessageEdit() {
    d_->requireWritable();
    d_->currentMessage();
    d_->messageEditing = true;
}
void OrvaneDB::MessageUpdate() {
    if (!d_->messageEditing) throw DbError(err::UpdateWithoutEdit, "Update or CancelUpdate without AddNew or Edit.");
    const Impl::MessageRow r = *d_->message;
    Statement& s = d_->prepared("UPDATE Messages SET Message=?2 WHERE Offset=?1");
    s.bind(1, r.offset);
    s.bind(2, r.text);
    try {
        s.step();
    } catch (...) {
        d_->loadMessage("SELECT * FROM Messages WHERE Offset = ?1", r.offset);
        throw;
    }
    d_->messageEditing = false;
    d_->countWrite();
}
std::string OrvaneDB::MessageMsg() const {
    if (!d_->message) throw DbError(err::NoCurrentRecord, "No current record.");
    return d_->message->text;
}
void OrvaneDB::MessageMsg(const std::string& value) {
    if (!d_->messageEditing) throw DbError(err::UpdateWithoutEdit, "Update or CancelUpdate without AddNew or Edit.");
    // The upload passes fixed-width records padded with NUL characters.
    d_->message->text = value.substr(0, value.find('\0'));
}
void OrvaneDB::ConstantDelete() {
    d_->requireWritable();
    if (!d_->constant || d_->constantPending != Impl::Pending::None) throw DbError(err::NoCurrentRecord, "No current record.");
    Statement& s = d_->prepared("DELETE FROM Constants WHERE BlockNumber=?1 AND Offset=?2");
    s.bind(1, d_->constant->block); s.bind(2, d_->constant->offset);
    s.step();
    d_->constantAfterDelete = std::pair{d_->constant->block, d_->constant->offset};
    d_->constant.reset();
    d_->countWrite();
}
int16_t OrvaneDB::ConstantBlockNumber() const { return d_->constantRead().block; }
void OrvaneDB::ConstantBlockNumber(int16_t value) { d_->constantLet().block = value; }
int16_t OrvaneDB::ConstantOffset() const { return d_->constantRead().offset; }
void OrvaneDB::ConstantOffset(int16_t value) { d_->constantLet().offset = value; }
int32_t OrvaneDB::ConstantValue() const { return d_->constantRead().value; }
void OrvaneDB::ConstantValue(int32_t value) { d_->constantLet().value = value; }

namespace {
int16_t parseInteger(const std::string& text) {
    size_t used = 0;
    long long v = 0;
    try {
        v = std::stoll(text, &used, 10);
    } catch (const std::out_of_range&) {
        throw DbError(err::NumericOverflow, "Numeric field overflow.");
    } catch (const std::invalid_argument&) {
        throw DbError(err::ConversionError, "Data type conversion error.");
    }
    if (used != text.size()) throw DbError(err::ConversionError, "Data type conversion error.");
    if (v < -32768 || v > 32767) throw DbError(err::NumericOverflow, "Numeric field overflow.");
    return static_cast<int16_t>(v);
}
} // namespace

void OrvaneDB::QuickMoveFirst() { d_->loadQuick("SELECT * FROM QuickMessages ORDER BY Offset LIMIT 1", std::nullopt); }
void OrvaneDB::QuickMoveNext() {
    const int16_t at = d_->currentQuick().offset;
    d_->loadQuick("SELECT * FROM QuickMessages WHERE Offset > ?1 ORDER BY Offset LIMIT 1", at);
}
void OrvaneDB::QuickSeek(int16_t index) { d_->loadQuick("SELECT * FROM QuickMessages WHERE Offset = ?1", index); }
bool OrvaneDB::QuickEOF() const { return !d_->quick; }
void OrvaneDB::QuickEdit() {
    d_->requireWritable();
    d_->currentQuick();
    d_->quickEditing = true;
}
void OrvaneDB::QuickUpdate() {
    const Impl::QuickRow r = d_->quickLet();
    Statement& s = d_->prepared("UPDATE QuickMessages SET Message=?2, Block=?3, Parameter=?4 WHERE Offset=?1");
    s.bind(1, r.offset); s.bind(2, r.text); s.bind(3, r.block); s.bind(4, r.parameter);
    try {
        s.step();
    } catch (...) {
        d_->loadQuick("SELECT * FROM QuickMessages WHERE Offset = ?1", r.offset);
        throw;
    }
    d_->quickEditing = false;
    d_->countWrite();
}
std::string OrvaneDB::QuickMessage() const {
    if (!d_->quick) throw DbError(err::NoCurrentRecord, "No current record.");
    return d_->quick->text;
}
void OrvaneDB::QuickMessage(const std::string& value) { d_->quickLet().text = value.substr(0, value.find('\0')); }
std::string OrvaneDB::QuickBlock() const {
    if (!d_->quick) throw DbError(err::NoCurrentRecord, "No current record.");
    return std::to_string(d_->quick->block);
}
void OrvaneDB::QuickBlock(const std::string& value) {
    const int16_t v = parseInteger(value);
    d_->quickLet().block = v;
}
std::string OrvaneDB::QuickParameter() const {
    if (!d_->quick) throw DbError(err::NoCurrentRecord, "No current record.");
    return std::to_string(d_->quick->parameter);
}
void OrvaneDB::QuickParameter(const std::string& value) {
    const int16_t v = parseInteger(value);
    d_->quickLet().parameter = v;
}

void OrvaneDB::CommentEdit() {
    d_->requireWritable();
    d_->currentComments();
    d_->commentEditing = true;
}
void OrvaneDB::CommentUpdate() {
    const Impl::CommentRow r = d_->commentLet();
    Statement& s = d_->prepared("UPDATE Comments SET Title=?2, Comment=?3, Config=?4 WHERE rowid=?1");
    s.bind(1, r.rowid); s.bind(2, r.title); s.bind(3, r.comment); s.bind(4, r.config);
    try {
        s.step();
    } catch (...) {
        d_->loadComments();
        throw;
    }
    d_->commentEditing = false;
    d_->countWrite();
}
std::string OrvaneDB::CommentTitle() const { return d_->currentComments().title; }
void OrvaneDB::CommentTitle(const std::string& value) { d_->commentLet().title = value; }
std::string OrvaneDB::CommentComment() const { return d_->currentComments().comment; }
void OrvaneDB::CommentComment(const std::string& value) { d_->commentLet().comment = value; }
std::string OrvaneDB::CommentConfig() const { return d_->currentComments().config; }
void OrvaneDB::CommentConfig(const std::string& value) { d_->commentLet().config = value; }

} // namespace kessig
