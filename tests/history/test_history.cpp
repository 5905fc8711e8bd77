// The service history database: rows and their files, the filters, several writers at once,
// a writer killed mid-row, and the files it must not fail on (read-only, damaged, newer).
#include <csignal>
#include <filesystem>
#include <fstream>
#include <set>
#include <string>
#include <vector>

#include <gtest/gtest.h>
#include <sqlite3.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include "history/HistoryDb.h"
#include "history/KeptStore.h"
#include "history/Sha256.h"
#include "tests/support/temp_folder.h"

namespace {

using history::HistoryDb;
using history::Record;

Record MakeRecord(const std::string& operation, const std::string& label, std::int64_t started) {
    Record r;
    r.started = started;
    r.ended = started + 1500;
    r.user = "tech";
    r.host = "bench";
    r.program = "quorvel-cli 2.3.1";
    r.link = {"usb", "ttyACM0", ""};
    r.controller = {"61410031", "kz9 T71", label, "5.12", ""};
    r.operation = operation;
    r.result = history::kDone;
    r.message = "";
    return r;
}

struct Warnings {
    std::vector<std::string> said;
    HistoryDb::Warn Sink() {
        return [this](const std::string& text) { said.push_back(text); };
    }
};

std::int64_t RowCount(const std::string& path) {
    HistoryDb db(path, [](const std::string&) {});
    return static_cast<std::int64_t>(db.Query({}).size());
}

TEST(Sha256, KnownDigests) {
    EXPECT_EQ(history::Sha256Hex(""),
              "e3b0c44298fc1c149afbf4c8996fb92427ae41e4649b934ca495991b7852b855");
    EXPECT_EQ(history::Sha256Hex("abc"),
              "ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad");
    // Two blocks of padding.
    EXPECT_EQ(history::Sha256Hex("abcdbcdecdefdefgefghfghighijhijkijkljklmklmnlmnomnopnopq"),
              "248d6a61d20638b8e5c026930c3e6039a33ce45964ff2167f6ecedd419db06c1");
    EXPECT_EQ(history::Sha256Hex(std::string(1000000, 'a')),
              "cdc76e5c9914fb9281a1c7e284d73e67f1809a48a497200e046d39ccc7112cd0");
}

TEST(HistoryDb, RowsFilesFiltersAndTheLastBackup) {
    testsupport::TempFolder dir;
    Warnings warnings;
    HistoryDb db(dir.Path() + "/history.sqlite3", warnings.Sink());
    Record write = MakeRecord(history::kProgramWrite, "Pump station", 1000);
    write.files = {{"/p/Line3.vqap", 1234, std::string(64, 'a')}, {"/p/b", 2, "bb"}};
    write.kept = "/k/x.vqap";
    auto id = db.Add(write);
    ASSERT_TRUE(id);
    db.Add(MakeRecord(history::kBackup, "Pump station", 2000));
    Record failedBackup = MakeRecord(history::kBackup, "Pump station", 3000);
    failedBackup.result = history::kFailed;
    db.Add(failedBackup);
    Record other = MakeRecord(history::kStop, "Boiler", 4000);
    other.controller.code8 = "61420001";
    db.Add(other);
    EXPECT_TRUE(warnings.said.empty());

    std::optional<Record> found = db.Find(*id);
    ASSERT_TRUE(found);
    EXPECT_EQ(found->controller.label, "Pump station");
    EXPECT_EQ(found->kept, "/k/x.vqap");
    ASSERT_EQ(found->files.size(), 2u);
    EXPECT_EQ(found->files[0].path, "/p/Line3.vqap");
    EXPECT_EQ(found->files[0].size, 1234u);
    EXPECT_FALSE(db.Find(*id + 100));

    std::vector<Record> all = db.Query({});
    ASSERT_EQ(all.size(), 4u);
    EXPECT_EQ(all.front().operation, history::kStop); // newest first
    EXPECT_EQ(db.Query({"pump", "", std::nullopt, std::nullopt}).size(), 3u);
    EXPECT_EQ(db.Query({"61420001", "", std::nullopt, std::nullopt}).size(), 1u);
    EXPECT_EQ(db.Query({"", history::kBackup, std::nullopt, std::nullopt}).size(), 2u);
    EXPECT_EQ(db.Query({"", "", 2500, std::nullopt}).size(), 2u);
    EXPECT_EQ(db.Query({"", "", std::nullopt, 1}).size(), 1u);

    std::optional<Record> backup = db.LastBackup("Pump station");
    ASSERT_TRUE(backup);
    EXPECT_EQ(backup->started, 2000); // the failed one is not a backup to rely on
    EXPECT_TRUE(db.LastBackup("61410031"));
    EXPECT_FALSE(db.LastBackup("Boiler"));
}

TEST(HistoryDb, EightProcessesRecordingAtOnceKeepEveryRow) {
    testsupport::TempFolder dir;
    const std::string path = dir.Path() + "/history.sqlite3";
    constexpr int kProcesses = 8, kRows = 200;
    std::vector<pid_t> children;
    for (int p = 0; p < kProcesses; ++p) {
        pid_t pid = fork();
        ASSERT_GE(pid, 0);
        if (pid == 0) {
            bool warned = false;
            HistoryDb db(path, [&](const std::string&) { warned = true; });
            for (int i = 0; i < kRows; ++i)
                db.Add(MakeRecord(history::kStart, "P" + std::to_string(p), i));
            _exit(warned ? 1 : 0);
        }
        children.push_back(pid);
    }
    for (pid_t pid : children) {
        int status = 0;
        waitpid(pid, &status, 0);
        EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << "a writer warned";
    }
    EXPECT_EQ(RowCount(path), kProcesses * kRows);
}

TEST(HistoryDb, AWriterKilledMidRowLeavesEveryCommittedRow) {
    testsupport::TempFolder dir;
    const std::string path = dir.Path() + "/history.sqlite3";
    int ids[2];
    ASSERT_EQ(pipe(ids), 0);
    pid_t pid = fork();
    ASSERT_GE(pid, 0);
    if (pid == 0) {
        close(ids[0]);
        HistoryDb db(path, [](const std::string&) {});
        Record r = MakeRecord(history::kProgramRead, "Killed", 0);
        r.files.assign(50, {"/some/file.vqap", 99, std::string(64, 'f')});
        for (;;) {
            if (auto id = db.Add(r))
                (void)!write(ids[1], &*id, sizeof *id);
        }
    }
    close(ids[1]);
    std::set<std::int64_t> committed;
    std::int64_t id = 0;
    while (committed.size() < 40 && read(ids[0], &id, sizeof id) == sizeof id)
        committed.insert(id);
    kill(pid, SIGKILL);
    waitpid(pid, nullptr, 0);
    while (read(ids[0], &id, sizeof id) == sizeof id)
        committed.insert(id);
    close(ids[0]);

    Warnings warnings;
    HistoryDb db(path, warnings.Sink());
    EXPECT_TRUE(warnings.said.empty());
    for (std::int64_t committedId : committed) {
        std::optional<Record> row = db.Find(committedId);
        ASSERT_TRUE(row) << committedId;
        EXPECT_EQ(row->files.size(), 50u); // a row is whole, with all its files
    }
    EXPECT_TRUE(db.Add(MakeRecord(history::kStop, "After", 1)));
}

TEST(HistoryDb, AHistoryThatCannotBeWrittenWarnsOnceAndFailsNothing) {
    testsupport::TempFolder dir;
    std::vector<std::string> places{"/proc/quorvel-history/history.sqlite3"};
    if (geteuid() != 0) { // the superuser writes into read-only files
        const std::string path = dir.Path() + "/history.sqlite3";
        {
            HistoryDb(path, [](const std::string&) {}).Add(MakeRecord(history::kStop, "A", 1));
        }
        chmod(path.c_str(), 0444);
        places.push_back(path);
    }
    for (const std::string& path : places) {
        Warnings warnings;
        HistoryDb db(path, warnings.Sink());
        EXPECT_FALSE(db.Add(MakeRecord(history::kStop, "B", 2)));
        EXPECT_FALSE(db.Add(MakeRecord(history::kStart, "B", 3)));
        ASSERT_EQ(warnings.said.size(), 1u) << path;
        EXPECT_NE(warnings.said[0].find("The service history was not written"), std::string::npos);
    }
}

TEST(HistoryDb, ADamagedFileIsSetAsideAndANewOneStarted) {
    testsupport::TempFolder dir;
    const std::string path = dir.Path() + "/history.sqlite3";
    std::ofstream(path) << std::string(8192, 'x');
    Warnings warnings;
    {
        HistoryDb db(path, warnings.Sink());
        EXPECT_TRUE(db.Add(MakeRecord(history::kStop, "New", 1)));
    }
    ASSERT_EQ(warnings.said.size(), 1u);
    EXPECT_NE(warnings.said[0].find("was damaged"), std::string::npos);
    int aside = 0;
    for (const auto& entry : std::filesystem::directory_iterator(dir.Path())) {
        const std::string name = entry.path().filename().string();
        if (name.rfind("history.sqlite3.damaged-", 0) == 0 &&
            name.find("-wal") == std::string::npos) {
            ++aside;
            EXPECT_EQ(testsupport::ReadWholeFile(entry.path().string()), std::string(8192, 'x'));
        }
    }
    EXPECT_EQ(aside, 1);
    EXPECT_EQ(RowCount(path), 1);
}

TEST(HistoryDb, ANewerSchemaIsReadButNotWritten) {
    testsupport::TempFolder dir;
    const std::string path = dir.Path() + "/history.sqlite3";
    {
        HistoryDb(path, [](const std::string&) {}).Add(MakeRecord(history::kStop, "Old", 1));
    }
    sqlite3* raw = nullptr;
    ASSERT_EQ(sqlite3_open(path.c_str(), &raw), SQLITE_OK);
    ASSERT_EQ(sqlite3_exec(raw, "PRAGMA user_version=99", nullptr, nullptr, nullptr), SQLITE_OK);
    sqlite3_close(raw);

    Warnings warnings;
    HistoryDb db(path, warnings.Sink());
    EXPECT_FALSE(db.Writable());
    EXPECT_EQ(db.Query({}).size(), 1u);
    EXPECT_FALSE(db.Add(MakeRecord(history::kStop, "New", 2)));
    ASSERT_EQ(warnings.said.size(), 2u);
    EXPECT_NE(warnings.said[0].find("newer version"), std::string::npos);
    EXPECT_EQ(RowCount(path), 1);
}

TEST(KeptStore, TheSameProgramIsKeptOnce) {
    testsupport::TempFolder dir;
    const std::string store = dir.Path() + "/KeptPrograms/";
    std::string error, first, second;
    for (std::string* kept : {&first, &second}) {
        const std::string read = dir.Path() + "/read.vqap";
        std::ofstream(read) << "program bytes";
        *kept = history::KeepProgram(read, store, error);
        EXPECT_FALSE(std::filesystem::exists(read));
    }
    EXPECT_EQ(first, store + history::Sha256Hex("program bytes") + ".vqap");
    EXPECT_EQ(first, second);
    EXPECT_EQ(testsupport::ReadWholeFile(first), "program bytes");
    EXPECT_TRUE(history::KeepProgram(dir.Path() + "/none.vqap", store, error).empty());
}

} // namespace
