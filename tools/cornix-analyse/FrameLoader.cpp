#include "FrameLoader.h"

#include "AnalysisTypes.h"
#include "Numbers.h"

#include <QDir>
#include <QFileInfo>
#include <QImageReader>
#include <QPainter>

#include <cstdio>
#include <fcntl.h>
#include <unistd.h>

namespace cornix::cli {

namespace {

// Some image libraries print their own complaints on stderr; the tool reports
// failures itself in one line, so stderr is muted while a file is decoded.
class TQuietStderr {
public:
    TQuietStderr()
    {
        std::fflush(stderr);
        m_saved = ::dup(STDERR_FILENO);
        const int null = ::open("/dev/null", O_WRONLY);
        if (m_saved >= 0 && null >= 0)
            ::dup2(null, STDERR_FILENO);
        if (null >= 0)
            ::close(null);
    }
    ~TQuietStderr()
    {
        std::fflush(stderr);
        if (m_saved >= 0) {
            ::dup2(m_saved, STDERR_FILENO);
            ::close(m_saved);
        }
    }
    TQuietStderr(const TQuietStderr &) = delete;
    TQuietStderr &operator=(const TQuietStderr &) = delete;

private:
    int m_saved = -1;
};

QString TooLargeText(const QString &name, int width, int height)
{
    return QStringLiteral("%1: imagem de %2 × %3; imagem maior que 640 × 480 não é aceita")
        .arg(name).arg(width).arg(height);
}

// The reader's own error strings are English; users read Portuguese.
QString ReaderErrorText(QImageReader::ImageReaderError error)
{
    switch (error) {
    case QImageReader::FileNotFoundError: return QStringLiteral("arquivo não encontrado");
    case QImageReader::DeviceError: return QStringLiteral("falha ao ler o arquivo");
    case QImageReader::UnsupportedFormatError: return QStringLiteral("formato não reconhecido");
    case QImageReader::InvalidDataError: return QStringLiteral("dados de imagem inválidos ou incompletos");
    case QImageReader::UnknownError: break;
    }
    return QStringLiteral("erro desconhecido");
}

} // namespace

int MeanGrey(const QImage &image)
{
    const QImage rgb = image.convertToFormat(QImage::Format_RGB888);
    double sum = 0;
    for (int y = 0; y < rgb.height(); ++y) {
        const uchar *p = rgb.constScanLine(y);
        for (int x = 0; x < rgb.width(); ++x, p += 3)
            sum += (p[0] + p[1] + p[2]) / 3.0;
    }
    const double pixels = double(rgb.width()) * rgb.height();
    return pixels > 0 ? int(RoundHalfEven(sum / pixels)) : 0;
}

std::optional<TLoadedFrame> FrameFromImage(const QImage &image, const QString &name, QString *error)
{
    if (image.isNull()) {
        *error = QStringLiteral("%1: não é uma imagem legível").arg(name);
        return std::nullopt;
    }
    if (image.width() > kFrameWidth || image.height() > kFrameHeight) {
        *error = TooLargeText(name, image.width(), image.height());
        return std::nullopt;
    }
    TLoadedFrame loaded;
    loaded.ImageWidth = image.width();
    loaded.ImageHeight = image.height();
    const QImage rgb = image.convertToFormat(QImage::Format_RGB888);
    if (image.width() == kFrameWidth && image.height() == kFrameHeight) {
        loaded.Frame = rgb;
        return loaded;
    }
    const int grey = MeanGrey(rgb);
    loaded.Frame = QImage(kFrameWidth, kFrameHeight, QImage::Format_RGB888);
    loaded.Frame.fill(QColor(grey, grey, grey));
    QPainter painter(&loaded.Frame);
    painter.setCompositionMode(QPainter::CompositionMode_Source);
    painter.drawImage(0, 0, rgb);
    painter.end();
    loaded.Note = QStringLiteral("%1: imagem de %2 × %3 colocada no canto superior esquerdo de um quadro de "
                                 "640 × 480 preenchido com o cinza médio %4")
                      .arg(name).arg(image.width()).arg(image.height()).arg(grey);
    return loaded;
}

std::optional<TLoadedFrame> LoadFrame(const QString &fileName, QString *error)
{
    const QFileInfo info(fileName);
    if (!info.exists()) {
        *error = QStringLiteral("%1: arquivo não encontrado").arg(fileName);
        return std::nullopt;
    }
    if (!info.isFile()) {
        *error = QStringLiteral("%1: não é um arquivo").arg(fileName);
        return std::nullopt;
    }
    QImageReader reader(fileName);
    reader.setAutoTransform(false);
    TQuietStderr quiet;
    // Refuse oversized images before decoding them.
    const QSize size = reader.size();
    if (size.isValid() && (size.width() > kFrameWidth || size.height() > kFrameHeight)) {
        *error = TooLargeText(fileName, size.width(), size.height());
        return std::nullopt;
    }
    const QImage image = reader.read();
    if (image.isNull()) {
        *error = QStringLiteral("%1: não é uma imagem legível (%2)").arg(fileName, ReaderErrorText(reader.error()));
        return std::nullopt;
    }
    return FrameFromImage(image, fileName, error);
}

QImage CompactForSaving(const QImage &frame)
{
    const QImage rgb = frame.convertToFormat(QImage::Format_RGB888);
    for (int y = 0; y < rgb.height(); ++y) {
        const uchar *p = rgb.constScanLine(y);
        for (int x = 0; x < rgb.width(); ++x, p += 3)
            if (p[0] != p[1] || p[1] != p[2])
                return frame;
    }
    return rgb.convertToFormat(QImage::Format_Grayscale8);
}

QStringList FrameFiles(const QString &folder)
{
    const QStringList patterns = {"*.bmp", "*.png", "*.jpg", "*.jpeg", "*.tif", "*.tiff"};
    QDir dir(folder);
    QStringList files;
    const auto entries = dir.entryInfoList(patterns, QDir::Files | QDir::Readable, QDir::Name | QDir::IgnoreCase);
    for (const QFileInfo &entry : entries)
        files << entry.filePath();
    return files;
}

} // namespace cornix::cli
