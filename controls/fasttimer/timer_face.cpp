#include "controls/fasttimer/timer_face.h"

namespace fasttimer {

const QImage& FacePicture() {
  static const QImage face(QStringLiteral(":/kv_fasttimer/fasttimer_face.png"));
  return face;
}

}  // namespace fasttimer
