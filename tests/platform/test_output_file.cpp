// Output files: nothing under any name until the file is complete, an existing file replaced
// whole, and a failure that names the folder and its cause.
#include <gtest/gtest.h>

#include <string>

#include "platform/output_file.h"
#include "tests/support/temp_folder.h"

namespace {

TEST(OutputFile, NothingIsNamedBeforeTheCommitAndAnExistingFileIsReplacedWhole) {
    testsupport::TempFolder dir;
    const std::string path = dir.Path() + "/Demo panel.vqap";
    std::string error;
    ASSERT_TRUE(platform::WriteWholeFile(path, "old", error)) << error;

    platform::OutputFile file;
    ASSERT_TRUE(file.Open(path)) << file.Error();
    ASSERT_TRUE(file.Write(std::string("new\0\xB0", 5)));
    // Until the commit, the folder shows only the old file: the new one has no name yet.
    EXPECT_EQ(testsupport::ReadWholeFile(path), "old");
    EXPECT_EQ(testsupport::EntryNames(dir.Path()), std::vector<std::string>{"Demo panel.vqap"});
    ASSERT_TRUE(file.Commit()) << file.Error();
    EXPECT_EQ(testsupport::ReadWholeFile(path), std::string("new\0\xB0", 5));
    EXPECT_EQ(testsupport::EntryNames(dir.Path()), std::vector<std::string>{"Demo panel.vqap"});

    // A file dropped before its commit leaves nothing.
    platform::OutputFile dropped;
    ASSERT_TRUE(dropped.Open(dir.Path() + "/b.csv"));
    ASSERT_TRUE(dropped.Write("partial"));
    dropped.Discard();
    EXPECT_EQ(testsupport::EntryNames(dir.Path()), std::vector<std::string>{"Demo panel.vqap"});
}

TEST(OutputFile, AFailureNamesTheFolderAndTheCause) {
    testsupport::TempFolder dir;
    const std::string folder = dir.Path() + "/missing";
    std::string error;
    EXPECT_FALSE(platform::WriteWholeFile(folder + "/a.csv", "x", error));
    EXPECT_EQ(error, "Cannot write the file a.csv in the folder " + folder +
                         ": No such file or directory.");
}

} // namespace
