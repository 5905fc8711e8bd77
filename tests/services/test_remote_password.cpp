#include <gtest/gtest.h>

#include <cstring>

#include "services/RemotePassword.h"
#include "tests/support/byte_image.h"
#include "tests/support/fake_controller_link.h"

using services::NoticeKind;

namespace {

constexpr std::uint32_t kProbe = 0x40000, kLockState = 0x7300, kUnlock = 0x7200,
                        kNewPassword = 0x7400;

// A remote-locked controller: the probe fails while locked, 0x7200 counts attempts.
struct LockedController {
    FakeControllerLink link;
    std::vector<std::uint8_t> password;

    LockedController(std::string right, int attemptsLeft, bool unlockPossible = true,
                     bool available = true) {
        password.assign(10, 0);
        std::memcpy(password.data(), right.data(), right.size());
        std::vector<std::uint8_t> state(13, 0);
        state[0] = available ? 1 : 0;
        state[1] = 1;
        state[2] = unlockPossible ? 1 : 0;
        state[7] = std::uint8_t(attemptsLeft);
        link.memory[kLockState] = state;
        link.onWrite = [this](const FakeControllerLink::WriteRecord& w) {
            if (w.address != kUnlock)
                return;
            auto& s = link.memory[kLockState];
            if (w.bytes == password) {
                s[1] = 0;
                s[7] = 5;
                link.memory[kProbe] = std::vector<std::uint8_t>(847, 0);
            } else if (--s[7] == 0) {
                s[8] = 60;
            }
        };
    }
};

// Answers the prompts from a list and records what each prompt showed.
struct ScriptedUi : services::IProtectUi {
    std::vector<std::string> answers;
    std::vector<services::UnlockPrompt> prompts;
    std::vector<services::Notice> notices;
    int firmwareDialogs = 0;
    std::string newPassword;
    bool giveNewPassword = true;

    bool AskPassword(const services::UnlockPrompt& prompt, services::Secret& password) override {
        prompts.push_back(prompt);
        if (prompts.size() > answers.size())
            return false;
        password.Mutable() = answers[prompts.size() - 1];
        return true;
    }
    void Show(const services::Notice& notice) override { notices.push_back(notice); }
    void OpenFirmwareUpdate() override { ++firmwareDialogs; }
    bool AskNewPassword(services::Secret& password) override {
        password.Mutable() = newPassword;
        return giveNewPassword;
    }
};

std::vector<std::uint8_t> Buffer(std::string text) {
    std::vector<std::uint8_t> b(10, 0);
    std::memcpy(b.data(), text.data(), text.size());
    return b;
}

} // namespace

TEST(RemotePassword, PromptTextsAndBlockedMessage) {
    EXPECT_EQ(services::AttemptLine(0), "");
    EXPECT_EQ(services::AttemptLine(1), "(second attempt)");
    EXPECT_EQ(services::AttemptLine(2), "(third attempt)");
    EXPECT_EQ(services::AttemptLine(3), "(fourth attempt)");
    EXPECT_EQ(services::AttemptLine(4), "(fifth and last attempt)");
    EXPECT_EQ(services::AttemptLine(5), "");
    EXPECT_EQ(services::StatusLine(true), "The controller is password protected.");
    EXPECT_EQ(services::StatusLine(false), "Wrong password.");
    EXPECT_EQ(services::BlockedText(1), "Too much connection attempt. The product is blocked.\n\n"
                                        "Less than 1 minute remaining before unblocking.");
    EXPECT_EQ(services::BlockedText(7), "Too much connection attempt. The product is blocked.\n\n"
                                        "3 minutes remaining before unblocking.");
}

TEST(RemotePassword, BufferIsTheLowByteOfEachCharacterThenZeros) {
    auto two = services::MakePasswordBuffer("ab");
    ASSERT_TRUE(two);
    EXPECT_EQ(std::vector<std::uint8_t>(two->begin(), two->end()), Buffer("ab"));
    auto accented = services::MakePasswordBuffer("\xC3\xA9t\xC3\xA9"); // "été"
    ASSERT_TRUE(accented);
    EXPECT_EQ((*accented)[0], 0xE9);
    EXPECT_EQ((*accented)[1], 't');
    EXPECT_EQ((*accented)[2], 0xE9);
    EXPECT_EQ((*accented)[3], 0);
    EXPECT_TRUE(services::MakePasswordBuffer("0123456789"));
    EXPECT_FALSE(services::MakePasswordBuffer("0123456789A"));
    EXPECT_EQ(services::PasswordLength("\xC3\xA9t\xC3\xA9"), 3u);
}

TEST(RemotePassword, NewPasswordChecks) {
    EXPECT_EQ(services::CheckNewPassword("", ""),
              (services::Notice{NoticeKind::Warning,
                                "The password is not valid. Please enter the passwords again."}));
    EXPECT_EQ(services::CheckNewPassword("abc", "abd")->text,
              "Passwords are different. Please enter the passwords again.");
    EXPECT_FALSE(services::CheckNewPassword("abc", "abc"));
}

TEST(AccessCheck, ControllersThatNeedNoPrompt) {
    // The probe answers: the lock state is never read.
    FakeControllerLink open;
    open.memory[kProbe] = std::vector<std::uint8_t>(847, 0);
    ScriptedUi ui;
    EXPECT_TRUE(services::RunAccessCheck(open, ui));
    EXPECT_FALSE(open.WasRead(kLockState));

    // Lock state unreadable or protection off: allowed.
    FakeControllerLink unreadable;
    EXPECT_TRUE(services::RunAccessCheck(unreadable, ui));
    LockedController inactive("pw", 5);
    inactive.link.memory[kLockState][1] = 0;
    EXPECT_TRUE(services::RunAccessCheck(inactive.link, ui));

    // Cannot be unlocked from here: refused without a word.
    LockedController unavailable("pw", 5, true, false);
    EXPECT_FALSE(services::RunAccessCheck(unavailable.link, ui));
    EXPECT_TRUE(ui.prompts.empty());
    EXPECT_TRUE(ui.notices.empty());

    // A closed link is connected first.
    FakeControllerLink closed;
    closed.connected = false;
    closed.memory[kProbe] = std::vector<std::uint8_t>(847, 0);
    EXPECT_TRUE(services::RunAccessCheck(closed, ui));
    EXPECT_EQ(closed.calls.front(), "connect");
}

TEST(AccessCheck, WrongThenRightPassword) {
    LockedController controller("secret", 4);
    ScriptedUi ui;
    ui.answers = {"nope", "secret"};
    EXPECT_TRUE(services::RunAccessCheck(controller.link, ui));
    ASSERT_EQ(ui.prompts.size(), 2u);
    EXPECT_TRUE(ui.prompts[0].firstPrompt);
    EXPECT_EQ(ui.prompts[0].attemptsMade, 1);
    EXPECT_FALSE(ui.prompts[1].firstPrompt);
    EXPECT_EQ(ui.prompts[1].attemptsMade, 2);
    ASSERT_EQ(controller.link.writes.size(), 2u);
    EXPECT_EQ(controller.link.writes[0].address, kUnlock);
    EXPECT_EQ(controller.link.writes[0].bytes, Buffer("nope"));
    EXPECT_EQ(controller.link.writes[1].bytes, Buffer("secret"));
}

TEST(AccessCheck, FiveWrongPasswordsBlockAndCancelStops) {
    LockedController controller("secret", 5);
    ScriptedUi ui;
    ui.answers = {"1", "2", "3", "4", "5"};
    EXPECT_FALSE(services::RunAccessCheck(controller.link, ui));
    ASSERT_EQ(ui.prompts.size(), 5u);
    for (int i = 0; i < 5; ++i)
        EXPECT_EQ(ui.prompts[std::size_t(i)].attemptsMade, i);
    ASSERT_EQ(ui.notices.size(), 1u);
    EXPECT_EQ(ui.notices[0].kind, NoticeKind::Warning);
    EXPECT_EQ(ui.notices[0].text, services::BlockedText(60));

    // Already blocked: the message at once, no prompt.
    ScriptedUi again;
    EXPECT_FALSE(services::RunAccessCheck(controller.link, again));
    EXPECT_TRUE(again.prompts.empty());
    EXPECT_EQ(again.notices.size(), 1u);

    // Cancel: refused, nothing written.
    LockedController other("secret", 3);
    ScriptedUi cancel;
    EXPECT_FALSE(services::RunAccessCheck(other.link, cancel));
    EXPECT_EQ(cancel.prompts.size(), 1u);
    EXPECT_TRUE(other.link.writes.empty());
}

TEST(AccessCheck, UnlockImpossibleOpensTheFirmwareUpdate) {
    LockedController controller("secret", 5, false);
    ScriptedUi ui;
    EXPECT_FALSE(services::RunAccessCheck(controller.link, ui));
    EXPECT_TRUE(ui.prompts.empty());
    EXPECT_EQ(ui.firmwareDialogs, 1);
    EXPECT_EQ(controller.link.calls,
              (std::vector<std::string>{"stop-monitor", "connect", "start-monitor"}));
}

TEST(Protect, StoresTheNewPasswordAsTenBytes) {
    FakeControllerLink link;
    link.memory[kProbe] = std::vector<std::uint8_t>(847, 0);
    link.memory[kLockState] = std::vector<std::uint8_t>(13, 0);
    ScriptedUi ui;
    ui.newPassword = "ab";
    EXPECT_EQ(services::ProtectController(link, ui), services::ProtectResult::Locked);
    ASSERT_EQ(link.writes.size(), 1u);
    EXPECT_EQ(link.writes[0].address, kNewPassword);
    EXPECT_EQ(link.writes[0].bytes, (std::vector<std::uint8_t>{'a', 'b', 0, 0, 0, 0, 0, 0, 0, 0}));
    EXPECT_EQ(ui.notices.back(),
              (services::Notice{NoticeKind::Information, "Product has been successfully locked."}));

    link.failingWrites = {kNewPassword};
    EXPECT_EQ(services::ProtectController(link, ui), services::ProtectResult::WriteFailed);
    EXPECT_EQ(ui.notices.back().text, "An error occurred while protecting the controller.");

    ui.giveNewPassword = false;
    EXPECT_EQ(services::ProtectController(link, ui), services::ProtectResult::Cancelled);

    FakeControllerLink silent;
    silent.silent = true;
    EXPECT_EQ(services::ProtectController(silent, ui), services::ProtectResult::NotProtectable);
    EXPECT_EQ(ui.notices.back().text, "The controller cannot be protected.");
    EXPECT_TRUE(silent.writes.empty());
}

TEST(Protect, ReconnectingAsksAtOnceOnAFreshlyLockedController) {
    LockedController controller("ab", 5);
    ScriptedUi ui;
    ui.answers = {"ab"};
    EXPECT_TRUE(services::ReconnectAfterProtect(controller.link, ui));
    EXPECT_EQ(ui.prompts.size(), 1u);
    EXPECT_EQ(controller.link.calls,
              (std::vector<std::string>{"deconnect", "connect", "connect", "start-monitor"}));
}
