#include "UDExamImages.h"

#include <QBuffer>
#include <QDate>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QTime>
#include <QtDebug>

#include <fcntl.h>
#include <unistd.h>

#include <filesystem>
#include <stdexcept>
#include <system_error>

namespace fs = std::filesystem;

namespace cornix::records {

namespace {

const QString kStagingSuffix = QStringLiteral(".new");
const QString kBackupSuffix = QStringLiteral(".old");

[[noreturn]] void fail(const QString &text) { throw std::runtime_error(text.toStdString()); }

fs::path nativePath(const QString &path) { return fs::path(QFile::encodeName(path).toStdString()); }

// A folder's entries reach the disk only once the folder itself is synced.
bool syncFolder(const QString &folder)
{
    const int fd = ::open(QFile::encodeName(folder).constData(), O_RDONLY | O_DIRECTORY);
    if (fd < 0)
        return false;
    const bool synced = ::fsync(fd) == 0;
    ::close(fd);
    return synced;
}

// The whole bitmap on the disk, or false: a short write (a full disk, a size limit)
// is not taken for a written file.
bool writeBitmap(const QImage &image, const QString &path)
{
    const QImage rgb = image.convertToFormat(QImage::Format_RGB888);
    if (rgb.isNull())
        return false;
    QByteArray bytes;
    QBuffer encoded(&bytes);
    if (!encoded.open(QIODevice::WriteOnly) || !rgb.save(&encoded, "BMP"))
        return false;
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate))
        return false;
    const bool written = file.write(bytes) == bytes.size() && file.flush() && ::fsync(file.handle()) == 0;
    file.close();
    return written && file.error() == QFileDevice::NoError;
}

bool renamed(const QString &from, const QString &to)
{
    std::error_code error;
    fs::rename(nativePath(from), nativePath(to), error);
    return !error;
}

} // namespace

QString ExaminationImagesRoot(const QString &applicationDir)
{
    const QDir app(applicationDir);
    // The database folder's own spelling wins ("Database" and "DataBase" are one
    // folder where names ignore case).
    const QStringList entries = app.entryList(QDir::Dirs | QDir::NoDotAndDotDot);
    for (const QString &entry : entries)
        if (entry.compare(QLatin1String("database"), Qt::CaseInsensitive) == 0)
            return app.filePath(entry + QStringLiteral("/DBimages"));
    return QDir::cleanPath(app.filePath(QStringLiteral("../Data/DataBase/DBimages")));
}

QString ExaminationFolderName(std::int32_t id) { return QStringLiteral("%1").arg(id, 4, 10, QLatin1Char('0')); }

const QStringList &ExaminationImageNames()
{
    static const QStringList names{QStringLiteral("Original.bmp"), QStringLiteral("Crop.bmp"),
                                   QStringLiteral("Process.bmp")};
    return names;
}

QString SaveStamp(const QDate &date, const QTime &time)
{
    return date.toString(QStringLiteral("yyyyMMdd")) + time.toString(QStringLiteral("hhmmss"));
}

TExamImageSet::TExamImageSet(const QString &root, std::int32_t id, const QString &stamp)
    : m_folder(root + QLatin1Char('/') + ExaminationFolderName(id)),
      m_staging(m_folder + QLatin1Char('.') + stamp + kStagingSuffix)
{
}

TExamImageSet::~TExamImageSet() { discard(); }

QString TExamImageSet::FinalPath(const QString &name) const { return m_folder + QLatin1Char('/') + name; }

void TExamImageSet::Stage(const QImage &original, const QImage &crop, const QImage &processed)
{
    m_done = false;
    QDir(m_staging).removeRecursively(); // an earlier attempt of this very save
    if (!QDir().mkpath(m_staging))
        fail(QStringLiteral("Não foi possível criar a pasta %1").arg(m_staging));
    const QImage *images[] = {&original, &crop, &processed};
    for (int i = 0; i < ExaminationImageNames().size(); ++i) {
        const QString &name = ExaminationImageNames()[i];
        if (!writeBitmap(*images[i], m_staging + QLatin1Char('/') + name)) {
            discard();
            fail(QStringLiteral("Não foi possível gravar a imagem %1").arg(FinalPath(name)));
        }
    }
    if (!syncFolder(m_staging) || !syncFolder(QFileInfo(m_staging).path())) {
        discard();
        fail(QStringLiteral("Não foi possível gravar as imagens em %1").arg(m_staging));
    }
}

void TExamImageSet::Install()
{
    if (!QDir().mkpath(m_folder))
        fail(QStringLiteral("Não foi possível criar a pasta %1").arg(m_folder));
    QStringList installed, backedUp;
    for (const QString &name : ExaminationImageNames()) {
        const QString staged = m_staging + QLatin1Char('/') + name;
        if (!QFileInfo::exists(staged))
            continue; // moved in by an install that was interrupted
        const QString final = FinalPath(name);
        const QFileInfo current(final);
        if (current.exists() || current.isSymLink()) {
            // Only an image file is moved aside; anything else in its place is not ours.
            if (!current.isFile() || current.isSymLink()) {
                undo(installed, backedUp);
                fail(QStringLiteral("%1 não é um arquivo de imagem (há uma pasta ou outro arquivo com esse nome)")
                         .arg(final));
            }
            QFile::remove(final + kBackupSuffix);
            if (!renamed(final, final + kBackupSuffix)) {
                undo(installed, backedUp);
                fail(QStringLiteral("Não foi possível substituir a imagem %1").arg(final));
            }
            backedUp << name;
        }
        if (!renamed(staged, final)) {
            undo(installed, backedUp);
            fail(QStringLiteral("Não foi possível colocar a imagem %1 no lugar").arg(final));
        }
        installed << name;
    }
    // The old images go only now that every new one is in place (the backups of an
    // interrupted install too).
    for (const QString &name : ExaminationImageNames())
        QFile::remove(FinalPath(name) + kBackupSuffix);
    QDir(m_staging).removeRecursively();
    syncFolder(m_folder);
    m_done = true;
}

// Back to the images the examination's folder held, the new ones to the staging folder.
void TExamImageSet::undo(const QStringList &installed, const QStringList &backedUp)
{
    for (const QString &name : installed)
        if (!renamed(FinalPath(name), m_staging + QLatin1Char('/') + name))
            qWarning("Cornix: %s could not be moved back to %s", qUtf8Printable(FinalPath(name)),
                     qUtf8Printable(m_staging));
    for (const QString &name : backedUp)
        if (!renamed(FinalPath(name) + kBackupSuffix, FinalPath(name)))
            qWarning("Cornix: %s could not be restored", qUtf8Printable(FinalPath(name)));
}

void TExamImageSet::discard()
{
    if (!m_done && !m_keep)
        QDir(m_staging).removeRecursively();
}

TPendingImages FinishPendingImages(const QString &root,
                                   const std::function<bool(std::int32_t id, const QString &stamp)> &isCommitted)
{
    static const QRegularExpression staging(QStringLiteral("^(\\d{4,})\\.(\\d{14})\\.new$"));
    TPendingImages result;
    const QStringList entries =
        QDir(root).entryList({QLatin1Char('*') + kStagingSuffix}, QDir::Dirs | QDir::NoDotAndDotDot);
    for (const QString &entry : entries) {
        const QRegularExpressionMatch name = staging.match(entry);
        if (!name.hasMatch())
            continue; // not a folder a save made
        const std::int32_t id = name.captured(1).toInt();
        const QString stamp = name.captured(2);
        if (ExaminationFolderName(id) != name.captured(1))
            continue;
        bool committed = false;
        try {
            committed = isCommitted(id, stamp);
        } catch (const std::exception &error) {
            qWarning("Cornix: %s kept, the database could not tell its save: %s", qUtf8Printable(entry), error.what());
            ++result.Kept;
            continue;
        }
        TExamImageSet images(root, id, stamp);
        if (!committed) {
            ++result.Removed; // the destructor removes the files of a save that never committed
            continue;
        }
        try {
            images.Install();
            ++result.Installed;
        } catch (const std::exception &error) {
            images.Keep();
            ++result.Kept;
            qWarning("Cornix: %s", error.what());
        }
    }
    return result;
}

} // namespace cornix::records
