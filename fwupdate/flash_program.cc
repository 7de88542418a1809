#include "fwupdate/flash_program.h"

#include <sys/socket.h>

#include <algorithm>
#include <climits>
#include <cstdint>
#include <memory>
#include <string>

#include "fwupdate/flash_protocol.h"
#include "net/interface_bind.h"
#include "net/socket_address.h"
#include "net/unique_fd.h"

namespace {

using Clock = std::chrono::steady_clock;

struct FileCloser {
  void operator()(FILE* file) const { std::fclose(file); }
};
using FilePtr = std::unique_ptr<FILE, FileCloser>;

void printProgress(FILE* out, const char* text) {
  if (out == nullptr) return;
  std::fputs(text, out);
  std::fflush(out);
}

bool stopRequested(const FlashHooks& hooks) { return hooks.stop && hooks.stop(); }

// A run over one socket: every exchange of the image shares it.
class FlashRun {
 public:
  FlashRun(const sockaddr_in& camera, const FlashProgramOptions& options, const FlashHooks& hooks)
      : sock(socket(AF_INET, SOCK_DGRAM, 0)), camera(camera), options(options), hooks(hooks) {}

  // 0, or the errno of tying the socket to the options' interface.
  int tieToInterface() { return net::bindToInterface(sock.get(), options.interfaceName); }
  int send(uint32_t command, std::span<const uint8_t> payload) {
    return epcsExchange(sock, camera, command, payload, {}, kEpcsTries, kEpcsWaitUs);
  }
  int sendBlocks(std::span<const uint8_t> image);
  int pollUntilFlashed();

 private:
  net::UniqueFd sock;
  sockaddr_in camera;
  const FlashProgramOptions& options;
  const FlashHooks& hooks;
};

int FlashRun::sendBlocks(std::span<const uint8_t> image) {
  for (size_t offset = 0; offset < image.size(); offset += gvcp::kEpcsBlockDataSize) {
    if (stopRequested(hooks)) return kProgramStopped;
    const auto payload = blockPayload(image, offset);
    printProgress(options.out, ".");
    if (send(gvcp::kEpcsBlock, payload) < 0) return kProgramBlockFailed;
    if (hooks.blockSent) {
      hooks.blockSent(std::min(offset + gvcp::kEpcsBlockDataSize, image.size()), image.size());
    }
  }
  return 0;
}

// Any answer but 3 (another status, or none) means "not yet" and costs a dot.
// The run gives up when the bound is spent or the socket failed, since a
// closed socket would otherwise turn the poll into a busy loop.
int FlashRun::pollUntilFlashed() {
  const auto deadline = Clock::now() + options.completionBound;
  for (;;) {
    const int result = epcsExchange(sock, camera, gvcp::kEpcsFlash, {}, {}, 1, kEpcsPollWaitUs);
    if (result == gvcp::kEpcsFlashComplete) return 0;
    if (result == kEpcsWaitFailed) {
      printProgress(options.out, " failed: waiting for the camera's answer failed\n");
      return kProgramNotCompleted;
    }
    printProgress(options.out, ".");
    if (hooks.polled) hooks.polled();
    if (Clock::now() >= deadline) {
      const std::string line =
          " failed: the camera did not finish flashing within " +
          std::to_string(std::chrono::ceil<std::chrono::seconds>(options.completionBound).count()) +
          " s\n";
      printProgress(options.out, line.c_str());
      return kProgramNotCompleted;
    }
  }
}

}  // namespace

std::array<uint8_t, gvcp::kEpcsAnnouncePayloadSize> announcePayload(uint32_t imageSize) {
  std::array<uint8_t, gvcp::kEpcsAnnouncePayloadSize> payload{};
  gvcp::putLe32(payload.data(), gvcp::kEpcsAnnounceTag);
  gvcp::putLe32(payload.data() + 4, imageSize);
  return payload;
}

std::array<uint8_t, gvcp::kEpcsBlockPayloadSize> blockPayload(std::span<const uint8_t> image,
                                                              size_t offset) {
  std::array<uint8_t, gvcp::kEpcsBlockPayloadSize> payload{};  // the data area past count stays 0
  const size_t count = std::min(gvcp::kEpcsBlockDataSize, image.size() - offset);
  gvcp::putLe32(payload.data(), static_cast<uint32_t>(offset));
  gvcp::putLe32(payload.data() + 4, static_cast<uint32_t>(count));
  std::copy_n(image.begin() + static_cast<std::ptrdiff_t>(offset), count, payload.begin() + 8);
  return payload;
}

std::optional<std::vector<uint8_t>> readFirmwareImage(const char* path) {
  const FilePtr file(std::fopen(path, "rb"));
  if (!file || fseeko(file.get(), 0, SEEK_END) != 0) return std::nullopt;
  const off_t size = ftello(file.get());
  if (size < 0 || size > INT32_MAX || fseeko(file.get(), 0, SEEK_SET) != 0) return std::nullopt;
  std::vector<uint8_t> image(static_cast<size_t>(size));
  // A short read would send whatever the buffer held in place of the image.
  if (std::fread(image.data(), 1, image.size(), file.get()) != image.size()) return std::nullopt;
  return image;
}

int programFlash(const sockaddr_in& camera, const char* path, const FlashProgramOptions& options,
                 const FlashHooks& hooks) {
  const std::optional<std::vector<uint8_t>> image = readFirmwareImage(path);
  if (!image) {
    printProgress(options.out, "failed\n");
    return kProgramUnreadableImage;
  }
  return programFlash(camera, *image, options, hooks);
}

int programFlash(const sockaddr_in& camera, std::span<const uint8_t> image,
                 const FlashProgramOptions& options, const FlashHooks& hooks) {
  FlashRun run(camera, options, hooks);
  if (run.tieToInterface() != 0) {
    printProgress(options.out, "failed\n");
    return kProgramInterfaceFailed;
  }
  if (run.send(gvcp::kEpcsAnnounce, announcePayload(static_cast<uint32_t>(image.size()))) < 0) {
    return kProgramAnnounceFailed;
  }
  if (const int blocks = run.sendBlocks(image); blocks < 0) return blocks;
  if (stopRequested(hooks)) return kProgramStopped;
  printProgress(options.out,
                " done\n\nPlease DO NOT Plugout the cable until you see >>SUCCESSFUL<< at the "
                "end\nflashing ");
  if (hooks.flashingStarts) hooks.flashingStarts();
  if (run.send(gvcp::kEpcsFlash, {}) < 0) return kProgramStartFailed;
  if (const int poll = run.pollUntilFlashed(); poll < 0) return poll;
  printProgress(options.out, " done\n");
  return 0;
}

int epcs_program(unsigned int ip, char* path) {
  return programFlash(net::socketAddress(ip, gvcp::kEpcsPort), path);
}
