#include "platform/Registry.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QSettings>
#include <QStringDecoder>
#include <QTemporaryDir>
#include <QThread>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

namespace {
QString Key(const QString& section, const QString& key) { return section + QLatin1Char('/') + key; }

// A hand-written "1,234" reads as the list {1, 234}: the text as written, when the file's last line
// for the key is plain (no quotes, escapes or comment) and still splits into the same items.
QString PlainLine(const QByteArray& bytes, const QString& section, const QString& key, const QStringList& items) {
    const QByteArray header = '[' + section.toUtf8() + ']';
    const QByteArray name = key.toUtf8();
    bool inSection = false;
    QByteArray found;
    for (QByteArray line : bytes.split('\n')) {
        line = line.trimmed();
        if (line.startsWith('[')) {
            inSection = line == header;
            continue;
        }
        const qsizetype eq = line.indexOf('=');
        if (inSection && eq > 0 && line.left(eq).trimmed() == name) found = line.mid(eq + 1).trimmed();
    }
    if (found.contains('"') || found.contains('\\') || found.contains(';')) return {};
    const QString text = QString::fromUtf8(found);
    QStringList split = text.split(QLatin1Char(','));
    for (QString& item : split) item = item.trimmed();
    return split == items ? text : QString();
}

// QSettings reads every file as UTF-8: anything else (a UTF-16 file from an editor, Latin-1 names)
// would come back garbled and be written back garbled.
bool IsUtf8Text(const QByteArray& bytes) {
    if (bytes.contains('\0')) return false;
    QStringDecoder decoder(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    // decode() only describes the work: turning it into text runs it.
    const QString text = decoder.decode(bytes);
    return !decoder.hasError();
}

// A save waits for another instance's save to finish: two read-merge-writes must never interleave,
// or one instance's entries are lost. A save takes milliseconds, so a lock still held after the wait
// fails the save instead. The lock is the kernel's, so a killed instance leaves none behind.
std::chrono::milliseconds lockWait = Registry::kLockWait;

// The folder's lock as an open descriptor, or -1 with `problem` saying why. A file system that keeps
// no locks at all gets the save without one: nobody can hold it there either.
int LockFolder(const QString& folder, QString& problem) {
    const int fd = ::open(QFile::encodeName(folder).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) {
        problem = QStringLiteral("cannot open its folder to lock it (%1)").arg(QString::fromLocal8Bit(std::strerror(errno)));
        return -1;
    }
    const auto giveUp = std::chrono::steady_clock::now() + lockWait;
    for (;;) {
        if (::flock(fd, LOCK_EX | LOCK_NB) == 0) return fd;
        if (errno == ENOLCK || errno == EOPNOTSUPP || errno == ENOSYS) return fd;
        if (errno != EWOULDBLOCK && errno != EINTR) {
            problem = QStringLiteral("cannot lock its folder (%1)").arg(QString::fromLocal8Bit(std::strerror(errno)));
            break;
        }
        if (std::chrono::steady_clock::now() >= giveUp) {
            problem = QStringLiteral("another instance of the game kept its folder locked for %1 s; nothing was written")
                          .arg(static_cast<double>(lockWait.count()) / 1000.0);
            break;
        }
        QThread::msleep(10);
    }
    ::close(fd);
    return -1;
}
}

namespace Registry {
void SetLockWait(std::chrono::milliseconds wait) { lockWait = wait; }

QString FilePath(const QString& app) {
    QString base = qEnvironmentVariable("XDG_CONFIG_HOME");
    if (base.isEmpty()) base = QDir::homePath() + QStringLiteral("/.config");
    return base + QLatin1Char('/') + app + QStringLiteral("/Quorbit.conf");
}

Session::Session(const QString& app, Access access) : path_(FilePath(app)) {
    if (access == Access::Change) {
        const QString folder = QFileInfo(path_).absolutePath();
        QDir().mkpath(folder);
        QString why;
        lockFd_ = LockFolder(folder, why);
        if (lockFd_ < 0) {
            problem_ = path_ + QStringLiteral(": ") + why;
            return;
        }
    }
    const QFileInfo info(path_);
    const bool exists = info.exists() || info.isSymLink();
    if (exists) {
        QFile file(path_);
        if (!file.open(QIODevice::ReadOnly)) {
            problem_ = path_ + QStringLiteral(": ") + file.errorString();
            return;
        }
        bytes_ = file.readAll();
        if (file.error() != QFileDevice::NoError) {
            problem_ = path_ + QStringLiteral(": ") + file.errorString();
            return;
        }
        if (!IsUtf8Text(bytes_)) {
            problem_ = path_ + QStringLiteral(": not UTF-8 text");
            return;
        }
    }
    // QSettings keeps what it parsed of a path and reads it again only when the size or the
    // millisecond of the last change differ: a private copy under a fresh name is always read.
    scratch_ = std::make_unique<QTemporaryDir>();
    const QString copy = scratch_->filePath(QStringLiteral("Quorbit.conf"));
    if (!scratch_->isValid()) {
        problem_ = QStringLiteral("%1: no temporary folder in %2 (%3)").arg(path_, QDir::tempPath(), scratch_->errorString());
        return;
    }
    if (exists) {
        QFile out(copy);
        if (!out.open(QIODevice::WriteOnly) || out.write(bytes_) != bytes_.size() || !out.flush()) {
            problem_ = QStringLiteral("%1: could not copy it to %2 (%3)").arg(path_, copy, out.errorString());
            return;
        }
    }
    values_ = std::make_unique<QSettings>(copy, QSettings::IniFormat);
    readable_ = true;
    // QSettings parses sections on demand and, with a section repeated or a subgroup after it
    // ("[Quorbit]", "[Quorbit/Sub]"), may miss a key depending on what was read first: parse all.
    (void)values_->allKeys();
}

Session::~Session() {
    values_.reset();
    if (lockFd_ >= 0) ::close(lockFd_);
}

QString Session::Get(const QString& section, const QString& key, const QString& def) const {
    if (!values_) return def;
    const QVariant v = values_->value(Key(section, key));
    if (!v.isValid()) return def;
    // A value written by hand as a list ("a, b") comes back as a list: keep it as one text. An item
    // in @-form ("a, @String(b)") makes it a list of variants, which has no text of its own.
    if (v.typeId() == QMetaType::QStringList || v.typeId() == QMetaType::QVariantList) {
        QStringList items;
        for (const QVariant& item : v.toList()) items.append(item.toString());
        const QString asWritten = PlainLine(bytes_, section, key, items);
        return asWritten.isEmpty() ? items.join(QStringLiteral(", ")) : asWritten;
    }
    return v.toString();
}

void Session::Set(const QString& section, const QString& key, const QString& value) {
    if (!values_) return;
    values_->setValue(Key(section, key), value);
    changes_[Key(section, key)] = value;
}

// QSettings' own write of the copy misses an error of its last flush (a full temporary folder) and
// leaves the copy cut short: the bytes must read back as every value set.
bool Session::Holds(const QByteArray& bytes) const {
    const QString check = scratch_->filePath(QStringLiteral("check.conf"));
    QFile out(check);
    if (!out.open(QIODevice::WriteOnly | QIODevice::Unbuffered) || out.write(bytes) != bytes.size()) return false;
    out.close();
    const QSettings written(check, QSettings::IniFormat);
    (void)written.allKeys();
    for (auto it = changes_.cbegin(); it != changes_.cend(); ++it)
        if (written.value(it.key()).toString() != it.value()) return false;
    return true;
}

bool Session::Commit() {
    if (!values_) return false;
    // QSettings writes the private copy in its own format (a file it found malformed too); the real
    // file is then replaced in one step by our own write, whose failure has a reason to tell.
    values_->sync();
    const QString copy = values_->fileName();
    QFile made(copy);
    QByteArray bytes;
    if (made.open(QIODevice::ReadOnly)) bytes = made.readAll();
    if (values_->status() == QSettings::AccessError || !Holds(bytes)) {
        problem_ = QStringLiteral("%1: could not prepare the new file in %2").arg(path_, copy);
        return false;
    }
    const bool created = !QFileInfo::exists(path_);
    // Unbuffered and synced before the rename: QSaveFile neither sees an error of the flush when it
    // closes nor one of its own sync, and would put an empty file in place on a full disk.
    QSaveFile out(path_);
    if (!out.open(QIODevice::WriteOnly | QIODevice::Unbuffered) || out.write(bytes) != bytes.size()) {
        problem_ = path_ + QStringLiteral(": ") + out.errorString();
        return false;
    }
    if (::fsync(out.handle()) != 0) {
        problem_ = path_ + QStringLiteral(": ") + QString::fromLocal8Bit(std::strerror(errno));
        out.cancelWriting();
        return false;
    }
    if (!out.commit()) {
        problem_ = path_ + QStringLiteral(": ") + out.errorString();
        return false;
    }
    // As QSettings leaves a file it creates: readable by all, writable by the owner.
    if (created)
        QFile::setPermissions(path_, QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ReadGroup |
                                         QFileDevice::ReadOther);
    return true;
}
}
