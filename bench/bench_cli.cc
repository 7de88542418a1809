// The command line against crowds of simulated cameras, each figure beside
// its goal, all measured in this one run:
//  - `list` over 4 adapters with 25 cameras each: cameras found, wall time
//    from start to exit and peak resident size, beside the interactive
//    dialogue's time to its camera prompt on the same network;
//  - `show` of a camera by its address: wall time from start to exit;
//  - with 5% of datagrams lost each way, repeated `list` runs against 10
//    cameras: the runs that found all 10, beside the same count for the
//    dialogue run to its prompt and ended there;
//  - `apply` of a 100-row plan to the 100 cameras of the crowd (one
//    discovery, then up to 8 cameras at once), beside 100 sequential `set`
//    runs by address making the same kind of change; then `apply` of a plan
//    the cameras already hold: its time and the writes the cameras counted.
// Every run goes through `ip netns exec`; what that alone costs is shown.
// Needs root (namespaces); without it, says so and ends.
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <fstream>
#include <nlohmann/json.hpp>
#include <string>
#include <vector>

#include "testbed/camera_fleet.h"
#include "testbed/testbed.h"
#include "testbed/tool_run.h"

namespace {

using testbed::Millis;

constexpr int kAdapters = 4;
constexpr int kCamerasPerAdapter = 25;
constexpr int kListRuns = 5;
constexpr int kDialogueRuns = 3;
constexpr int kShowRuns = 20;
constexpr int kLossyCameras = 10;
constexpr int kLossyListRuns = 100;
constexpr int kLossyDialogueRuns = 100;
constexpr int kLossPercent = 5;  // each way: requests unseen, answers not sent
constexpr char kLoss[] = "0.05";

constexpr double kGoalListMs = 1150;
constexpr double kGoalRssMiB = 16;
constexpr double kGoalShowMs = 50;
constexpr int kGoalLossyRuns = 99;                 // of kLossyListRuns
constexpr double kGoalApplyBeyondWindowMs = 2000;  // beyond apply's one discovery window
constexpr double kGoalUnchangedBeyondWindowMs = 1500;
constexpr int kApplyWindowMs = 1000;

constexpr char kPrompt[] = "choose a camera index:";
constexpr char kNoCamera[] = "no camera found!";
constexpr char kEntry[] = "Camera Index: [";

struct Bed {
  testbed::Network net;
  std::string host;
  testbed::Fleet cameras;
};

const char* verdict(bool met) { return met ? "met" : "NOT met"; }

double median(std::vector<double> values) {
  std::sort(values.begin(), values.end());
  return values[values.size() / 2];
}

double worst(const std::vector<double>& values) {
  return *std::max_element(values.begin(), values.end());
}

std::string subnet(int adapter) { return "10.70." + std::to_string(adapter) + "."; }

// Adapter eth<a+1> at 10.70.<a>.1/24 on a switch of its own, with `count`
// cameras behind it (MACs numbered from `firstMac`), lossy ones each with a
// seed of its own.
bool addAdapterWithCameras(Bed& bed, int a, int count, int firstMac, bool lossy) {
  const std::string sw = bed.net.addSwitch("sw" + std::to_string(a));
  if (sw.empty() ||
      !bed.net.connect(bed.host, "eth" + std::to_string(a + 1), sw, subnet(a) + "1/24")) {
    std::fprintf(stderr, "test bed: %s\n", bed.net.lastError().c_str());
    return false;
  }
  const std::string failed = testbed::startFleet(
      bed.net, sw, "a" + std::to_string(a) + "c", count,
      [&](int n) {
        testbed::CameraSpec setup;
        setup.mac = testbed::fleetMac(firstMac + n);
        setup.ip = subnet(a) + std::to_string(10 + n);
        if (lossy) {
          setup.extraArgs = {"--drop-requests",    kLoss, "--drop-answers", kLoss, "--seed",
                             std::to_string(n + 1)};
        }
        return setup;
      },
      bed.cameras);
  if (!failed.empty()) std::fprintf(stderr, "%s\n", failed.c_str());
  return failed.empty();
}

// Cameras in a `list --json` document; -1 when stdout is not one.
int listed(const std::string& out) {
  const nlohmann::json doc = nlohmann::json::parse(out, nullptr, false);
  if (doc.is_discarded() || !doc.contains("cameras") || !doc["cameras"].is_array()) return -1;
  return static_cast<int>(doc["cameras"].size());
}

struct DialogueRun {
  double promptMs = 0;
  int listed = 0;
};

// The dialogue to its camera prompt (or its "no camera found!"), then ended
// by the end of its input.
DialogueRun dialogueToPrompt(const Bed& bed) {
  const auto start = std::chrono::steady_clock::now();
  testbed::Process tool(bed.host, {testbed::binary("nuv-ipconfig")});
  const bool prompted =
      tool.waitForOutput(kPrompt, Millis(30000)) || tool.waitForOutput(kNoCamera, Millis(0));
  const std::chrono::duration<double, std::milli> elapsed =
      std::chrono::steady_clock::now() - start;
  tool.closeInput();
  tool.waitForExit(Millis(10000));
  if (!prompted) std::fprintf(stderr, "the dialogue did not list: %s\n", tool.errors().c_str());
  return {elapsed.count(), static_cast<int>(testbed::countOf(tool.output(), kEntry))};
}

struct Launch {
  double ms = 0;
  double peakRssMiB = 0;
};

// What starting a program that does nothing costs through `ip netns exec`:
// time, and the peak resident size that way of measuring reports for it.
Launch idleLaunch(const Bed& bed) {
  std::vector<double> times;
  double rssMiB = 0;
  for (int i = 0; i < 5; ++i) {
    const auto start = std::chrono::steady_clock::now();
    testbed::Process idle(bed.host, {"true"});
    idle.waitForExit(Millis(10000));
    times.push_back(
        std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start)
            .count());
    rssMiB = std::max(rssMiB, idle.peakRssKiB().value_or(0) / 1024.0);
  }
  return {median(times), rssMiB};
}

struct ListFigures {
  int fewest = 0;  // cameras found in the poorest run
  std::vector<double> wallMs;
  double peakRssMiB = 0;
};

ListFigures listRuns(const Bed& bed, const std::vector<std::string>& args) {
  ListFigures figures{static_cast<int>(bed.cameras.size()), {}, 0};
  for (int run = 0; run < kListRuns; ++run) {
    const testbed::ToolRun r = testbed::runTool(bed.host, args);
    if (r.status != 0) {
      std::fprintf(stderr, "list ended with %d: %s\n", r.status.value_or(-1), r.err.c_str());
    }
    figures.fewest = std::min(figures.fewest, listed(r.out));
    figures.wallMs.push_back(r.wallMs);
    figures.peakRssMiB = std::max(figures.peakRssMiB, r.peakRssKiB.value_or(0) / 1024.0);
  }
  return figures;
}

void measureDialogue(const Bed& bed) {
  std::vector<double> prompt;
  int fewest = static_cast<int>(bed.cameras.size());
  for (int run = 0; run < kDialogueRuns; ++run) {
    const DialogueRun d = dialogueToPrompt(bed);
    prompt.push_back(d.promptMs);
    fewest = std::min(fewest, d.listed);
  }
  std::printf(
      "  the dialogue, %d runs: start to prompt median %6.1f ms, worst %6.1f ms; found (fewest) "
      "%d / %zu\n",
      kDialogueRuns, median(prompt), worst(prompt), fewest, bed.cameras.size());
}

void measureList(const Bed& bed) {
  const int total = static_cast<int>(bed.cameras.size());
  const ListFigures list = listRuns(bed, {"list", "--json"});
  std::printf("list, %d adapters x %d cameras, %d runs:\n", kAdapters, kCamerasPerAdapter,
              kListRuns);
  std::printf("  found (fewest in a run)      %3d / %d (goal 100%%) %s\n", list.fewest, total,
              verdict(list.fewest == total));
  std::printf(
      "  start to exit                median %6.1f ms, worst %6.1f ms (goal <= %.0f ms, worst) "
      "%s\n",
      median(list.wallMs), worst(list.wallMs), kGoalListMs,
      verdict(worst(list.wallMs) <= kGoalListMs));
  std::printf("  peak resident size           worst %5.1f MiB (goal < %.0f MiB) %s\n",
              list.peakRssMiB, kGoalRssMiB, verdict(list.peakRssMiB < kGoalRssMiB));
  // The shortest window shows what a run costs besides its window.
  const ListFigures brief = listRuns(bed, {"list", "--json", "--timeout-ms", "100"});
  std::printf("  with --timeout-ms 100        median %6.1f ms, found (fewest) %d / %d\n",
              median(brief.wallMs), brief.fewest, total);
  measureDialogue(bed);
}

void measureShow(const Bed& bed) {
  std::vector<double> wall;
  int failed = 0;
  const std::string address = subnet(0) + "10";
  for (int run = 0; run < kShowRuns; ++run) {
    const testbed::ToolRun r = testbed::runTool(bed.host, {"show", address});
    failed += r.status == 0 ? 0 : 1;
    wall.push_back(r.wallMs);
  }
  std::printf(
      "show %s, %d runs (%d failed): start to exit median %5.1f ms, worst %5.1f ms (goal <= %.0f "
      "ms, median) %s\n",
      address.c_str(), kShowRuns, failed, median(wall), worst(wall), kGoalShowMs,
      verdict(failed == 0 && median(wall) <= kGoalShowMs));
}

// Every camera of the crowd to persistent IP at host number `host` of its
// subnet, as one plan file; its path.
std::string writePlan(const Bed& bed, int host) {
  const std::string path = "/tmp/nuv-bench-plan-" + std::to_string(::getpid()) + ".csv";
  std::ofstream plan(path);
  plan << "mac,mode,ip,mask\n";
  for (size_t i = 0; i < bed.cameras.size(); ++i) {
    const int a = static_cast<int>(i) / kCamerasPerAdapter;
    const int n = static_cast<int>(i) % kCamerasPerAdapter;
    plan << testbed::fleetMac(static_cast<int>(i)) << ",persistent," << subnet(a) << host + n
         << ",255.255.255.0\n";
  }
  return path;
}

testbed::ToolRun applyPlan(const Bed& bed, int host) {
  const std::string path = writePlan(bed, host);
  testbed::ToolRun apply = testbed::runTool(
      bed.host, {"apply", path, "--json", "--timeout-ms", std::to_string(kApplyWindowMs)});
  std::remove(path.c_str());
  return apply;
}

// Register and memory writes the whole crowd has counted.
long writesCounted(const Bed& bed) {
  long writes = 0;
  for (const auto& camera : bed.cameras) {
    for (const char* key : {"count_writereg", "count_writemem"}) {
      const std::string value = camera->status(key);
      writes += value.empty() ? 0 : std::stol(value);
    }
  }
  return writes;
}

// The plan the cameras hold after the sequential set runs: nothing differs,
// nothing may be written.
void measureUnchangedApply(const Bed& bed) {
  const long before = writesCounted(bed);
  const testbed::ToolRun apply = applyPlan(bed, 150);
  const long written = writesCounted(bed) - before;
  const double beyond = apply.wallMs - kApplyWindowMs;
  std::printf(
      "apply of a plan the %zu cameras already hold: exit %d, %6.1f ms beyond its %d ms window "
      "(goal <= %.0f ms beyond), %ld writes counted by the cameras (goal 0) %s\n",
      bed.cameras.size(), apply.status.value_or(-1), beyond, kApplyWindowMs,
      kGoalUnchangedBeyondWindowMs, written,
      verdict(apply.status == 0 && beyond <= kGoalUnchangedBeyondWindowMs && written == 0));
}

void measureApply(const Bed& bed) {
  const testbed::ToolRun apply = applyPlan(bed, 100);
  const nlohmann::json doc = nlohmann::json::parse(apply.out, nullptr, false);
  const bool allDone =
      apply.status == 0 && !doc.is_discarded() && doc["rows"].size() == bed.cameras.size();
  if (!allDone)
    std::fprintf(stderr, "apply ended with %d: %s\n", apply.status.value_or(-1), apply.err.c_str());
  double setMs = 0;
  int setFailed = 0;
  for (size_t i = 0; i < bed.cameras.size(); ++i) {
    const int a = static_cast<int>(i) / kCamerasPerAdapter;
    const int n = static_cast<int>(i) % kCamerasPerAdapter;
    const testbed::ToolRun set = testbed::runTool(
        bed.host, {"set", subnet(a) + std::to_string(10 + n), "--mode", "persistent", "--ip",
                   subnet(a) + std::to_string(150 + n), "--mask", "255.255.255.0"});
    setMs += set.wallMs;
    setFailed += set.status == 0 ? 0 : 1;
  }
  const double goalMs = kApplyWindowMs + kGoalApplyBeyondWindowMs;
  std::printf(
      "apply, %zu rows to %zu cameras on %d adapters: %s, start to exit %6.1f ms, %6.1f ms beyond "
      "its %d ms window (goal <= %.0f ms beyond) %s; 100 sequential set runs by address (no "
      "discovery): %7.1f ms (%d failed)\n",
      bed.cameras.size(), bed.cameras.size(), kAdapters,
      allDone ? "every row done" : "NOT all done", apply.wallMs, apply.wallMs - kApplyWindowMs,
      kApplyWindowMs, kGoalApplyBeyondWindowMs, verdict(allDone && apply.wallMs <= goalMs), setMs,
      setFailed);
  measureUnchangedApply(bed);
}

int runCrowd() {
  Bed bed;
  bed.host = bed.net.addHost("host");
  const auto start = std::chrono::steady_clock::now();
  for (int a = 0; a < kAdapters; ++a) {
    if (!addAdapterWithCameras(bed, a, kCamerasPerAdapter, a * kCamerasPerAdapter, false)) return 1;
  }
  const Launch idle = idleLaunch(bed);
  std::printf(
      "test bed: %d simulators on %d adapters built in %.1f s; a program that does nothing, "
      "run the same way: %.1f ms, peak resident size %.1f MiB (the floor of that figure)\n",
      kAdapters * kCamerasPerAdapter, kAdapters,
      std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count(), idle.ms,
      idle.peakRssMiB);
  measureList(bed);
  measureShow(bed);
  measureApply(bed);
  return 0;
}

int runLossy() {
  Bed bed;
  bed.host = bed.net.addHost("host");
  if (!addAdapterWithCameras(bed, 0, kLossyCameras, 0, true)) return 1;
  int listAll = 0;
  for (int run = 0; run < kLossyListRuns; ++run) {
    listAll += listed(testbed::runTool(bed.host, {"list", "--json"}).out) == kLossyCameras;
  }
  int dialogueAll = 0;
  for (int run = 0; run < kLossyDialogueRuns; ++run) {
    const testbed::ToolRun r = testbed::runTool(bed.host, {});
    dialogueAll += testbed::countOf(r.out, kEntry) == kLossyCameras;
  }
  std::printf(
      "%d%% of datagrams lost each way, %d cameras: list found all in %d of %d runs (goal >= %d) "
      "%s; "
      "the dialogue found all in %d of %d runs\n",
      kLossPercent, kLossyCameras, listAll, kLossyListRuns, kGoalLossyRuns,
      verdict(listAll >= kGoalLossyRuns), dialogueAll, kLossyDialogueRuns);
  return 0;
}

// The machine's load, printed beside the timings: they are wall times.
void printLoad(const char* when) {
  std::ifstream loadavg("/proc/loadavg");
  double load = -1;
  loadavg >> load;
  std::printf("load average (1 min) %s: %.2f on %ld CPUs\n", when, load,
              ::sysconf(_SC_NPROCESSORS_ONLN));
}

}  // namespace

int main() {
  if (::geteuid() != 0) {
    std::puts("bench_cli skipped: needs root to build the namespace test bed");
    return 0;
  }
  printLoad("at the start");
  const int status = runCrowd() != 0 || runLossy() != 0 ? 1 : 0;
  printLoad("at the end");
  return status;
}
