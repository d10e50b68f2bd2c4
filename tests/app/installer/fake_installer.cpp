// A stand-in installer for the road tests: a real program, as installers
// are, that leaves installed.txt beside itself and ends.
#include <string>

#include "sys/file.h"

int main() {
  const std::u16string self = sys::ExecutablePath();
  const std::u16string note = self.substr(0, self.find_last_of(sys::kPathDelimiter) + 1) + u"installed.txt";
  auto file = sys::File::Open(note, sys::Access::Write, sys::Share::Read, sys::Disposition::CreateAlways);
  if (!file) return 1;
  const char text[] = "ran\n";
  return file->Write(text, sizeof text - 1) ? 0 : 1;
}
