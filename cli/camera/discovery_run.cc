#include "cli/camera/discovery_run.h"

#include <algorithm>

#include "device/discovery.h"

namespace cli {

AdapterChoice chooseAdapters(const std::vector<Adaptor>& available,
                             const std::vector<std::string>& names) {
  AdapterChoice choice;
  for (const std::string& name : names) {
    const bool known = std::any_of(available.begin(), available.end(),
                                   [&](const Adaptor& a) { return a.getName() == name; });
    if (!known) {
      choice.error = "--interface: no adapter named '" + name + "' with an IPv4 address";
      return choice;
    }
  }
  for (const Adaptor& adaptor : available) {
    const std::string name = adaptor.getName();
    const bool wanted =
        names.empty() ? name != "lo" : std::find(names.begin(), names.end(), name) != names.end();
    if (wanted) choice.adapters.push_back(adaptor);
  }
  return choice;
}

gvcp::DiscoveryOutcome discoverForCommandLine(const std::vector<Adaptor>& adapters, int timeoutMs,
                                              std::ostream& err, const gvcp::AnswerStop& stop) {
  gvcp::DiscoveryOptions options = device::discoveryOptions(std::chrono::milliseconds(timeoutMs));
  options.stop = stop;
  device::Discovery found = device::discover(adapters, options);
  if (found.overUdp) err << kUdpFallbackWarning << "\n";
  return std::move(found.outcome);
}

}  // namespace cli
