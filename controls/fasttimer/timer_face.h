#pragma once
// The clock the fast timer shows while its host is being designed. The picture
// is compiled into the library, so a control module copied on its own still
// has its face.
#include <QImage>

namespace fasttimer {

// 28 x 28 pixels; the same shared image on every call.
const QImage& FacePicture();

}  // namespace fasttimer
