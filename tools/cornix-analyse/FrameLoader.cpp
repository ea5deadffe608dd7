#include "FrameLoader.h"

#include "AnalysisTypes.h"
#include "Numbers.h"

#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QImageReader>
#include <QPainter>
#include <QStringDecoder>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <fstream>
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

namespace {

std::optional<QByteArray> ReadBytes(const std::filesystem::path &path)
{
    std::ifstream in(path, std::ios::binary);
    if (!in)
        return std::nullopt;
    QByteArray bytes;
    char chunk[65536];
    while (in.read(chunk, sizeof chunk) || in.gcount() > 0)
        bytes.append(chunk, qsizetype(in.gcount()));
    if (in.bad())
        return std::nullopt;
    return bytes;
}

quint32 LittleEndian32(const QByteArray &bytes, qsizetype at)
{
    quint32 v = 0;
    for (int i = 3; i >= 0; --i)
        v = (v << 8) | quint8(bytes[at + i]);
    return v;
}

quint16 LittleEndian16(const QByteArray &bytes, qsizetype at)
{
    return quint16(quint8(bytes[at]) | (quint8(bytes[at + 1]) << 8));
}

// The bytes an uncompressed BMP needs: pixel offset + rows of 4-byte-aligned
// width × bits; compressed ones: the stated image size. 0 when unknown.
qint64 BmpExpectedSize(const QByteArray &bytes)
{
    if (bytes.size() < 26)
        return 0;
    const qint64 offset = LittleEndian32(bytes, 10);
    const quint32 headerSize = LittleEndian32(bytes, 14);
    qint64 width = 0, height = 0, bits = 0, compression = 0, imageSize = 0;
    if (headerSize == 12) {
        width = LittleEndian16(bytes, 18);
        height = LittleEndian16(bytes, 20);
        bits = LittleEndian16(bytes, 24);
    } else if (headerSize >= 40 && bytes.size() >= 38) {
        width = qint32(LittleEndian32(bytes, 18));
        height = qint32(LittleEndian32(bytes, 22));
        bits = LittleEndian16(bytes, 28);
        compression = LittleEndian32(bytes, 30);
        imageSize = LittleEndian32(bytes, 34);
    } else {
        return 0;
    }
    constexpr qint64 kRgb = 0, kBitFields = 3;
    if (compression == kRgb || compression == kBitFields)
        return offset + (std::abs(width) * bits + 31) / 32 * 4 * std::abs(height);
    return imageSize > 0 ? offset + imageSize : 0;
}

bool JpegHasEnd(const QByteArray &bytes)
{
    const qsizetype lastScan = bytes.lastIndexOf(QByteArrayView("\xFF\xDA", 2));
    const qsizetype end = bytes.lastIndexOf(QByteArrayView("\xFF\xD9", 2));
    return lastScan >= 0 && end > lastScan;
}

} // namespace

bool IsTruncatedImage(const QByteArray &bytes)
{
    if (bytes.startsWith("BM"))
        return bytes.size() < BmpExpectedSize(bytes);
    if (bytes.startsWith(QByteArrayView("\xFF\xD8", 2)))
        return !JpegHasEnd(bytes);
    return false;
}

QString DisplayName(const std::string &bytes)
{
    QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    const QString text = utf8(QByteArrayView(bytes.data(), qsizetype(bytes.size())));
    if (!utf8.hasError())
        return text;
    return QString::fromLatin1(bytes.data(), qsizetype(bytes.size()));
}

TFramePath FramePathOf(const std::string &bytes) { return TFramePath{std::filesystem::path(bytes), DisplayName(bytes)}; }

std::optional<TLoadedFrame> LoadFrame(const TFramePath &file, QString *error)
{
    const QString &name = file.Display;
    std::error_code ec;
    const auto status = std::filesystem::status(file.Native, ec);
    if (!std::filesystem::exists(status)) {
        *error = QStringLiteral("%1: arquivo não encontrado").arg(name);
        return std::nullopt;
    }
    if (!std::filesystem::is_regular_file(status)) {
        *error = QStringLiteral("%1: não é um arquivo").arg(name);
        return std::nullopt;
    }
    const std::optional<QByteArray> bytes = ReadBytes(file.Native);
    if (!bytes) {
        *error = QStringLiteral("%1: não é uma imagem legível (falha ao ler o arquivo)").arg(name);
        return std::nullopt;
    }
    QBuffer device;
    device.setData(*bytes);
    device.open(QIODevice::ReadOnly);
    QImageReader reader(&device);
    reader.setAutoTransform(false);
    TQuietStderr quiet;
    // Refuse oversized images before decoding them.
    const QSize size = reader.size();
    if (size.isValid() && (size.width() > kFrameWidth || size.height() > kFrameHeight)) {
        *error = TooLargeText(name, size.width(), size.height());
        return std::nullopt;
    }
    const QImage image = reader.read();
    if (image.isNull()) {
        *error = QStringLiteral("%1: não é uma imagem legível (%2)").arg(name, ReaderErrorText(reader.error()));
        return std::nullopt;
    }
    if (IsTruncatedImage(*bytes)) {
        *error = QStringLiteral("%1: não é uma imagem legível (dados de imagem inválidos ou incompletos)").arg(name);
        return std::nullopt;
    }
    return FrameFromImage(image, name, error);
}

std::optional<TLoadedFrame> LoadFrame(const QString &fileName, QString *error)
{
    const QByteArray bytes = QFile::encodeName(fileName);
    return LoadFrame(TFramePath{std::filesystem::path(bytes.toStdString()), fileName}, error);
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

std::vector<TFramePath> FrameFiles(const std::filesystem::path &folder)
{
    static const QStringList suffixes = {"bmp", "png", "jpg", "jpeg", "tif", "tiff"};
    std::vector<TFramePath> files;
    std::error_code ec;
    for (const auto &entry : std::filesystem::directory_iterator(folder, ec)) {
        std::error_code typeError;
        // Hidden files (such as the "._" companions other systems leave) are not frames.
        if (!entry.is_regular_file(typeError) || entry.path().filename().string().starts_with('.'))
            continue;
        const QString suffix = DisplayName(entry.path().extension().string()).mid(1).toLower();
        if (suffixes.contains(suffix))
            files.push_back(TFramePath{entry.path(), DisplayName(entry.path().string())});
    }
    std::sort(files.begin(), files.end(), [](const TFramePath &a, const TFramePath &b) {
        const int c = a.Display.compare(b.Display, Qt::CaseInsensitive);
        return c != 0 ? c < 0 : a.Native < b.Native;
    });
    return files;
}

QString SystemErrorText(int error)
{
    switch (error) {
    case ENOSPC: return QStringLiteral("sem espaço no dispositivo");
    case EDQUOT: return QStringLiteral("cota de disco excedida");
    case EACCES:
    case EPERM: return QStringLiteral("permissão negada");
    case EROFS: return QStringLiteral("sistema de arquivos somente para leitura");
    case ENOENT: return QStringLiteral("pasta inexistente");
    case EISDIR: return QStringLiteral("é uma pasta");
    case EIO: return QStringLiteral("erro de entrada e saída");
    case EPIPE: return QStringLiteral("saída fechada");
    default: break;
    }
    return QStringLiteral("erro %1 do sistema").arg(error);
}

bool WriteFileBytes(const QString &path, const QByteArray &bytes, QString *reason)
{
    const int fd = ::open(QFile::encodeName(path).constData(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
    if (fd < 0) {
        *reason = SystemErrorText(errno);
        return false;
    }
    qsizetype written = 0;
    while (written < bytes.size()) {
        const ssize_t n = ::write(fd, bytes.constData() + written, size_t(bytes.size() - written));
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0) {
            *reason = SystemErrorText(n < 0 ? errno : EIO);
            ::close(fd);
            return false;
        }
        written += n;
    }
    if (::close(fd) != 0) {
        *reason = SystemErrorText(errno);
        return false;
    }
    return true;
}

bool SavePng(const QImage &image, const QString &path, QString *reason)
{
    QByteArray png;
    QBuffer device(&png);
    device.open(QIODevice::WriteOnly);
    if (image.isNull() || !image.save(&device, "PNG")) {
        *reason = QStringLiteral("imagem não codificada");
        return false;
    }
    return WriteFileBytes(path, png, reason);
}

} // namespace cornix::cli
