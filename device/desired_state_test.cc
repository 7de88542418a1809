// The settings a desired state changes, judged against what a camera holds:
// only what differs is listed, in the order it is written, and the refusals
// that stop a change before anything is written.
#include "device/desired_state.h"

#include <gtest/gtest.h>

namespace device {
namespace {

CameraSettings holding(uint32_t config, net::AddressSet persistent, uint32_t supported = 0x7) {
  CameraSettings now;
  now.ipConfigSupported = supported;
  now.ipConfigCurrent = config;
  now.persistent = persistent;
  now.identity.userName = "left";
  return now;
}

const auto k50 = net::AddressSet::fromHost(0xC0A80A32, 0xFFFFFF00, 0);  // 192.168.10.50/24
const auto kStored50 = net::AddressSet::fromHost(0xC0A80A32, 0xFFFFFF00, 0);

struct ChangeCase {
  const char* name;
  CameraSettings now;
  DesiredState desired;
  std::vector<std::string> changed;  // "setting from->to"
};

TEST(DesiredStateTest, OnlyWhatDiffersIsChanged) {
  const ChangeCase cases[] = {
      {"same mode, pause bits aside", holding(0xC0000006, {}), {IpMode::kDhcp, {}, {}, false}, {}},
      {"mode", holding(0x6, {}), {IpMode::kLla, {}, {}, false}, {"mode dhcp->lla"}},
      {"same address and mode", holding(0x5, kStored50), {IpMode::kPersistent, k50, {}, false}, {}},
      {"gateway only",
       holding(0x5, kStored50),
       {IpMode::kPersistent,
        net::AddressSet::fromHost(0xC0A80A32, 0xFFFFFF00, 0xC0A80A01),
        {},
        false},
       {"persistent_gateway 0.0.0.0->192.168.10.1"}},
      {"address then mode",
       holding(0x6, {}),
       {IpMode::kPersistent, k50, {}, false},
       {"persistent_ip 0.0.0.0->192.168.10.50", "persistent_mask 0.0.0.0->255.255.255.0",
        "mode dhcp->persistent"}},
      {"name", holding(0x6, {}), {{}, {}, "right", false}, {"user_name left->right"}},
      {"same name", holding(0x6, {}), {{}, {}, "left", false}, {}},
      // A camera without LLA holds the mode bit alone.
      {"no LLA, same mode", holding(0x1, kStored50, 0x3), {IpMode::kPersistent, {}, {}, false}, {}},
      {"no LLA, mode",
       holding(0x2, kStored50, 0x3),
       {IpMode::kPersistent, {}, {}, false},
       {"mode dhcp->persistent"}},
  };
  for (const ChangeCase& c : cases) {
    std::vector<std::string> changed;
    for (const SettingChange& s : changesFor(c.now, c.desired)) {
      changed.push_back(s.setting + " " + s.from + "->" + s.to);
    }
    EXPECT_EQ(changed, c.changed) << c.name;
  }
}

TEST(DesiredStateTest, RefusalsNameWhatStopsTheChange) {
  CameraSettings noName = holding(0x6, {});
  noName.identity.userName.reset();
  CameraSettings llaOnly = holding(0x6, {});
  llaOnly.ipConfigSupported = 0x4;
  const std::pair<std::optional<gvcp::Status>, const char*> cases[] = {
      {refusal(noName, {{}, {}, "x", false}, "cam"), "cam has no user-defined name register"},
      {refusal(llaOnly, {IpMode::kDhcp, {}, {}, false}, "cam"), "cam does not offer dhcp"},
      {refusal(holding(0x6, {}), {IpMode::kPersistent, {}, {}, false}, "cam"),
       "cam holds no persistent address"},
  };
  for (const auto& [refused, text] : cases) {
    ASSERT_TRUE(refused.has_value()) << text;
    EXPECT_EQ(refused->what().rfind(text, 0), 0u) << refused->what();
  }
  EXPECT_FALSE(refusal(llaOnly, {IpMode::kDhcp, {}, {}, true}, "cam").has_value());
}

}  // namespace
}  // namespace device
