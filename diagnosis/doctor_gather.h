// Gathering doctor's facts: the links and kernel settings of the host, one
// discovery on the chosen adapters that are up, received at link level and by
// UDP at once (by UDP alone without the packet-socket privilege), the route
// to each camera, and a read of the control registers of each camera whose
// reads can be trusted to reach it, through the adapter it answered on.
// Reads only: nothing on the host or a camera changes and control is never
// taken. Prints nothing; the caller's thread.
#pragma once

#include <vector>

#include "diagnosis/doctor_facts.h"
#include "gvcp/status.h"
#include "net/adaptor.h"
#include "net/host_interfaces.h"

namespace diagnosis {

struct Gathered {
  DoctorFacts facts;
  gvcp::Status status = gvcp::Status::Ok();  // the discovery's failure, if it failed
  std::vector<gvcp::Status> skipped;         // adapters the discovery left out
};

// `adapters` chosen from `host`; `timeoutMs` the discovery window.
Gathered gatherFacts(const std::vector<Adaptor>& adapters,
                     const std::vector<net::HostInterface>& host, int timeoutMs);

}  // namespace diagnosis
