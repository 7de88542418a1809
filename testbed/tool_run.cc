#include "testbed/tool_run.h"

#include <chrono>

#include "testbed/testbed.h"

namespace testbed {

ToolRun runTool(const std::string& ns, const std::vector<std::string>& args,
                const std::vector<std::string>& wrapper, const std::string& input, Millis timeout) {
  if (ns.empty()) return ToolRun{std::nullopt, "", "no test namespace to run the tool in", 0, {}};
  std::vector<std::string> argv = wrapper;
  argv.push_back(binary("nuv-ipconfig"));
  argv.insert(argv.end(), args.begin(), args.end());
  const auto start = std::chrono::steady_clock::now();
  Process tool(ns, argv);
  tool.write(input);
  tool.closeInput();
  const std::optional<int> status = tool.waitForExit(timeout);
  const std::chrono::duration<double, std::milli> wall = std::chrono::steady_clock::now() - start;
  return ToolRun{status, tool.output(), tool.errors(), wall.count(), tool.peakRssKiB()};
}

size_t countOf(const std::string& text, const std::string& part) {
  size_t n = 0;
  for (size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + 1)) ++n;
  return n;
}

}  // namespace testbed
