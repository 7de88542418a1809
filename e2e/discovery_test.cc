// Discovery, listing and choice of the tool run in the test bed: cameras on
// several adapters, foreign and empty addresses, doubled answers, frames that
// come back from our own address, the loopback rule, the operator's input and
// a run without the privilege to capture frames.
#include <arpa/inet.h>
#include <gtest/gtest.h>
#include <linux/if_ether.h>
#include <linux/if_packet.h>
#include <poll.h>
#include <sys/socket.h>

#include <chrono>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "app/gige_discovery.h"
#include "e2e/namespace_thread.h"
#include "ipconfig/console_input.h"
#include "net/adaptor.h"
#include "testbed/testbed.h"
#include "testbed/udp_peer.h"

namespace {

using testbed::Millis;

constexpr Millis kRunTimeout(20000);

const std::string kGreeting =
    "-----------------------------------------------------\n"
    "Welcome to use interactive NUV IP configuration tool!\n"
    "-----------------------------------------------------\n"
    "\nTo use this program, an elevated privilege is needed!\n\n"
    "Searching all available network adapters ...\n";
const std::string kPrompt = "\nchoose a camera index:\n";

struct ToolRun {
  std::optional<int> status;
  std::string out;
  std::string err;
};

// The tool in `ns`, fed `input` and then end of input. Never in the test's own
// namespace: that one holds the machine's real interfaces.
ToolRun runTool(const std::string& ns, const std::string& input,
                const std::vector<std::string>& wrapper = {}) {
  if (ns.empty()) {
    ADD_FAILURE() << "no test namespace to run the tool in";
    return {};
  }
  std::vector<std::string> argv = wrapper;
  argv.push_back(testbed::binary("nuv-ipconfig"));
  testbed::Process tool(ns, argv);
  tool.write(input);
  tool.closeInput();
  const std::optional<int> status = tool.waitForExit(kRunTimeout);
  return {status, tool.output(), tool.errors()};
}

size_t count(const std::string& text, const std::string& part) {
  size_t n = 0;
  for (size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + 1)) ++n;
  return n;
}

testbed::CameraSpec cameraOf(const std::string& mac, const std::string& ip,
                             const std::string& serial) {
  testbed::CameraSpec s;
  s.mac = mac;
  s.ip = ip;
  s.serial = serial;
  return s;
}

// The text that follows "Camera Index: [key]" up to the next camera.
std::string entry(const std::string& out, int key) {
  const size_t start = out.find("Camera Index: [" + std::to_string(key) + "]");
  if (start == std::string::npos) return "";
  return out.substr(start, out.find("Camera Index: [", start + 1) - start);
}

// The output up to and including the first camera prompt.
std::string untilFirstPrompt(const std::string& out) {
  const size_t prompt = out.find(kPrompt);
  return prompt == std::string::npos ? out : out.substr(0, prompt + kPrompt.size());
}

// The value of the first line after `from` that starts with `label`.
std::string lineValue(const std::string& text, const std::string& label, size_t from = 0) {
  const size_t at = text.find("\n" + label, from);
  if (at == std::string::npos) return "";
  const size_t start = at + 1 + label.size();
  return text.substr(start, text.find('\n', start) - start);
}

// The listing entry that mentions `text`, or "".
std::string entryWith(const std::string& out, const std::string& text) {
  for (int key = 1; !entry(out, key).empty(); ++key) {
    if (entry(out, key).find(text) != std::string::npos) return entry(out, key);
  }
  return "";
}

// A link-level tap on one interface of a test namespace: reads every frame and
// can put a hand-made frame on the wire there.
class LinkTap {
 public:
  LinkTap(const std::string& ns, const std::string& ifname)
      : fd_(testbed::socketIn(ns, AF_PACKET, SOCK_RAW, htons(ETH_P_ALL))) {
    link_.sll_family = AF_PACKET;
    link_.sll_protocol = htons(ETH_P_ALL);
    link_.sll_ifindex = testbed::interfaceIndexIn(ns, ifname);
    if (link_.sll_ifindex == 0 ||
        ::bind(fd_.get(), reinterpret_cast<const sockaddr*>(&link_), sizeof link_) != 0) {
      fd_.reset();
    }
  }
  bool valid() const { return fd_.valid(); }
  // The next frame within `timeout`, or an empty vector.
  std::vector<uint8_t> next(Millis timeout) {
    pollfd entry{fd_.get(), POLLIN, 0};
    std::vector<uint8_t> frame(2048);
    const ssize_t n = ::poll(&entry, 1, static_cast<int>(timeout.count())) == 1
                          ? ::recv(fd_.get(), frame.data(), frame.size(), 0)
                          : 0;
    frame.resize(n > 0 ? static_cast<size_t>(n) : 0);
    return frame;
  }
  bool send(const std::vector<uint8_t>& frame) {
    return ::send(fd_.get(), frame.data(), frame.size(), 0) == static_cast<ssize_t>(frame.size());
  }

 private:
  net::UniqueFd fd_;
  sockaddr_ll link_{};
};

bool isUdpToGvcp(const std::vector<uint8_t>& frame) {
  return frame.size() >= 44 && frame[12] == 0x08 && frame[13] == 0x00 && frame[23] == 17 &&
         frame[36] == 0x0F && frame[37] == 0x74;
}

bool isDiscoveryRequest(const std::vector<uint8_t>& frame) {
  return isUdpToGvcp(frame) && frame.size() >= 46 && frame[42] == 0x42 && frame[45] == 0x02;
}

// A well-formed broadcast DISCOVERY_ACK frame answering `request` (the
// captured DISCOVERY_CMD frame): from MAC `ownMac`, IPv4 source `source` (four
// bytes, wire order), for a camera with MAC 02:00:00:00:00:<macTail>.
std::vector<uint8_t> forgedAnswer(const std::vector<uint8_t>& request, const uint8_t* ownMac,
                                  const uint8_t* source, uint8_t macTail) {
  std::vector<uint8_t> frame(298, 0);
  std::memset(frame.data(), 0xFF, 6);
  std::memcpy(frame.data() + 6, ownMac, 6);
  const uint8_t ipv4[] = {0x08, 0x00, 0x45, 0x00, 0x01, 0x1C, 0x00, 0x00, 0x40, 0x00, 64, 17};
  std::memcpy(frame.data() + 12, ipv4, sizeof ipv4);
  std::memcpy(frame.data() + 26, source, 4);
  std::memset(frame.data() + 30, 0xFF, 4);
  uint32_t sum = 0;
  for (size_t i = 14; i < 34; i += 2) sum += (frame[i] << 8) | frame[i + 1];
  while (sum > 0xFFFF) sum = (sum & 0xFFFF) + (sum >> 16);
  frame[24] = static_cast<uint8_t>(~sum >> 8);
  frame[25] = static_cast<uint8_t>(~sum);
  // UDP from 3956 to the requester's port, 264 bytes, no checksum.
  const uint8_t udp[] = {0x0F, 0x74, request[34], request[35], 0x01, 0x08, 0x00, 0x00};
  std::memcpy(frame.data() + 34, udp, sizeof udp);
  const uint8_t ack[] = {0x00, 0x00, 0x00, 0x03, 0x00, 0xF8, 0x00, 0x02};
  std::memcpy(frame.data() + 42, ack, sizeof ack);
  frame[60] = 0x02;
  frame[65] = macTail;
  return frame;
}

class DiscoveryEndToEnd : public ::testing::Test {
 protected:
  void SetUp() override { NUV_REQUIRE_TESTBED(); }
  // A host namespace with adapter `ifname` (address `cidr`) on a new switch.
  std::string hostOn(std::string& sw, const std::string& ifname, const std::string& cidr) {
    if (host.empty()) host = net.addHost("host");
    if (sw.empty()) sw = net.addSwitch("sw");
    EXPECT_TRUE(net.connect(host, ifname, sw, cidr)) << net.lastError();
    return host;
  }
  // Adapters `first` and `second` on switches of their own, each with one
  // camera behind it (serial numbers `serialA` and `serialB`).
  void camerasBehindTwoAdapters(const std::string& first, const std::string& second,
                                const std::string& serialA, const std::string& serialB) {
    std::string swA, swB;
    hostOn(swA, first, "192.168.10.1/24");
    hostOn(swB, second, "192.168.20.1/24");
    // Started in the opposite order, so arrival order cannot explain the result.
    cams.push_back(std::make_unique<testbed::SimulatedCamera>(
        net, swB, "camb", cameraOf("02:00:00:00:00:0B", "192.168.20.5", serialB)));
    cams.push_back(std::make_unique<testbed::SimulatedCamera>(
        net, swA, "cama", cameraOf("02:00:00:00:00:0A", "192.168.10.5", serialA)));
    for (auto& cam : cams) ASSERT_TRUE(cam->ready()) << cam->process().errors();
  }
  testbed::Network net;
  std::string host;
  std::vector<std::unique_ptr<testbed::SimulatedCamera>> cams;
};

TEST_F(DiscoveryEndToEnd, ListingShowsIdentityAddressAdapterAndColumns) {
  std::string sw;
  hostOn(sw, "eth1", "192.168.10.1/24");
  testbed::CameraSpec s = cameraOf("02:00:00:0A:0B:0C", "192.168.10.20", "SN-0042");
  s.manufacturer = "Acme Optics";
  s.model = "GX-1";
  s.deviceVersion = "3.1";
  s.info = "bench unit";
  s.userName = "left";
  s.current = "6";
  s.supported = "7";
  testbed::SimulatedCamera cam(net, sw, "cam", s);
  ASSERT_TRUE(cam.ready()) << cam.process().errors();
  const ToolRun run = runTool(host, "1\n");
  EXPECT_EQ(run.status, 0) << run.err;
  EXPECT_EQ(untilFirstPrompt(run.out), kGreeting +
                                           "\nCamera Index: [1]\n"
                                           "-----------------\n"
                                           "ManufacturerName: Acme Optics\n"
                                           "ModelName:        GX-1\n"
                                           "DeviceVersion:    3.1\n"
                                           "ManufacturerInfo: bench unit\n"
                                           "SerialNumber:     SN-0042\n"
                                           "UserDefinedName:  left\n"
                                           "CameraIp:         192.168.10.20\n"
                                           "CameraMac:        02:00:00:0A:0B:0C\n"
                                           "Adapter:          192.168.10.1 / 255.255.255.0 \n"
                                           "\nIP Configuration   current   supported\n"
                                           "--------------------------------------\n"
                                           "Persistent IP         N          Y\n"
                                           "DHCP                  Y          Y\n"
                                           "LLA                   Y          Y\n" +
                                           kPrompt);
}

TEST_F(DiscoveryEndToEnd, CamerasOfTwoAdaptersAreNumberedInAdapterOrder) {
  ASSERT_NO_FATAL_FAILURE(camerasBehindTwoAdapters("eth1", "eth2", "ON-FIRST", "ON-SECOND"));
  const ToolRun run = runTool(host, "1\n");
  EXPECT_EQ(run.status, 0) << run.err;
  EXPECT_NE(entry(run.out, 1).find("ON-FIRST"), std::string::npos) << run.out;
  EXPECT_NE(entry(run.out, 1).find("Adapter:          192.168.10.1 / 255.255.255.0 \n"),
            std::string::npos)
      << run.out;
  EXPECT_NE(entry(run.out, 2).find("ON-SECOND"), std::string::npos) << run.out;
  EXPECT_NE(entry(run.out, 2).find("Adapter:          192.168.20.1 / 255.255.255.0 \n"),
            std::string::npos)
      << run.out;
  EXPECT_EQ(entry(run.out, 3), "") << run.out;
}

TEST_F(DiscoveryEndToEnd, OneCameraThroughTwoAdaptersIsListedTwice) {
  std::string sw;
  hostOn(sw, "eth1", "192.168.10.1/24");
  hostOn(sw, "eth2", "192.168.30.1/24");
  // In neither adapter's subnet, the camera answers by broadcast, which each
  // adapter receives (a unicast answer could reach the other adapter's MAC).
  testbed::CameraSpec s = cameraOf("02:00:00:00:00:21", "10.77.0.21", "TWICE");
  s.mask = "255.255.0.0";
  testbed::SimulatedCamera cam(net, sw, "cam", s);
  ASSERT_TRUE(cam.ready()) << cam.process().errors();
  const ToolRun run = runTool(host, "2\n");
  EXPECT_EQ(run.status, 0) << run.err;
  EXPECT_EQ(count(run.out, "SerialNumber:     TWICE\n"), 2u) << run.out;
  EXPECT_NE(entry(run.out, 1).find("Adapter:          192.168.10.1 /"), std::string::npos)
      << run.out;
  EXPECT_NE(entry(run.out, 2).find("Adapter:          192.168.30.1 /"), std::string::npos)
      << run.out;
}

TEST_F(DiscoveryEndToEnd, CamerasInForeignSubnetAndWithoutAddressAreFound) {
  std::string sw;
  hostOn(sw, "eth1", "192.168.10.1/24");
  testbed::CameraSpec foreign = cameraOf("02:00:00:00:00:31", "10.77.0.9", "FOREIGN");
  foreign.mask = "255.255.0.0";
  testbed::SimulatedCamera far(net, sw, "far", foreign);
  testbed::SimulatedCamera none(net, sw, "none",
                                cameraOf("02:00:00:00:00:32", "0.0.0.0", "NOADDR"));
  ASSERT_TRUE(far.ready() && none.ready()) << far.process().errors() << none.process().errors();
  const ToolRun run = runTool(host, "1\n");
  EXPECT_EQ(run.status, 0) << run.err;
  EXPECT_EQ(count(run.out, "Camera Index: ["), 2u) << run.out;
  EXPECT_NE(entryWith(run.out, "FOREIGN").find("CameraIp:         10.77.0.9\n"), std::string::npos)
      << run.out;
  EXPECT_NE(entryWith(run.out, "NOADDR").find("CameraIp:         0.0.0.0\n"), std::string::npos)
      << run.out;
}

TEST_F(DiscoveryEndToEnd, DoubledAnswerIsListedOnce) {
  std::string sw;
  hostOn(sw, "eth1", "192.168.10.1/24");
  testbed::CameraSpec s = cameraOf("02:00:00:00:00:41", "192.168.10.41", "ECHO");
  s.extraArgs = {"--duplicate-answers", "1"};
  testbed::SimulatedCamera cam(net, sw, "cam", s);
  ASSERT_TRUE(cam.ready()) << cam.process().errors();
  testbed::FrameCapture seen(host, "eth1");
  ASSERT_TRUE(seen.valid());
  const ToolRun run = runTool(host, "1\n");
  EXPECT_EQ(run.status, 0) << run.err;
  EXPECT_EQ(count(run.out, "Camera Index: ["), 1u) << run.out;
  // The camera really answered twice within the window.
  EXPECT_TRUE(seen.nextFromPort(3956, Millis(100)));
  EXPECT_TRUE(seen.nextFromPort(3956, Millis(100)));
}

TEST_F(DiscoveryEndToEnd, FramesFromOurOwnAddressAreNeverAnswers) {
  std::string sw;
  hostOn(sw, "eth1", "192.168.10.1/24");
  const uint8_t mirrorMac[] = {0x02, 0x00, 0x00, 0x00, 0x00, 0x51};
  const std::string mirror = net.addCamera("mirror", sw, "02:00:00:00:00:51");
  LinkTap tap(mirror, "eth0");
  ASSERT_TRUE(tap.valid());
  ASSERT_FALSE(host.empty());
  testbed::Process tool(host, {testbed::binary("nuv-ipconfig")});
  std::vector<uint8_t> request;
  const auto giveUp = std::chrono::steady_clock::now() + Millis(10000);
  while (!isDiscoveryRequest(request) && std::chrono::steady_clock::now() < giveUp) {
    request = tap.next(Millis(500));
  }
  ASSERT_TRUE(isDiscoveryRequest(request)) << tool.output();
  // Our request sent back as if it were an answer, from our own address, and
  // the same answer from another address, which must be taken.
  const uint8_t stranger[] = {192, 168, 10, 99};
  EXPECT_TRUE(tap.send(forgedAnswer(request, mirrorMac, request.data() + 26, 0x01)));
  EXPECT_TRUE(tap.send(forgedAnswer(request, mirrorMac, stranger, 0x02)));
  tool.writeLine("1");
  tool.closeInput();
  EXPECT_EQ(tool.waitForExit(kRunTimeout), 0) << tool.errors();
  EXPECT_EQ(count(tool.output(), "Camera Index: ["), 1u) << tool.output();
  EXPECT_NE(tool.output().find("CameraIp:         192.168.10.99\n"), std::string::npos)
      << tool.output();
}

TEST_F(DiscoveryEndToEnd, NoAnswerMeansNoCameraFound) {
  std::string sw;
  hostOn(sw, "eth1", "192.168.10.1/24");
  const ToolRun run = runTool(host, "");
  EXPECT_EQ(run.status, 0) << run.err;
  EXPECT_EQ(run.out, kGreeting + "no camera found!\n");
}

TEST_F(DiscoveryEndToEnd, OnlyTheExactNameLoIsSkipped) {
  ASSERT_NO_FATAL_FAILURE(camerasBehindTwoAdapters("lo0", "LO", "BEHIND-lo0", "BEHIND-LO"));
  LinkTap loopback(host, "lo");
  ASSERT_TRUE(loopback.valid());
  const ToolRun run = runTool(host, "1\n");
  EXPECT_EQ(run.status, 0) << run.err;
  EXPECT_NE(entry(run.out, 1).find("BEHIND-lo0"), std::string::npos) << run.out;
  EXPECT_NE(entry(run.out, 2).find("BEHIND-LO"), std::string::npos) << run.out;
  for (std::vector<uint8_t> frame = loopback.next(Millis(0)); !frame.empty();
       frame = loopback.next(Millis(0))) {
    EXPECT_FALSE(isUdpToGvcp(frame)) << "a discovery went out on lo";
  }
}

class DiscoveryChoiceEndToEnd : public DiscoveryEndToEnd {
 protected:
  void SetUp() override {
    DiscoveryEndToEnd::SetUp();
    if (IsSkipped()) return;
    std::string sw;
    hostOn(sw, "eth1", "192.168.10.1/24");
    cams.push_back(std::make_unique<testbed::SimulatedCamera>(
        net, sw, "cam1", cameraOf("02:00:00:00:00:71", "192.168.10.71", "C1")));
    cams.push_back(std::make_unique<testbed::SimulatedCamera>(
        net, sw, "cam2", cameraOf("02:00:00:00:00:72", "192.168.10.72", "C2")));
    for (auto& cam : cams) ASSERT_TRUE(cam->ready()) << cam->process().errors();
  }
  // What the run printed from the first camera prompt on.
  std::string dialogue(const ToolRun& run) {
    const size_t start = run.out.find(kPrompt);
    return start == std::string::npos ? run.out : run.out.substr(start);
  }
  // The address the next stage shows for the chosen camera, and the address
  // listed under number 2.
  std::string chosenIp(const ToolRun& run) {
    return lineValue(run.out, "Ip:          ", run.out.rfind(kPrompt));
  }
  std::string secondIp(const ToolRun& run) {
    return lineValue("\n" + entry(run.out, 2), "CameraIp:         ");
  }
};

TEST_F(DiscoveryChoiceEndToEnd, InvalidLinesAreEchoedUntilDigitsBeforeTextSelect) {
  const ToolRun run = runTool(host, "0\n-1\n3\nabc\n\n99999999999\n2abc\n");
  EXPECT_EQ(run.status, 0) << run.err;
  std::string expected = kPrompt;
  for (const char* line : {"0", "-1", "3", "abc", "", "99999999999"}) {
    expected += std::string("Invalid choice: ") + line + "\n\n" + kPrompt;
  }
  EXPECT_EQ(dialogue(run).substr(0, expected.size()), expected) << run.out;
  EXPECT_EQ(count(run.out, "Invalid choice: "), 6u) << run.out;
  EXPECT_NE(secondIp(run), "");
  EXPECT_EQ(chosenIp(run), secondIp(run)) << run.out;
}

TEST_F(DiscoveryChoiceEndToEnd, LeadingBlanksAndPlusSignSelect) {
  for (const char* line : {" 2\n", "+2\n"}) {
    const ToolRun run = runTool(host, line);
    EXPECT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(count(run.out, kPrompt), 1u) << line << run.out;
    EXPECT_EQ(count(run.out, "Invalid choice: "), 0u) << line << run.out;
    EXPECT_NE(secondIp(run), "");
    EXPECT_EQ(chosenIp(run), secondIp(run)) << line << run.out;
  }
}

TEST_F(DiscoveryChoiceEndToEnd, EndOfInputAtThePromptEndsTheRun) {
  const ToolRun run = runTool(host, "abc\n");
  EXPECT_EQ(run.status, 0) << run.err;
  EXPECT_EQ(dialogue(run), kPrompt + "Invalid choice: abc\n\n" + kPrompt + kInputEndedLine + "\n")
      << run.out;
}

TEST_F(DiscoveryEndToEnd, WithoutCapturePrivilegeTheRunEndsWithTheLocatedReport) {
  std::string sw;
  hostOn(sw, "eth1", "192.168.10.1/24");
  const ToolRun run =
      runTool(host, "", {"setpriv", "--inh-caps=-net_raw", "--bounding-set=-net_raw"});
  EXPECT_EQ(run.status, 255);
  EXPECT_EQ(run.err, "[gige_discovery:116] socket() error: Operation not permitted\n");
  EXPECT_EQ(run.out, kGreeting);
}

TEST_F(DiscoveryEndToEnd, AdapterWhoseIndexCannotBeReadIsReportedAndSkipped) {
  std::string sw;
  hostOn(sw, "eth1", "192.168.10.1/24");
  testbed::SimulatedCamera cam(net, sw, "cam",
                               cameraOf("02:00:00:00:00:81", "192.168.10.81", "HIDDEN"));
  ASSERT_TRUE(cam.ready()) << cam.process().errors();
  const int index = testbed::interfaceIndexIn(host, "eth1");
  ASSERT_GT(index, 0);
  std::string report;
  std::vector<GigE_Camera_Info> found;
  ASSERT_TRUE(inNamespace(host, [&] {
    const Adaptor adaptor(static_cast<unsigned>(index));
    ASSERT_EQ(adaptor.getName(), "eth1");
    ASSERT_EQ(adaptor.getIp(), "192.168.10.1");
    // Renamed after the scan: the name no longer leads to an index. The link
    // comes up again, so a capture on every interface would see the camera.
    testbed::runCommand("", {"ip", "-n", host, "link", "set", "eth1", "down"});
    testbed::runCommand("", {"ip", "-n", host, "link", "set", "eth1", "name", "eth1x", "up"});
    ASSERT_TRUE(threadIsIn(host));
    ::testing::internal::CaptureStderr();
    gige_discovery discovery;
    discovery.processing(adaptor);
    report = ::testing::internal::GetCapturedStderr();
    found = discovery.cameras;
  }));
  EXPECT_EQ(report,
            "[gige_discovery:121] ioctl(SIOCGIFINDEX) error on adapter eth1, adapter skipped: "
            "No such device\n");
  EXPECT_TRUE(found.empty());
  // The simulator lists only the kinds of request it has seen.
  EXPECT_EQ(cam.status("count_discovery"), "");
}

}  // namespace
