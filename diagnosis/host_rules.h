// The rules about the host: its adapters' links, their MTU, its receive
// buffer limit and the privilege the diagnosis ran with. Pure.
#pragma once

#include <vector>

#include "diagnosis/finding.h"
#include "diagnosis/rule_input.h"

namespace diagnosis {

// An adapter down or without carrier; a camera on a link slower than 1000 Mb/s.
void linkRule(const RuleInput& input, std::vector<Finding>& out);
// An adapter with cameras below the jumbo MTU that it could take.
void mtuRule(const RuleInput& input, std::vector<Finding>& out);
// net.core.rmem_max below what image streaming wants, when cameras answered.
void rmemRule(const RuleInput& input, std::vector<Finding>& out);
// The host's limits that lose discovery answers: net.core.rmem_max below
// what the burst of the busiest adapter's cameras needs, or UDP datagrams the
// kernel dropped for a full receive buffer while the discovery listened.
void answerBufferRule(const RuleInput& input, std::vector<Finding>& out);
// The neighbour table's thresholds too low for the cameras on one link.
void neighbourTableRule(const RuleInput& input, std::vector<Finding>& out);
// No packet-socket privilege: the checks that were skipped and how to grant it.
void privilegeRule(const RuleInput& input, std::vector<Finding>& out);

}  // namespace diagnosis
