#include "kessig/OrvaneDB.h"

#include "Catalogue.h"
#include "Sqlite.h"
#include "StoreFile.h"
#include "Tables.h"
#include "Values.h"
#include "orvane/codepage/Cp1252.h"

#include <sqlite3.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <map>
#include <optional>
#include <string>

namespace kessig {

using detail::Access;
using detail::Connection;
using detail::FileKind;
using detail::Place;
using detail::RowReader;
using detail::Statement;
using detail::Table;
using detail::exec;

DbError::DbError(int32_t number, const std::string& text) : std::runtime_error(text), number_(number) {}

namespace {

using OptInt = std::optional<int64_t>;
using OptText = std::optional<std::string>;

// Controller records come padded with NUL characters to their width; the padding is not
// part of the text, while a code 0 inside it is kept as it came (the compare reads it as a
// space), so what a file holds is what is written back.
std::string withoutNulPadding(const std::string& value)
{
    return value.substr(0, value.find_last_not_of('\0') + 1);
}

// Field positions within the tables (see Tables.h).
enum BlockField : size_t { kBlockNumber, kFunctionNumber, kConstants, kTempRam, kVolRam, kComment, kVisioComment };
enum ConstantField : size_t { kConstantBlock, kConstantOffset, kConstantValue };
enum MessageField : size_t { kMessageOffset, kMessageText };
enum QuickField : size_t { kQuickOffset, kQuickText, kQuickBlock, kQuickParameter };
enum CommentField : size_t { kTitle, kCommentText, kConfig };

std::string selectFrom(const Table& table, const char* rest) {
    return "SELECT " + table.selectList() + " FROM \"" + table.name + "\" " + rest;
}

struct BlockRow {
    int64_t rowid = 0;
    int16_t number = 0;
    OptInt fn, constants, tempRam, volRam;
    OptText comment, visio;
};
struct ConstantRow {
    int64_t rowid = 0;
    std::optional<int16_t> block, offset;  // unset on a new row until let
    OptInt value;
};
struct MessageRow {
    int64_t rowid = 0;
    int16_t offset = 0;
    OptText text;
};
struct QuickRow {
    int64_t rowid = 0;
    int16_t offset = 0;
    OptText text;
    OptInt block, parameter;
};
struct CommentRow {
    int64_t rowid = 0;
    OptText title, comment, config;
};

// Where a row stands in its cursor's walk.
std::pair<int64_t, int64_t> walkKey(const BlockRow& r) { return {r.number, 0}; }
std::pair<int64_t, int64_t> walkKey(const ConstantRow& r) { return {*r.block, *r.offset}; }
std::pair<int64_t, int64_t> walkKey(const MessageRow& r) { return {r.offset, 0}; }
std::pair<int64_t, int64_t> walkKey(const QuickRow& r) { return {r.offset, 0}; }
std::pair<int64_t, int64_t> walkKey(const CommentRow& r) { return {r.rowid, 0}; }

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

struct OrvaneDB::Impl {
    detail::Catalogue catalogue;
    Connection config;
    std::string shown;  // the name messages give the open configuration's file
    // Cursor steps reuse their statements instead of parsing SQL again.
    std::map<std::string, std::unique_ptr<Statement>> statements;
    Statement& prepared(const std::string& sql) {
        auto& slot = statements[sql];
        if (!slot) slot = std::make_unique<Statement>(config.get(), sql.c_str());
        slot->reset();
        return *slot;
    }
    bool readOnly = false;
    uint64_t writes = 0;
    bool inTrans = false;
    bool keepsJournal = false;
    bool visioAdded = false;
    // False only for a configuration opened for reading that predates drawing comments:
    // its rows read the field as Null.
    bool visioPresent = true;

    Place place(const Table& table, size_t field, std::optional<int64_t> rowid) const {
        return {table, table.fields[field], rowid, shown};
    }
    template <class T>
    T need(const std::optional<T>& v, const Table& table, size_t field, int64_t rowid) const {
        if (!v) detail::throwNull(place(table, field, rowid));
        return *v;
    }
    // Text as the program hands it in: UTF-8, checked before it is kept for the update.
    std::string letText(const std::string& v, const Table& table, size_t field, std::optional<int64_t> rowid) const {
        if (!orvane::codepage::utf8Length(v))
            throw DbError(err::ConversionError, "Data type conversion error: the text for " + place(table, field, rowid).text() +
                                                    " is not valid UTF-8.");
        return v;
    }
    void requireConfig() const {
        if (!config) throw DbError(err::ObjectClosed, "Object invalid or no longer set.");
    }
    void requireWritable() const {
        requireConfig();
        if (readOnly) throw detail::readOnlyDatabase();
    }
    void countWrite() { if (!inTrans) ++writes; }

    // Loads the first row of a cursor query, checking every value it reads. After a
    // move to the next row, a key that does not come after the previous one means a
    // damaged index: the walk ends there instead of going round for ever.
    template <class Row, class Read>
    std::optional<Row> load(const std::string& sql, const Table& table, std::initializer_list<int64_t> keys, Read read,
                            bool next = false) {
        requireConfig();
        Statement& s = prepared(sql);
        int i = 1;
        for (int64_t k : keys) s.bind(i++, k);
        std::optional<Row> row;
        if (s.step()) row = read(RowReader(s.handle(), table, shown));
        s.reset();  // ends the read so other connections may write
        if (next && row && !comesAfter(*row, keys))
            throw DbError(err::UnrecognizedFormat, "Unrecognized database format '" + shown + "': the index of table '" +
                                                       table.name + "' is damaged.");
        return row;
    }
    template <class Row>
    static bool comesAfter(const Row& row, std::initializer_list<int64_t> keys) {
        const int64_t first = *keys.begin(), second = keys.size() > 1 ? keys.begin()[1] : 0;
        return walkKey(row) > std::pair{first, second};
    }

    // The current row of a cursor, and the row being edited between its edit and update.
    template <class Row>
    static const Row& current(const std::optional<Row>& row) {
        if (!row) throw detail::noCurrentRecord();
        return *row;
    }
    template <class Row>
    static Row& editing(std::optional<Row>& row, bool isEditing) {
        if (!isEditing) throw detail::updateWithoutEdit();
        return *row;
    }

    std::optional<BlockRow> block;
    bool blockEditing = false;
    void loadBlock(const std::string& sql, std::initializer_list<int64_t> keys, bool next = false) {
        blockEditing = false;
        block.reset();
        block = load<BlockRow>(visioPresent ? sql : withoutVisioComment(sql), detail::blockListTable(), keys, [](const RowReader& r) {
            return BlockRow{r.rowid(), static_cast<int16_t>(r.key(kBlockNumber)), r.number(kFunctionNumber), r.number(kConstants),
                            r.number(kTempRam), r.number(kVolRam), r.text(kComment), r.text(kVisioComment)};
        }, next);
    }
    static std::string withoutVisioComment(std::string sql) {
        const std::string field = "\"VisioComment\"";
        sql.replace(sql.find(field), field.size(), "NULL");
        return sql;
    }
    int16_t blockInt(const OptInt& v, size_t field) const {
        return static_cast<int16_t>(need(v, detail::blockListTable(), field, current(block).rowid));
    }

    std::optional<ConstantRow> constant;
    std::optional<std::pair<int16_t, int16_t>> constantAfterDelete;  // where MoveNext resumes
    enum class Pending { None, Edit, AddNew } constantPending = Pending::None;
    ConstantRow constantBuffer;
    bool constantNoMatch = false;
    void loadConstant(const std::string& sql, std::initializer_list<int64_t> keys, bool next = false) {
        constantPending = Pending::None;
        constantAfterDelete.reset();
        constant.reset();
        constant = load<ConstantRow>(sql, detail::constantsTable(), keys, [](const RowReader& r) {
            return ConstantRow{r.rowid(), static_cast<int16_t>(r.key(kConstantBlock)),
                               static_cast<int16_t>(r.key(kConstantOffset)), r.number(kConstantValue)};
        }, next);
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
    int16_t constantKey(const std::optional<int16_t>& v, size_t field) const {
        const ConstantRow& r = constantRead();
        if (!v) detail::throwNull(place(detail::constantsTable(), field, r.rowid ? std::optional(r.rowid) : std::nullopt));
        return *v;
    }

    std::optional<MessageRow> message;
    bool messageEditing = false;
    void loadMessage(const std::string& sql, std::initializer_list<int64_t> keys, bool next = false) {
        messageEditing = false;
        message.reset();
        message = load<MessageRow>(sql, detail::messagesTable(), keys, [](const RowReader& r) {
            return MessageRow{r.rowid(), static_cast<int16_t>(r.key(kMessageOffset)), r.text(kMessageText)};
        }, next);
    }

    std::optional<QuickRow> quick;
    bool quickEditing = false;
    void loadQuick(const std::string& sql, std::initializer_list<int64_t> keys, bool next = false) {
        quickEditing = false;
        quick.reset();
        quick = load<QuickRow>(sql, detail::quickMessagesTable(), keys, [](const RowReader& r) {
            return QuickRow{r.rowid(), static_cast<int16_t>(r.key(kQuickOffset)), r.text(kQuickText), r.number(kQuickBlock),
                            r.number(kQuickParameter)};
        }, next);
    }

    std::optional<CommentRow> comments;
    bool commentEditing = false;
    void loadComments() {
        commentEditing = false;
        comments.reset();
        static const std::string sql = selectFrom(detail::commentsTable(), "ORDER BY rowid LIMIT 1");
        comments = load<CommentRow>(sql, detail::commentsTable(), {}, [](const RowReader& r) {
            return CommentRow{r.rowid(), r.text(kTitle), r.text(kCommentText), r.text(kConfig)};
        });
    }
    std::string commentText(const OptText& v, size_t field) const {
        return need(v, detail::commentsTable(), field, current(comments).rowid);
    }

    void forgetRows() {
        comments.reset();
        commentEditing = false;
        block.reset(); constant.reset(); constantAfterDelete.reset(); message.reset(); quick.reset();
        blockEditing = messageEditing = quickEditing = false;
        constantPending = Pending::None;
    }
    void close() {
        statements.clear();
        // The kept journal of a relaxed configuration goes with it.
        if (config && keepsJournal) sqlite3_exec(config.get(), "PRAGMA journal_mode=DELETE", nullptr, nullptr, nullptr);
        config = Connection();
        forgetRows();
        inTrans = false;
    }
};

OrvaneDB::OrvaneDB() : d_(std::make_unique<Impl>()) {}
OrvaneDB::~OrvaneDB() { d_->close(); }

void OrvaneDB::create_new_database(const std::string& filename) {
    try {
        Connection db = detail::openStoreFile(filename, Access::Create, FileKind::Configuration, filename);
        exec(db.get(), "PRAGMA synchronous=FULL; BEGIN;");
        exec(db.get(), detail::configurationSchema());
        exec(db.get(), R"SQL(
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
    } catch (const DbError& e) {
        if (e.number() != err::CannotOpenFile) std::remove(filename.c_str());
        throw;
    }
}

namespace {

// Lets the upgrade write a file without write permission and puts the permission
// bits back exactly as they were, whatever happens in between.
class WritableForAWhile {
public:
    WritableForAWhile(const std::string& file, const std::string& shown, mode_t mode) : file_(file), mode_(mode & 07777) {
        if ((mode_ & S_IWUSR) != 0) return;
        if (::chmod(file.c_str(), mode_ | S_IWUSR) != 0)
            throw DbError(err::CannotOpenFile, "Could not open file '" + shown + "' to add the field VisioComment: " + std::strerror(errno) + ".");
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

bool hasVisioComment(const Connection& db) { return detail::hasField(db.get(), "Block List", "VisioComment"); }

// Configurations made before drawing comments existed lack the field; add it, "" in every row.
void addVisioCommentField(const std::string& filename, const std::string& shown) {
    const struct stat st = detail::requireDatabaseFile(filename, shown);
    WritableForAWhile permission(filename, shown, st.st_mode);
    Connection db = detail::openStoreFile(filename, Access::Write, FileKind::Configuration, shown);
    exec(db.get(), "PRAGMA synchronous=FULL; BEGIN IMMEDIATE;");
    try {
        exec(db.get(), "ALTER TABLE \"Block List\" ADD COLUMN VisioComment TEXT; UPDATE \"Block List\" SET VisioComment = ''; COMMIT;");
    } catch (...) {
        sqlite3_exec(db.get(), "ROLLBACK", nullptr, nullptr, nullptr);
        throw;
    }
}

} // namespace

int32_t OrvaneDB::TestVisioComments(const std::string& filename, const std::string& nameInMessages) {
    const Connection db = detail::openStoreFile(filename, Access::Read, FileKind::Configuration, nameInMessages);
    return hasVisioComment(db) ? 0 : err::ItemNotFound;
}

void OrvaneDB::open_existing_database(const std::string& filename, Durability durability, const std::string& nameInMessages) {
    close_work_dbs();
    const std::string shown = nameInMessages.empty() ? filename : nameInMessages;
    // The owner's write bit is the file's read-only attribute; a file this user may not
    // write for other reasons opens read-only as well.
    const auto readOnlyNow = [&] {
        const struct stat st = detail::requireDatabaseFile(filename, shown);
        return (st.st_mode & S_IWUSR) == 0 || ::access(filename.c_str(), W_OK) != 0;
    };
    bool readOnly = readOnlyNow();
    Connection db = detail::openStoreFile(filename, readOnly ? Access::Read : Access::Write, FileKind::Configuration, shown);
    const bool visioAdded = !hasVisioComment(db);
    if (visioAdded) {
        db = Connection();
        addVisioCommentField(filename, shown);
        readOnly = readOnlyNow();
        db = detail::openStoreFile(filename, readOnly ? Access::Read : Access::Write, FileKind::Configuration, shown);
    }
    // Commits go to the main file at once (no WAL) so its modification time shows every
    // change. A relaxed configuration is a working copy private to this program: it is
    // held locked and its journal kept between commits, which saves most of a commit's cost.
    exec(db.get(), durability == Durability::Full ? "PRAGMA journal_mode=DELETE; PRAGMA synchronous=FULL;"
                                                  : "PRAGMA locking_mode=EXCLUSIVE; PRAGMA journal_mode=PERSIST; PRAGMA synchronous=OFF;");
    d_->config = std::move(db);
    d_->shown = shown;
    d_->keepsJournal = durability == Durability::Relaxed;
    d_->visioPresent = true;
    d_->visioAdded = visioAdded;
    d_->readOnly = readOnly;
    d_->writes = 0;
    d_->loadComments();
}

void OrvaneDB::open_for_reading(const std::string& filename, const std::string& nameInMessages) {
    close_work_dbs();
    const std::string shown = nameInMessages.empty() ? filename : nameInMessages;
    d_->config = detail::openStoreFile(filename, Access::Read, FileKind::Configuration, shown);
    d_->shown = shown;
    d_->visioPresent = hasVisioComment(d_->config);
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
    return d_->visioPresent;
}

void OrvaneDB::close_work_dbs() { d_->close(); }
bool OrvaneDB::ReadOnlyFile() const { return d_->readOnly; }
bool OrvaneDB::AddedVisioComment() const { return d_->visioAdded; }
bool OrvaneDB::ConfigurationOpen() const { return static_cast<bool>(d_->config); }
uint64_t OrvaneDB::WriteCount() const { return d_->writes; }

namespace {
const Table& blocks() { return detail::blockListTable(); }
const std::string kBlockFirst = selectFrom(detail::blockListTable(), "ORDER BY BlockNumber LIMIT 1");
const std::string kBlockNext = selectFrom(detail::blockListTable(), "WHERE BlockNumber > ?1 ORDER BY BlockNumber LIMIT 1");
const std::string kBlockSeek = selectFrom(detail::blockListTable(), "WHERE BlockNumber = ?1");
const std::string kConstantFirst = selectFrom(detail::constantsTable(), "ORDER BY BlockNumber, Offset LIMIT 1");
const std::string kConstantNext =
    selectFrom(detail::constantsTable(), "WHERE (BlockNumber, Offset) > (?1, ?2) ORDER BY BlockNumber, Offset LIMIT 1");
const std::string kConstantSeek = selectFrom(detail::constantsTable(), "WHERE BlockNumber = ?1 AND Offset = ?2");
const std::string kMessageFirst = selectFrom(detail::messagesTable(), "ORDER BY Offset LIMIT 1");
const std::string kMessageNext = selectFrom(detail::messagesTable(), "WHERE Offset > ?1 ORDER BY Offset LIMIT 1");
const std::string kMessageSeek = selectFrom(detail::messagesTable(), "WHERE Offset = ?1");
const std::string kQuickFirst = selectFrom(detail::quickMessagesTable(), "ORDER BY Offset LIMIT 1");
const std::string kQuickNext = selectFrom(detail::quickMessagesTable(), "WHERE Offset > ?1 ORDER BY Offset LIMIT 1");
const std::string kQuickSeek = selectFrom(detail::quickMessagesTable(), "WHERE Offset = ?1");
} // namespace

void OrvaneDB::BlockMoveFirst() { d_->loadBlock(kBlockFirst, {}); }
void OrvaneDB::BlockMoveNext() {
    const int16_t at = Impl::current(d_->block).number;
    d_->loadBlock(kBlockNext, {at}, true);
}
void OrvaneDB::BlockSeek(int16_t index) { d_->loadBlock(kBlockSeek, {index}); }
bool OrvaneDB::BlockEOF() const { return !d_->block; }
void OrvaneDB::BlockEdit() {
    Impl::current(d_->block);
    if (d_->readOnly) throw detail::readOnlyDatabase();
    d_->blockEditing = true;
}
void OrvaneDB::BlockUpdate() {
    const BlockRow r = Impl::editing(d_->block, d_->blockEditing);
    Statement& s = d_->prepared("UPDATE OR ABORT \"Block List\" SET FunctionNumber=?2, Constants=?3, TempRam=?4, VolRam=?5, "
                                "Comment=?6, VisioComment=?7 WHERE BlockNumber=?1");
    s.bind(1, r.number); s.bind(2, r.fn); s.bind(3, r.constants); s.bind(4, r.tempRam); s.bind(5, r.volRam);
    s.bind(6, r.comment); s.bind(7, r.visio);
    s.step();
    d_->blockEditing = false;
    d_->countWrite();
}
int16_t OrvaneDB::BlockFn() const { return d_->blockInt(Impl::current(d_->block).fn, kFunctionNumber); }
void OrvaneDB::BlockFn(int16_t value) { Impl::editing(d_->block, d_->blockEditing).fn = value; }
int16_t OrvaneDB::BlockNumber() const { return Impl::current(d_->block).number; }
int16_t OrvaneDB::BlockConstant() const { return d_->blockInt(Impl::current(d_->block).constants, kConstants); }
void OrvaneDB::BlockConstant(int16_t value) { Impl::editing(d_->block, d_->blockEditing).constants = value; }
int16_t OrvaneDB::BlockTempRam() const { return d_->blockInt(Impl::current(d_->block).tempRam, kTempRam); }
void OrvaneDB::BlockTempRam(int16_t value) { Impl::editing(d_->block, d_->blockEditing).tempRam = value; }
int16_t OrvaneDB::BlockVolRam() const { return d_->blockInt(Impl::current(d_->block).volRam, kVolRam); }
void OrvaneDB::BlockVolRam(int16_t value) { Impl::editing(d_->block, d_->blockEditing).volRam = value; }
std::string OrvaneDB::BlockComment() const { return Impl::current(d_->block).comment.value_or(""); }
void OrvaneDB::BlockComment(const std::string& value) {
    Impl::editing(d_->block, d_->blockEditing).comment = d_->letText(value, blocks(), kComment, d_->block->rowid);
}
std::string OrvaneDB::BlockVisioComment() const { return Impl::current(d_->block).visio.value_or(""); }
void OrvaneDB::BlockVisioComment(const std::string& value) {
    Impl::editing(d_->block, d_->blockEditing).visio = d_->letText(value, blocks(), kVisioComment, d_->block->rowid);
}

void OrvaneDB::ConstantMoveFirst() { d_->loadConstant(kConstantFirst, {}); }
void OrvaneDB::ConstantMoveNext() {
    std::pair<int16_t, int16_t> at;
    if (d_->constantAfterDelete) at = *d_->constantAfterDelete;
    else at = {ConstantBlockNumber(), ConstantOffset()};
    d_->loadConstant(kConstantNext, {at.first, at.second}, true);
}
void OrvaneDB::ConstantSeek(int16_t index, int16_t index1) {
    d_->loadConstant(kConstantSeek, {index, index1});
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
    const ConstantRow r = d_->constantLet();
    const Table& table = detail::constantsTable();
    const bool edit = d_->constantPending == Impl::Pending::Edit;
    const std::optional<int64_t> rowid = edit ? std::optional(r.rowid) : std::nullopt;
    detail::checkNumber(r.block ? OptInt(*r.block) : std::nullopt, d_->place(table, kConstantBlock, rowid));
    detail::checkNumber(r.offset ? OptInt(*r.offset) : std::nullopt, d_->place(table, kConstantOffset, rowid));
    if (edit) {
        Statement& s = d_->prepared("UPDATE OR ABORT Constants SET BlockNumber=?1, Offset=?2, ConstantValue=?3 "
                                    "WHERE BlockNumber=?4 AND Offset=?5");
        s.bind(1, *r.block); s.bind(2, *r.offset); s.bind(3, r.value);
        s.bind(4, *d_->constant->block); s.bind(5, *d_->constant->offset);
        s.step();
        d_->constant = r;
    } else {
        Statement& s = d_->prepared("INSERT OR ABORT INTO Constants (BlockNumber, Offset, ConstantValue) VALUES (?1, ?2, ?3)");
        s.bind(1, *r.block); s.bind(2, *r.offset); s.bind(3, r.value);
        s.step();
    }
    d_->constantPending = Impl::Pending::None;
    d_->countWrite();
}

void OrvaneDB::BeginTrans() {
    d_->requireConfig();
    if (d_->inTrans) throw DbError(SQLITE_ERROR, "A transaction is already open.");
    exec(d_->config.get(), "BEGIN");
    d_->inTrans = true;
}
void OrvaneDB::CommitTrans() {
    if (!d_->inTrans) throw DbError(SQLITE_ERROR, "No transaction is open.");
    exec(d_->config.get(), "COMMIT");
    d_->inTrans = false;
    ++d_->writes;
}
void OrvaneDB::Rollback() {
    if (!d_->inTrans) throw DbError(SQLITE_ERROR, "No transaction is open.");
    // A write that failed for want of space or on the disk has ended the transaction in
    // the engine already; rolling back again would hide that failure behind its own.
    if (!sqlite3_get_autocommit(d_->config.get())) exec(d_->config.get(), "ROLLBACK");
    d_->inTrans = false;
    d_->forgetRows();
    // The Comment cursor stays on its single row, as it was before the transaction.
    d_->loadComments();
}
bool OrvaneDB::InTransaction() const { return d_->inTrans; }
void OrvaneDB::ShareFile(bool shared) {
    d_->requireConfig();
    if (d_->inTrans) throw DbError(SQLITE_ERROR, "A transaction is open.");
    if (!d_->keepsJournal) return;   // only a relaxed configuration holds its file locked
    exec(d_->config.get(), shared ? "PRAGMA locking_mode=NORMAL" : "PRAGMA locking_mode=EXCLUSIVE");
    // The lock is given up, or taken, at the next access of the file.
    exec(d_->config.get(), "SELECT count(*) FROM sqlite_master");
}

void OrvaneDB::MessageMoveFirst() { d_->loadMessage(kMessageFirst, {}); }
void OrvaneDB::MessageMoveNext() {
    const int16_t at = Impl::current(d_->message).offset;
    d_->loadMessage(kMessageNext, {at}, true);
}
void OrvaneDB::MessageSeek(int16_t index) { d_->loadMessage(kMessageSeek, {index}); }
void OrvaneDB::MessageEdit() {
    d_->requireWritable();
    Impl::current(d_->message);
    d_->messageEditing = true;
}
void OrvaneDB::MessageUpdate() {
    if (!d_->messageEditing) throw detail::updateWithoutEdit();
    const MessageRow r = *d_->message;
    try {
        detail::checkText(r.text, d_->place(detail::messagesTable(), kMessageText, r.rowid));
        Statement& s = d_->prepared("UPDATE OR ABORT Messages SET Message=?2 WHERE Offset=?1");
        s.bind(1, r.offset);
        s.bind(2, r.text);
        s.step();
    } catch (...) {
        d_->loadMessage(kMessageSeek, {r.offset});
        throw;
    }
    d_->messageEditing = false;
    d_->countWrite();
}
bool OrvaneDB::MessageEOF() const { return !d_->message; }
int16_t OrvaneDB::MessageOffset() const { return Impl::current(d_->message).offset; }
std::string OrvaneDB::MessageMsg() const {
    if (!d_->message) throw detail::noCurrentRecord();
    return d_->need(d_->message->text, detail::messagesTable(), kMessageText, d_->message->rowid);
}
void OrvaneDB::MessageMsg(const std::string& value) {
    if (!d_->messageEditing) throw detail::updateWithoutEdit();
    d_->message->text = d_->letText(withoutNulPadding(value), detail::messagesTable(), kMessageText, d_->message->rowid);
}
void OrvaneDB::ConstantDelete() {
    d_->requireWritable();
    if (!d_->constant || d_->constantPending != Impl::Pending::None) throw detail::noCurrentRecord();
    Statement& s = d_->prepared("DELETE FROM Constants WHERE BlockNumber=?1 AND Offset=?2");
    s.bind(1, *d_->constant->block); s.bind(2, *d_->constant->offset);
    s.step();
    d_->constantAfterDelete = std::pair{*d_->constant->block, *d_->constant->offset};
    d_->constant.reset();
    d_->countWrite();
}
int16_t OrvaneDB::ConstantBlockNumber() const { return d_->constantKey(d_->constantRead().block, kConstantBlock); }
void OrvaneDB::ConstantBlockNumber(int16_t value) { d_->constantLet().block = value; }
int16_t OrvaneDB::ConstantOffset() const { return d_->constantKey(d_->constantRead().offset, kConstantOffset); }
void OrvaneDB::ConstantOffset(int16_t value) { d_->constantLet().offset = value; }
int32_t OrvaneDB::ConstantValue() const {
    const ConstantRow& r = d_->constantRead();
    if (!r.value) detail::throwNull(d_->place(detail::constantsTable(), kConstantValue, r.rowid ? std::optional(r.rowid) : std::nullopt));
    return static_cast<int32_t>(*r.value);
}
void OrvaneDB::ConstantValue(int32_t value) { d_->constantLet().value = value; }

void OrvaneDB::QuickMoveFirst() { d_->loadQuick(kQuickFirst, {}); }
void OrvaneDB::QuickMoveNext() {
    const int16_t at = Impl::current(d_->quick).offset;
    d_->loadQuick(kQuickNext, {at}, true);
}
void OrvaneDB::QuickSeek(int16_t index) { d_->loadQuick(kQuickSeek, {index}); }
bool OrvaneDB::QuickEOF() const { return !d_->quick; }
int16_t OrvaneDB::QuickOffset() const { return Impl::current(d_->quick).offset; }
void OrvaneDB::QuickEdit() {
    d_->requireWritable();
    Impl::current(d_->quick);
    d_->quickEditing = true;
}
void OrvaneDB::QuickUpdate() {
    const QuickRow r = Impl::editing(d_->quick, d_->quickEditing);
    try {
        detail::checkText(r.text, d_->place(detail::quickMessagesTable(), kQuickText, r.rowid));
        Statement& s = d_->prepared("UPDATE OR ABORT QuickMessages SET Message=?2, Block=?3, Parameter=?4 WHERE Offset=?1");
        s.bind(1, r.offset); s.bind(2, r.text); s.bind(3, r.block); s.bind(4, r.parameter);
        s.step();
    } catch (...) {
        d_->loadQuick(kQuickSeek, {r.offset});
        throw;
    }
    d_->quickEditing = false;
    d_->countWrite();
}
std::string OrvaneDB::QuickMessage() const {
    if (!d_->quick) throw detail::noCurrentRecord();
    return d_->need(d_->quick->text, detail::quickMessagesTable(), kQuickText, d_->quick->rowid);
}
void OrvaneDB::QuickMessage(const std::string& value) {
    Impl::editing(d_->quick, d_->quickEditing).text = d_->letText(withoutNulPadding(value), detail::quickMessagesTable(), kQuickText, d_->quick->rowid);
}
std::string OrvaneDB::QuickBlock() const {
    if (!d_->quick) throw detail::noCurrentRecord();
    return std::to_string(d_->need(d_->quick->block, detail::quickMessagesTable(), kQuickBlock, d_->quick->rowid));
}
void OrvaneDB::QuickBlock(const std::string& value) {
    const int16_t v = parseInteger(value);
    Impl::editing(d_->quick, d_->quickEditing).block = v;
}
std::string OrvaneDB::QuickParameter() const {
    if (!d_->quick) throw detail::noCurrentRecord();
    return std::to_string(d_->need(d_->quick->parameter, detail::quickMessagesTable(), kQuickParameter, d_->quick->rowid));
}
void OrvaneDB::QuickParameter(const std::string& value) {
    const int16_t v = parseInteger(value);
    Impl::editing(d_->quick, d_->quickEditing).parameter = v;
}

void OrvaneDB::CommentEdit() {
    d_->requireWritable();
    Impl::current(d_->comments);
    d_->commentEditing = true;
}
void OrvaneDB::CommentUpdate() {
    const CommentRow r = Impl::editing(d_->comments, d_->commentEditing);
    const Table& table = detail::commentsTable();
    try {
        detail::checkText(r.title, d_->place(table, kTitle, r.rowid));
        detail::checkText(r.config, d_->place(table, kConfig, r.rowid));
        Statement& s = d_->prepared("UPDATE OR ABORT Comments SET Title=?2, Comment=?3, Config=?4 WHERE rowid=?1");
        s.bind(1, r.rowid); s.bind(2, r.title); s.bind(3, r.comment); s.bind(4, r.config);
        s.step();
    } catch (...) {
        d_->loadComments();
        throw;
    }
    d_->commentEditing = false;
    d_->countWrite();
}
std::string OrvaneDB::CommentTitle() const { return d_->commentText(Impl::current(d_->comments).title, kTitle); }
void OrvaneDB::CommentTitle(const std::string& value) {
    Impl::editing(d_->comments, d_->commentEditing).title = d_->letText(value, detail::commentsTable(), kTitle, d_->comments->rowid);
}
std::string OrvaneDB::CommentComment() const { return d_->commentText(Impl::current(d_->comments).comment, kCommentText); }
void OrvaneDB::CommentComment(const std::string& value) {
    Impl::editing(d_->comments, d_->commentEditing).comment = d_->letText(value, detail::commentsTable(), kCommentText, d_->comments->rowid);
}
std::string OrvaneDB::CommentConfig() const { return d_->commentText(Impl::current(d_->comments).config, kConfig); }
void OrvaneDB::CommentConfig(const std::string& value) {
    Impl::editing(d_->comments, d_->commentEditing).config = d_->letText(value, detail::commentsTable(), kConfig, d_->comments->rowid);
}

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
