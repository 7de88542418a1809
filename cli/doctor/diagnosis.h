// doctor's rules: pure functions from DoctorFacts to findings, worst first
// (within one level in the order of the checks below). Every check that ran
// and found nothing gives one `ok` entry; rp_filter and firewall cannot run
// without the link-level side and then give none: the `privilege` finding
// names them. Pure.
#pragma once

#include <vector>

#include "cli/doctor/doctor_facts.h"
#include "cli/doctor/finding.h"

namespace cli {

// The checks, in the order their findings appear within one level.
namespace check {
inline constexpr const char* kRpFilter = "rp_filter";
inline constexpr const char* kFirewall = "firewall";
inline constexpr const char* kSubnet = "subnet";
inline constexpr const char* kAddressConflict = "address_conflict";
inline constexpr const char* kSharedSubnet = "shared_subnet";
inline constexpr const char* kControl = "control";
inline constexpr const char* kLink = "link";
inline constexpr const char* kMtu = "mtu";
inline constexpr const char* kRmem = "rmem";
inline constexpr const char* kAnswerBuffer = "answer_buffer";
inline constexpr const char* kNeighbourTable = "neighbour_table";
inline constexpr const char* kPrivilege = "privilege";
}  // namespace check

// The link speed a GigE Vision camera is built for, Mb/s.
inline constexpr unsigned kGigabitMbps = 1000;
// The adapter MTU image streams with jumbo frames need, bytes.
inline constexpr unsigned kJumboMtu = 9000;
// The net.core.rmem_max image streaming wants: 16 MiB hold some 130 ms of a
// saturated 1000 Mb/s link, enough to ride out a pause of the receiving thread.
inline constexpr long kStreamingRmemBytes = 16L * 1024 * 1024;

std::vector<Finding> diagnose(const DoctorFacts& facts);

}  // namespace cli
