#pragma once
// Turns an image file (or a synthetic endothelium) into a 640 x 480 24-bit frame.
#include <QByteArray>
#include <QImage>
#include <QString>
#include <QStringList>

#include <filesystem>
#include <optional>
#include <vector>

namespace cornix::cli {

// A file as the system names it (any bytes) and as it is shown.
struct TFramePath {
    std::filesystem::path Native;
    QString Display; // UTF-8 names as they are, other bytes read as Latin-1
};

// The bytes of a name as text: UTF-8 when they are valid UTF-8, else Latin-1
// (names written by older systems), so every name shows readably.
QString DisplayName(const std::string &bytes);
TFramePath FramePathOf(const std::string &bytes);

struct TLoadedFrame {
    QImage Frame;       // 640 x 480, Format_RGB888
    int ImageWidth = 0; // size of the image before padding
    int ImageHeight = 0;
    QString Note;       // set when the image was padded
};

// Loads a frame. An image smaller than 640 x 480 is placed at the top-left of a
// frame filled with its mean grey level (Note says so); a larger one, a missing
// or unreadable file give nothing and *error.
// Truncated BMP and JPEG files (which the decoders would complete with filler)
// are refused as unreadable.
std::optional<TLoadedFrame> LoadFrame(const TFramePath &file, QString *error);
std::optional<TLoadedFrame> LoadFrame(const QString &fileName, QString *error);
// The same for an image already in memory (name used in the messages).
std::optional<TLoadedFrame> FrameFromImage(const QImage &image, const QString &name, QString *error);

// Mean of the pixels' grey levels (R + G + B) / 3, rounded.
int MeanGrey(const QImage &image);

// The frame as 8-bit grey when its three channels are equal everywhere (smaller
// files, same grey levels), else unchanged.
QImage CompactForSaving(const QImage &frame);

// True when the bytes are a BMP shorter than its header says, or a JPEG whose
// last scan has no end-of-image marker after it.
bool IsTruncatedImage(const QByteArray &bytes);

// Image files of a folder (bmp, png, jpg, jpeg, tif, tiff, any case; hidden ones
// left out), sorted by their shown names, whatever bytes the names are made of.
std::vector<TFramePath> FrameFiles(const std::filesystem::path &folder);

// Writes bytes to a file, replacing it; on failure *reason says why (in Portuguese).
bool WriteFileBytes(const QString &path, const QByteArray &bytes, QString *reason);
// The image as PNG (see CompactForSaving for frames) into path.
bool SavePng(const QImage &image, const QString &path, QString *reason);
// errno as a short Portuguese text.
QString SystemErrorText(int error);

} // namespace cornix::cli
