#pragma once
// The screenshot gallery: every window of the program, in a realistic state, saved as
// <build>/screenshots/<objectName>.png by the tst_gallery test. A window's pictures are
// registered from its own shots_<window>.cpp with CORNIX_GALLERY_SHOT, so adding a window
// touches no shared file but the libraries linked in CMakeLists.txt.
#include <QString>

#include <functional>
#include <vector>

class QWidget;

namespace cornix::gallery {

// Prepares a window (records in the database, frames in the views…) and returns it;
// the runner shows it at the gallery size, lets it settle, grabs it and deletes it.
// A shot that needs several pictures may call save() itself and return nullptr.
using ShotFunction = std::function<QWidget *()>;

struct Shot {
    QString name;
    ShotFunction make;
};

bool registerShot(const QString &name, ShotFunction make);
const std::vector<Shot> &shots();

// <build>/screenshots, created on first use.
QString screenshotDir();
// Grabs the widget as it is now and writes <screenshotDir>/<name>.png; false on failure.
bool save(QWidget *widget, const QString &name);

// Size of the top-level pictures (the workstation's usual screen).
inline constexpr int kWidth = 1280;
inline constexpr int kHeight = 800;

} // namespace cornix::gallery

#define CORNIX_GALLERY_CAT_(a, b) a##b
#define CORNIX_GALLERY_CAT(a, b) CORNIX_GALLERY_CAT_(a, b)
// CORNIX_GALLERY_SHOT("frmMain") { ...; return window; }
#define CORNIX_GALLERY_SHOT(name)                                                                 \
    static QWidget *CORNIX_GALLERY_CAT(galleryShot_, __LINE__)();                                 \
    static const bool CORNIX_GALLERY_CAT(galleryShotRegistered_, __LINE__) =                      \
        ::cornix::gallery::registerShot(QStringLiteral(name), &CORNIX_GALLERY_CAT(galleryShot_, __LINE__)); \
    static QWidget *CORNIX_GALLERY_CAT(galleryShot_, __LINE__)()
