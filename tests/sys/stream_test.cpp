// Streams over memory and files, with the error texts their failures carry.
#include <gtest/gtest.h>

#include <functional>
#include <string>

#include "base/exception.h"
#include "base/file_stream.h"
#include "base/stream.h"
#include "base/text.h"
#include "sys/codepage.h"
#include "support/temp_dir.h"

#ifdef _WIN32
#include <windows.h>
#else
#include <cerrno>
#endif

namespace {

using testing_support::TempDir;

template <class Error>
std::u16string MessageOf(const std::function<void()>& action) {
  try {
    action();
  } catch (const Error& e) {
    return e.Message();
  }
  ADD_FAILURE() << "nothing was raised";
  return {};
}

TEST(MemoryStream, SeekBeforeTheStartIsRefused) {
  base::TMemoryStream stream;
  stream.WriteBuffer("0123456789", 10);
  EXPECT_EQ(stream.Seek(3, base::SeekOrigin::Begin), 3);
  EXPECT_EQ(stream.Seek(-11, base::SeekOrigin::End), -1);
  EXPECT_EQ(stream.Position(), 3);
  EXPECT_EQ(stream.Seek(-4, base::SeekOrigin::Current), -1);
  EXPECT_EQ(stream.Position(), 3);
  EXPECT_EQ(stream.Seek(-4, base::SeekOrigin::End), 6);
  char buffer[8] = {};
  EXPECT_EQ(stream.Read(buffer, sizeof buffer), 4u);
  EXPECT_EQ(std::string(buffer, 4), "6789");
  EXPECT_EQ(stream.Read(buffer, sizeof buffer), 0u);
}

TEST(MemoryStream, WritingPastTheEndGrowsAndSetSizeCuts) {
  base::TMemoryStream stream;
  stream.SetPosition(2);
  stream.WriteBuffer("ab", 2);
  EXPECT_EQ(stream.Data(), std::string("\0\0ab", 4));
  stream.SetSize(1);
  EXPECT_EQ(stream.Size(), 1);
  EXPECT_EQ(stream.Position(), 1);
}

TEST(MemoryStream, LimitRefusesSizesAndWritesBeyondIt) {
  base::TMemoryStream stream(8);
  EXPECT_EQ(MessageOf<base::EOutOfMemory>([&] { stream.SetSize(9); }), u"Out of memory");
  EXPECT_EQ(stream.Size(), 0);
  stream.SetSize(8);
  stream.SetPosition(6);
  EXPECT_EQ(MessageOf<base::EWriteError>([&] { stream.WriteBuffer("abcd", 4); }), u"Stream write error");
  EXPECT_EQ(stream.Data(), std::string("\0\0\0\0\0\0ab", 8));
}

TEST(Stream, ShortReadIsAStreamReadError) {
  base::TMemoryStream stream;
  stream.WriteBuffer("abc", 3);
  stream.SetPosition(0);
  char buffer[4];
  EXPECT_EQ(MessageOf<base::EReadError>([&] { stream.ReadBuffer(buffer, 4); }), u"Stream read error");
  stream.SetPosition(0);
  stream.ReadBuffer(buffer, 3);
  EXPECT_EQ(std::string(buffer, 3), "abc");
}

TEST(FileStream, OpenFailureNamesTheFullPathAndTheReason) {
  TempDir dir;
  const std::u16string path = dir.Text("missing.db");
#ifdef _WIN32
  const std::u16string reason = sys::ErrorText(ERROR_FILE_NOT_FOUND);
#else
  const std::u16string reason = sys::ErrorText(ENOENT);
#endif
  EXPECT_EQ(MessageOf<base::EFOpenError>(
                [&] { base::TFileStream::OpenExisting(path, sys::Access::Read, sys::Share::ReadWrite); }),
            u"Cannot open file \"" + path + u"\". " + reason);
}

TEST(FileStream, CreateFailureNamesTheFullPath) {
  TempDir dir;
  const std::u16string path = dir.Text("no-dir") + sys::kPathDelimiter + u"out.tmp";
  const std::u16string message =
      MessageOf<base::EFCreateError>([&] { base::TFileStream::Create(path, sys::Share::Read); });
  EXPECT_TRUE(message.starts_with(u"Cannot create file \"" + path + u"\". ")) << sys::ToUtf8(message);
  EXPECT_GT(message.size(), (u"Cannot create file \"" + path + u"\". ").size());
}

TEST(FileStream, RelativePathsAreExpandedInTheText) {
  const std::u16string message = MessageOf<base::EFOpenError>(
      [] { base::TFileStream::OpenExisting(u"no-such-file.db", sys::Access::Read, sys::Share::ReadWrite); });
  const std::u16string full = base::ExpandFileName(u"no-such-file.db");
  EXPECT_NE(full, u"no-such-file.db");
  EXPECT_TRUE(full.ends_with(sys::kPathDelimiter + std::u16string(u"no-such-file.db")));
  EXPECT_TRUE(message.starts_with(u"Cannot open file \"" + full + u"\". ")) << sys::ToUtf8(message);
}

TEST(FileStream, ReadsWritesAndResizes) {
  TempDir dir;
  {
    base::TFileStream out = base::TFileStream::Create(dir.Text("f"), sys::Share::Read);
    out.WriteBuffer("0123456789", 10);
    out.SetSize(4);
    EXPECT_EQ(out.Size(), 4);
    EXPECT_EQ(out.Seek(-20, base::SeekOrigin::End), -1);
    EXPECT_EQ(out.Position(), 4);
  }
  base::TFileStream in = base::TFileStream::OpenExisting(dir.Text("f"), sys::Access::Read, sys::Share::ReadWrite);
  char buffer[5];
  EXPECT_EQ(MessageOf<base::EReadError>([&] { in.ReadBuffer(buffer, 5); }), u"Stream read error");
  in.SetPosition(0);
  in.ReadBuffer(buffer, 4);
  EXPECT_EQ(std::string(buffer, 4), "0123");
}

TEST(Format, ReplacesPlaceholdersInOrder) {
  EXPECT_EQ(base::Format(u"'%s' is not a valid integer value", {u"$zz"}), u"'$zz' is not a valid integer value");
  EXPECT_EQ(base::Format(u"%s of %d, 100%%", {u"a", u"7"}), u"a of 7, 100%");
  EXPECT_EQ(base::Format(u"%s and %s", {u"one"}), u"one and ");
  EXPECT_EQ(base::Format(u"trailing %", {}), u"trailing %");
  EXPECT_EQ(base::IntToText(-9223372036854775807LL - 1), u"-9223372036854775808");
}

TEST(Exception, CarriesTheTextInBothForms) {
  const base::EConvertError error(u"'$中' is not a valid integer value");
  EXPECT_EQ(error.Message(), u"'$中' is not a valid integer value");
  EXPECT_STREQ(error.what(), "'$\xE4\xB8\xAD' is not a valid integer value");
}

}  // namespace
