#include "audit/audit_trail.h"

#include <dlfcn.h>
#include <sys/uio.h>
#include <syslog.h>
#include <systemd/sd-journal.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

namespace audit {

namespace {

constexpr char kJournalSocket[] = "/run/systemd/journal/socket";

// The journal's library is opened at the first record, not at start: it
// brings four compression and crypto libraries whose loading costs every run
// of the tool about 2 ms, and most runs record nothing. The handle lives as
// long as the process, like a library linked at start.
using JournalSendv = decltype(&sd_journal_sendv);
JournalSendv journalSendv() {
  static const JournalSendv sendv = []() -> JournalSendv {
    void* library = ::dlopen("libsystemd.so.0", RTLD_NOW | RTLD_LOCAL);
    if (library == nullptr) return nullptr;
    return reinterpret_cast<JournalSendv>(::dlsym(library, "sd_journal_sendv"));
  }();
  return sendv;
}

std::mutex installedMutex;
AuditSink* installed = nullptr;

class JournalSink : public AuditSink {
 public:
  explicit JournalSink(std::ostream* warnings) : warnings_(warnings) {}
  ~JournalSink() override {
    if (syslogOpen_) ::closelog();
  }
  JournalSink(const JournalSink&) = delete;
  JournalSink& operator=(const JournalSink&) = delete;

  void write(const ChangeRecord& record) override {
    if (!actor_) actor_ = processActor();
    const std::vector<Field> fields = journalFields(record, *actor_);
    const int sent = toJournal(fields);
    if (sent >= 0) return;
    if (!warned_ && warnings_ != nullptr) {
      *warnings_ << "warning: the system journal cannot be reached (" << std::strerror(-sent)
                 << "): changes to cameras are recorded in syslog\n";
      warned_ = true;
    }
    toSyslog(record, fields);
  }

 private:
  // sd_journal_sendv reports success when the socket is absent (no journal
  // runs), so that case is looked for first.
  static int toJournal(const std::vector<Field>& fields) {
    if (::access(kJournalSocket, F_OK) != 0) return -errno;
    const JournalSendv sendv = journalSendv();
    if (sendv == nullptr) return -ELIBACC;
    std::vector<std::string> lines;
    lines.reserve(fields.size());
    std::vector<iovec> vector;
    for (const Field& field : fields) {
      lines.push_back(field.first + "=" + field.second);
      vector.push_back({lines.back().data(), lines.back().size()});
    }
    return sendv(vector.data(), static_cast<int>(vector.size()));
  }

  // The message, then the fields that are not in it, on one line.
  void toSyslog(const ChangeRecord& record, const std::vector<Field>& fields) {
    if (!syslogOpen_) ::openlog("nuv-ipconfig", LOG_PID, LOG_USER);
    syslogOpen_ = true;
    std::string line = fields.front().second;
    for (const Field& field : fields) {
      if (field.first.rfind("NUV_", 0) == 0) line += " " + field.first + "=" + field.second;
    }
    ::syslog(priorityOf(record), "%s", line.c_str());
  }

  std::ostream* warnings_;
  // Looked up at the first record: a command that changes nothing never asks
  // the user database (which may be a directory service) who runs it.
  std::optional<Actor> actor_;
  bool warned_ = false;
  bool syslogOpen_ = false;
};

}  // namespace

std::unique_ptr<AuditSink> journalSink(std::ostream* warnings) {
  return std::make_unique<JournalSink>(warnings);
}

AuditTrail::AuditTrail(std::unique_ptr<AuditSink> sink) : sink_(std::move(sink)) {
  const std::lock_guard<std::mutex> lock(installedMutex);
  previous_ = installed;
  installed = sink_.get();
}

AuditTrail::~AuditTrail() {
  const std::lock_guard<std::mutex> lock(installedMutex);
  installed = previous_;
}

void recordChange(const ChangeRecord& record) {
  const std::lock_guard<std::mutex> lock(installedMutex);
  if (installed != nullptr) installed->write(record);
}

}  // namespace audit
