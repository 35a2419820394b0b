#pragma once
// JPEG decoding with IJG libjpeg (the pictures of the "Static data" tab).

#include <QByteArray>
#include <QImage>

// A null image when the data is not a JPEG libjpeg can read.
QImage DecodeJpeg(const QByteArray& Data);

// Encodes an RGB image (the picture generator writes the assets with it).
QByteArray EncodeJpeg(const QImage& Image, int Quality);
