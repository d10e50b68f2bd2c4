// The table of packtool's commands.
#include "command.h"

namespace packtool {

const std::vector<Command>& Commands() {
  static const std::vector<Command> commands = {
      {u"descriptor", RunDescriptor,
       "packtool descriptor create OUT [--field N=TEXT]...\n"
       "packtool descriptor show FILE\n"},
      {u"unzip", RunUnzip, "packtool unzip ARCHIVE DIR\n"},
      {u"fetch", RunFetch, "packtool fetch URL OUT\n"},
      {u"marker", RunMarker, "packtool marker PAGE\n"},
      {u"check", RunCheck, "packtool check DESCRIPTOR [--keep DIR]\n"},
  };
  return commands;
}

}  // namespace packtool
