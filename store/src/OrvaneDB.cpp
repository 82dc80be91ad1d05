#include "kessig/OrvaneDB.h"

#include "Catalogue.h"
#include "Sqlite.h"

#include <sqlite3.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include <cstdio>
#include <map>
#include <optional>
#include <string>

namespace kessig {

using detail::Statement;
using detail::exec;
using detail::throwSqlite;

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

// Fields other than the keys may hold Null; reading a Null is an error except where
// a member says otherwise.
using OptInt = std::optional<int64_t>;
using OptText = std::optional<std::string>;

template <class T>
T notNull(const std::optional<T>& v) {
    if (!v) throw DbError(err::InvalidUseOfNull, "Invalid use of Null.");
    return *v;
}
int16_t int16(const OptInt& v) { return static_cast<int16_t>(notNull(v)); }
int32_t int32(const OptInt& v) { return static_cast<int32_t>(notNull(v)); }

// Text enters the store as UTF-8; anything else would be stored as garbage.
const std::string& checkedText(const std::string& v) {
    size_t i = 0;
    while (i < v.size()) {
        const auto c = static_cast<unsigned char>(v[i]);
        size_t extra = c < 0x80 ? 0 : (c >> 5) == 0x6 ? 1 : (c >> 4) == 0xe ? 2 : (c >> 3) == 0x1e ? 3 : 4;
        if (extra == 4 || (extra && (c == 0xc0 || c == 0xc1)) || i + extra >= v.size() + (extra ? 0 : 1))
            throw DbError(err::ConversionError, "Data type conversion error: the text is not valid UTF-8.");
        for (size_t k = 1; k <= extra; ++k)
            if ((static_cast<unsigned char>(v[i + k]) >> 6) != 0x2)
                throw DbError(err::ConversionError, "Data type conversion error: the text is not valid UTF-8.");
        i += extra + 1;
    }
    return v;
}

struct BlockRow {
    int16_t number = 0;
    OptInt fn, constants, tempRam, volRam;
    OptText comment, visio;
};

} // namespace

struct OrvaneDB::Impl {
    detail::Catalogue catalogue;
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
    struct ConstantRow { int16_t block = 0, offset = 0; OptInt value; };
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
            constant = ConstantRow{int16(s.integer(0)), int16(s.integer(1)), s.integer(2)};
        s.reset();  // ends the read so other connections may write
    }
    ConstantRow& constantLet() {
        if (constantPending == Pending::None) throw detail::updateWithoutEdit();
        return constantBuffer;
    }
    const ConstantRow& constantRead() const {
        if (constantPending != Pending::None) return constantBuffer;
        if (!constant) throw detail::noCurrentRecord();
        return *constant;
    }
    void requireWritable() const {
        requireConfig();
        if (readOnly) throw detail::readOnlyDatabase();
    }
    void countWrite() { if (!inTrans) ++writes; }

    struct MessageRow { int16_t offset = 0; OptText text; };
    std::optional<MessageRow> message;
    bool messageEditing = false;
    void loadMessage(const char* sql, std::optional<int64_t> key) {
        requireConfig();
        Statement& s = prepared(sql);
        if (key) s.bind(1, *key);
        messageEditing = false;
        message.reset();
        if (s.step()) message = MessageRow{int16(s.integer(0)), s.text(1)};
        s.reset();  // ends the read so other connections may write
    }
    MessageRow& currentMessage() {
        if (!message) throw detail::noCurrentRecord();
        return *message;
    }
    struct QuickRow { int16_t offset = 0; OptText text; OptInt block, parameter; };
    std::optional<QuickRow> quick;
    bool quickEditing = false;
    void loadQuick(const char* sql, std::optional<int64_t> key) {
        requireConfig();
        Statement& s = prepared(sql);
        if (key) s.bind(1, *key);
        quickEditing = false;
        quick.reset();
        if (s.step())
            quick = QuickRow{int16(s.integer(0)), s.text(1), s.integer(2), s.integer(3)};
        s.reset();  // ends the read so other connections may write
    }
    QuickRow& currentQuick() {
        if (!quick) throw detail::noCurrentRecord();
        return *quick;
    }
    QuickRow& quickLet() {
        if (!quickEditing) throw detail::updateWithoutEdit();
        return *quick;
    }
    struct CommentRow { int64_t rowid = 0; OptText title, comment, config; };
    std::optional<CommentRow> comments;
    bool commentEditing = false;
    void loadComments() {
        Statement& s = prepared("SELECT rowid, Title, Comment, Config FROM Comments ORDER BY rowid LIMIT 1");
        commentEditing = false;
        comments.reset();
        if (s.step())
            comments = CommentRow{notNull(s.integer(0)), s.text(1), s.text(2), s.text(3)};
        s.reset();  // ends the read so other connections may write
    }
    const CommentRow& currentComments() const {
        if (!comments) throw detail::noCurrentRecord();
        return *comments;
    }
    CommentRow& commentLet() {
        if (!commentEditing) throw detail::updateWithoutEdit();
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
        if (!config) throw DbError(err::ObjectClosed, "Object invalid or no longer set.");
    }
    void loadBlock(const char* sql, std::optional<int64_t> key) {
        requireConfig();
        Statement& s = prepared(sql);
        if (key) s.bind(1, *key);
        blockEditing = false;
        block.reset();
        if (s.step()) {
            BlockRow r;
            r.number = int16(s.integer(0));
            r.fn = s.integer(1);
            r.constants = s.integer(2);
            r.tempRam = s.integer(3);
            r.volRam = s.integer(4);
            r.comment = s.text(5);
            // A configuration opened for reading may predate the field.
            r.visio = s.columns() > 6 ? s.text(6) : std::nullopt;
            block = r;
        }
        s.reset();  // ends the read so other connections may write
    }
    const BlockRow& currentBlock() const {
        if (!block) throw detail::noCurrentRecord();
        return *block;
    }
    BlockRow& editableBlock() {
        if (!blockEditing) throw detail::updateWithoutEdit();
        return *block;
    }
    bool keepsJournal = false;
    void close() {
        statements.clear();
        // The kept journal of a relaxed configuration goes with it.
        if (config && keepsJournal) sqlite3_exec(config, "PRAGMA journal_mode=DELETE", nullptr, nullptr, nullptr);
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

namespace {

// Opens a configuration file and checks that it holds the configuration tables.
sqlite3* openConfiguration(const std::string& filename, bool readOnly) {
    detail::requireDatabaseFile(filename);
    sqlite3* db = nullptr;
    const int rc = sqlite3_open_v2(filename.c_str(), &db, readOnly ? SQLITE_OPEN_READONLY : SQLITE_OPEN_READWRITE, nullptr);
    try {
        if (rc != SQLITE_OK) throwSqlite(db, rc);
        Statement check(db, "SELECT count(*) FROM sqlite_master WHERE type='table' AND name IN ('Block List','Constants','Messages','QuickMessages','Comments','Calibration')");
        check.step();
        if (check.integer(0).value_or(0) != 6)
            throw DbError(err::UnrecognizedFormat, "Unrecognized database format '" + filename + "'.");
    } catch (const DbError& e) {
        sqlite3_close_v2(db);
        detail::rethrowOpenFailure(e, filename);
    }
    return db;
}

bool hasVisioComment(sqlite3* db) {
    Statement s(db, "SELECT 1 FROM pragma_table_info('Block List') WHERE name = 'VisioComment'");
    return s.step();
}

struct ClosingDb {
    sqlite3* db;
    ~ClosingDb() { sqlite3_close_v2(db); }
};

// Lets the upgrade write a file without write permission and puts the permission
// bits back exactly as they were, whatever happens in between.
class WritableForAWhile {
public:
    WritableForAWhile(const std::string& file, mode_t mode) : file_(file), mode_(mode & 07777) {
        if ((mode_ & S_IWUSR) != 0) return;
        if (::chmod(file.c_str(), mode_ | S_IWUSR) != 0)
            throw DbError(err::CannotOpenFile, "Could not open file '" + file + "' to add the field VisioComment: " + std::strerror(errno) + ".");
        changed_ = true;
    }
    ~WritableForAWhile() {
        if (changed_) ::chmod(file_.c_str(), mode_);
    }
    WritableForAWhile(const WritableForAWhile&) = delete;
    WritableForAWhile& operator=(const WritableForAWhile&) = delete;

private:
    std::string file_;
    mode_t mode_;
    bool changed_ = false;
};

// Configurations made before drawing comments existed lack the field; add it, "" in every row.
void addVisioCommentField(const std::string& filename) {
    {
        ClosingDb probe{openConfiguration(filename, true)};
        if (hasVisioComment(probe.db)) return;
    }
    const struct stat st = detail::requireDatabaseFile(filename);
    WritableForAWhile permission(filename, st.st_mode);
    ClosingDb db{openConfiguration(filename, false)};
    exec(db.db, "PRAGMA synchronous=FULL; BEGIN IMMEDIATE;");
    try {
        exec(db.db, "ALTER TABLE \"Block List\" ADD COLUMN VisioComment TEXT; UPDATE \"Block List\" SET VisioComment = ''; COMMIT;");
    } catch (...) {
        sqlite3_exec(db.db, "ROLLBACK", nullptr, nullptr, nullptr);
        throw;
    }
}

} // namespace

int32_t OrvaneDB::TestVisioComments(const std::string& filename) {
    ClosingDb db{openConfiguration(filename, true)};
    return hasVisioComment(db.db) ? 0 : err::ItemNotFound;
}

void OrvaneDB::open_existing_database(const std::string& filename, Durability durability) {
    close_work_dbs();
    addVisioCommentField(filename);
    // The owner's write bit is the file's read-only attribute; a file this user may not
    // write for other reasons opens read-only as well.
    const struct stat st = detail::requireDatabaseFile(filename);
    const bool readOnly = (st.st_mode & S_IWUSR) == 0 || ::access(filename.c_str(), W_OK) != 0;
    sqlite3* db = openConfiguration(filename, readOnly);
    try {
        // Commits go to the main file at once (no WAL) so its modification time shows every
        // change. A relaxed configuration is a working copy private to this program: it is
        // held locked and its journal kept between commits, which saves most of a commit's cost.
        exec(db, durability == Durability::Full ? "PRAGMA journal_mode=DELETE; PRAGMA synchronous=FULL;"
                                                : "PRAGMA locking_mode=EXCLUSIVE; PRAGMA journal_mode=PERSIST; PRAGMA synchronous=OFF;");
    } catch (...) {
        sqlite3_close_v2(db);
        throw;
    }
    d_->config = db;
    d_->keepsJournal = durability == Durability::Relaxed;
    d_->readOnly = readOnly;
    d_->writes = 0;
    d_->loadComments();
}

void OrvaneDB::open_for_reading(const std::string& filename) {
    close_work_dbs();
    d_->config = openConfiguration(filename, true);
    d_->keepsJournal = false;
    d_->readOnly = true;
    d_->writes = 0;
    try {
        d_->loadComments();
    } catch (...) {
        d_->close();
        throw;
    }
}

bool OrvaneDB::HasVisioComment() const {
    d_->requireConfig();
    return hasVisioComment(d_->config);
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
    if (d_->readOnly) throw detail::readOnlyDatabase();
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
int16_t OrvaneDB::BlockFn() const { return int16(d_->currentBlock().fn); }
void OrvaneDB::BlockFn(int16_t value) { d_->editableBlock().fn = value; }
int16_t OrvaneDB::BlockNumber() const { return d_->currentBlock().number; }
int16_t OrvaneDB::BlockConstant() const { return int16(d_->currentBlock().constants); }
void OrvaneDB::BlockConstant(int16_t value) { d_->editableBlock().constants = value; }
int16_t OrvaneDB::BlockTempRam() const { return int16(d_->currentBlock().tempRam); }
void OrvaneDB::BlockTempRam(int16_t value) { d_->editableBlock().tempRam = value; }
int16_t OrvaneDB::BlockVolRam() const { return int16(d_->currentBlock().volRam); }
void OrvaneDB::BlockVolRam(int16_t value) { d_->editableBlock().volRam = value; }
std::string OrvaneDB::BlockComment() const { return d_->currentBlock().comment.value_or(""); }
void OrvaneDB::BlockComment(const std::string& value) { d_->editableBlock().comment = checkedText(value); }
std::string OrvaneDB::BlockVisioComment() const { return d_->currentBlock().visio.value_or(""); }
void OrvaneDB::BlockVisioComment(const std::string& value) { d_->editableBlock().visio = checkedText(value); }

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
    if (!d_->constant) throw detail::noCurrentRecord();
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
void OrvaneDB::ShareFile(bool shared) {
    d_->requireConfig();
    if (d_->inTrans) throw DbError(SQLITE_ERROR, "A transaction is open.");
    if (!d_->keepsJournal) return;   // only a relaxed configuration holds its file locked
    exec(d_->config, shared ? "PRAGMA locking_mode=NORMAL" : "PRAGMA locking_mode=EXCLUSIVE");
    // The lock is given up, or taken, at the next access of the file.
    exec(d_->config, "SELECT count(*) FROM sqlite_master");
}

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
    if (!d_->messageEditing) throw detail::updateWithoutEdit();
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
bool OrvaneDB::MessageEOF() const { return !d_->message; }
int16_t OrvaneDB::MessageOffset() const { return d_->currentMessage().offset; }
std::string OrvaneDB::MessageMsg() const {
    if (!d_->message) throw detail::noCurrentRecord();
    return notNull(d_->message->text);
}
void OrvaneDB::MessageMsg(const std::string& value) {
    if (!d_->messageEditing) throw detail::updateWithoutEdit();
    // The upload passes fixed-width records padded with NUL characters.
    d_->message->text = checkedText(value.substr(0, value.find('\0')));
}
void OrvaneDB::ConstantDelete() {
    d_->requireWritable();
    if (!d_->constant || d_->constantPending != Impl::Pending::None) throw detail::noCurrentRecord();
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
int32_t OrvaneDB::ConstantValue() const { return int32(d_->constantRead().value); }
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
int16_t OrvaneDB::QuickOffset() const { return d_->currentQuick().offset; }
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
    if (!d_->quick) throw detail::noCurrentRecord();
    return notNull(d_->quick->text);
}
void OrvaneDB::QuickMessage(const std::string& value) { d_->quickLet().text = checkedText(value.substr(0, value.find('\0'))); }
std::string OrvaneDB::QuickBlock() const {
    if (!d_->quick) throw detail::noCurrentRecord();
    return std::to_string(notNull(d_->quick->block));
}
void OrvaneDB::QuickBlock(const std::string& value) {
    const int16_t v = parseInteger(value);
    d_->quickLet().block = v;
}
std::string OrvaneDB::QuickParameter() const {
    if (!d_->quick) throw detail::noCurrentRecord();
    return std::to_string(notNull(d_->quick->parameter));
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
std::string OrvaneDB::CommentTitle() const { return notNull(d_->currentComments().title); }
void OrvaneDB::CommentTitle(const std::string& value) { d_->commentLet().title = checkedText(value); }
std::string OrvaneDB::CommentComment() const { return notNull(d_->currentComments().comment); }
void OrvaneDB::CommentComment(const std::string& value) { d_->commentLet().comment = checkedText(value); }
std::string OrvaneDB::CommentConfig() const { return notNull(d_->currentComments().config); }
void OrvaneDB::CommentConfig(const std::string& value) { d_->commentLet().config = checkedText(value); }

// ---- Catalogue ----------------------------------------------------------------

void OrvaneDB::open_database(const std::string& Path) {
    d_->catalogue.open(Path.empty() ? std::string("OrvaneDATA.DAT") : Path + "/OrvaneDATA.DAT");
}
void OrvaneDB::close_database() { d_->catalogue.close(); }
bool OrvaneDB::CatalogueOpen() const { return d_->catalogue.isOpen(); }

void OrvaneDB::FuncMoveFirst() { d_->catalogue.funcMoveFirst(); }
void OrvaneDB::FuncMoveNext() { d_->catalogue.funcMoveNext(); }
bool OrvaneDB::FuncEOF() const { return d_->catalogue.funcEOF(); }
bool OrvaneDB::FuncNoMatch() const { return d_->catalogue.funcNoMatch(); }
int16_t OrvaneDB::FuncFN() const { return d_->catalogue.func().fn; }
std::string OrvaneDB::FuncName() const { return d_->catalogue.func().name; }
int16_t OrvaneDB::FuncIcycle() const { return d_->catalogue.func().icycle; }
int16_t OrvaneDB::FuncVolRam() const { return d_->catalogue.func().volRam; }
int16_t OrvaneDB::FuncInputs() const { return d_->catalogue.func().inputs; }
int16_t OrvaneDB::FuncParams() const { return d_->catalogue.func().params; }
int16_t OrvaneDB::FuncHidden() const { return d_->catalogue.func().hidden; }
int16_t OrvaneDB::FuncSingle() const { return d_->catalogue.func().single; }
int16_t OrvaneDB::FuncAuxAnalogs() const { return d_->catalogue.func().auxAnalogs; }
int16_t OrvaneDB::FuncAuxDiscretes() const { return d_->catalogue.func().auxDiscretes; }
int16_t OrvaneDB::FuncFtype() const { return d_->catalogue.func().ftype; }
void OrvaneDB::FuncSetIndex(const std::string& which) {
    d_->catalogue.setFuncIndex(which == "FN" ? detail::Catalogue::FuncIndex::Number : detail::Catalogue::FuncIndex::Name);
}
void OrvaneDB::FuncSeekI(int16_t index) { d_->catalogue.funcSeek(index); }
void OrvaneDB::FuncSeekS(const std::string& index) { d_->catalogue.funcSeek(index); }

int16_t OrvaneDB::ParamFN() const { return d_->catalogue.param().fn; }
int16_t OrvaneDB::ParamPN() const { return d_->catalogue.param().pn; }
std::string OrvaneDB::ParamDescription() const { return d_->catalogue.param().description; }
int16_t OrvaneDB::ParamOffset() const { return d_->catalogue.param().offset; }
int32_t OrvaneDB::ParamMin() const { return d_->catalogue.param().min; }
int32_t OrvaneDB::ParamMax() const { return d_->catalogue.param().max; }
int32_t OrvaneDB::ParamDefault() const { return d_->catalogue.param().defaultValue; }
int16_t OrvaneDB::ParamDecimal() const { return d_->catalogue.param().decimal; }
int16_t OrvaneDB::ParamSecurity() const { return d_->catalogue.param().security; }
int16_t OrvaneDB::ParamType() const { return d_->catalogue.param().type; }
void OrvaneDB::ParamSeek(int16_t index, int16_t index1) { d_->catalogue.paramSeek(index, index1); }

int16_t OrvaneDB::InputFN() const { return d_->catalogue.input().fn; }
int16_t OrvaneDB::InputIN() const { return d_->catalogue.input().in; }
std::string OrvaneDB::InputDescription() const { return d_->catalogue.input().description; }
std::string OrvaneDB::InputShortName() const { return d_->catalogue.input().shortName; }
int16_t OrvaneDB::InputSecurity() const { return d_->catalogue.input().security; }
int16_t OrvaneDB::InputType() const { return d_->catalogue.input().type; }
void OrvaneDB::InputSeek(int16_t index, int16_t index1) { d_->catalogue.inputSeek(index, index1); }

std::string OrvaneDB::AuxDescription() const { return d_->catalogue.aux().description; }
void OrvaneDB::AuxSeek(int16_t index, const std::string& index1, int16_t index2) {
    // Text keys compare without regard to case.
    std::string kind = index1;
    for (char& c : kind) c = static_cast<char>(c >= 'a' && c <= 'z' ? c - 32 : c);
    d_->catalogue.auxSeek(index, kind, index2);
}
std::string OrvaneDB::Version() const { return d_->catalogue.version(); }

} // namespace kessig
