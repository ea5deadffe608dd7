#pragma once
// The image files of a stored examination and how a save puts them in place without
// ever leaving a row without its images or images without their row: the new files
// are written to a staging folder beside the examination's folder, the row is
// committed, and only then are the files moved into the examination's folder. A
// staging folder left behind (the program stopped, or the move failed) is finished or
// removed at the next start by FinishPendingImages.
#include <QDate>
#include <QImage>
#include <QString>
#include <QStringList>
#include <QTime>

#include <cstdint>
#include <functional>

namespace cornix::records {

// <application folder>/<its database folder, any capitalisation>/DBimages, or
// <application folder>/../Data/DataBase/DBimages when it has no database folder.
QString ExaminationImagesRoot(const QString &applicationDir);
// The examination's folder name: its ID with at least four digits ("0007", "12345").
QString ExaminationFolderName(std::int32_t id);
// The file names of one examination's images, in the order Stage takes them.
const QStringList &ExaminationImageNames();

// One save's three bitmaps. The stamp tells this save's staging folder from another's
// and is what the next start compares with the committed row (SaveStamp).
class TExamImageSet {
public:
    TExamImageSet(const QString &root, std::int32_t id, const QString &stamp);
    // Removes the staging folder unless the images were installed or kept.
    ~TExamImageSet();
    TExamImageSet(const TExamImageSet &) = delete;
    TExamImageSet &operator=(const TExamImageSet &) = delete;

    // Writes original, crop and processed crop as 24-bit Windows bitmaps into the
    // staging folder, each flushed to the disk. Throws std::runtime_error (Portuguese
    // text) and leaves nothing behind when any of them cannot be written whole.
    void Stage(const QImage &original, const QImage &crop, const QImage &processed);
    // Moves the staged files into the examination's folder. An image already there is
    // kept aside until its replacement is in place. On failure the examination's folder
    // holds the images it held before, the staging folder holds the new ones (kept for
    // the next start), and std::runtime_error says what failed.
    void Install();
    // Leaves the staging folder on the disk when the object goes.
    void Keep() { m_keep = true; }

    QString Folder() const { return m_folder; }
    QString StagingFolder() const { return m_staging; }
    QString FinalPath(const QString &name) const;

private:
    void discard();
    void undo(const QStringList &installed, const QStringList &backedUp);

    QString m_folder;
    QString m_staging;
    bool m_keep = false;
    bool m_done = false;
};

// The stamp of a save stored with date and time (the row's EXM_DATA and EXM_HORA):
// "yyyyMMddhhmmss". Its staging folder is <ID>.<stamp>.new.
QString SaveStamp(const QDate &date, const QTime &time);

// What FinishPendingImages did with the staging folders it found.
struct TPendingImages {
    int Installed = 0; // committed saves whose images are now in place
    int Removed = 0;   // saves that never committed: their files are gone
    int Kept = 0;      // could not be decided or finished: left for the next start
};

// The staging folders under root. isCommitted(id, stamp) tells whether the examination
// row holds that save (true), another one or none (false); it throws when the database
// cannot say, and the folder is then kept.
TPendingImages FinishPendingImages(const QString &root,
                                   const std::function<bool(std::int32_t id, const QString &stamp)> &isCommitted);

} // namespace cornix::records
