#include "controls/meter/segment_pictures.h"

#include <QFile>
#include <QString>

#include <mutex>

#include "runtime/platform/error.h"

// Q_INIT_RESOURCE must be used outside any namespace. A static library's
// resources are not registered by themselves: the linker would drop the
// unreferenced initialiser.
static void InitSegmentPictureResources() { Q_INIT_RESOURCE(segment_pictures); }

namespace meter {

QImage SegmentPicture(int segment) {
  static std::once_flag resourcesRegistered;
  std::call_once(resourcesRegistered, InitSegmentPictureResources);

  const QString path = QStringLiteral(":/kv_meter/Dp%1.jpg").arg(segment);
  QImage picture;
  if (!QFile::exists(path) || !picture.load(path, "JPG"))
    throw platform::Error(platform::kErrorFileNotFound,
                          "Cannot load the meter's segment picture " + path.toStdString());
  return picture;
}

}  // namespace meter
