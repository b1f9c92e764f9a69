#pragma once
// The toolbox picture a registered control class carries: the bitmap its
// registration names (ToolboxBitmap32, "module path, resource number"),
// read from the module file, as a tool that lists controls (a form
// designer's widget box, a palette of one's own) shows it.
//
//   QIcon icon(QPixmap::fromImage(kvqmxtmr::ToolboxPicture("Dialfen.KvDispVU")));
#include <string_view>

#include <QImage>
#include <QString>

#include "runtime/platform/export.h"

namespace kvqmxtmr {

// The picture of the class registered under `progId`; a null image when the
// class is not registered, names no toolbox bitmap, or its module does not
// hold a readable one. `error`, when given, then says which and why.
KVQMXTMR_EXPORT QImage ToolboxPicture(std::string_view progId, QString* error = nullptr);

}  // namespace kvqmxtmr
