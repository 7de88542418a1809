#include "gvcp/camera_info.h"

#include <gtest/gtest.h>

#include <cstring>

#include "gvcp/camera_text.h"
#include "gvcp/gvcp_protocol.h"
#include "net/ipv4address.h"

namespace {

using d = gvcp::DiscoveryAck;

class DiscoveryAckDecodeTest : public ::testing::Test {
 protected:
  DiscoveryAckDecodeTest() {
    gvcp::writeAckHeader(ack, {0, gvcp::DISCOVERY_ACK, gvcp::kDiscoveryAckPayload, 2});
  }
  uint8_t* payload() { return ack + gvcp::kHeaderSize; }
  void put(size_t offset, std::initializer_list<uint8_t> bytes) {
    std::copy(bytes.begin(), bytes.end(), payload() + offset);
  }
  void putText(size_t offset, const std::string& text) {
    std::memcpy(payload() + offset, text.data(), text.size());
  }
  GigE_Camera_Info decode(const char* source = "192.168.1.10") {
    return gvcp::decodeDiscoveryAck(ack, *net::Ipv4::parse(source), Adaptor(0u));
  }

  uint8_t ack[gvcp::kDiscoveryAckSize] = {};
};

TEST_F(DiscoveryAckDecodeTest, NumericFieldsTakeTheirByteOrders) {
  put(d::kSpecVersion, {0x00, 0x02, 0x00, 0x00});
  put(d::kDeviceMode, {0x80, 0x00, 0x00, 0x01});
  put(d::kMac, {0x02, 0x00, 0x00, 0xab, 0xcd, 0xef});
  put(d::kIpConfigOptions, {0x00, 0x00, 0x00, 0x07});
  put(d::kIpConfigCurrent, {0x00, 0x00, 0x00, 0x06});
  put(d::kCurrentIp, {0xC0, 0xA8, 0x01, 0x0A});
  put(d::kCurrentSubnetMask, {0xFF, 0xFF, 0xFF, 0x00});
  put(d::kDefaultGateway, {0xC0, 0xA8, 0x01, 0x01});
  const GigE_Camera_Info info = decode();
  EXPECT_EQ(info.specVersion >> 16, 2u);
  EXPECT_EQ(info.specVersion & 0xFFFF, 0u);
  EXPECT_EQ(info.deviceMode, 0x80000001u);
  EXPECT_EQ(info.cameraMac, "02:00:00:AB:CD:EF");
  EXPECT_EQ(std::vector<uint8_t>(info.cameraMacHw, info.cameraMacHw + 6),
            (std::vector<uint8_t>{0x02, 0x00, 0x00, 0xab, 0xcd, 0xef}));
  EXPECT_EQ(info.ipConfigOptions, 7u);
  EXPECT_EQ(info.ipConfigCurrent, 6u);
  IpV4Address ip;
  ip.setAddress(info.currentIp);
  EXPECT_EQ(ip.getAddressInStr(), "192.168.1.10");
  uint8_t bytes[4];
  std::memcpy(bytes, &info.currentIp, 4);
  EXPECT_EQ(bytes[0], 0xC0);
  EXPECT_EQ(bytes[3], 0x0A);
  ip.setAddress(info.currentSubnetMask);
  EXPECT_EQ(ip.getAddressInStr(), "255.255.255.0");
  ip.setAddress(info.defaultGateway);
  EXPECT_EQ(ip.getAddressInStr(), "192.168.1.1");
}

TEST_F(DiscoveryAckDecodeTest, FullWidthTextFieldsStopAtTheirOwnEnd) {
  putText(d::kManufacturerName, std::string(32, 'M'));
  putText(d::kModelName, "Model-7");
  putText(d::kManufacturerInfo, std::string(48, 'I'));
  putText(d::kSerialNumber, std::string(16, 'S'));
  putText(d::kUserDefinedName, std::string(16, 'U'));
  const GigE_Camera_Info info = decode();
  EXPECT_EQ(info.manufacturerName, std::string(32, 'M'));
  EXPECT_EQ(info.modelName, "Model-7");
  EXPECT_EQ(info.deviceVersion, "");
  EXPECT_EQ(info.manufacturerInfo, std::string(48, 'I'));
  EXPECT_EQ(info.serialNumber, std::string(16, 'S'));
  EXPECT_EQ(info.userDefinedName, std::string(16, 'U'));
}

TEST_F(DiscoveryAckDecodeTest, TextKeepsBytesAndSpacesUnchanged) {
  putText(d::kDeviceVersion, " v1\x1b[2J ");
  EXPECT_EQ(decode().deviceVersion, " v1\x1b[2J ");
}

TEST_F(DiscoveryAckDecodeTest, SourceAddressMayDifferFromPayloadAddress) {
  const GigE_Camera_Info info = decode("169.254.1.2");
  EXPECT_EQ(info.currentIp, 0u);
  EXPECT_EQ(info.cameraIp, "169.254.1.2");
  EXPECT_EQ(info.adaptor.getName(), "");
}

TEST(CameraTextTest, ControlBytesPrintAsQuestionMarks) {
  EXPECT_EQ(gvcp::terminalSafe("ok\x1b[31mred\x7f\t\n"), "ok?[31mred???");
  EXPECT_EQ(gvcp::terminalSafe("caf\xc3\xa9"), "caf\xc3\xa9");
  const uint8_t field[4] = {'a', 'b', 0, 'c'};
  EXPECT_EQ(gvcp::textField(field, 4), "ab");
  EXPECT_EQ(gvcp::textField(field, 1), "a");
}

}  // namespace
