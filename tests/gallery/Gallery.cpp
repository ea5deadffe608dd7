#include "Gallery.h"

#include <QDir>
#include <QPixmap>
#include <QWidget>

namespace cornix::gallery {

static std::vector<Shot> &registry()
{
    static std::vector<Shot> all;
    return all;
}

bool registerShot(const QString &name, ShotFunction make)
{
    registry().push_back({name, std::move(make)});
    return true;
}

const std::vector<Shot> &shots()
{
    return registry();
}

QString screenshotDir()
{
    const QString dir = QStringLiteral(CORNIX_BINARY_DIR "/screenshots");
    QDir().mkpath(dir);
    return dir;
}

bool save(QWidget *widget, const QString &name)
{
    if (!widget)
        return false;
    return widget->grab().save(screenshotDir() + u'/' + name + QStringLiteral(".png"));
}

} // namespace cornix::gallery
