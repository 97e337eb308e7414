#pragma once
#include <QString>
#include <QStringList>

// What a stand-in was asked to do, for tests to read. Nothing is kept unless a test has switched
// recording on, and then only the latest few thousand entries.
class CallLog {
public:
    static void SetRecording(bool on);
    static bool Recording();

    void Add(const QString& entry);
    QStringList& Entries() { return entries_; }

private:
    QStringList entries_;
};
