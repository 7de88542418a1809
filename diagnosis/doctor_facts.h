// What `doctor` learned of the host and its cameras, gathered once
// (doctor_gather.h) and judged by pure rules (diagnosis.h), so the rules are
// tested with facts made up in memory, without root. Addresses in network
// byte order. Plain values.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "device/camera_record.h"
#include "net/link_facts.h"
#include "net/route_lookup.h"
#include "net/sysctl_values.h"

namespace diagnosis {

struct AdapterFacts {
  device::AdapterRecord view;
  std::optional<net::LinkFacts> link;  // none when the kernel did not list the interface
  std::optional<long> rpFilter;        // the interface's own net.ipv4.conf.<name>.rp_filter
};

// How reading a camera's control channel privilege went.
enum class ControlRead {
  kNotRead,  // not attempted: its reads could not be trusted to reach it
  kRead,
  kDenied,  // the camera refused even reads: someone holds exclusive access
  kFailed,  // no answer, or another refusal (`failure` says which)
};

struct ControlFacts {
  ControlRead read = ControlRead::kNotRead;
  uint32_t ccp = 0;
  // Who holds control, where the camera has the primary-application registers.
  std::optional<net::Ipv4> holderIp;
  std::optional<uint16_t> holderPort;
  std::string failure;
};

struct CameraFacts {
  device::CameraRecord view;  // its adapter is the one it answered on
  bool seenAtLinkLevel = false;
  bool seenByUdp = false;
  net::RouteLookup route;      // for the camera's address; not asked for 0.0.0.0
  std::string routeInterface;  // the name of route.interfaceIndex
  ControlFacts control;
};

struct DoctorFacts {
  std::vector<AdapterFacts> adapters;  // the adapters chosen, in the host's order
  std::vector<CameraFacts> cameras;
  std::vector<net::Ipv4> hostAddresses;  // every IPv4 address of every interface
  std::optional<long> rpFilterAll;       // net.ipv4.conf.all.rp_filter
  std::optional<long> rmemMax;           // net.core.rmem_max, bytes
  net::NeighbourThresholds neighbour;    // net.ipv4.neigh.default.gc_thresh1..3
  // UDP datagrams the kernel dropped for a full receive buffer while the
  // discovery listened (RcvbufErrors after less before).
  std::optional<long> droppedDuringDiscovery;
  // Frames the host dropped for a full input backlog meanwhile, and its size.
  std::optional<long> backlogDropsDuringDiscovery;
  std::optional<long> netdevMaxBacklog;
  bool linkLevelRan = true;  // false: no packet-socket privilege, answers by UDP only
  std::string programPath;   // this program, for the privilege's fix
};

}  // namespace diagnosis
