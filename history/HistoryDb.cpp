#include "history/HistoryDb.h"

#include <chrono>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <thread>

#include <sqlite3.h>
#include <unistd.h>

#include "platform/local_time.h"
#include "platform/program_folder.h"

namespace history {

namespace {

// Migration N brings the schema from version N to N + 1. Never edit one that shipped: add
// the next.
const char* const kMigrations[] = {
    "CREATE TABLE operations("
    " id INTEGER PRIMARY KEY,"
    " started INTEGER NOT NULL, ended INTEGER NOT NULL,"
    " user TEXT NOT NULL, host TEXT NOT NULL, program TEXT NOT NULL,"
    " link_kind TEXT NOT NULL, link_port TEXT NOT NULL, link_address TEXT NOT NULL,"
    " code8 TEXT NOT NULL, model TEXT NOT NULL, label TEXT NOT NULL, software TEXT NOT NULL,"
    " mac TEXT NOT NULL,"
    " operation TEXT NOT NULL, result TEXT NOT NULL, message TEXT NOT NULL,"
    " kept TEXT NOT NULL);"
    "CREATE INDEX operations_started ON operations(started);"
    "CREATE INDEX operations_code8 ON operations(code8, operation, started);"
    "CREATE TABLE files("
    " operation_id INTEGER NOT NULL REFERENCES operations(id),"
    " position INTEGER NOT NULL, path TEXT NOT NULL, size INTEGER NOT NULL,"
    " sha256 TEXT NOT NULL);"
    "CREATE INDEX files_operation ON files(operation_id);",
    // 1 -> 2: the controller filter goes through the labels.
    "CREATE INDEX operations_label ON operations(label, started);",
};
static_assert(std::size(kMigrations) == kSchemaVersion);

constexpr const char* kNotWritten = "The service history was not written";

constexpr const char* kColumns =
    "id, started, ended, user, host, program, link_kind, link_port, link_address, code8, model, "
    "label, software, mac, operation, result, message, kept";

// A prepared statement, finalised at the end of its scope.
class Statement {
  public:
    Statement(sqlite3* db, const std::string& sql) {
        if (db != nullptr)
            sqlite3_prepare_v2(db, sql.c_str(), -1, &stmt_, nullptr);
    }
    ~Statement() { sqlite3_finalize(stmt_); }
    Statement(const Statement&) = delete;
    Statement& operator=(const Statement&) = delete;

    bool Ok() const { return stmt_ != nullptr; }
    void Bind(int index, const std::string& text) {
        sqlite3_bind_text(stmt_, index, text.c_str(), static_cast<int>(text.size()),
                          SQLITE_TRANSIENT);
    }
    void Bind(int index, std::int64_t value) { sqlite3_bind_int64(stmt_, index, value); }
    int Step() { return stmt_ ? sqlite3_step(stmt_) : SQLITE_MISUSE; }
    void Reset() {
        sqlite3_reset(stmt_);
        sqlite3_clear_bindings(stmt_);
    }
    std::string Text(int column) const {
        const unsigned char* text = sqlite3_column_text(stmt_, column);
        return text ? std::string(reinterpret_cast<const char*>(text),
                                  static_cast<std::size_t>(sqlite3_column_bytes(stmt_, column)))
                    : std::string();
    }
    std::int64_t Int(int column) const { return sqlite3_column_int64(stmt_, column); }

  private:
    sqlite3_stmt* stmt_ = nullptr;
};

bool IsDamage(int rc) {
    rc &= 0xFF;
    return rc == SQLITE_CORRUPT || rc == SQLITE_NOTADB;
}

// Waits for another writer in short steps until kBusyTimeoutMs have passed since the first
// try. SQLite's own time-out sleeps ever longer (up to 100 ms at a time), which lets a writer
// that keeps losing the race starve behind busy neighbours; short steps keep the turns fair.
int WaitWhileBusy(void*, int attempt) {
    using Clock = std::chrono::steady_clock;
    thread_local Clock::time_point firstTry;
    if (attempt == 0)
        firstTry = Clock::now();
    if (Clock::now() - firstTry > std::chrono::milliseconds(kBusyTimeoutMs))
        return 0;
    std::this_thread::sleep_for(std::chrono::microseconds(500 + (attempt * 397) % 1500));
    return 1;
}

Record RowOf(const Statement& s) {
    Record r;
    r.id = s.Int(0);
    r.started = s.Int(1);
    r.ended = s.Int(2);
    r.user = s.Text(3);
    r.host = s.Text(4);
    r.program = s.Text(5);
    r.link = {s.Text(6), s.Text(7), s.Text(8)};
    r.controller = {s.Text(9), s.Text(10), s.Text(11), s.Text(12), s.Text(13)};
    r.operation = s.Text(14);
    r.result = s.Text(15);
    r.message = s.Text(16);
    r.kept = s.Text(17);
    return r;
}

// "20261208-140509": the date a damaged file is set aside with.
std::string DateStamp() {
    const std::tm local = platform::LocalNow();
    char text[32];
    std::strftime(text, sizeof text, "%Y%m%d-%H%M%S", &local);
    return text;
}

} // namespace

HistoryDb::HistoryDb(std::string path, Warn warn) : path_(std::move(path)), warn_(std::move(warn)) {
    Open();
}

HistoryDb::~HistoryDb() {
    Close();
}

void HistoryDb::Close() {
    if (db_ != nullptr)
        sqlite3_close_v2(db_);
    db_ = nullptr;
}

bool HistoryDb::OpenFile(bool readOnly) {
    Close();
    readOnly_ = readOnly;
    int flags = readOnly ? SQLITE_OPEN_READONLY : SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE;
    if (sqlite3_open_v2(path_.c_str(), &db_, flags | SQLITE_OPEN_NOMUTEX, nullptr) != SQLITE_OK) {
        Close();
        return false;
    }
    sqlite3_busy_handler(db_, WaitWhileBusy, nullptr);
    sqlite3_extended_result_codes(db_, 1);
    return true;
}

void HistoryDb::Open() {
    std::error_code ec;
    const bool exists = std::filesystem::exists(path_, ec);
    if (exists && access(path_.c_str(), W_OK) != 0) {
        readOnlyReason_ = path_ + " is read-only";
        OpenFile(true);
        return;
    }
    if (!exists) {
        std::filesystem::path folder = std::filesystem::path(path_).parent_path();
        if (!folder.empty())
            std::filesystem::create_directories(folder, ec);
    }
    if (!OpenFile(false)) {
        readOnlyReason_ = "cannot open " + path_;
        return;
    }
    if (Prepare())
        return;
    // Damaged: the file is kept aside for whoever wants to look at it, and a new one started.
    SetAside();
    if (!OpenFile(false) || !Prepare()) {
        Close();
        readOnlyReason_ = "cannot create " + path_;
    }
}

// Sets the journal, reads the schema version and migrates. False when the file is damaged.
bool HistoryDb::Prepare() {
    int rc = sqlite3_exec(db_, "PRAGMA journal_mode=WAL", nullptr, nullptr, nullptr);
    if (IsDamage(rc))
        return false;
    sqlite3_exec(db_, "PRAGMA synchronous=FULL", nullptr, nullptr, nullptr);
    int version = 0;
    {
        Statement s(db_, "PRAGMA user_version");
        rc = s.Step();
        if (IsDamage(rc) || (!s.Ok() && IsDamage(sqlite3_errcode(db_))))
            return false;
        version = rc == SQLITE_ROW ? static_cast<int>(s.Int(0)) : 0;
    }
    {
        // Reads the schema itself, so that a file whose header looks sound but whose
        // catalogue is damaged is found now rather than at the first row.
        Statement s(db_, "SELECT count(*) FROM sqlite_master");
        rc = s.Step();
        if (IsDamage(rc) || (!s.Ok() && IsDamage(sqlite3_errcode(db_))))
            return false;
    }
    if (version > kSchemaVersion) {
        readOnlyReason_ = path_ + " was written by a newer version of the program";
        warn_("The service history " + path_ +
              " was written by a newer version of the program; it is opened read-only.");
        OpenFile(true);
        return true;
    }
    if (version < kSchemaVersion && !Migrate(version))
        return !IsDamage(sqlite3_errcode(db_));
    return true;
}

bool HistoryDb::Migrate(int version) {
    // Several processes may start on a new file at once: the version is read again inside
    // the write transaction, so that each migration runs once.
    if (sqlite3_exec(db_, "BEGIN IMMEDIATE", nullptr, nullptr, nullptr) != SQLITE_OK) {
        readOnlyReason_ = sqlite3_errmsg(db_);
        return false;
    }
    {
        Statement s(db_, "PRAGMA user_version");
        version = s.Step() == SQLITE_ROW ? static_cast<int>(s.Int(0)) : version;
    }
    bool ok = true;
    for (int v = version; ok && v < kSchemaVersion; ++v)
        ok = sqlite3_exec(db_, kMigrations[v], nullptr, nullptr, nullptr) == SQLITE_OK;
    if (ok && version < kSchemaVersion)
        ok = sqlite3_exec(db_, ("PRAGMA user_version=" + std::to_string(kSchemaVersion)).c_str(),
                          nullptr, nullptr, nullptr) == SQLITE_OK;
    if (!ok) {
        readOnlyReason_ = sqlite3_errmsg(db_);
        sqlite3_exec(db_, "ROLLBACK", nullptr, nullptr, nullptr);
        return false;
    }
    return sqlite3_exec(db_, "COMMIT", nullptr, nullptr, nullptr) == SQLITE_OK;
}

void HistoryDb::SetAside() {
    Close();
    const std::string aside = path_ + ".damaged-" + DateStamp();
    std::error_code ec;
    std::filesystem::rename(path_, aside, ec);
    // Its journal belongs to it: it goes along, and must not be replayed into the new file.
    for (const char* suffix : {"-wal", "-shm"}) {
        std::error_code ignored;
        if (std::filesystem::exists(path_ + suffix, ignored))
            std::filesystem::rename(path_ + suffix, aside + suffix, ignored);
    }
    warn_("The service history " + path_ + " was damaged; it was set aside as " + aside +
          " and a new one started.");
}

void HistoryDb::WarnNotWritten(const std::string& reason) {
    if (warnedWrite_)
        return;
    warnedWrite_ = true;
    warn_(std::string(kNotWritten) + ": " + reason + ".");
}

std::optional<std::int64_t> HistoryDb::Add(const Record& r) {
    if (!Writable()) {
        WarnNotWritten(readOnlyReason_.empty() ? "no history file" : readOnlyReason_);
        return std::nullopt;
    }
    auto fail = [&]() -> std::optional<std::int64_t> {
        std::string reason = sqlite3_errmsg(db_);
        sqlite3_exec(db_, "ROLLBACK", nullptr, nullptr, nullptr);
        WarnNotWritten(path_ + ": " + reason);
        return std::nullopt;
    };
    if (sqlite3_exec(db_, "BEGIN IMMEDIATE", nullptr, nullptr, nullptr) != SQLITE_OK)
        return fail();
    Statement row(db_, "INSERT INTO operations(started, ended, user, host, program, link_kind, "
                       "link_port, link_address, code8, model, label, software, mac, operation, "
                       "result, message, kept) VALUES(?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?)");
    if (!row.Ok())
        return fail();
    row.Bind(1, r.started);
    row.Bind(2, r.ended);
    int i = 3;
    for (const std::string* text :
         {&r.user, &r.host, &r.program, &r.link.kind, &r.link.port, &r.link.address,
          &r.controller.code8, &r.controller.model, &r.controller.label, &r.controller.software,
          &r.controller.mac, &r.operation, &r.result, &r.message, &r.kept})
        row.Bind(i++, *text);
    if (row.Step() != SQLITE_DONE)
        return fail();
    const std::int64_t id = sqlite3_last_insert_rowid(db_);
    Statement file(db_, "INSERT INTO files(operation_id, position, path, size, sha256) "
                        "VALUES(?,?,?,?,?)");
    for (std::size_t n = 0; n < r.files.size(); ++n) {
        file.Reset();
        file.Bind(1, id);
        file.Bind(2, static_cast<std::int64_t>(n));
        file.Bind(3, r.files[n].path);
        file.Bind(4, static_cast<std::int64_t>(r.files[n].size));
        file.Bind(5, r.files[n].sha256);
        if (file.Step() != SQLITE_DONE)
            return fail();
    }
    if (sqlite3_exec(db_, "COMMIT", nullptr, nullptr, nullptr) != SQLITE_OK)
        return fail();
    return id;
}

void HistoryDb::LoadFiles(Record& record) const {
    Statement s(db_, "SELECT path, size, sha256 FROM files WHERE operation_id = ? "
                     "ORDER BY position");
    s.Bind(1, record.id);
    while (s.Step() == SQLITE_ROW)
        record.files.push_back({s.Text(0), static_cast<std::uint64_t>(s.Int(1)), s.Text(2)});
}

std::vector<Record> HistoryDb::Select(const std::string& where,
                                      const std::vector<std::string>& text,
                                      std::optional<std::int64_t> since,
                                      std::optional<std::int64_t> limit) const {
    std::vector<Record> rows;
    if (db_ == nullptr)
        return rows;
    std::string sql = std::string("SELECT ") + kColumns + " FROM operations WHERE " + where;
    if (since)
        sql += " AND started >= ?";
    sql += " ORDER BY started DESC, id DESC";
    if (limit)
        sql += " LIMIT ?";
    Statement s(db_, sql);
    int i = 1;
    for (const std::string& value : text)
        s.Bind(i++, value);
    if (since)
        s.Bind(i++, *since);
    if (limit)
        s.Bind(i++, *limit);
    while (s.Step() == SQLITE_ROW)
        rows.push_back(RowOf(s));
    for (Record& r : rows)
        LoadFiles(r);
    return rows;
}

std::vector<Record> HistoryDb::Query(const Filter& filter) const {
    std::string where = "1";
    std::vector<std::string> text;
    if (!filter.controller.empty()) {
        // LIKE ignores the case of ASCII letters; its own wildcards in the text are escaped.
        std::string pattern = "%";
        for (char c : filter.controller) {
            if (c == '%' || c == '_' || c == '\\')
                pattern += '\\';
            pattern += c;
        }
        pattern += '%';
        // The labels are few beside the rows: each distinct one is matched once (through the
        // label index), then the rows are found through the indexes.
        where += " AND (code8 = ? OR label IN (SELECT label FROM (SELECT DISTINCT label FROM "
                 "operations) WHERE label LIKE ? ESCAPE '\\'))";
        text.push_back(filter.controller);
        text.push_back(pattern);
    }
    if (!filter.operation.empty()) {
        where += " AND operation = ?";
        text.push_back(filter.operation);
    }
    return Select(where, text, filter.since, filter.limit);
}

std::optional<Record> HistoryDb::Find(std::int64_t id) const {
    std::vector<Record> rows = Select("id = " + std::to_string(id), {}, {}, 1);
    if (rows.empty())
        return std::nullopt;
    return rows.front();
}

std::optional<Record> HistoryDb::LastBackup(const std::string& controller) const {
    std::vector<Record> rows =
        Select("operation = ? AND result = ? AND (code8 = ? OR label = ? OR link_address = ?)",
               {kBackup, kDone, controller, controller, controller}, {}, 1);
    if (rows.empty())
        return std::nullopt;
    return rows.front();
}

std::string HistoryPath(const std::string& option) {
    if (!option.empty())
        return option;
    if (const char* env = std::getenv("QUORVEL_HISTORY"); env && *env)
        return env;
    return platform::DefaultDataBase() + "history.sqlite3";
}

std::string KeptFolder(const std::string& historyPath) {
    std::string folder = std::filesystem::path(historyPath).parent_path().string();
    return (folder.empty() ? std::string() : folder + "/") + "KeptPrograms/";
}

} // namespace history
