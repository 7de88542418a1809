// Heartbeat: keeps a camera's control privilege alive from a worker thread that
// reads the privilege register over the owner's Camera, then pauses
// intervalMs, until stopped. The Camera is not owned and must outlive the
// worker. stop() never cuts an exchange in half, returns promptly (it wakes the
// pause), and must not be called from the worker. A worker that start()
// created is always stopped and joined before the object goes.
#pragma once

#include <condition_variable>
#include <mutex>
#include <thread>

class Camera;

namespace gvcp {

inline constexpr int kHeartbeatThreadFailed = -223;
inline constexpr int kHeartbeatIntervalMs = 1000;

}  // namespace gvcp

class Heartbeat {
 public:
  Heartbeat(Camera* camera, int intervalMs);
  ~Heartbeat();
  Heartbeat(const Heartbeat&) = delete;
  Heartbeat& operator=(const Heartbeat&) = delete;

  // 0 once the worker runs, -223 when it cannot be created. One worker per
  // object: a later start() returns 0 and creates none.
  int start();
  int enable() { return start(); }
  void stop();
  int disable() {
    stop();
    return 0;
  }

 private:
  void run();
  void setup() {}
  void execute();
  void terminate() {}

  std::thread thread;
  bool running = false;        // the worker is in its beat loop; guarded by mutex
  bool stopRequested = false;  // set by stop(), even before the worker ran; guarded by mutex
  bool started = false;
  Camera* camera;
  int intervalMs;
  std::mutex mutex;
  std::condition_variable wake;
};
