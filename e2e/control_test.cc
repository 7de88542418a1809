// The non-interactive entry points against the simulated camera over real
// sockets: the camera report byte for byte, the persistent address writer
// checked in the camera's own state, and a camera that refuses control. Each
// test builds its own namespace network and tears it down.
#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "testbed/testbed.h"

namespace {

using testbed::CameraSpec;
using testbed::Millis;
using testbed::Process;
using testbed::SimulatedCamera;

constexpr char kHostCidr[] = "192.168.61.1/24";
constexpr char kCameraIp[] = "192.168.61.10";
constexpr Millis kProbeBoundMs(10000);

class ControlEndToEnd : public ::testing::Test {
 protected:
  void SetUp() override {
    NUV_REQUIRE_TESTBED();
    net = std::make_unique<testbed::Network>();
    host = net->addHost("host");
    const std::string sw = net->addSwitch("sw");
    ASSERT_TRUE(net->connect(host, "eth1", sw, kHostCidr)) << net->lastError();
    sw_ = sw;
  }
  void startCamera(std::vector<std::string> extraArgs = {}) {
    CameraSpec setup;
    setup.mac = "02:00:00:00:00:21";
    setup.ip = kCameraIp;
    setup.mask = "255.255.255.0";
    setup.manufacturer = "Nuvola Test Works";
    setup.model = "NV-CAM-32-CHARACTER-MODEL-NAME-X";  // exactly 32 bytes, no NUL
    setup.deviceVersion = "3.1.4";
    setup.info = "build 2718";
    setup.serial = "SN000042";
    setup.userName = "bench-left";
    setup.supported = "7";
    setup.current = "5";
    setup.persistentIp = "10.1.2.3";
    setup.persistentMask = "255.255.0.0";
    setup.extraArgs = std::move(extraArgs);
    camera = std::make_unique<SimulatedCamera>(*net, sw_, "cam", setup);
    ASSERT_TRUE(camera->ready()) << camera->process().errors();
  }
  // Runs nuv_probe in the host namespace to its end; returns its exit status.
  int probe(const std::vector<std::string>& args, std::string* out) {
    std::vector<std::string> argv = {testbed::binary("nuv_probe")};
    argv.insert(argv.end(), args.begin(), args.end());
    Process tool(host, argv);
    const std::optional<int> status = tool.waitForExit(kProbeBoundMs);
    *out = tool.output();
    return status.value_or(-1);
  }

  std::unique_ptr<testbed::Network> net;
  std::string host;
  std::string sw_;
  std::unique_ptr<SimulatedCamera> camera;  // destroyed before the network
};

TEST_F(ControlEndToEnd, ReportShowsEveryBlockByteForByteAndGivesControlBack) {
  startCamera();
  std::string out;
  ASSERT_EQ(probe({"report", kCameraIp}, &out), 0) << out;
  EXPECT_EQ(out,
            "\nDevice Infomation:\n"
            "------------------\n"
            "Model:            NV-CAM-32-CHARACTER-MODEL-NAME-X\n"
            "Manufacturer:     Nuvola Test Works\n"
            "Serial No:        SN000042\n"
            "User Id:          bench-left\n"
            "Firmware Info:    build 2718\n"
            "Firmware Version: 3.1.4\n"
            "Mac address:      02:00:00:00:00:21\n"
            "\nCurrent IP Setting:\n"
            "-----------------------------\n"
            "Ip:          192.168.61.10\n"
            "Subnet Mask: 255.255.255.0\n"
            "\nPersistent Ip Setting:\n"
            "-----------------------------\n"
            "Ip:          10.1.2.3\n"
            "Subnet Mask: 255.255.0.0\n"
            "\nIP Configuration:\n"
            "------------------\n"
            "               current\tsupported\n"
            "Persistent IP  [Y]\t[Y]\n"
            "DHCP           [N]\t[Y]\n"
            "LLA            [Y]\t[Y]\n");
  EXPECT_EQ(camera->status("ccp"), "0");
  EXPECT_EQ(camera->status("count_writereg"), "2");  // take and give back control only
}

TEST_F(ControlEndToEnd, StoredPersistentSetIsKeptInTheCameraState) {
  startCamera();
  std::string out;
  ASSERT_EQ(probe({"store", kCameraIp, "255.255.255.0"}, &out), 0) << out;
  EXPECT_EQ(out,
            "\nPersistent Ip Setting:\n"
            "-----------------------------\n"
            "Ip:          192.168.61.10\n"
            "Subnet Mask: 255.255.255.0\n"
            "persistent IP setting was set succesfully\n");
  EXPECT_EQ(camera->persisted("persistent_ip"), kCameraIp);
  EXPECT_EQ(camera->persisted("persistent_mask"), "255.255.255.0");
  EXPECT_EQ(camera->persisted("persistent_gateway"), "0.0.0.0");
  EXPECT_EQ(camera->persisted("ip_config"), "5");  // the enabled methods are left alone
  EXPECT_EQ(camera->status("ccp"), "0");
}

TEST_F(ControlEndToEnd, CameraRefusingControlGetsOneRequestAndNothingMore) {
  startCamera({"--foreign-control"});
  std::string report;
  EXPECT_EQ(probe({"report", kCameraIp}, &report), 1);
  EXPECT_EQ(report, "CCP failed\n");
  std::string stored;
  EXPECT_EQ(probe({"store", kCameraIp, "255.255.255.0", "--quiet"}, &stored), 1);
  EXPECT_EQ(stored, "CCP failed\n");
  EXPECT_EQ(camera->status("count_writereg"), "2");  // one take-control request each
  EXPECT_EQ(camera->status("count_readmem"), "");
  EXPECT_EQ(camera->persisted("persistent_ip"), "10.1.2.3");
}

TEST_F(ControlEndToEnd, NoCameraAtTheAddressFailsWithCcpFailed) {
  std::string out;
  EXPECT_EQ(probe({"report", "192.168.61.99"}, &out), 1);
  EXPECT_EQ(out, "CCP failed\n");
}

}  // namespace
