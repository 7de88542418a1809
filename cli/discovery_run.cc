#include "cli/discovery_run.h"

#include <algorithm>

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

DiscoveryOutcome discoverForCommandLine(const std::vector<Adaptor>& adapters, int timeoutMs,
                                        std::ostream& err) {
  DiscoveryOptions options;
  options.window = std::chrono::milliseconds(timeoutMs);
  options.sends = kCommandLineSends;
  options.merge = MergeRule::kMac;
  DiscoveryOutcome outcome = discoverCameras(adapters, options);
  if (!lacksCapturePrivilege(outcome.status)) return outcome;
  err << kUdpFallbackWarning << "\n";
  options.capture = CaptureMode::kUdp;
  return discoverCameras(adapters, options);
}
