#include "gvcp/heartbeat.h"

#include <chrono>
#include <system_error>

#include "gvcp/camera.h"
#include "gvcp/registers.h"

Heartbeat::Heartbeat(Camera* camera, int intervalMs) : camera(camera), intervalMs(intervalMs) {}

Heartbeat::~Heartbeat() {
  if (started) disable();
}

int Heartbeat::start() {
  if (started) return 0;
  try {
    thread = std::thread([this] { run(); });
  } catch (const std::system_error&) {
    return gvcp::kHeartbeatThreadFailed;
  }
  started = true;
  return 0;
}

void Heartbeat::stop() {
  if (!thread.joinable()) return;
  {
    std::lock_guard<std::mutex> lock(mutex);
    stopRequested = true;
    running = false;
  }
  wake.notify_all();
  thread.join();
  terminate();
}

void Heartbeat::run() {
  {
    std::lock_guard<std::mutex> lock(mutex);
    // A stop that came before the worker got here ends it without a beat.
    if (running || stopRequested) return;
    setup();
    running = true;
  }
  execute();
}

void Heartbeat::execute() {
  std::unique_lock<std::mutex> lock(mutex);
  while (running) {
    lock.unlock();
    // The beat: traffic on the control channel; value and result are not used.
    // The Camera's own lock keeps it apart from the owner's exchanges, and a
    // stop waits for it to end rather than cutting it.
    unsigned int value = 0;
    camera->readreg(gvcp::Registers::kCcp, &value);
    lock.lock();
    wake.wait_for(lock, std::chrono::milliseconds(intervalMs), [this] { return !running; });
  }
}
