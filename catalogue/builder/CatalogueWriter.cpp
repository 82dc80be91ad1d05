// Writing the catalogue into its SQLite file.
#include "Catalogue.h"

#include <sqlite3.h>

#include <system_error>
#include <unistd.h>

namespace orvane::catalogue {

namespace {

class Db {
public:
    explicit Db(const std::string& path) { rc_ = sqlite3_open_v2(path.c_str(), &db_, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE, nullptr); }
    ~Db() { sqlite3_close(db_); }
    Db(const Db&) = delete;
    Db& operator=(const Db&) = delete;
    bool ok() const { return rc_ == SQLITE_OK; }
    std::string error() const { return db_ ? sqlite3_errmsg(db_) : "cannot open"; }
    bool exec(const std::string& sql) { return sqlite3_exec(db_, sql.c_str(), nullptr, nullptr, nullptr) == SQLITE_OK; }

    // Runs sql once per row, binding each value (integers or texts) in order.
    template <typename Rows, typename Bind>
    bool insert(const char* sql, const Rows& rows, Bind bind)
    {
        sqlite3_stmt* stmt = nullptr;
        if (sqlite3_prepare_v2(db_, sql, -1, &stmt, nullptr) != SQLITE_OK)
            return false;
        bool ok = true;
        for (const auto& row : rows) {
            bind(stmt, row);
            ok = sqlite3_step(stmt) == SQLITE_DONE;
            sqlite3_reset(stmt);
            if (!ok)
                break;
        }
        sqlite3_finalize(stmt);
        return ok;
    }

private:
    sqlite3* db_ = nullptr;
    int rc_ = SQLITE_ERROR;
};

void text(sqlite3_stmt* s, int i, const std::string& t) { sqlite3_bind_text(s, i, t.c_str(), -1, SQLITE_TRANSIENT); }
void number(sqlite3_stmt* s, int i, int64_t v) { sqlite3_bind_int64(s, i, v); }

bool fill(Db& db, const Catalogue& cat, const std::string& schemaSql)
{
    return db.exec(schemaSql) && db.exec("BEGIN")
        && db.insert("INSERT INTO Funcs VALUES (?,?,?,?,?,?,?,?,?,?,?)", cat.funcs,
                     [](sqlite3_stmt* s, const Func& f) {
                         number(s, 1, f.fn); text(s, 2, f.name); number(s, 3, f.icycle); number(s, 4, f.volRam);
                         number(s, 5, f.inputs); number(s, 6, f.params); number(s, 7, f.hidden); number(s, 8, f.single);
                         number(s, 9, f.auxAnalogs); number(s, 10, f.auxDiscretes); number(s, 11, f.ftype);
                     })
        && db.insert("INSERT INTO Params VALUES (?,?,?,?,?,?,?,?,?,?)", cat.params,
                     [](sqlite3_stmt* s, const Param& p) {
                         number(s, 1, p.fn); number(s, 2, p.pn); text(s, 3, p.description); number(s, 4, p.offset);
                         number(s, 5, p.min); number(s, 6, p.max); number(s, 7, p.def); number(s, 8, p.decimal);
                         number(s, 9, p.security); number(s, 10, p.type);
                     })
        && db.insert("INSERT INTO Inputs VALUES (?,?,?,?,?,?)", cat.inputs,
                     [](sqlite3_stmt* s, const Input& i) {
                         number(s, 1, i.fn); number(s, 2, i.in); text(s, 3, i.description); text(s, 4, i.shortName);
                         number(s, 5, i.security); number(s, 6, i.type);
                     })
        && db.insert("INSERT INTO AuxOutputs VALUES (?,?,?,?)", cat.auxOutputs,
                     [](sqlite3_stmt* s, const AuxOutput& a) {
                         number(s, 1, a.fn); text(s, 2, a.kind); number(s, 3, a.number); text(s, 4, a.description);
                     })
        && db.insert("INSERT INTO Version VALUES (?)", cat.versions,
                     [](sqlite3_stmt* s, const std::string& v) { text(s, 1, v); })
        && db.exec("COMMIT");
}

} // namespace

std::string writeCatalogue(const Catalogue& cat, const std::string& schemaSql, const std::filesystem::path& output)
{
    const std::filesystem::path temp = output.string() + ".tmp" + std::to_string(::getpid());
    std::error_code ec;
    std::filesystem::remove(temp, ec);
    std::string error;
    {
        Db db(temp.string());
        if (!db.ok() || !fill(db, cat, schemaSql))
            error = "cannot write " + temp.string() + ": " + db.error();
    }
    if (error.empty()) {
        std::filesystem::rename(temp, output, ec);
        if (ec)
            error = "cannot rename " + temp.string() + " to " + output.string() + ": " + ec.message();
    }
    if (!error.empty())
        std::filesystem::remove(temp, ec);
    return error;
}

} // namespace orvane::catalogue
