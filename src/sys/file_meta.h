// File metadata for unpacked files: times, attributes and permission bits,
// and the link test that keeps extraction from writing through a link.
//
// Each call is a task the extractor needs, not a mirror of a system call.
// Every call names the file by path and never follows a symbolic link at its
// last component. Callers that apply metadata as a courtesy (the extractor
// does) may ignore the results; they are there for tests and tools.
#pragma once

#include <optional>
#include <string>

#include "sys/file.h"
#include "sys/result.h"

namespace sys {

// A calendar date and wall-clock time in the system's local time zone.
// Callers pass valid values only (month 1 to 12, a day of that month, hour
// below 24, minute and second below 60).
struct LocalDateTime {
  int year = 1980;
  int month = 1;
  int day = 1;
  int hour = 0;
  int minute = 0;
  int second = 0;
};

// Converts time to UTC with the time-zone rule in force on that date and
// sets it as the file's creation time (Windows; POSIX keeps none, so it is
// skipped there) and as its last-write time. The last-access time is left
// alone. The file must allow writing on Windows; on POSIX the caller must own
// it.
ErrorCode SetFileTimesFromLocal(const std::u16string& path, const LocalDateTime& time);

// MS-DOS attribute bits (read-only 0x01, hidden 0x02, system 0x04, archive
// 0x20, normal 0x80, ...). Windows sets them as they are. POSIX gives meaning
// to the read-only bit only: with it, every write bit is cleared; without it
// the permissions stay as they are. The other bits are skipped there.
ErrorCode ApplyDosAttributes(const std::u16string& path, unsigned attributes);

// POSIX permission bits (mode & 0777; set-id and sticky bits are never
// applied). Windows has no such bits: a no-op that succeeds.
ErrorCode ApplyPermissionBits(const std::u16string& path, unsigned mode);

// True when path itself (not what it points to) is a symbolic link, or on
// Windows any reparse point (links and junctions alike).
bool IsSymbolicLink(const std::u16string& path);

// What path itself names, a link at its last component not followed (Link
// as for IsSymbolicLink); one look-up.
enum class PathKind { Missing, Directory, File, Link };
PathKind KindOf(const std::u16string& path);

// What a file unpacked from an archive is given once its data is written.
struct UnpackedFileMetadata {
  std::optional<LocalDateTime> time;       // as SetFileTimesFromLocal
  std::optional<unsigned> dosAttributes;   // as ApplyDosAttributes
  std::optional<unsigned> permissionBits;  // as ApplyPermissionBits
};

// Gives the just-written file at path its metadata, in the order time,
// attributes, permission bits, and closes it. The outcome is that of the
// calls above; failures are skipped, as those are courtesies. POSIX sets
// them on the open file (no look-up of path); Windows closes the file first
// and sets them by path, when path still names a file.
void FinishUnpackedFile(File& file, const std::u16string& path, const UnpackedFileMetadata& metadata);

}  // namespace sys
