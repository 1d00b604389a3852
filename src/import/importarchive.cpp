#include "import/importarchive.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <utility>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// The outcome of one attempt to place a file under one name.
enum class Placed { Done, Taken, Failed };

QString systemError(int error)
{
    return QString::fromLocal8Bit(std::strerror(error));
}

// Writes all of data to fd; false with errno set when it cannot.
bool writeAll(int fd, const char* data, size_t size)
{
    while (size > 0) {
        const ssize_t written = ::write(fd, data, size);
        if (written < 0) {
            if (errno == EINTR)
                continue;
            return false;
        }
        data += written;
        size -= size_t(written);
    }
    return true;
}

// Creates target, which must not exist yet, with the given bytes.
Placed createExclusive(const QByteArray& target, const QByteArray& bytes, mode_t mode, QString& error)
{
    const int fd = ::open(target.constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, mode);
    if (fd < 0) {
        if (errno == EEXIST)
            return Placed::Taken;
        error = systemError(errno);
        return Placed::Failed;
    }
    const bool written = writeAll(fd, bytes.constData(), size_t(bytes.size())) && ::fsync(fd) == 0;
    const int writeError = errno;
    if (::close(fd) != 0 || !written) {
        error = systemError(written ? errno : writeError);
        ::unlink(target.constData());
        return Placed::Failed;
    }
    return Placed::Done;
}

// Another file system (or one without an exclusive rename): the file is copied under a
// name created exclusively, and the source removed only once the copy is on disk.
Placed copyThenRemove(const QByteArray& source, const QByteArray& target, QString& error)
{
    struct stat info {};
    QFile in(QFile::decodeName(source));
    if (::stat(source.constData(), &info) != 0 || !in.open(QIODevice::ReadOnly)) {
        error = systemError(errno);
        return Placed::Failed;
    }
    // IPRA files are small: read whole rather than in pieces.
    const QByteArray bytes = in.readAll();
    if (in.error() != QFile::NoError) {
        error = in.errorString();
        return Placed::Failed;
    }
    in.close();
    const Placed placed = createExclusive(target, bytes, info.st_mode & 07777, error);
    if (placed != Placed::Done)
        return placed;
    if (::unlink(source.constData()) != 0) {
        // Both copies would stay; the next run would read the file again. Keep it in
        // the drop folder only.
        error = systemError(errno);
        ::unlink(target.constData());
        return Placed::Failed;
    }
    return Placed::Done;
}

// Moves source to target unless target exists: atomically where the file system can.
Placed moveExclusive(const QByteArray& source, const QByteArray& target, QString& error)
{
    if (::renameat2(AT_FDCWD, source.constData(), AT_FDCWD, target.constData(), RENAME_NOREPLACE) == 0)
        return Placed::Done;
    switch (errno) {
    case EEXIST:
        return Placed::Taken;
    case EXDEV:
        return copyThenRemove(source, target, error);
    case EINVAL:
    case ENOSYS:
    case ENOTSUP:
        // No exclusive rename here: a hard link fails on a taken name as well.
        if (::link(source.constData(), target.constData()) == 0) {
            if (::unlink(source.constData()) == 0)
                return Placed::Done;
            error = systemError(errno);
            ::unlink(target.constData());
            return Placed::Failed;
        }
        if (errno == EEXIST)
            return Placed::Taken;
        return copyThenRemove(source, target, error);
    default:
        error = systemError(errno);
        return Placed::Failed;
    }
}

// NAME, then NAME.1.EXT, NAME.2.EXT ... before the last extension.
QString numberedName(const QFileInfo& file, int number)
{
    if (number == 0)
        return file.fileName();
    const QString suffix = file.suffix();
    return suffix.isEmpty() ? QStringLiteral("%1.%2").arg(file.fileName()).arg(number)
                            : QStringLiteral("%1.%2.%3").arg(file.completeBaseName()).arg(number).arg(suffix);
}

const QString ReasonSuffix = QStringLiteral(".reason.txt");

// Far beyond any real clash; it only keeps a broken file system from looping forever.
constexpr int MaxNumber = 100000;

} // namespace

ImportArchive::ImportArchive(QString root) : m_root(std::move(root)) {}

QString ImportArchive::dayFolder(const QString& kind, const QDate& day) const
{
    return QDir(m_root).filePath(kind + QLatin1Char('/') + day.toString(QStringLiteral("yyyy-MM-dd")));
}

ImportArchive::Result ImportArchive::storeImported(const QString& path) const
{
    return store(path, QStringLiteral("imported"), nullptr);
}

ImportArchive::Result ImportArchive::storeRejected(const QString& path, const QString& reason) const
{
    return store(path, QStringLiteral("rejected"), &reason);
}

ImportArchive::Result ImportArchive::store(const QString& path, const QString& kind,
                                           const QString* reason) const
{
    Result result;
    const QString folder = dayFolder(kind, QDate::currentDate());
    if (!QDir().mkpath(folder) || !QFileInfo(folder).isDir()) {
        result.error = QStringLiteral("не удалось создать папку %1").arg(folder);
        return result;
    }
    const QFileInfo file(path);
    const QByteArray source = QFile::encodeName(path);
    const QByteArray reasonText = reason ? (reason->trimmed() + QLatin1Char('\n')).toUtf8() : QByteArray();
    for (int number = 0; number <= MaxNumber; ++number) {
        const QString target = QDir(folder).filePath(numberedName(file, number));
        const QByteArray targetName = QFile::encodeName(target);
        const QByteArray reasonName = QFile::encodeName(target + ReasonSuffix);
        // The reason is made first, under a name of its own, so that the file never
        // lands without it, nor beside another file's reason.
        if (reason) {
            const Placed placed = createExclusive(reasonName, reasonText, 0644, result.error);
            if (placed == Placed::Taken)
                continue;
            if (placed == Placed::Failed)
                return result;
        }
        const Placed moved = moveExclusive(source, targetName, result.error);
        if (moved == Placed::Done) {
            result.target = target;
            return result;
        }
        if (reason)
            ::unlink(reasonName.constData());
        if (moved == Placed::Failed)
            return result;
    }
    result.error = QStringLiteral("все имена в папке %1 заняты").arg(folder);
    return result;
}
