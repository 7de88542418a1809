// Discovery through an adapter that is down but keeps its IPv4 address,
// followed by a working one. The scan keeps the down adapter (it has an
// address); its discovery goes nowhere and hears nothing, costs its window
// and ends the run neither early nor with an error, so the camera behind the
// working adapter is listed as the first and only one.
#include <gtest/gtest.h>

#include <string>

#include "testbed/testbed.h"

namespace {

using testbed::Millis;

TEST(DownAdapterEndToEnd, DownAdapterFindsNothingAndTheNextAdapterStillFindsItsCamera) {
  NUV_REQUIRE_TESTBED();
  testbed::Network net;
  const std::string host = net.addHost("host");
  const std::string swDown = net.addSwitch("swd");
  const std::string swUp = net.addSwitch("swu");
  ASSERT_TRUE(net.connect(host, "eth1", swDown, "192.168.10.1/24")) << net.lastError();
  ASSERT_TRUE(net.connect(host, "eth2", swUp, "192.168.20.1/24")) << net.lastError();
  testbed::CameraSpec behindDown;
  behindDown.mac = "02:00:00:00:00:D1";
  behindDown.ip = "192.168.10.5";
  behindDown.serial = "BEHIND-DOWN";
  testbed::SimulatedCamera hidden(net, swDown, "camd", behindDown);
  testbed::CameraSpec behindUp;
  behindUp.mac = "02:00:00:00:00:E2";
  behindUp.ip = "192.168.20.5";
  behindUp.serial = "BEHIND-UP";
  testbed::SimulatedCamera seen(net, swUp, "camu", behindUp);
  ASSERT_TRUE(hidden.ready()) << hidden.process().errors();
  ASSERT_TRUE(seen.ready()) << seen.process().errors();
  ASSERT_EQ(testbed::runCommand("", {"ip", "-n", host, "link", "set", "eth1", "down"}).status, 0);
  const testbed::CommandResult scan =
      testbed::runCommand(host, {testbed::binary("nuv_adaptors")}, Millis(10000));
  ASSERT_NE(scan.output.find("scanned: lo eth1 eth2\n"), std::string::npos) << scan.output;

  testbed::Process tool(host, {testbed::binary("nuv-ipconfig")});
  tool.closeInput();
  EXPECT_EQ(tool.waitForExit(Millis(20000)), 0) << tool.errors();
  EXPECT_EQ(tool.errors(), "");
  const std::string& out = tool.output();
  EXPECT_NE(out.find("\nCamera Index: [1]\n"), std::string::npos) << out;
  EXPECT_NE(out.find("SerialNumber:     BEHIND-UP\n"), std::string::npos) << out;
  EXPECT_NE(out.find("Adapter:          192.168.20.1 / 255.255.255.0 \n"), std::string::npos)
      << out;
  EXPECT_EQ(out.find("Camera Index: [2]"), std::string::npos) << out;
  EXPECT_EQ(out.find("BEHIND-DOWN"), std::string::npos) << out;
  EXPECT_EQ(hidden.status("count_discovery"), "");  // nothing left the down adapter
  EXPECT_EQ(seen.status("count_discovery"), "1");
}

}  // namespace
