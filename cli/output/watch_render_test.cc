#include "cli/output/watch_render.h"

#include <arpa/inet.h>
#include <gtest/gtest.h>

namespace cli {
namespace {

GigE_Camera_Info camera(const char* ip, const char* name) {
  GigE_Camera_Info c;
  c.cameraMacHw[0] = 0x02;
  c.cameraMacHw[5] = 0x01;
  c.cameraMac = "02:00:00:00:00:01";
  c.currentIp = c.sourceIp = inet_addr(ip);
  c.currentSubnetMask = inet_addr("255.255.255.0");
  c.modelName = "M\"1";
  c.userDefinedName = name;
  c.adaptor = Adaptor("eth1", MacAddress(), inet_addr("192.168.1.1"), inet_addr("255.255.255.0"));
  return c;
}

TEST(WatchRender, LabelValuesAreEscaped) {
  const std::pair<std::string, std::string> cases[] = {{"plain", "plain"},
                                                       {"a\\b", "a\\\\b"},
                                                       {"say \"hi\"", "say \\\"hi\\\""},
                                                       {"two\nlines", "two\\nlines"},
                                                       {"bell\a\xC3\xA9", "bell???"}};
  for (const auto& [text, escaped] : cases) EXPECT_EQ(labelValue(text), escaped) << text;
}

TEST(WatchRender, ChangeEventCarriesFromAndToBesideTheListFields) {
  device::WatchState state;
  state.fold({0, {{"eth1", true}}, {camera("192.168.1.10", "a")}, {}});
  const auto events = state.fold({0, {{"eth1", true}}, {camera("192.168.1.11", "a")}, {}});
  ASSERT_EQ(events.size(), 1u);
  const auto json = watchEventJson(events[0], 1765299900.25);
  EXPECT_EQ(json["event"], "address_changed");
  EXPECT_EQ(json["time"], "2025-12-09T17:05:00.250Z");
  EXPECT_EQ(json["mac"], "02:00:00:00:00:01");
  EXPECT_EQ(json["from"]["ip"], "192.168.1.10");
  EXPECT_EQ(json["to"]["ip"], "192.168.1.11");
}

TEST(WatchRender, TextfileKeepsALostCameraAtZero) {
  device::WatchState state(1);
  state.fold({0, {{"eth1", true}}, {camera("192.168.1.10", "left")}, {}});
  state.fold({0, {{"eth1", true}}, {}, {}});
  const std::string text = prometheusText(state, {{{"eth1", 0.5}}});
  EXPECT_NE(text.find("# TYPE nuv_gige_camera_up gauge\n"), std::string::npos);
  EXPECT_NE(text.find("nuv_gige_camera_up{mac=\"02:00:00:00:00:01\",adapter=\"eth1\","
                      "ip=\"192.168.1.10\",model=\"M\\\"1\",serial=\"\",name=\"left\"} 0\n"),
            std::string::npos);
  EXPECT_NE(text.find("nuv_gige_cameras{adapter=\"eth1\"} 0\n"), std::string::npos);
  EXPECT_NE(text.find("nuv_gige_rounds_total 2\n"), std::string::npos);
}

}  // namespace
}  // namespace cli
