#include "platform/CallLog.h"

namespace {
bool recording = false;
}

void CallLog::SetRecording(bool on) { recording = on; }
bool CallLog::Recording() { return recording; }

void CallLog::Add(const QString& entry) {
    if (!recording) return;
    if (entries_.size() >= 4096) entries_.erase(entries_.begin(), entries_.begin() + 2048);
    entries_.append(entry);
}
