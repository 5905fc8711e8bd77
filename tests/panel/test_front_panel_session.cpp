// The front panel's behaviour on crafted publications: decoding, the error screen and
// what each link does after it, icons, and the key writes the controller sees.
#include <algorithm>

#include <gtest/gtest.h>

#include "FakePanelLink.h"
#include "panel/FrontPanelSession.h"
#include "panel/GlyphTable.h"

using namespace panel;
using paneltest::Block;
using paneltest::FakePanelLink;

namespace {

std::u16string Row(const ScreenRecord& s, int row) {
    std::u16string out;
    for (int c = 0; c < kLcdColumns; ++c)
        out += static_cast<char16_t>(s.cells[row * kLcdColumns + c]);
    return out;
}

class PanelSessionTest : public ::testing::Test {
  protected:
    void SetUp() override { KeyState().fill(0); }
    void TearDown() override { KeyState().fill(0); }

    FakePanelLink link;
    std::vector<std::string> pictures;
    std::vector<std::string> warnings;
    FrontPanelSession::Hooks Hooks() {
        FrontPanelSession::Hooks h;
        h.setKeyPicture = [this](int key, bool pressed) {
            pictures.push_back(std::to_string(key) + (pressed ? " pressed" : " normal"));
        };
        h.warn = [this](const std::string& text) { warnings.push_back(text); };
        h.wait = [this](int ms) { link.log.push_back("wait " + std::to_string(ms)); };
        return h;
    }
};

TEST(FrontPanelBlock, DecodesCellsIconsAndRejectsShortBlocks) {
    auto b = Block({"AB"}, 0, 0x12, 0x00000304);
    b[72 + 1] = 0x02;
    b[144] = 0x5A;
    const auto r = DecodeBlock(b.data(), b.size());
    ASSERT_TRUE(r);
    EXPECT_EQ(r->cells[0], 0x0041);
    EXPECT_EQ(r->cells[1], 0x0242);
    EXPECT_EQ(r->copy144, 0x5A);
    EXPECT_EQ(r->iconByte, 0x12);
    EXPECT_EQ(r->iconWord, 0x00000304u);
    EXPECT_EQ(r->constant, 3u);
    // The last six bytes are not needed; one byte fewer than the icon word is refused.
    EXPECT_TRUE(DecodeBlock(b.data(), 150));
    EXPECT_FALSE(DecodeBlock(b.data(), 149));
    EXPECT_FALSE(DecodeBlock(nullptr, 156));
}

TEST(FrontPanelBlock, IconMaskFromByteAndWord) {
    const std::uint32_t one = IconMask(1, 0);
    EXPECT_EQ(one, (1u << 1) | (1u << 4));
    const std::uint32_t all = IconMask(0xFF, 0);
    for (int i = 0; i < kIconCount; ++i)
        EXPECT_EQ(IconShown(all, i), i >= 1 && i <= 9) << i;
    EXPECT_EQ(IconMask(0, 0x201), 0x201u);
    EXPECT_EQ(IconMask(2, 1), (1u << 2) | (1u << 5) | 1u);
}

TEST(FrontPanelBlock, ErrorScreenAndLcdText) {
    const ScreenRecord e = ErrorScreen();
    EXPECT_EQ(Row(e, 0), std::u16string(18, u' '));
    EXPECT_EQ(Row(e, 1), u"   COMMUNICATION  ");
    EXPECT_EQ(Row(e, 2), u"      ERROR       ");
    EXPECT_EQ(e.iconByte, 0xFF);
    EXPECT_EQ(e.copy144, 0xFF);
    EXPECT_EQ(e.iconWord, 0u);
    const std::u16string text = LcdText(e);
    EXPECT_EQ(text.size(), 72u + 3 * 2);
    EXPECT_EQ(text.substr(18, 2), u" \n");
    EXPECT_EQ(text.substr(20, 18), Row(e, 1));
    EXPECT_EQ(LcdRowUtf8(e, 2), "      ERROR       ");
}

TEST_F(PanelSessionTest, PageZeroAndPageOneDigits) {
    FrontPanelSession s(link, 0, Hooks());
    EXPECT_FALSE(s.HasScreen());
    EXPECT_EQ(s.Tick(), 0);
    link.PublishOk(Block({"0123456789"}, 0));
    EXPECT_EQ(s.Tick(), 1);
    ASSERT_TRUE(s.HasScreen());
    for (int d = 0; d < 10; ++d)
        EXPECT_EQ(s.Screen().cells[d], 0xFF10 + d);
    EXPECT_EQ(LcdRowUtf8(s.Screen(), 0).substr(0, 3), "\xEF\xBC\x90");
    link.PublishOk(Block({"0123456789"}, 1));
    s.Tick();
    EXPECT_EQ(Row(s.Screen(), 0), u"0123456789        ");
}

TEST_F(PanelSessionTest, AttributeFFInCellZeroKeepsTheWholeScreen) {
    FrontPanelSession s(link, 0, Hooks());
    link.PublishOk(Block({"RUN"}, 0, 0, 0x4));
    s.Tick();
    auto keep = Block({"BUSY"}, 0, 0, 0x1);
    keep[72] = 0xFF;
    link.PublishOk(keep);
    EXPECT_EQ(s.Tick(), 1); // taken, so the caller redraws from the kept screen
    EXPECT_EQ(Row(s.Screen(), 0), u"RUN               ");
    EXPECT_EQ(s.ShownIcons(), 0x4u);
    // 0xFF elsewhere than cell 0 is an ordinary page-3 attribute.
    auto other = Block({"X"}, 0);
    other[73] = 0xFF;
    link.PublishOk(other);
    s.Tick();
    EXPECT_EQ(s.Screen().cells[0], u'X');
    EXPECT_EQ(s.Screen().cells[1], GlyphForCell(0x0320));
}

TEST_F(PanelSessionTest, ShortBlockKeepsTheScreen) {
    FrontPanelSession s(link, 0, Hooks());
    link.PublishOk(Block({"STOP"}));
    link.PublishOk(std::vector<std::uint8_t>(40, 0x41));
    EXPECT_EQ(s.Tick(), 2);
    EXPECT_EQ(Row(s.Screen(), 0), u"STOP              ");
}

TEST_F(PanelSessionTest, KoOnUsbShowsErrorAndKeepsTheLink) {
    link.linkKind = 0;
    FrontPanelSession s(link, 0, Hooks());
    link.PublishKo();
    s.Tick();
    EXPECT_EQ(Row(s.Screen(), 1), u"   COMMUNICATION  ");
    EXPECT_TRUE(s.ShowsErrorScreen());
    EXPECT_EQ(s.ShownIcons(), IconMask(0xFF, 0));
    EXPECT_TRUE(link.linkOpen);
    EXPECT_TRUE(link.log.empty());
}

TEST_F(PanelSessionTest, KoOnEthernetDisconnectsOnce) {
    link.linkKind = 2;
    FrontPanelSession s(link, 0, Hooks());
    link.PublishKo();
    link.PublishKo();
    // Read before the link was dropped: it does not hide why it was dropped.
    link.PublishOk(Block({"RUN"}));
    s.Tick();
    EXPECT_EQ(link.log, std::vector<std::string>{"deconnect"});
    EXPECT_FALSE(link.linkOpen);
    EXPECT_EQ(Row(s.Screen(), 2), u"      ERROR       ");
}

TEST_F(PanelSessionTest, ALoaderOnlyControllerIsSaidToHaveNoFirmware) {
    link.stateResult = 0;
    link.stateWord = 0x400001F5;
    FrontPanelSession s(link, 0, Hooks());
    link.PublishOk(Block({"WAITING IMAGE"}));
    link.PublishOk(Block({"WAITING IMAGE"}));
    s.Tick();
    EXPECT_TRUE(s.ShowsNoFirmware());
    EXPECT_EQ(Row(s.Screen(), 0), u"WAITING IMAGE     "); // the controller's own screen
    EXPECT_EQ(link.stateReads, 1);
    EXPECT_EQ(warnings, std::vector<std::string>{texts::kNoFirmware});
    // The firmware loaded: a later check sees it, and nothing more is said.
    link.stateWord = 0x00000101;
    for (int i = 0; i < 60; ++i)
        link.PublishOk(Block({"RUN"}));
    s.Tick();
    EXPECT_FALSE(s.ShowsNoFirmware());
    const int reads = link.stateReads;
    for (int i = 0; i < 60; ++i)
        link.PublishOk(Block({"RUN"}));
    s.Tick();
    EXPECT_EQ(link.stateReads, reads); // a controller with firmware is not asked again
    // After a failed read the controller may be another one: asked again.
    link.stateWord = 0x400001F6;
    link.PublishKo();
    link.PublishOk(Block({"WAITING IMAGE"}));
    s.Tick();
    EXPECT_TRUE(s.ShowsNoFirmware());
    EXPECT_EQ(warnings.size(), 2u);
}

TEST_F(PanelSessionTest, KoOnBleReidentifiesWhenDataComesBack) {
    link.linkKind = 1;
    FrontPanelSession s(link, 1, Hooks());
    link.PublishKo();
    s.Tick();
    EXPECT_TRUE(link.log.empty());
    // A failed identity read keeps the family and is retried with the next block.
    link.modelResult = 15;
    link.PublishOk(Block({"A"}));
    s.Tick();
    EXPECT_EQ(link.family, -1);
    link.modelResult = 0;
    link.model = 3; // a kz9 model
    link.PublishOk(Block({"B"}));
    link.PublishOk(Block({"C"}));
    s.Tick();
    EXPECT_EQ(link.family, 0);
    EXPECT_FALSE(s.ShowsErrorScreen());
    EXPECT_EQ(std::count(link.log.begin(), link.log.end(), "read model"), 2);
    EXPECT_EQ(FamilyForModel(7), 1);
    EXPECT_EQ(FamilyForModel(10), 1);
    EXPECT_EQ(FamilyForModel(14), 2);
    EXPECT_EQ(FamilyForModel(255), 2);
}

TEST_F(PanelSessionTest, TickTakesEveryWaitingBlockAndShowsTheLast) {
    FrontPanelSession s(link, 0, Hooks());
    for (char c = 'A'; c <= 'J'; ++c)
        link.PublishOk(Block({std::string(1, c)}));
    EXPECT_EQ(s.Tick(), 10);
    EXPECT_EQ(s.Screen().cells[0], u'J');
    EXPECT_EQ(s.PublicationsTaken(), 10u);
    EXPECT_TRUE(link.queue.empty());
}

TEST_F(PanelSessionTest, DoubleClickThenClickOnA) {
    FrontPanelSession s(link, 0, Hooks());
    s.ClickKey(kKeyA); // the first click of the double-click
    s.DoubleClickKey(kKeyA);
    EXPECT_EQ(KeyState()[kKeyA], 1);
    EXPECT_EQ(s.KeyMask(), 0x20);
    link.log.clear();
    s.ClickKey(kKeyA);
    EXPECT_EQ(link.log, (std::vector<std::string>{"mask 00", "wait 200", "mask 20"}));
    EXPECT_EQ(KeyState()[kKeyA], 1);
}

TEST_F(PanelSessionTest, KeyBitsFollowTheFamily) {
    FrontPanelSession kz9(link, 0, Hooks());
    kz9.ToggleKey(kKeyMinus);
    kz9.ToggleKey(kKeyEsc);
    EXPECT_EQ(link.log.back(), "mask 0A");
    KeyState().fill(0);
    link.log.clear();
    FrontPanelSession pask(link, 1, Hooks());
    pask.ToggleKey(kKeyMinus);
    pask.ToggleKey(kKeyEsc);
    EXPECT_EQ(link.log.back(), "mask 0C");
    EXPECT_EQ(KeyBitsForFamily(7), KeyBitRow{});
}

TEST_F(PanelSessionTest, ClickWhileDisconnectedSendsNothing) {
    link.linkOpen = false;
    FrontPanelSession s(link, 0, Hooks());
    s.ClickKey(kKeyB);
    s.DoubleClickKey(kKeyB);
    s.ToggleKey(kKeyChord);
    s.ClickEnter();
    EXPECT_TRUE(link.log.empty());
    EXPECT_TRUE(pictures.empty());
    EXPECT_EQ(s.KeyMask(), 0);
    EXPECT_EQ(KeyState(), (std::array<int, kKeyCount>{}));
}

TEST_F(PanelSessionTest, EnterClickPausesMonitoring) {
    FrontPanelSession s(link, 2, Hooks());
    s.ClickEnter();
    EXPECT_EQ(link.log, (std::vector<std::string>{"stop monitor", "mask 01", "wait 200", "mask 00",
                                                  "start monitor"}));
    EXPECT_EQ(pictures, (std::vector<std::string>{"5 pressed", "5 normal"}));
}

TEST_F(PanelSessionTest, ChordSendsParameterAccessAndItsBitsRideLaterWrites) {
    FrontPanelSession s(link, 1, Hooks());
    s.ToggleKey(kKeyChord);
    EXPECT_EQ(link.log, std::vector<std::string>{"command 30"});
    EXPECT_EQ(pictures, (std::vector<std::string>{"4 pressed", "5 pressed"}));
    EXPECT_EQ(s.KeyMask(), 0x09);
    s.ToggleKey(kKeyA);
    EXPECT_EQ(link.log.back(), "mask 29");
    link.log.clear();
    s.ToggleKey(kKeyChord); // released: nothing is sent
    EXPECT_TRUE(link.log.empty());
    EXPECT_EQ(s.KeyMask(), 0x20);
}

TEST_F(PanelSessionTest, FailedWriteWarnsAndKeepsTheToggle) {
    link.writeResult = -1;
    FrontPanelSession s(link, 0, Hooks());
    s.ToggleKey(kKeyPlus);
    s.ToggleKey(kKeyChord);
    EXPECT_EQ(warnings, (std::vector<std::string>{"Communication Failed", "Communication Failed"}));
    EXPECT_EQ(KeyState()[kKeyPlus], 1);
    EXPECT_EQ(s.KeyMask(), 0x07);
}

TEST_F(PanelSessionTest, KeyStateOutlivesTheSessionButTheMaskDoesNot) {
    {
        FrontPanelSession s(link, 0, Hooks());
        s.DoubleClickKey(kKeyB);
    }
    FrontPanelSession rebuilt(link, 0, Hooks());
    EXPECT_EQ(rebuilt.KeyMask(), 0);
    EXPECT_EQ(KeyState()[kKeyB], 1);
    link.log.clear();
    rebuilt.DoubleClickKey(kKeyB); // released: the bit is cleared in an empty mask
    EXPECT_EQ(link.log, std::vector<std::string>{"mask 00"});
}

} // namespace
