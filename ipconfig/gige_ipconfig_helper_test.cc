#include "ipconfig/gige_ipconfig_helper.h"

#include <arpa/inet.h>
#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

#include "gvcp/registers.h"
#include "gvcp/scripted_peer_test_util.h"
#include "ipconfig/dialogue_test_util.h"

namespace {

using testing_peer::Bytes;
using testing_peer::capturedOutput;
using testing_peer::header;
using testing_peer::ScriptedPeer;
using Writes = std::vector<std::pair<uint32_t, uint32_t>>;

constexpr const char* kStoreBlock =
    "\nPersistent Ip Setting:\n"
    "-----------------------------\n"
    "Ip:          127.0.0.1\n"
    "Subnet Mask: 255.0.0.0\n";
constexpr const char* kStored = "persistent IP setting was set succesfully\n";

// The camera answers on 127.0.0.1, so the set's address is that one.
class PersistentIpWriterTest : public ::testing::Test {
 protected:
  int store(bool print, std::string* out) {
    IPV4Set set{inet_addr("127.0.0.1"), inet_addr("255.0.0.0")};
    int result = 0;
    *out =
        capturedOutput([&] { result = replacePersistentIpSet(&set, print, camera.peer.port()); });
    return result;
  }

  testing_peer::DialogueCamera camera;
};

TEST_F(PersistentIpWriterTest, StoresAddressMaskAndZeroGatewayUnderControl) {
  std::string out;
  EXPECT_EQ(store(true, &out), 0);
  EXPECT_EQ(out, std::string(kStoreBlock) + kStored);
  EXPECT_EQ(camera.writes(), (Writes{{gvcp::Registers::kCcp, 3},
                                     {gvcp::Registers::kPersistentIp, 0x7F000001},
                                     {gvcp::Registers::kPersistentSubnetMask, 0xFF000000},
                                     {gvcp::Registers::kPersistentGateway, 0},
                                     {gvcp::Registers::kCcp, 0}}));
  // The address travels in the order of its dotted text.
  const Bytes ipWrite = camera.peer.received()[1];
  EXPECT_EQ(Bytes(ipWrite.begin() + 12, ipWrite.end()), (Bytes{0x7F, 0x00, 0x00, 0x01}));
}

TEST_F(PersistentIpWriterTest, WithoutPrintingOnlyTheSuccessLineAppears) {
  std::string out;
  EXPECT_EQ(store(false, &out), 0);
  EXPECT_EQ(out, kStored);
}

TEST_F(PersistentIpWriterTest, RejectedAddressWriteSuppressesOnlyTheSuccessLine) {
  camera.refuse(gvcp::Registers::kPersistentIp);
  std::string out;
  EXPECT_EQ(store(false, &out), 0);
  EXPECT_EQ(out, "");
  EXPECT_TRUE(camera.wrote(gvcp::Registers::kPersistentSubnetMask));
  EXPECT_TRUE(camera.wrote(gvcp::Registers::kPersistentGateway));
  EXPECT_EQ(camera.writes().back(), std::make_pair(gvcp::Registers::kCcp, 0u));
}

TEST_F(PersistentIpWriterTest, SilentCameraCostsOneExchangeAndFailsWithCcpFailed) {
  camera.silent = true;
  std::string out;
  EXPECT_EQ(store(true, &out), -1);
  EXPECT_EQ(out, "CCP failed\n");
  // Three attempts of the one take-control write, and nothing after them.
  ASSERT_TRUE(camera.peer.waitForCount(3));
  EXPECT_FALSE(camera.peer.waitForCount(4, std::chrono::milliseconds(300)));
  const std::vector<Bytes> got = camera.peer.received();
  for (const Bytes& request : got) EXPECT_EQ(header(request).req_id, 1);
}

TEST_F(PersistentIpWriterTest, RefusedReleaseFailsAfterStoring) {
  camera.refuseRelease = true;
  std::string out;
  EXPECT_EQ(store(false, &out), -1);
  EXPECT_EQ(out, std::string(kStored) + "CCP failed\n");
  EXPECT_EQ(camera.device.getRegister(gvcp::Registers::kPersistentIp), 0x7F000001u);
}

TEST_F(PersistentIpWriterTest, NullSetIsRefusedWithoutExchange) {
  EXPECT_EQ(replacePersistentIpSet(nullptr, true, camera.peer.port()), -1);
  EXPECT_EQ(camera.peer.count(), 0u);
}

class IpConfigReportTest : public PersistentIpWriterTest {
 protected:
  void SetUp() override {
    camera.device.setText(gvcp::Registers::kModelName, "NV-1");
    camera.device.setRegister(gvcp::Registers::kDeviceMacLow, 0x00000001);
    camera.device.setRegister(gvcp::Registers::kCurrentIp, 0x7F000001);
    camera.device.setRegister(gvcp::Registers::kCurrentSubnetMask, 0xFF000000);
    camera.device.setRegister(gvcp::Registers::kIpConfigSupported, 0x7);
  }
  int report(const std::string& ip, std::string* out) {
    int result = 0;
    *out = capturedOutput([&] { result = doIpConfigHelper(ip, camera.peer.port()); });
    return result;
  }
};

TEST_F(IpConfigReportTest, ReachableCameraGetsTheFourBlocksInOrderAndOnlyCcpWrites) {
  std::string out;
  EXPECT_EQ(report("127.0.0.1", &out), 0);
  EXPECT_EQ(out,
            "\nDevice Infomation:\n------------------\n"
            "Model:            NV-1\nManufacturer:     \nSerial No:        \n"
            "User Id:          \nFirmware Info:    \nFirmware Version: \n"
            "Mac address:      00:00:00:00:00:01\n"
            "\nCurrent IP Setting:\n-----------------------------\n"
            "Ip:          127.0.0.1\nSubnet Mask: 255.0.0.0\n"
            "\nPersistent Ip Setting:\n-----------------------------\n"
            "Ip:          0.0.0.0\nSubnet Mask: 0.0.0.0\n"
            "\nIP Configuration:\n------------------\n"
            "               current\tsupported\n"
            "Persistent IP  [N]\t[Y]\n"
            "DHCP           [Y]\t[Y]\n"
            "LLA            [Y]\t[Y]\n");
  EXPECT_EQ(camera.writes(), (Writes{{gvcp::Registers::kCcp, 3}, {gvcp::Registers::kCcp, 0}}));
}

TEST_F(IpConfigReportTest, CameraRefusingControlGetsNothingButTheRequest) {
  camera.refuse(gvcp::Registers::kCcp);
  std::string out;
  EXPECT_EQ(report("127.0.0.1", &out), -1);
  EXPECT_EQ(out, "CCP failed\n");
  EXPECT_EQ(camera.peer.count(), 1u);
}

TEST_F(IpConfigReportTest, TextThatIsNotADottedAddressIsRefusedBeforeAnyExchange) {
  for (const std::string text :
       {"", "127.0.0", "127.0.0.1 ", "localhost", "300.1.1.1", "127.0.0.1\x1b[2J"}) {
    std::string out;
    EXPECT_EQ(report(text, &out), -1) << text;
    EXPECT_EQ(out.rfind("not a dotted IPv4 address: ", 0), 0u) << out;
    EXPECT_EQ(out.find('\x1b'), std::string::npos);
  }
  EXPECT_EQ(camera.peer.count(), 0u);
}

}  // namespace
