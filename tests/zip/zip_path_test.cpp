// Joining entry names with the destination and the path tests, under both
// path styles whatever the host.
#include <gtest/gtest.h>

#include "base/exception.h"
#include "zip/zip_errors.h"
#include "zip/zip_path.h"

namespace {

using zip::PathStyle;

struct JoinCase {
  PathStyle style;
  std::u16string path;
  std::u16string name;
  std::u16string expected;
};

TEST(ZipPathTest, JoinsNamesBelowTheDestination) {
  const JoinCase cases[] = {
      {PathStyle::Windows, u"C:\\dl\\", u"a/b/c.txt", u"C:\\dl\\a\\b\\c.txt"},
      {PathStyle::Windows, u"C:\\dl", u"setup.exe", u"C:\\dl\\setup.exe"},
      {PathStyle::Windows, u"C:\\dl/", u"x", u"C:\\dl/x"},
      {PathStyle::Windows, u"C:", u"x", u"C:x"},
      {PathStyle::Windows, u"C:\\dl\\", u"", u"C:\\dl\\"},
      {PathStyle::Windows, u"", u"a/b", u"a\\b"},
      {PathStyle::Windows, u"C:\\dl\\", u"sub/", u"C:\\dl\\sub\\"},
      {PathStyle::Windows, u"C:\\dl\\", u"a*b?.txt", u"C:\\dl\\a*b?.txt"},
      {PathStyle::Windows, u"C:\\dl\\", u"..a/b..", u"C:\\dl\\..a\\b.."},
      {PathStyle::Posix, u"/dl/", u"a\\b\\c.txt", u"/dl/a/b/c.txt"},
      {PathStyle::Posix, u"/dl", u"a/b", u"/dl/a/b"},
      {PathStyle::Posix, u"/dl/", u"", u"/dl/"},
      {PathStyle::Posix, u"/dl/", u"./a", u"/dl/./a"},
      {PathStyle::Posix, u"/dl/", u"...", u"/dl/..."},
      // A code page 936 name whose second byte is 0x5C decodes to one
      // character: nothing of it is a separator any more.
      {PathStyle::Windows, u"C:\\dl\\", u"\u8868.txt", u"C:\\dl\\\u8868.txt"},
  };
  for (const JoinCase& c : cases) {
    EXPECT_EQ(zip::CombineEntryPath(c.path, c.name, c.style), c.expected)
        << std::string(c.name.begin(), c.name.end());
  }
}

TEST(ZipPathTest, DropsTheDirectoriesWhenAsked) {
  EXPECT_EQ(zip::CombineEntryPath(u"/dl/", u"a/b/c.txt", PathStyle::Posix, false), u"/dl/c.txt");
  EXPECT_EQ(zip::CombineEntryPath(u"C:\\dl\\", u"a/b\\c.txt", PathStyle::Windows, false), u"C:\\dl\\c.txt");
  EXPECT_THROW(zip::CombineEntryPath(u"/dl/", u"a/..", PathStyle::Posix, false), zip::EZipUnsafeEntry);
}

TEST(ZipPathTest, RefusesNamesThatLeaveTheDestination) {
  const std::u16string names[] = {
      u"/etc/passwd", u"\\Windows\\x", u"C:\\x", u"c:x", u"\\\\?\\C:\\x", u"//server/share/x",
      u"..", u"../x", u"a/../../x", u"a\\..\\x", u"a/b/..", u"..\\",
  };
  for (PathStyle style : {PathStyle::Windows, PathStyle::Posix}) {
    for (const std::u16string& name : names) {
      EXPECT_TRUE(zip::IsEscapingName(zip::ToStyleSeparators(name, style), style))
          << std::string(name.begin(), name.end());
      try {
        zip::CombineEntryPath(style == PathStyle::Windows ? u"C:\\dl\\" : u"/dl/", name, style);
        ADD_FAILURE() << "joined " << std::string(name.begin(), name.end());
      } catch (const zip::EZipUnsafeEntry& error) {
        EXPECT_EQ(error.Message(), u"Entry \"" + name + u"\" would be written outside the destination directory");
      }
      // An empty destination does not make them acceptable.
      EXPECT_THROW(zip::CombineEntryPath(u"", name, style), zip::EZipUnsafeEntry);
    }
  }
  // Windows drops trailing dots and blanks of a component.
  EXPECT_TRUE(zip::IsEscapingName(u"a\\... \\x", PathStyle::Windows));
  EXPECT_FALSE(zip::IsEscapingName(u"a/... /x", PathStyle::Posix));
  EXPECT_FALSE(zip::IsEscapingName(u"a\\.\\x", PathStyle::Windows));
  EXPECT_FALSE(zip::IsEscapingName(u"a..b\\c", PathStyle::Windows));
}

TEST(ZipPathTest, RefusesInvalidCharactersInNameOrDestination) {
  const std::u16string bad[] = {u"a\"b", u"a<b", u"a>b", u"a|b", std::u16string(u"a\0b", 3), u"a\tb", u"a\x1F"};
  for (const std::u16string& name : bad) {
    EXPECT_THROW(zip::CombineEntryPath(u"/dl/", name, PathStyle::Posix), base::EArgumentException);
    EXPECT_THROW(zip::CombineEntryPath(u"C:\\" + name + u"\\", u"x", PathStyle::Windows), base::EArgumentException);
  }
  EXPECT_FALSE(zip::HasInvalidPathChars(u"\\\\?\\C:\\a*?:b"));
  EXPECT_FALSE(zip::HasInvalidPathChars(u"\\\\?\\UNC\\server\\share"));
  EXPECT_TRUE(zip::HasInvalidPathChars(u"\\\\?\\C:\\a|b"));
}

TEST(ZipPathTest, TakesTheDirectoryPart) {
  EXPECT_EQ(zip::DirectoryPart(u"C:\\dl\\a\\b.txt", PathStyle::Windows), u"C:\\dl\\a");
  EXPECT_EQ(zip::DirectoryPart(u"C:\\b.txt", PathStyle::Windows), u"C:\\");
  EXPECT_EQ(zip::DirectoryPart(u"C:\\dl\\ab:c.txt", PathStyle::Windows), u"C:\\dl\\ab");
  EXPECT_EQ(zip::DirectoryPart(u"C:\\dl\\sub\\", PathStyle::Windows), u"C:\\dl\\sub");
  EXPECT_EQ(zip::DirectoryPart(u"/dl/a/b.txt", PathStyle::Posix), u"/dl/a");
  EXPECT_EQ(zip::DirectoryPart(u"/b.txt", PathStyle::Posix), u"/");
  EXPECT_EQ(zip::DirectoryPart(u"/dl/a:b", PathStyle::Posix), u"/dl");
  EXPECT_EQ(zip::DirectoryPart(u"b.txt", PathStyle::Posix), u"");
}

TEST(ZipPathTest, ChecksFullPaths) {
  EXPECT_NO_THROW(zip::CheckFullPath(u"C:\\dl\\a", zip::kMaxDirectoryPath, PathStyle::Windows));
  EXPECT_THROW(zip::CheckFullPath(u"C:\\dl\\a:b", zip::kMaxDirectoryPath, PathStyle::Windows),
               base::ENotSupportedException);
  EXPECT_THROW(zip::CheckFullPath(u"1:\\dl", zip::kMaxDirectoryPath, PathStyle::Windows),
               base::ENotSupportedException);
  EXPECT_NO_THROW(zip::CheckFullPath(u"/dl/a:b", zip::kMaxDirectoryPath, PathStyle::Posix));
  EXPECT_THROW(zip::CheckFullPath(u"/dl/a|b", zip::kMaxDirectoryPath, PathStyle::Posix), base::EArgumentException);

  // The limits: 247 characters pass for a directory, 248 do not; 259 and
  // 260 for a file.
  for (PathStyle style : {PathStyle::Windows, PathStyle::Posix}) {
    const std::u16string root = style == PathStyle::Windows ? u"C:\\" : u"/";
    const auto of = [&](std::size_t length) { return root + std::u16string(length - root.size(), u'a'); };
    EXPECT_NO_THROW(zip::CheckFullPath(of(247), zip::kMaxDirectoryPath, style));
    try {
      zip::CheckFullPath(of(248), zip::kMaxDirectoryPath, style);
      ADD_FAILURE() << "248 characters passed";
    } catch (const base::EPathTooLongException& error) {
      EXPECT_EQ(error.Message(), u"The specified path is too long");
    }
    EXPECT_NO_THROW(zip::CheckFullPath(of(259), zip::kMaxFilePath, style));
    EXPECT_THROW(zip::CheckFullPath(of(260), zip::kMaxFilePath, style), base::EPathTooLongException);
  }
}

TEST(ZipPathTest, ListsLevelsFromTheTop) {
  EXPECT_EQ(zip::PathLevels(u"C:\\a\\b", PathStyle::Windows),
            (std::vector<std::u16string>{u"C:\\", u"C:\\a", u"C:\\a\\b"}));
  EXPECT_EQ(zip::PathLevels(u"\\\\srv\\share\\a", PathStyle::Windows),
            (std::vector<std::u16string>{u"\\\\srv\\share", u"\\\\srv\\share\\a"}));
  EXPECT_EQ(zip::PathLevels(u"/a/b/", PathStyle::Posix), (std::vector<std::u16string>{u"/", u"/a", u"/a/b"}));
}

TEST(ZipPathTest, ComparesWholeComponents) {
  EXPECT_TRUE(zip::IsWithinDirectory(u"/tmp/dl", u"/tmp/dl/a", PathStyle::Posix));
  EXPECT_TRUE(zip::IsWithinDirectory(u"/tmp/dl", u"/tmp/dl/", PathStyle::Posix));
  EXPECT_FALSE(zip::IsWithinDirectory(u"/tmp/dl", u"/tmp/dl2/a", PathStyle::Posix));
  EXPECT_FALSE(zip::IsWithinDirectory(u"/tmp/dl", u"/tmp", PathStyle::Posix));
  EXPECT_FALSE(zip::IsWithinDirectory(u"/tmp/DL", u"/tmp/dl/a", PathStyle::Posix));
  EXPECT_TRUE(zip::IsWithinDirectory(u"C:\\DL", u"c:\\dl\\a", PathStyle::Windows));
  EXPECT_FALSE(zip::IsWithinDirectory(u"C:\\dl", u"C:\\dl2\\a", PathStyle::Windows));
  EXPECT_FALSE(zip::IsWithinDirectory(u"C:\\dl", u"\\\\.\\CON", PathStyle::Windows));
}

}  // namespace
