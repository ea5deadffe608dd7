#pragma once
// Turns an image file (or a synthetic endothelium) into a 640 x 480 24-bit frame.
#include <QImage>
#include <QString>
#include <QStringList>

#include <optional>

namespace cornix::cli {

struct TLoadedFrame {
    QImage Frame;       // 640 x 480, Format_RGB888
    int ImageWidth = 0; // size of the image before padding
    int ImageHeight = 0;
    QString Note;       // set when the image was padded
};

// Loads a frame. An image smaller than 640 x 480 is placed at the top-left of a
// frame filled with its mean grey level (Note says so); a larger one, a missing
// or unreadable file give nothing and *error.
std::optional<TLoadedFrame> LoadFrame(const QString &fileName, QString *error);
// The same for an image already in memory (name used in the messages).
std::optional<TLoadedFrame> FrameFromImage(const QImage &image, const QString &name, QString *error);

// Mean of the pixels' grey levels (R + G + B) / 3, rounded.
int MeanGrey(const QImage &image);

// The frame as 8-bit grey when its three channels are equal everywhere (smaller
// files, same grey levels), else unchanged.
QImage CompactForSaving(const QImage &frame);

// Image files of a folder (bmp, png, jpg, jpeg, tif, tiff), sorted by name.
QStringList FrameFiles(const QString &folder);

} // namespace cornix::cli
