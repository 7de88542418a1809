// Where change records go. A command calls recordChange once per change it
// made; the record goes to the sink an AuditTrail installed for the run, or
// nowhere when none is (unit tests, --check). The journal sink writes the
// fields with sd_journal_sendv; where the journal cannot be reached it writes
// the line to syslog instead and gives one warning per run. Recording never
// fails a command. recordChange may be called from any thread (apply's rows);
// records are written one at a time.
#pragma once

#include <memory>
#include <ostream>

#include "audit/change_record.h"

namespace audit {

class AuditSink {
 public:
  virtual ~AuditSink() = default;
  virtual void write(const ChangeRecord& record) = 0;
};

// The system journal, syslog as the fallback; its one warning on `warnings`,
// or none when null (the dialogue, whose text is fixed).
std::unique_ptr<AuditSink> journalSink(std::ostream* warnings);

// Installs `sink` for as long as it lives (one at a time); the previous one
// comes back after.
class AuditTrail {
 public:
  explicit AuditTrail(std::unique_ptr<AuditSink> sink);
  ~AuditTrail();
  AuditTrail(const AuditTrail&) = delete;
  AuditTrail& operator=(const AuditTrail&) = delete;

 private:
  std::unique_ptr<AuditSink> sink_;
  AuditSink* previous_;
};

void recordChange(const ChangeRecord& record);

}  // namespace audit
