#include "cli/output/json_render.h"

#include <gtest/gtest.h>

#include <cstring>

#include "gvcp/camera_info.h"
#include "gvcp/gvcp_protocol.h"

namespace cli {

namespace {

using json = nlohmann::ordered_json;

device::CameraRecord sampleView() {
  device::CameraRecord view;
  view.mac = {0x02, 0x11, 0x22, 0x33, 0xAB, 0xCD};
  view.ip = net::Ipv4::fromHost(0xC0A80A0B);
  view.mask = net::Ipv4::fromHost(0xFFFFFF00);
  view.gateway = net::Ipv4::fromHost(0xC0A80A01);
  view.adapter = device::AdapterRecord{"eth1", net::Ipv4::fromHost(0xC0A80A01),
                                       net::Ipv4::fromHost(0xFFFFFF00)};
  view.identity.model = "ABC-100";
  view.ipConfigSupported = 0x7;
  view.ipConfigCurrent = 0x4;
  view.reachable = true;
  return view;
}

TEST(CameraJson, CarriesEveryFieldInItsTextForm) {
  const json object = json::parse(writeJson(cameraJson(sampleView())));
  EXPECT_EQ(object["mac"], "02:11:22:33:ab:cd");
  EXPECT_EQ(object["ip"], "192.168.10.11");
  EXPECT_EQ(object["mask"], "255.255.255.0");
  EXPECT_EQ(object["gateway"], "192.168.10.1");
  EXPECT_EQ(object["adapter"],
            json::parse(R"({"name":"eth1","ip":"192.168.10.1","mask":"255.255.255.0"})"));
  EXPECT_EQ(object["model"], "ABC-100");
  EXPECT_EQ(object["ip_config"]["supported"], json::parse(R"(["persistent","dhcp","lla"])"));
  EXPECT_EQ(object["ip_config"]["current"], json::parse(R"(["lla"])"));
  EXPECT_EQ(object["reachable"], true);
  for (const char* key :
       {"manufacturer", "device_version", "manufacturer_info", "serial", "user_name"}) {
    EXPECT_EQ(object[key], "") << key;
  }
}

TEST(CameraJson, NoAdapterIsNull) {
  device::CameraRecord view = sampleView();
  view.adapter.reset();
  EXPECT_TRUE(json::parse(writeJson(cameraJson(view)))["adapter"].is_null());
}

TEST(CameraJson, HostileTextStaysValidJson) {
  device::CameraRecord view = sampleView();
  view.identity.model = std::string("A\x1b[2J\x07", 6);   // terminal control
  view.identity.serial = std::string("\xff\xfe\xc3", 3);  // not UTF-8, cut sequence at the end
  view.identity.userName = "caf\xc3\xa9";                 // valid UTF-8 stays
  view.identity.manufacturer =
      "CSI\xc2\x9b"
      "2J\x7f";  // C1 control and DEL
  const std::string text = writeJson(cameraJson(view));
  EXPECT_EQ(text.find('\x1b'), std::string::npos);
  EXPECT_EQ(text.find("\xc2\x9b"), std::string::npos);
  EXPECT_EQ(text.find('\x7f'), std::string::npos);
  const json object = json::parse(text);
  EXPECT_EQ(object["model"], std::string("A\x1b[2J\x07", 6));
  EXPECT_EQ(object["serial"], "\xef\xbf\xbd\xef\xbf\xbd\xef\xbf\xbd");
  EXPECT_EQ(object["user_name"], "caf\xc3\xa9");
  EXPECT_EQ(object["manufacturer"],
            "CSI\xc2\x9b"
            "2J\x7f");
}

TEST(CameraJson, FieldOfThirtyTwoBytesWithoutNulIsCutAtItsWidth) {
  std::vector<uint8_t> ack(gvcp::kDiscoveryAckSize, 0);
  std::memset(ack.data() + gvcp::kHeaderSize + gvcp::DiscoveryAck::kModelName, 'M', 32);
  std::memset(ack.data() + gvcp::kHeaderSize + gvcp::DiscoveryAck::kDeviceVersion, 'V', 32);
  const GigE_Camera_Info info =
      gvcp::decodeDiscoveryAck(ack.data(), *net::Ipv4::parse("192.168.10.11"), Adaptor(0u));
  const json object = json::parse(writeJson(cameraJson(device::recordOf(info))));
  EXPECT_EQ(object["model"], std::string(32, 'M'));
}

TEST(SettingsJson, AddsPersistentHeartbeatAndControl) {
  device::CameraSettings settings;
  settings.persistent = net::AddressSet::fromHost(0x0A000005, 0xFF000000, 0x0A000001);
  settings.heartbeatTimeoutMs = 3000;
  settings.ccp = 2;
  const json object = json::parse(writeJson(settingsJson(sampleView(), settings)));
  EXPECT_EQ(object["persistent"],
            json::parse(R"({"ip":"10.0.0.5","mask":"255.0.0.0","gateway":"10.0.0.1"})"));
  EXPECT_EQ(object["heartbeat_timeout_ms"], 3000);
  EXPECT_EQ(object["control"], json::parse(R"({"ccp":2,"held_by_other":true})"));
  EXPECT_EQ(object["mac"], "02:11:22:33:ab:cd");
}

TEST(ResultDocument, SuccessIsOkWithTheData) {
  CommandResult result;
  result.data["cameras"] = json::array();
  EXPECT_EQ(resultDocument(result), json::parse(R"({"ok":true,"cameras":[]})"));
}

struct CodeCase {
  ExitCode code;
  int exit;
  const char* name;
};

class ResultCodes : public testing::TestWithParam<CodeCase> {};

TEST_P(ResultCodes, FailureCarriesItsCodeNameAndExitNumber) {
  const CommandResult result = failure(GetParam().code, "why");
  EXPECT_EQ(static_cast<int>(result.code), GetParam().exit);
  const json document = resultDocument(result);
  EXPECT_EQ(document["ok"], false);
  EXPECT_EQ(document["error"]["code"], GetParam().name);
  EXPECT_EQ(document["error"]["message"], "why");
}

INSTANTIATE_TEST_SUITE_P(Cases, ResultCodes,
                         testing::Values(CodeCase{ExitCode::kFailed, 1, "failed"},
                                         CodeCase{ExitCode::kUsage, 2, "usage"},
                                         CodeCase{ExitCode::kNotFound, 3, "not_found"},
                                         CodeCase{ExitCode::kAmbiguous, 4, "ambiguous"},
                                         CodeCase{ExitCode::kNoPrivilege, 5, "no_privilege"}));

}  // namespace

}  // namespace cli
