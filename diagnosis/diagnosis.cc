#include "diagnosis/diagnosis.h"

#include <algorithm>

#include "diagnosis/camera_rules.h"
#include "diagnosis/host_rules.h"

namespace diagnosis {

namespace {

struct Check {
  const char* id;
  void (*rule)(const RuleInput&, std::vector<Finding>&);
  const char* okMessage;
  bool needsLinkLevel;
};

constexpr Check kChecks[] = {
    {CheckName::kRpFilter, reversePathRule, "no answer was dropped by reverse-path filtering",
     true},
    {CheckName::kFirewall, firewallRule,
     "every answer seen at link level also reached a UDP socket", true},
    {CheckName::kSubnet, subnetRule, "every camera is in its adapter's subnet", false},
    {CheckName::kAddressConflict, addressConflictRule,
     "no two cameras share an address and none uses one of this host's", false},
    {CheckName::kSharedSubnet, sharedSubnetRule,
     "unicast to every camera leaves through the adapter it answered on", false},
    {CheckName::kControl, controlRule, "no camera is held by another application", false},
    {CheckName::kLink, linkRule, "every adapter is up and has a carrier", false},
    {CheckName::kMtu, mtuRule, "no adapter with cameras is held below the MTU it could take",
     false},
    {CheckName::kRmem, rmemRule, "net.core.rmem_max leaves room for image streams", false},
    {CheckName::kAnswerBuffer, answerBufferRule,
     "the receive buffers hold the burst of answers and the kernel dropped none", false},
    {CheckName::kNeighbourTable, neighbourTableRule,
     "the neighbour table has room for every camera on a link", false},
    {CheckName::kPrivilege, privilegeRule,
     "the packet-socket privilege is held: answers were received at link level and by UDP", false},
};

}  // namespace

std::vector<Finding> diagnose(const DoctorFacts& facts) {
  const RuleInput input = ruleInput(facts);
  std::vector<Finding> findings;
  for (const Check& c : kChecks) {
    if (c.needsLinkLevel && !facts.linkLevelRan) continue;
    const size_t before = findings.size();
    c.rule(input, findings);
    if (findings.size() == before) findings.push_back({c.id, Level::kOk, "", "", c.okMessage, ""});
  }
  std::stable_sort(findings.begin(), findings.end(),
                   [](const Finding& a, const Finding& b) { return a.level > b.level; });
  return findings;
}

const char* levelName(Level level) {
  switch (level) {
    case Level::kOk:
      return "ok";
    case Level::kInfo:
      return "info";
    case Level::kWarn:
      return "warn";
    case Level::kFail:
      return "fail";
  }
  return "fail";
}

}  // namespace diagnosis
