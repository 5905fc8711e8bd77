// BGAPI packets: the documented examples byte for byte, the message table's edges, and
// decoding of short or partial input.
#include <gtest/gtest.h>

#include "ble/bgapi.h"
#include "ble/bgapi_messages.h"
#include "ble/spp_ids.h"

namespace {

using bgapi::Bytes;

TEST(BgapiCommands, DocumentedExamples) {
    EXPECT_EQ(bgapi::SystemReset(0).Joined(), (Bytes{0x00, 0x01, 0x00, 0x00, 0x00}));
    EXPECT_EQ(bgapi::GapDiscover(1).Joined(), (Bytes{0x00, 0x01, 0x06, 0x02, 0x01}));

    Bytes twenty(20);
    for (std::size_t i = 0; i < 20; ++i)
        twenty[i] = std::uint8_t('A' + i);
    bgapi::Command w = bgapi::AttClientWriteCommand(0, 0x0010, twenty.data(), twenty.size());
    // Header and fixed parameters (the array length included) first, then the data.
    EXPECT_EQ(w.head, (Bytes{0x00, 0x18, 0x04, 0x06, 0x00, 0x10, 0x00, 0x14}));
    EXPECT_EQ(w.tail, twenty);
}

TEST(BgapiCommands, ParametersInOrderLittleEndian) {
    bgapi::ConnectDirectParams c;
    c.address = {0x00, 0x11, 0x22, 0x33, 0x44, 0x55};
    EXPECT_EQ(bgapi::GapConnectDirect(c).Joined(),
              (Bytes{0x00, 0x0F, 0x06, 0x03, 0x00, 0x11, 0x22, 0x33, 0x44, 0x55, 0x00, 0x06, 0x00,
                     0x06, 0x00, 0x40, 0x01, 0x00, 0x00}));
    EXPECT_EQ(bgapi::GapSetScanParameters(200, 200, 1).Joined(),
              (Bytes{0x00, 0x05, 0x06, 0x07, 0xC8, 0x00, 0xC8, 0x00, 0x01}));
    EXPECT_EQ(bgapi::AttClientReadByGroupType(0, 1, 0xFFFF, hb30::UuidBytes(0x2800)).Joined(),
              (Bytes{0x00, 0x08, 0x04, 0x01, 0x00, 0x01, 0x00, 0xFF, 0xFF, 0x02, 0x00, 0x28}));
    EXPECT_EQ(bgapi::AttClientFindInformation(2, 0x0008, 0x000B).Joined(),
              (Bytes{0x00, 0x05, 0x04, 0x03, 0x02, 0x08, 0x00, 0x0B, 0x00}));
    EXPECT_EQ(bgapi::AttClientAttributeWrite(0, 0x000B, {0x01, 0x00}).Joined(),
              (Bytes{0x00, 0x06, 0x04, 0x05, 0x00, 0x0B, 0x00, 0x02, 0x01, 0x00}));
    EXPECT_EQ(bgapi::ConnectionDisconnect(3).Joined(), (Bytes{0x00, 0x01, 0x03, 0x00, 0x03}));
    EXPECT_EQ(bgapi::GapEndProcedure().Joined(), (Bytes{0x00, 0x00, 0x06, 0x04}));
}

TEST(BgapiIdentifiers, UuidsTravelLeastSignificantByteFirst) {
    EXPECT_EQ(hb30::UuidBytes(hb30::kSppServiceUuid),
              (Bytes{0xDB, 0x1E, 0xDB, 0x2A, 0xB4, 0x7D, 0x21, 0x8D, 0x57, 0x4E, 0xF9, 0x85, 0x26,
                     0x7E, 0x4E, 0x19}));
    EXPECT_EQ(hb30::UuidBytes(hb30::kSppDataUuid).front(), 0x3F);
    EXPECT_EQ(hb30::UuidBytes(hb30::kSppDataUuid).back(), 0x1D);
    EXPECT_EQ(hb30::UuidBytes(std::uint16_t(0x2902)), (Bytes{0x02, 0x29}));
    EXPECT_TRUE(hb30::UuidBytes("194E7E26-85F9-4E57-8D21-7DB42ADB1ED").empty());
    EXPECT_TRUE(hb30::UuidBytes("194E7E26-85F9-4E57-8D21-7DB42ADB1EDX").empty());
}

TEST(BgapiTable, KnownAndUnknownMessages) {
    // Every message the library sends or handles is known.
    EXPECT_TRUE(bgapi::IsKnownMessage(true, bgapi::kClassSystem, 0));
    EXPECT_TRUE(bgapi::IsKnownMessage(true, bgapi::kClassAttClient, 5));
    EXPECT_TRUE(bgapi::IsKnownMessage(true, bgapi::kClassAttClient, 6));
    EXPECT_TRUE(bgapi::IsKnownMessage(false, bgapi::kClassGap, 7));
    EXPECT_TRUE(bgapi::IsKnownMessage(true, bgapi::kClassConnection, 4));
    EXPECT_TRUE(bgapi::IsKnownMessage(false, bgapi::kClassDfu, 3));
    // Past the ends of the tables.
    EXPECT_FALSE(bgapi::IsKnownMessage(true, bgapi::kClassAttClient, 7));
    EXPECT_FALSE(bgapi::IsKnownMessage(true, bgapi::kClassConnection, 5));
    EXPECT_FALSE(bgapi::IsKnownMessage(true, bgapi::kClassTest, 0));
    EXPECT_FALSE(bgapi::IsKnownMessage(false, bgapi::kClassDfu, 4));
    EXPECT_FALSE(bgapi::IsKnownMessage(false, 10, 0));
    EXPECT_FALSE(bgapi::IsKnownMessage(true, 0xFF, 0));
}

TEST(BgapiStream, TakesWholePacketsOnly) {
    Bytes stream{0x80, 0x03, 0x03, 0x04, 0x00, 0x16};
    EXPECT_FALSE(bgapi::TakePacket(stream).has_value());
    stream.push_back(0x02);
    stream.push_back(0x00); // first byte of the next packet
    auto p = bgapi::TakePacket(stream);
    ASSERT_TRUE(p.has_value());
    EXPECT_TRUE(p->header.IsEvent());
    EXPECT_EQ(p->header.cls, 3);
    EXPECT_EQ(p->header.id, 4);
    auto d = bgapi::DecodeDisconnected(p->payload);
    ASSERT_TRUE(d.has_value());
    EXPECT_EQ(d->reason, 0x0216);
    EXPECT_EQ(stream, Bytes{0x00});
}

TEST(BgapiEvents, DecodesFieldsAndRejectsShortPayloads) {
    // scan response: rssi, packet type, sender, address type, bond, data
    Bytes scan{0xC4, 0x00, 1, 2, 3, 4, 5, 6, 0x00, 0xFF, 0x04, 0x03, 0x09, 'A', 'B'};
    auto s = bgapi::DecodeScanResponse(scan);
    ASSERT_TRUE(s.has_value());
    EXPECT_EQ(s->rssi, -60);
    EXPECT_EQ(s->sender[5], 6);
    EXPECT_EQ(s->data, (Bytes{0x03, 0x09, 'A', 'B'}));
    // The array claims more bytes than the payload holds.
    scan[10] = 0x05;
    EXPECT_FALSE(bgapi::DecodeScanResponse(scan).has_value());

    Bytes value{0x00, 0x0A, 0x00, 0x01, 0x03, ':', 'F', '7'};
    auto v = bgapi::DecodeAttributeValue(value);
    ASSERT_TRUE(v.has_value());
    EXPECT_EQ(v->handle, 0x000A);
    EXPECT_EQ(v->value, (Bytes{':', 'F', '7'}));

    Bytes status{0x00, 0x05, 1, 2, 3, 4, 5, 6, 0x00, 0x06, 0x00, 0x40, 0x01, 0x00, 0x00, 0xFF};
    auto c = bgapi::DecodeConnectionStatus(status);
    ASSERT_TRUE(c.has_value());
    EXPECT_TRUE(c->Connected());
    EXPECT_EQ(c->timeout, 320);
    status.pop_back();
    EXPECT_FALSE(bgapi::DecodeConnectionStatus(status).has_value());

    EXPECT_FALSE(bgapi::DecodeProcedureCompleted({0x00, 0x00}).has_value());
    EXPECT_FALSE(bgapi::DecodeGroupFound({}).has_value());
    EXPECT_FALSE(bgapi::DecodeFindInformationFound({0x00, 0x01}).has_value());
    EXPECT_FALSE(bgapi::DecodeGapDiscoverResponse({0x00}).has_value());
}

} // namespace
