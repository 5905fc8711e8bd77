// The service history database: one SQLite file, shared by every program and command that
// records at the same time (WAL journal, a busy time-out). It never blocks nor fails the
// operation it records: a row that cannot be written costs one warning, nothing more.
// A damaged file is set aside under a dated name and a new one started; a file of a newer
// schema is opened read-only. The schema grows through numbered migrations.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "history/HistoryRecord.h"

struct sqlite3;

namespace history {

// The schema version this program writes (PRAGMA user_version).
inline constexpr int kSchemaVersion = 2;
// How long a writer waits for another one before the row is given up.
inline constexpr int kBusyTimeoutMs = 10000;

class HistoryDb {
  public:
    using Warn = std::function<void(const std::string&)>;

    // Opens (or creates) the database at `path`. Never throws; what goes wrong is said
    // through `warn`, at most once per kind of trouble.
    HistoryDb(std::string path, Warn warn);
    ~HistoryDb();
    HistoryDb(const HistoryDb&) = delete;
    HistoryDb& operator=(const HistoryDb&) = delete;

    const std::string& Path() const { return path_; }
    // Whether rows can be read (the file opened).
    bool Readable() const { return db_ != nullptr; }
    // Whether rows can be written.
    bool Writable() const { return db_ != nullptr && !readOnly_; }

    // Adds `record` with its files; its id, or nullopt after the one warning that the
    // history was not written.
    std::optional<std::int64_t> Add(const Record& record);

    std::vector<Record> Query(const Filter& filter) const;
    std::optional<Record> Find(std::int64_t id) const;
    // The newest successful backup of the controller whose code8, label or link address is
    // `controller` (exactly); nullopt when there is none.
    std::optional<Record> LastBackup(const std::string& controller) const;

  private:
    void Open();
    bool OpenFile(bool readOnly);
    bool Prepare();
    bool Migrate(int version);
    void SetAside();
    void Close();
    void WarnNotWritten(const std::string& reason);
    std::vector<Record> Select(const std::string& where, const std::vector<std::string>& text,
                               std::optional<std::int64_t> since,
                               std::optional<std::int64_t> limit) const;
    void LoadFiles(Record& record) const;

    std::string path_;
    Warn warn_;
    sqlite3* db_ = nullptr;
    bool readOnly_ = false;
    bool warnedWrite_ = false;
    std::string readOnlyReason_;
};

// The history file to use: `option` (--history FILE) when given, else $QUORVEL_HISTORY when
// set, else "history.sqlite3" in the data folder (below the program folder when writable,
// otherwise the user's own data folder).
std::string HistoryPath(const std::string& option = {});

// The folder of kept programs beside the history file `historyPath`, ending with '/'.
std::string KeptFolder(const std::string& historyPath);

} // namespace history
