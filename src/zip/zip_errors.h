// The ZIP module's own error kinds. Failures that belong to streams, files,
// encodings and paths use the shared kinds of base/exception.h.
#pragma once

#include "base/exception.h"

namespace zip {

// A damaged or unsupported archive, or a misuse of TZipFile.
PACKSTUB_ERROR_KIND(EZipException, base::Exception);
// A Deflate stream that zlib refuses: zlib's text for the code.
PACKSTUB_ERROR_KIND(EInflateError, base::Exception);
// An entry whose data is not what the archive says it holds (its CRC-32
// differs); the text names the entry.
PACKSTUB_ERROR_KIND(EZipDamagedEntry, EZipException);
// An encrypted entry, which cannot be unpacked; the text names the entry.
PACKSTUB_ERROR_KIND(EZipEncryptedEntry, EZipException);
// An archive whose central directory cannot be read whole: ZIP64, or a
// count that does not cover the directory.
PACKSTUB_ERROR_KIND(EZipIncompleteDirectory, EZipException);
// An entry that would be written outside the destination directory, or
// through a symbolic link; the text names the entry.
PACKSTUB_ERROR_KIND(EZipUnsafeEntry, EZipException);

}  // namespace zip
