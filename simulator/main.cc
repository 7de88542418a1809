// nuv-camsim: one simulated GigE Vision camera on one network interface.
#include <cstdio>
#include <string>
#include <vector>

#include "simulator/sim_options.h"
#include "simulator/sim_runtime.h"

int main(int argc, char** argv) {
  const sim::ParseResult parsed =
      sim::parseOptions(std::vector<std::string>(argv + 1, argv + argc));
  if (!parsed.options) {
    std::fprintf(stderr, "nuv-camsim: %s\nTry 'nuv-camsim --help'.\n", parsed.error.c_str());
    return 2;
  }
  if (parsed.options->help) {
    std::fputs(sim::usageText().c_str(), stdout);
    return 0;
  }
  if (parsed.options->version) {
    std::puts("nuv-camsim " NUV_VERSION);
    return 0;
  }
  sim::Simulator simulator(*parsed.options);
  return simulator.run();
}
