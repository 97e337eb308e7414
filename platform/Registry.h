#pragma once
#include <QByteArray>
#include <QMap>
#include <QString>
#include <chrono>
#include <memory>

class QSettings;
class QTemporaryDir;

// Per-user settings store: text values by application, section and key, kept in an INI file at
// $XDG_CONFIG_HOME/<application>/Quorbit.conf.
namespace Registry {
QString FilePath(const QString& app);

// How long a save waits for another instance's save to finish before it fails; tests shorten it.
inline constexpr std::chrono::milliseconds kLockWait{10000};
void SetLockWait(std::chrono::milliseconds wait);

// The store as the file holds it at one moment. Each session reads the file from disk afresh (never
// a copy cached from an earlier read), so what another instance wrote meanwhile is seen.
class Session {
public:
    // Read only reads; Change also locks the settings folder until the session ends, so that the
    // read, merge and write of two instances' saves never interleave. A lock not had within the
    // wait leaves the session unreadable, and Problem() says so.
    enum class Access { Read, Change };
    Session(const QString& app, Access access);
    ~Session();
    Session(const Session&) = delete;
    Session& operator=(const Session&) = delete;

    // False when the file exists but is no text that can be read faithfully (unreadable, UTF-16, not
    // UTF-8): values then read as their defaults, and Commit leaves the file as it is.
    bool Readable() const { return readable_; }
    QString Get(const QString& section, const QString& key, const QString& def) const;
    void Set(const QString& section, const QString& key, const QString& value);
    // Writes the whole file through a temporary file and a rename: a write cut short leaves the old
    // file. False when nothing was written; Problem() then says why.
    bool Commit();
    // Why the file could not be read or written, for the player: the file's path and the reason.
    QString Problem() const { return problem_; }

private:
    bool Holds(const QByteArray& bytes) const;

    QString path_;
    QByteArray bytes_;
    QString problem_;
    bool readable_ = false;
    std::unique_ptr<QTemporaryDir> scratch_;
    std::unique_ptr<QSettings> values_;
    QMap<QString, QString> changes_;
    int lockFd_ = -1;
};
}
