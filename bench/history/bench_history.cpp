// bench_history [FOLDER]: what the service history costs. The time one row adds to an
// operation (written and synced to disk, as every command does; goal 5 ms), and a filtered
// query over 100,000 rows (goal 50 ms), with and without a match among the newest rows.
// ratio = goal / measured: above 1 meets the goal. The database goes to a new temporary
// folder (or below FOLDER), removed at the end.
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

#include <sqlite3.h>

#include "history/HistoryDb.h"

namespace {

using Clock = std::chrono::steady_clock;
constexpr int kTimedRows = 200;
constexpr int kFilledRows = 100000;
constexpr double kRowGoalMs = 5.0, kQueryGoalMs = 50.0;

double Ms(Clock::duration d) {
    return std::chrono::duration<double, std::milli>(d).count();
}

history::Record Row(int n) {
    history::Record r;
    r.started = 1'700'000'000'000 + std::int64_t(n) * 60'000;
    r.ended = r.started + 20'000;
    r.user = "technician";
    r.host = "service-laptop";
    r.program = "quorvel-cli 2.3.1";
    r.link = {"eth", "", "10.0.3." + std::to_string(n % 250) + ":42424"};
    r.controller = {"6141" + std::to_string(1000 + n % 400), "kz9 T71",
                    "Line " + std::to_string(n % 400), "1.10.00", ""};
    static const char* const kOperations[] = {"program-read", "program-write", "backup",
                                              "stop",         "start",         "datalogs-read"};
    r.operation = kOperations[n % 6];
    r.files = {{"/home/technician/Programs/Line.vqap", 48213, std::string(64, 'c')}};
    r.result = "done";
    return r;
}

// Fills the table in one transaction: the query is what is timed, not the filling.
bool Fill(const std::string& path, int rows) {
    sqlite3* db = nullptr;
    if (sqlite3_open(path.c_str(), &db) != SQLITE_OK)
        return false;
    sqlite3_exec(db, "BEGIN", nullptr, nullptr, nullptr);
    sqlite3_stmt* op = nullptr;
    sqlite3_stmt* file = nullptr;
    sqlite3_prepare_v2(db,
                       "INSERT INTO operations(started, ended, user, host, program, link_kind, "
                       "link_port, link_address, code8, model, label, software, mac, operation, "
                       "result, message, kept) VALUES(?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,'','')",
                       -1, &op, nullptr);
    sqlite3_prepare_v2(db,
                       "INSERT INTO files(operation_id, position, path, size, sha256) "
                       "VALUES(?,0,?,?,?)",
                       -1, &file, nullptr);
    for (int n = 0; n < rows; ++n) {
        const history::Record r = Row(n);
        sqlite3_bind_int64(op, 1, r.started);
        sqlite3_bind_int64(op, 2, r.ended);
        int i = 3;
        for (const std::string* t :
             {&r.user, &r.host, &r.program, &r.link.kind, &r.link.port, &r.link.address,
              &r.controller.code8, &r.controller.model, &r.controller.label, &r.controller.software,
              &r.controller.mac, &r.operation, &r.result})
            sqlite3_bind_text(op, i++, t->c_str(), -1, SQLITE_TRANSIENT);
        sqlite3_step(op);
        sqlite3_reset(op);
        sqlite3_bind_int64(file, 1, sqlite3_last_insert_rowid(db));
        sqlite3_bind_text(file, 2, r.files[0].path.c_str(), -1, SQLITE_TRANSIENT);
        sqlite3_bind_int64(file, 3, 48213);
        sqlite3_bind_text(file, 4, r.files[0].sha256.c_str(), -1, SQLITE_TRANSIENT);
        sqlite3_step(file);
        sqlite3_reset(file);
    }
    sqlite3_finalize(op);
    sqlite3_finalize(file);
    const bool ok = sqlite3_exec(db, "COMMIT", nullptr, nullptr, nullptr) == SQLITE_OK;
    sqlite3_close(db);
    return ok;
}

void Report(const char* what, double ms, double goal) {
    std::printf("%-52s %8.3f ms  goal %5.1f ms  ratio %.2f\n", what, ms, goal, goal / ms);
}

double TimeQuery(history::HistoryDb& db, const history::Filter& filter, std::size_t& rows) {
    constexpr int kRuns = 5;
    double best = 1e9;
    for (int k = 0; k < kRuns; ++k) {
        const auto start = Clock::now();
        rows = db.Query(filter).size();
        best = std::min(best, Ms(Clock::now() - start));
    }
    return best;
}

} // namespace

int main(int argc, char** argv) {
    namespace fs = std::filesystem;
    std::string base = argc > 1 ? argv[1] : fs::temp_directory_path().string();
    std::string pattern = base + "/bench-history-XXXXXX";
    if (mkdtemp(pattern.data()) == nullptr) {
        std::fprintf(stderr, "bench_history: cannot create a folder in %s\n", base.c_str());
        return 1;
    }
    const std::string folder = pattern;
    bool warned = false;
    auto warn = [&](const std::string& text) {
        warned = true;
        std::fprintf(stderr, "%s\n", text.c_str());
    };
    {
        history::HistoryDb db(folder + "/timed.sqlite3", warn);
        const auto start = Clock::now();
        for (int n = 0; n < kTimedRows; ++n)
            db.Add(Row(n));
        Report("one row added, synced to disk (mean of 200)", Ms(Clock::now() - start) / kTimedRows,
               kRowGoalMs);
    }
    const std::string big = folder + "/big.sqlite3";
    { history::HistoryDb create(big, warn); }
    if (!Fill(big, kFilledRows)) {
        std::fprintf(stderr, "bench_history: cannot fill %s\n", big.c_str());
        return 1;
    }
    {
        history::HistoryDb db(big, warn);
        std::size_t rows = 0;
        history::Filter filter;
        filter.controller = "Line 7";
        filter.operation = "program-write";
        filter.limit = 50;
        double ms = TimeQuery(db, filter, rows);
        Report("100,000 rows: one controller's writes, newest 50", ms, kQueryGoalMs);
        filter = {};
        filter.controller = "no such controller";
        ms = TimeQuery(db, filter, rows);
        Report("100,000 rows: a controller never seen (all scanned)", ms, kQueryGoalMs);
        filter = {};
        filter.operation = "backup";
        filter.since = Row(kFilledRows - 600).started;
        ms = TimeQuery(db, filter, rows);
        Report("100,000 rows: backups of the last 600 rows", ms, kQueryGoalMs);
    }
    std::error_code ec;
    fs::remove_all(folder, ec);
    return warned ? 1 : 0;
}
