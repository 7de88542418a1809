#include "ipconfig/device_queries.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "gvcp/camera.h"
#include "gvcp/registers.h"
#include "gvcp/scripted_peer_test_util.h"
#include "ipconfig/dialogue_test_util.h"

namespace {

using testing_peer::capturedOutput;
using testing_peer::RegisterDevice;
using testing_peer::ScriptedPeer;

constexpr const char* kModel32 = "ABCDEFGHIJKLMNOPQRSTUVWXYZ012345";  // no room for a NUL

class DeviceQueriesTest : public ::testing::Test {
 protected:
  void SetUp() override {
    device.setText(gvcp::Registers::kManufacturerName, "Acme Optics");
    device.setText(gvcp::Registers::kModelName, kModel32);
    device.setText(gvcp::Registers::kDeviceVersion, "2.4.1 build 77");
    device.setText(gvcp::Registers::kManufacturerInfo, "fw 2024-05");
    device.setText(gvcp::Registers::kSerialNumber, "SN\x1b[2J0042");
    device.setText(gvcp::Registers::kUserDefinedName, "line-3");
    device.setRegister(gvcp::Registers::kDeviceMacHigh,
                       0xABCD0011);  // upper 16 bits are not the MAC
    device.setRegister(gvcp::Registers::kDeviceMacLow, 0x22334455);
    device.setRegister(gvcp::Registers::kCurrentIp, 0xC0A8010A);
    device.setRegister(gvcp::Registers::kCurrentSubnetMask, 0xFFFFFF00);
    device.setRegister(gvcp::Registers::kPersistentIp, 0x0A000005);
    device.setRegister(gvcp::Registers::kPersistentSubnetMask, 0xFF000000);
    device.setRegister(gvcp::Registers::kIpConfigSupported, 0x7);
    device.setRegister(gvcp::Registers::kIpConfigCurrent, 0x5);
  }
  Camera& camera() {
    if (!channel) channel = std::make_unique<Camera>(peer.ip(), peer.port());
    return *channel;
  }

  RegisterDevice device;
  ScriptedPeer peer{device.script()};
  std::unique_ptr<Camera> channel;
};

TEST_F(DeviceQueriesTest, DeviceInfoBlockShowsEveryFieldWithinItsWidth) {
  DeviceInfo info;
  const std::string out =
      capturedOutput([&] { EXPECT_EQ(retrieveDeviceInfo(&camera(), &info, true), 0); });
  EXPECT_EQ(out,
            "\nDevice Infomation:\n"
            "------------------\n"
            "Model:            ABCDEFGHIJKLMNOPQRSTUVWXYZ012345\n"
            "Manufacturer:     Acme Optics\n"
            "Serial No:        SN?[2J0042\n"
            "User Id:          line-3\n"
            "Firmware Info:    fw 2024-05\n"
            "Firmware Version: 2.4.1 build 77\n"
            "Mac address:      00:11:22:33:44:55\n");
  EXPECT_EQ(std::memcmp(info.modelName, kModel32, 32), 0);
  EXPECT_EQ(std::memcmp(info.serialNumber, "SN\x1b[2J0042", 10), 0);  // kept unchanged
  const unsigned char mac[6] = {0x00, 0x11, 0x22, 0x33, 0x44, 0x55};
  EXPECT_EQ(std::memcmp(info.mac, mac, 6), 0);
}

TEST_F(DeviceQueriesTest, WithoutPrintingNothingIsShownAndEverythingIsRead) {
  DeviceInfo info;
  IPV4Set current;
  IPV4Set persistent;
  const std::string out = capturedOutput([&] {
    retrieveDeviceInfo(&camera(), &info, false);
    retrieveCurrentIpSet(&camera(), &current, false);
    retrievePersistentIpSet(&camera(), &persistent, false);
    retrieveSupportedIpConfig(&camera(), false);
    retrieveCurrentIpConfig(&camera(), false);
    retrieveIpConfigAtOnce(&camera(), false);
  });
  EXPECT_EQ(out, "");
  EXPECT_EQ(peer.count(), 8u + 2 + 2 + 1 + 1 + 2);
  EXPECT_EQ(info.mac[5], 0x55);
  EXPECT_EQ(current.ip, 0xC0A8010Au);
  EXPECT_EQ(persistent.mask, 0xFF000000u);
}

TEST_F(DeviceQueriesTest, FailedReadsKeepTheRecordAndShowWhatItHeld) {
  device.refuse(gvcp::Registers::kModelName);
  device.refuse(gvcp::Registers::kDeviceMacLow);
  DeviceInfo info;
  std::memcpy(info.modelName, "OLD", 4);
  std::memset(info.mac, 0xAA, 6);
  const std::string out = capturedOutput([&] { retrieveDeviceInfo(&camera(), &info, true); });
  EXPECT_NE(out.find("Model:            OLD\n"), std::string::npos) << out;
  EXPECT_NE(out.find("Mac address:      AA:AA:AA:AA:AA:AA\n"), std::string::npos) << out;
  EXPECT_NE(out.find("Manufacturer:     Acme Optics\n"), std::string::npos) << out;
}

TEST_F(DeviceQueriesTest, CurrentSetHoldsRegisterValuesAndPrintsDottedAddresses) {
  IPV4Set set;
  const std::string out = capturedOutput([&] { retrieveCurrentIpSet(&camera(), &set, true); });
  EXPECT_EQ(set.ip, 0xC0A8010Au);
  EXPECT_EQ(set.mask, 0xFFFFFF00u);
  EXPECT_EQ(out,
            "\nCurrent IP Setting:\n"
            "-----------------------------\n"
            "Ip:          192.168.1.10\n"
            "Subnet Mask: 255.255.255.0\n");
}

TEST_F(DeviceQueriesTest, PersistentSetWithAFailedMaskReadShowsZeroAndKeepsTheOldMask) {
  device.refuse(gvcp::Registers::kPersistentSubnetMask);
  IPV4Set set{0, 0x12345678};
  const std::string out = capturedOutput([&] { retrievePersistentIpSet(&camera(), &set, true); });
  EXPECT_EQ(set.ip, 0x0A000005u);
  EXPECT_EQ(set.mask, 0x12345678u);
  EXPECT_EQ(out,
            "\nPersistent Ip Setting:\n"
            "-----------------------------\n"
            "Ip:          10.0.0.5\n"
            "Subnet Mask: 0.0.0.0\n");
}

TEST_F(DeviceQueriesTest, SupportedBlockOfZeroShowsNoEverywhere) {
  device.setRegister(gvcp::Registers::kIpConfigSupported, 0);
  const std::string out = capturedOutput([&] { retrieveSupportedIpConfig(&camera(), true); });
  EXPECT_EQ(out,
            "\nSupported IP Configuration:\n"
            "-----------------------------\n"
            "Persistent IP [N]\n"
            "DHCP          [N]\n"
            "LLA           [N]\n");
}

TEST_F(DeviceQueriesTest, CurrentBlockIgnoresBitsAboveLla) {
  device.setRegister(gvcp::Registers::kIpConfigCurrent, 0xC0000009);
  const std::string out = capturedOutput([&] { retrieveCurrentIpConfig(&camera(), true); });
  EXPECT_EQ(out,
            "\nCurrent IP Configuration:\n"
            "-----------------------------\n"
            "Persistent IP [Y]\n"
            "DHCP          [N]\n"
            "LLA           [N]\n");
}

TEST_F(DeviceQueriesTest, CombinedBlockPutsCurrentBeforeSupported) {
  const std::string out = capturedOutput([&] { retrieveIpConfigAtOnce(&camera(), true); });
  EXPECT_EQ(out,
            "\nIP Configuration:\n"
            "------------------\n"
            "               current\tsupported\n"
            "Persistent IP  [Y]\t[Y]\n"
            "DHCP           [N]\t[Y]\n"
            "LLA            [Y]\t[Y]\n");
}

TEST_F(DeviceQueriesTest, CombinedBlockShowsFailedReadsAsUnknown) {
  device.refuse(gvcp::Registers::kIpConfigSupported);
  const std::string out = capturedOutput([&] { retrieveIpConfigAtOnce(&camera(), true); });
  EXPECT_NE(out.find("Persistent IP  [Y]\t[?]\n"), std::string::npos) << out;
  EXPECT_NE(out.find("DHCP           [N]\t[?]\n"), std::string::npos) << out;
}

TEST_F(DeviceQueriesTest, FailedConfigurationReadShowsUnknownNotNo) {
  device.refuse(gvcp::Registers::kIpConfigCurrent);
  const std::string out = capturedOutput([&] { retrieveCurrentIpConfig(&camera(), true); });
  EXPECT_EQ(out,
            "\nCurrent IP Configuration:\n"
            "-----------------------------\n"
            "Persistent IP [?]\n"
            "DHCP          [?]\n"
            "LLA           [?]\n");
}

}  // namespace
