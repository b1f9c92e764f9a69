#pragma once
// Writes the header and source of the typed widget classes of a library:
// one kvqmxtmr::ControlWidget subclass per control class, in a namespace
// named after the library, each property a Q_PROPERTY, each event a signal.
#include <string>

#include "tools/genclasses/class_model.h"

namespace genclasses {

struct Output {
  std::string header;
  std::string source;
};

// `headerInclude` is how the source includes the header ("kvqmxtmr/dialfen_widgets.h").
Output Write(const Library& library, const std::string& headerInclude);

}  // namespace genclasses
