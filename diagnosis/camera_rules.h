// The rules about cameras: each appends its findings, one per camera record
// concerned, naming the adapter the camera answered on. Pure.
#pragma once

#include <vector>

#include "diagnosis/finding.h"
#include "diagnosis/rule_input.h"

namespace diagnosis {

// An answer seen at link level but not by UDP, explained by reverse-path
// filtering (strict: the route back to the camera leaves through another
// adapter or nowhere; loose: there is no route back at all).
void reversePathRule(const RuleInput& input, std::vector<Finding>& out);
// The same miss that reverse-path filtering does not explain: a firewall rule.
void firewallRule(const RuleInput& input, std::vector<Finding>& out);
// A camera outside its adapter's subnet, or without an address.
void subnetRule(const RuleInput& input, std::vector<Finding>& out);
// A camera at another camera's address or at one of this host's.
void addressConflictRule(const RuleInput& input, std::vector<Finding>& out);
// Unicast to a camera leaves through an adapter other than the one it
// answered on (two adapters in one subnet, link-local on several).
void sharedSubnetRule(const RuleInput& input, std::vector<Finding>& out);
// A camera held by another application, or refusing the read that tells.
void controlRule(const RuleInput& input, std::vector<Finding>& out);

}  // namespace diagnosis
