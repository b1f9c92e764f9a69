#pragma once
// What kvqmxtmr-genclasses makes a class of: each control class of a type
// library, with the properties of its default interface and the events of
// its default source interface, in the types a Qt widget gives them.
#include <cstdint>
#include <string>
#include <vector>

#include "runtime/formats/typelib_reader.h"

namespace genclasses {

struct Enumeration {
  std::string name;
  std::vector<std::pair<std::string, int64_t>> values;
};

struct Property {
  std::string name;
  int32_t dispid = 0;
  std::string type;      // "int", "bool" or an enumeration's name
  bool boolean = false;  // read and written as a Boolean
  bool writable = false;
  bool bindable = false;  // announces its changes; persisted
  std::string getter;
  std::string setter;
};

struct Event {
  std::string name;
  int32_t dispid = 0;
};

struct ControlClass {
  std::string name;
  std::string classId;  // braced
  std::vector<Enumeration> enumerations;
  std::vector<Property> properties;
  std::vector<Event> events;
};

struct Library {
  std::string name;
  std::string source;  // the file it was read from, as given
  int majorVersion = 0;
  int minorVersion = 0;
  std::vector<ControlClass> classes;
  // What could not be given a Qt type, one line each, for the tool to say.
  std::vector<std::string> skipped;
};

// Throws platform::Error naming what is wrong when the library holds no
// control class.
Library Model(const com::TypeLibrary& library, const std::string& source);

}  // namespace genclasses
