// The firmware dialog's logic: identification, package folders, the list per language and
// the status line with what it enables.
#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <fstream>

#include "firmware/UpdateFwLogic.h"
#include "tests/support/fake_controller_link.h"

namespace {

using namespace transfer;

// Answers only the boot identity area, for the family code 4 and `code8`.
struct BootReader : FakeControllerLink {
    std::string code8 = "61410001";
    int Read(std::uint8_t* dest, std::uint32_t address, std::uint32_t count,
             std::uint32_t) override {
        if (silent || address != 0xE000 || count != 21)
            return comm::kTargetNotAnswering;
        std::memset(dest, 0, count);
        dest[0] = 4;
        std::memcpy(dest + 1, code8.data(), std::min<std::size_t>(8, code8.size()));
        return 0;
    }
};

class UpdateFwLogicTest : public ::testing::Test {
  protected:
    void SetUp() override {
        root_ = std::filesystem::temp_directory_path() /
                ("qfwlogic_" +
                 std::string(::testing::UnitTest::GetInstance()->current_test_info()->name()));
        std::filesystem::remove_all(root_);
        std::filesystem::create_directories(root_ / "T71" / "Larch");
        for (const char* name :
             {"Larch_1_02_07_2_4_-1--------.vqfw", "Larch_1_10_00_2_4_-1--------.vqfw",
              "Larch_1_03_00_2_4_--2-------.vqfw"})
            std::ofstream(root_ / "T71" / "Larch" / name) << "x";
    }
    void TearDown() override { std::filesystem::remove_all(root_); }
    std::filesystem::path root_;
    BootReader reader_;
};

TEST_F(UpdateFwLogicTest, ListsPerLanguageNewestFirstAndNoneInFrench) {
    UpdateFwLogic logic(root_.string());
    logic.Start(reader_);
    EXPECT_EQ(logic.View().displayName, "kz9 Larch 12 R");
    EXPECT_EQ(logic.View().language, 0);
    // French: nothing found; only the language buttons stay usable.
    EXPECT_TRUE(logic.View().versions.empty());
    EXPECT_EQ(logic.View().statusText,
              "Unable to find a corresponding firmware file in your setup directory.");
    EXPECT_EQ(logic.View().statusIcon, FwStatusIcon::Error);
    EXPECT_FALSE(logic.View().updateEnabled);
    EXPECT_FALSE(logic.View().controlsEnabled);
    EXPECT_TRUE(logic.View().languagesEnabled);

    logic.ChooseLanguage(1);
    EXPECT_EQ(logic.View().versions, (std::vector<std::string>{"1.10.00", "1.02.07"}));
    EXPECT_FALSE(logic.View().statusVisible);
    EXPECT_TRUE(logic.View().updateEnabled);
    EXPECT_EQ(logic.ChosenPath(0),
              (root_ / "T71/Larch/Larch_1_10_00_2_4_-1--------.vqfw").string());
    EXPECT_EQ(logic.ChosenPath(2), "");
    EXPECT_EQ(logic.FileNames(),
              "Larch_1_10_00_2_4_-1--------.vqfw;Larch_1_02_07_2_4_-1--------.vqfw");

    // Neither box checked: a warning and no update.
    logic.SetChecks(false, false);
    EXPECT_EQ(logic.View().statusText, "Select at least one choice to make an update.");
    EXPECT_EQ(logic.View().statusIcon, FwStatusIcon::Warning);
    EXPECT_FALSE(logic.View().updateEnabled);
    logic.SetChecks(true, false);
    EXPECT_FALSE(logic.View().statusVisible);
    EXPECT_TRUE(logic.View().updateEnabled);

    logic.ChooseLanguage(2);
    EXPECT_EQ(logic.View().versions, (std::vector<std::string>{"1.03.00"}));
}

TEST_F(UpdateFwLogicTest, UnknownModelsMissingFoldersAndSilentControllers) {
    UpdateFwLogic logic(root_.string());
    reader_.code8 = "61410011"; // GPRS model: no firmware update
    logic.Start(reader_);
    EXPECT_EQ(logic.View().statusText,
              "The firmware update is not available for this kind of device.");
    EXPECT_EQ(logic.View().statusIcon, FwStatusIcon::Warning);
    EXPECT_FALSE(logic.View().updateEnabled);

    reader_.code8 = "99999999";
    logic.Start(reader_);
    EXPECT_EQ(logic.View().displayName, "Unknown device");
    EXPECT_EQ(logic.ModelIndex(), 255);
    EXPECT_FALSE(logic.View().updateEnabled);

    reader_.code8 = "61420002"; // Alder: no folder in this setup
    logic.Start(reader_);
    EXPECT_EQ(logic.View().statusText,
              "Unable to find the corresponding firmware folder in your setup directory.");
    EXPECT_EQ(logic.View().statusIcon, FwStatusIcon::Error);

    reader_.silent = true;
    logic.Start(reader_);
    EXPECT_EQ(logic.View().statusText,
              "The target peripheral is not reacting. Check the connection.");
    EXPECT_FALSE(logic.View().languagesEnabled);
    EXPECT_FALSE(logic.View().controlsEnabled);
    EXPECT_FALSE(logic.View().updateEnabled);
    EXPECT_EQ(logic.View().language, 0);
    // Languages do nothing until the controller is identified.
    logic.ChooseLanguage(1);
    EXPECT_TRUE(logic.View().versions.empty());
}

} // namespace
