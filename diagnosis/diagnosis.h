// doctor's rules: pure functions from DoctorFacts to findings, worst first
// (within one level in the order of the checks below). Every check that ran
// and found nothing gives one `ok` entry; rp_filter and firewall cannot run
// without the link-level side and then give none: the `privilege` finding
// names them. Pure.
#pragma once

#include <vector>

#include "diagnosis/doctor_facts.h"
#include "diagnosis/finding.h"

namespace diagnosis {

// The checks, in the order their findings appear within one level.
struct CheckName {
  static constexpr const char* kRpFilter = "rp_filter";
  static constexpr const char* kFirewall = "firewall";
  static constexpr const char* kSubnet = "subnet";
  static constexpr const char* kAddressConflict = "address_conflict";
  static constexpr const char* kSharedSubnet = "shared_subnet";
  static constexpr const char* kControl = "control";
  static constexpr const char* kLink = "link";
  static constexpr const char* kMtu = "mtu";
  static constexpr const char* kRmem = "rmem";
  static constexpr const char* kAnswerBuffer = "answer_buffer";
  static constexpr const char* kNeighbourTable = "neighbour_table";
  static constexpr const char* kPrivilege = "privilege";
};

// The link speed a GigE Vision camera is built for, Mb/s.
inline constexpr unsigned kGigabitMbps = 1000;
// The adapter MTU image streams with jumbo frames need, bytes.
inline constexpr unsigned kJumboMtu = 9000;
// The net.core.rmem_max image streaming wants: 16 MiB hold some 130 ms of a
// saturated 1000 Mb/s link, enough to ride out a pause of the receiving thread.
inline constexpr long kStreamingRmemBytes = 16L * 1024 * 1024;

std::vector<Finding> diagnose(const DoctorFacts& facts);

}  // namespace diagnosis
