#pragma once
// The lit-segment pictures, compiled into the library so the module needs no
// files beside it at run time.
#include <QImage>

namespace meter {

// Segment 1 to 11. Throws platform::Error when the picture cannot be decoded
// (the JPEG image-format plugin is missing, for instance).
QImage SegmentPicture(int segment);

}  // namespace meter
