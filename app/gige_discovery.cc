#include "app/gige_discovery.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "gvcp/camera_discovery.h"

namespace {

constexpr const char* kReportFile = "gige_discovery";

void report(const gvcp::Status& status, int fatal) {
  errno = status.sysError();
  gige_discovery::report_error(status.what().c_str(), kReportFile, status.code(),
                               status.sysError() != 0 ? 1 : 0, fatal);
}

}  // namespace

int gige_discovery::processing(const Adaptor& adaptor) {
  gvcp::DiscoveryOptions options;
  options.window = std::chrono::seconds(kDiscoveryWindowS);
  gvcp::DiscoveryOutcome outcome = gvcp::discoverCameras({adaptor}, options);
  for (const gvcp::Status& skip : outcome.skipped) report(skip, 0);
  if (!outcome.status.ok()) report(outcome.status, 1);
  cameras = std::move(outcome.cameras);
  return 0;
}

void gige_discovery::report_error(const char* message, const char* file, int line, int with_errno,
                                  int fatal) {
  const int error = errno;
  if (with_errno != 0) {
    std::fprintf(stderr, "[%s:%d] %s: %s\n", file, line, message, std::strerror(error));
  } else {
    std::fprintf(stderr, "[%s:%d] %s\n", file, line, message);
  }
  if (fatal != 0) std::exit(-1);
}

int listenForAnswers(int fd, const Adaptor& adaptor, std::chrono::microseconds window,
                     std::vector<GigE_Camera_Info>& cameras) {
  const gvcp::Capture capture{fd, gvcp::CaptureMode::kPacket, &adaptor, &cameras, 0};
  return gvcp::listenOnAll({&capture, 1},
                           gvcp::ListenPlan{window, gvcp::MergeRule::kMacAndAddress, 1, {}, {}});
}
