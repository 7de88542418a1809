// Test support only: a register camera on 127.0.0.1 for the configuration
// dialogues, which can stay silent (a camera in a foreign subnet whose answers
// never arrive), refuse to give control back or lose the acknowledges of the
// take, and a stdout capture around a dialogue run. The camera's register state is read from the
// test thread.
#pragma once

#include <gtest/gtest.h>

#include <atomic>
#include <functional>
#include <mutex>
#include <set>
#include <string>

#include "gvcp/registers.h"
#include "gvcp/scripted_peer_test_util.h"

namespace testing_peer {

class DialogueCamera {
 public:
  DialogueCamera() {
    device.setRegister(gvcp::Registers::kIpConfigCurrent, gvcp::Registers::kConfigDhcpLla);
  }

  // Every register write the camera saw, refused ones included, in order
  // (heartbeat reads are not listed).
  std::vector<std::pair<uint32_t, uint32_t>> writes() const {
    std::lock_guard<std::mutex> lock(mutex);
    return writeLog;
  }
  bool wrote(uint32_t address) const {
    for (const auto& [written, value] : writes()) {
      if (written == address) return true;
    }
    return false;
  }
  // Reads and writes of `address` are answered with ACCESS_DENIED.
  void refuse(uint32_t address) {
    std::lock_guard<std::mutex> lock(mutex);
    refused.insert(address);
  }

 private:
  std::vector<Bytes> answer(const Bytes& request) {
    if (silent || request.size() < gvcp::kHeaderSize + 4) return {};
    const uint32_t address = gvcp::getBe32(request.data() + gvcp::kHeaderSize);
    const bool write =
        header(request).command == gvcp::WRITEREG_CMD && request.size() >= gvcp::kHeaderSize + 8;
    const uint32_t value = write ? gvcp::getBe32(request.data() + gvcp::kHeaderSize + 4) : 0;
    bool refuseThis = false;
    {
      std::lock_guard<std::mutex> lock(mutex);
      if (write) writeLog.emplace_back(address, value);
      refuseThis = refused.count(address) != 0 ||
                   (write && refuseRelease && address == gvcp::Registers::kCcp &&
                    value == gvcp::Registers::kCcpRelease);
    }
    if (refuseThis) return {ackFor(request, Bytes(4), gvcp::kStatusAccessDenied)};
    std::vector<Bytes> answers = device.script()(request);
    if (write && loseTakeAcks && address == gvcp::Registers::kCcp &&
        value == gvcp::Registers::kCcpTake)
      return {};
    return answers;
  }

  mutable std::mutex mutex;
  std::set<uint32_t> refused;
  std::vector<std::pair<uint32_t, uint32_t>> writeLog;

 public:
  RegisterDevice device;
  std::atomic<bool> silent{false};
  std::atomic<bool> refuseRelease{false};
  // Takes of control are carried out, but their acknowledges never arrive.
  std::atomic<bool> loseTakeAcks{false};
  // Last: its thread answers from everything above, so it starts after all of
  // it is built and is joined before any of it goes.
  ScriptedPeer peer{[this](const Bytes& request) { return answer(request); }};
};

// Everything `run` writes to stdout.
inline std::string capturedOutput(const std::function<void()>& run) {
  ::testing::internal::CaptureStdout();
  run();
  return ::testing::internal::GetCapturedStdout();
}

}  // namespace testing_peer
