// `doctor`: why a camera cannot be seen or used, and how to fix it. Gathers
// the facts (diagnosis/doctor_gather.h), judges them (diagnosis/diagnosis.h)
// and renders the findings as a table or as {"checks": [...], "cameras":
// [...]}. Changes nothing. Exit 1 when a finding is at level fail (the
// document then carries "error" beside the checks), or when the discovery
// failed.
#pragma once

#include <ostream>
#include <vector>

#include "cli/exit_code.h"
#include "cli/input/command_line.h"
#include "net/adaptor.h"
#include "net/host_interfaces.h"

namespace cli {

CommandResult runDoctor(const Invocation& invocation, const std::vector<Adaptor>& adapters,
                        const std::vector<net::HostInterface>& host, std::ostream& err);

}  // namespace cli
