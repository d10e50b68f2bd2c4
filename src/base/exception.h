// The program's errors: exceptions that carry the message text the user is
// shown, in UTF-16.
//
// Kinds are separate classes so that callers and tests can tell them apart;
// the text is what matters to the user. Modules add their own kinds (net,
// zip) deriving from Exception.
#pragma once

#include <exception>
#include <string>

namespace base {

class Exception : public std::exception {
 public:
  explicit Exception(std::u16string message);
  const std::u16string& Message() const noexcept { return message_; }
  // The message in UTF-8.
  const char* what() const noexcept override { return utf8_.c_str(); }

 private:
  std::u16string message_;
  std::string utf8_;
};

// Declares an error kind; Parent may be qualified (base::Exception).
#define PACKSTUB_ERROR_KIND(Name, Parent) \
  class Name : public Parent {            \
    using Inherited = Parent;             \
                                          \
   public:                                \
    using Inherited::Inherited;           \
  }

PACKSTUB_ERROR_KIND(EConvertError, Exception);          // a text that is not a number
PACKSTUB_ERROR_KIND(EOutOfMemory, Exception);           // "Out of memory"
PACKSTUB_ERROR_KIND(EIntOverflow, Exception);           // "Integer overflow"
PACKSTUB_ERROR_KIND(EOSError, Exception);               // a system call failed: the system's text
PACKSTUB_ERROR_KIND(EStreamError, Exception);
PACKSTUB_ERROR_KIND(EFOpenError, EStreamError);         // "Cannot open file "%s". %s"
PACKSTUB_ERROR_KIND(EFCreateError, EStreamError);       // "Cannot create file "%s". %s"
PACKSTUB_ERROR_KIND(EReadError, EStreamError);          // "Stream read error"
PACKSTUB_ERROR_KIND(EWriteError, EStreamError);         // "Stream write error"
PACKSTUB_ERROR_KIND(EEncodingError, Exception);         // code-page and UTF-8 failures
PACKSTUB_ERROR_KIND(EArgumentException, Exception);     // "Invalid characters in path", ...
PACKSTUB_ERROR_KIND(EListError, Exception);             // "Item not found"
PACKSTUB_ERROR_KIND(EInvalidOperation, Exception);      // "Text exceeds memo capacity", ...
PACKSTUB_ERROR_KIND(EIntfCastError, Exception);         // "Interface not supported"
PACKSTUB_ERROR_KIND(EPathTooLongException, Exception);  // "The specified path is too long"
PACKSTUB_ERROR_KIND(ENotSupportedException, Exception);
PACKSTUB_ERROR_KIND(EDirectoryNotFoundException, Exception);
PACKSTUB_ERROR_KIND(EFileNotFoundException, Exception);

}  // namespace base
