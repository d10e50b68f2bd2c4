// The package descriptor: unscrambling the payload, splitting the fields,
// and every way reading a file can end.
#include "app/descriptor.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <limits>
#include <optional>
#include <ostream>
#include <string>
#include <vector>

#include "base/exception.h"
#include "descriptor_files.h"
#include "support/temp_dir.h"
#include "sys/codepage.h"
#include "sys/file.h"

#ifdef _WIN32
#include <windows.h>
#else
#include <unistd.h>

#include <cerrno>
#endif

namespace {

using descriptor_files::Descriptor;
using descriptor_files::Digits;
using descriptor_files::Fields;
using descriptor_files::File;
using descriptor_files::Scramble;
using testing_support::TempDir;
using testing_support::WriteFile;

constexpr char16_t kDamaged[] = u"文件已经被破坏，无法打开";

std::u16string NotValid(std::u16string pair) { return u"'$" + pair + u"' is not a valid integer value"; }

bool AnsiIs936() { return sys::ActiveAnsiCodePage() == 936; }

// ---------------------------------------------------------------- UnscrambleText

struct UnscrambleCase {
  const char* name;
  std::string payload;
  std::optional<std::string> plain;  // nullopt: fails
  std::u16string error;
  friend void PrintTo(const UnscrambleCase& c, std::ostream* os) { *os << c.name; }
};

class Unscramble : public ::testing::TestWithParam<UnscrambleCase> {};

TEST_P(Unscramble, DecodesPairsWithTheKey) {
  const UnscrambleCase& c = GetParam();
  if (c.plain) {
    EXPECT_EQ(app::UnscrambleText(c.payload), *c.plain);
    return;
  }
  try {
    app::UnscrambleText(c.payload);
    FAIL() << "accepted";
  } catch (const base::EConvertError& e) {
    EXPECT_EQ(e.Message(), c.error) << sys::ToUtf8(e.Message());
  }
}

// "ABCDEFGHIJ" runs the key round once and two bytes further.
INSTANTIATE_TEST_SUITE_P(
    Payloads, Unscramble,
    ::testing::Values(
        UnscrambleCase{"Empty", "", "", {}},
        UnscrambleCase{"OneByteIsNoPair", "1", "", {}},
        UnscrambleCase{"OnePair", "1D", "A", {}},
        UnscrambleCase{"KeyWrapsAfterEightBytes", "1DA344DE780EF1BA15AB", "ABCDEFGHIJ", {}},
        UnscrambleCase{"LowerCase", "1da344de780ef1ba15ab", "ABCDEFGHIJ", {}},
        UnscrambleCase{"MixedCase", "1Da344De780eF1bA15aB", "ABCDEFGHIJ", {}},
        UnscrambleCase{"OddLengthDropsTheLastByte", "1DA3F", "AB", {}},
        UnscrambleCase{"OddLastByteNeedNotBeHex", "1DA3z", "AB", {}},
        UnscrambleCase{"KeyBytesGiveZero", "5CE1079A", std::string("\0\0\0\0", 4), {}},
        UnscrambleCase{"HighBytes", "A31EF865", "\xFF\xFF\xFF\xFF", {}},
        UnscrambleCase{"NotHex", "zz", std::nullopt, NotValid(u"zz")},
        UnscrambleCase{"BadPairAfterGoodOnes", "1DA3G0", std::nullopt, NotValid(u"G0")},
        UnscrambleCase{"FirstBadPairIsNamed", "1Dzzyy", std::nullopt, NotValid(u"zz")},
        UnscrambleCase{"PlusSign", "+1", std::nullopt, NotValid(u"+1")},
        UnscrambleCase{"MinusSign", "-1", std::nullopt, NotValid(u"-1")},
        UnscrambleCase{"LeadingBlank", " 1", std::nullopt, NotValid(u" 1")},
        UnscrambleCase{"TrailingBlank", "1 ", std::nullopt, NotValid(u"1 ")},
        UnscrambleCase{"HexPrefix", "0x", std::nullopt, NotValid(u"0x")},
        UnscrambleCase{"DollarSign", "$1", std::nullopt, NotValid(u"$1")},
        UnscrambleCase{"Nul", std::string("1\0", 2), std::nullopt, NotValid(std::u16string(u"1\0", 2))}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(UnscrambleText, EveryByteValueAtEveryKeyPosition) {
  std::string plain;
  for (int round = 0; round < 8; ++round) {
    for (int value = 0; value < 256; ++value) plain.push_back(static_cast<char>(value));
  }
  plain.push_back('x');  // 2049 bytes: every value meets every key byte
  EXPECT_EQ(app::UnscrambleText(Scramble(plain, Digits::Mixed)), plain);
  EXPECT_EQ(app::UnscrambleText(app::ScrambleText(plain)), plain);
  EXPECT_EQ(app::ScrambleText(plain), Scramble(plain));
}

TEST(UnscrambleText, NonAsciiPairIsShownAsAnsiText) {
  if (!AnsiIs936()) GTEST_SKIP() << "needs code page 936 as the ANSI code page (active code page "
                                  << sys::ActiveAnsiCodePage() << ")";
  try {
    app::UnscrambleText("1D\xD6\xD0");
    FAIL() << "accepted";
  } catch (const base::EConvertError& e) {
    EXPECT_EQ(e.Message(), NotValid(u"中"));
  }
}

// ---------------------------------------------------------------- SplitFields

struct SplitCase {
  const char* name;
  std::u16string text;
  char16_t separator;
  std::vector<std::u16string> fields;
  friend void PrintTo(const SplitCase& c, std::ostream* os) { *os << c.name; }
};

class Split : public ::testing::TestWithParam<SplitCase> {};

TEST_P(Split, GivesTheFieldsBetweenSeparators) {
  EXPECT_EQ(app::SplitFields(GetParam().text, GetParam().separator), GetParam().fields);
}

using Texts = std::vector<std::u16string>;

INSTANTIATE_TEST_SUITE_P(
    Texts, Split,
    ::testing::Values(SplitCase{"EmptyTextGivesNoField", u"", u'`', {}},
                      SplitCase{"NoSeparator", u"pid", u'`', {u"pid"}},
                      SplitCase{"Two", u"a`b", u'`', {u"a", u"b"}},
                      SplitCase{"OnlySeparator", u"`", u'`', {u"", u""}},
                      SplitCase{"Leading", u"`a", u'`', {u"", u"a"}},
                      SplitCase{"Trailing", u"a`", u'`', {u"a", u""}},
                      SplitCase{"Double", u"a``b", u'`', {u"a", u"", u"b"}},
                      SplitCase{"BlanksKept", u" a ` b&c ", u'`', {u" a ", u" b&c "}},
                      SplitCase{"OtherSeparatorsAreText", u"a|b'c\"d", u'`', {u"a|b'c\"d"}},
                      SplitCase{"AnySeparator", u"a|b", u'|', {u"a", u"b"}},
                      SplitCase{"NonAscii", u"中`文", u'`', {u"中", u"文"}}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(SplitFields, ThirtyOneBackticksGiveThirtyTwoEmptyFields) {
  const auto fields = app::SplitFields(std::u16string(31, u'`'), u'`');
  EXPECT_EQ(fields, Texts(32));
}

// ---------------------------------------------------------------- reading a file

struct Values {
  std::u16string packageId, installerName, bannerUrl, portalUrl;
  bool operator==(const Values&) const = default;
  friend void PrintTo(const Values& v, std::ostream* os) {
    *os << "{" << sys::ToUtf8(v.packageId) << " | " << sys::ToUtf8(v.installerName) << " | "
        << sys::ToUtf8(v.bannerUrl) << " | " << sys::ToUtf8(v.portalUrl) << "}";
  }
};

enum class Ending { Read, Rejected, ReadError, OutOfMemory, Overflow, Convert, OpenError };

const char* Name(Ending ending) {
  switch (ending) {
    case Ending::Read: return "read";
    case Ending::Rejected: return "rejected";
    case Ending::ReadError: return "EReadError";
    case Ending::OutOfMemory: return "EOutOfMemory";
    case Ending::Overflow: return "EIntOverflow";
    case Ending::Convert: return "EConvertError";
    case Ending::OpenError: return "EFOpenError";
  }
  return "?";
}

struct Outcome {
  Ending ending = Ending::Read;
  std::u16string text;  // the rejection's or the error's text
  Values values;
};

// Reads path as the program reads pack.db and tells how it ended.
Outcome Read(const std::u16string& path) {
  Outcome outcome;
  Values& v = outcome.values;
  int rejections = 0;
  try {
    app::ReadDescriptorFile(path, {&v.packageId, &v.installerName, &v.bannerUrl, &v.portalUrl},
                            [&](const std::u16string& text) {
                              ++rejections;
                              outcome.ending = Ending::Rejected;
                              outcome.text = text;
                            });
  } catch (const base::EReadError& e) {
    outcome = {Ending::ReadError, e.Message(), v};
  } catch (const base::EOutOfMemory& e) {
    outcome = {Ending::OutOfMemory, e.Message(), v};
  } catch (const base::EIntOverflow& e) {
    outcome = {Ending::Overflow, e.Message(), v};
  } catch (const base::EConvertError& e) {
    outcome = {Ending::Convert, e.Message(), v};
  } catch (const base::EFOpenError& e) {
    outcome = {Ending::OpenError, e.Message(), v};
  }
  EXPECT_LE(rejections, 1);
  return outcome;
}

struct FileCase {
  const char* name;
  std::string bytes;
  Ending ending;
  std::u16string text;
  Values values;
  friend void PrintTo(const FileCase& c, std::ostream* os) { *os << c.name; }
};

const std::map<int, std::string> kGood = {{2, "pid-42"},
                                          {13, "1DA3"},
                                          {15, "setup.exe"},
                                          {21, "http://banner.test/b.html"},
                                          {30, "http://portal.test/p"}};
const Values kGoodValues = {u"pid-42", u"setup.exe", u"http://banner.test/b.html", u"http://portal.test/p"};

std::map<int, std::string> GoodWith(int field, std::string text) {
  auto fields = kGood;
  fields[field] = std::move(text);
  return fields;
}

const std::string kGoodPayload = Scramble(Fields(kGood));
const auto kGoodLength = static_cast<std::int32_t>(kGoodPayload.size());

class DescriptorFile : public ::testing::TestWithParam<FileCase> {};

TEST_P(DescriptorFile, EndsAsTheProgramExpects) {
  const FileCase& c = GetParam();
  TempDir dir;
  WriteFile(dir.Path() / "pack.db", c.bytes);
  const Outcome outcome = Read(dir.Text("pack.db"));
  EXPECT_EQ(Name(outcome.ending), Name(c.ending));
  EXPECT_EQ(outcome.text, c.text) << sys::ToUtf8(outcome.text);
  EXPECT_EQ(outcome.values, c.values);
  // Closed again on every path: nothing keeps the file from being deleted.
  EXPECT_EQ(sys::RemoveFile(dir.Text("pack.db")), 0);
}

INSTANTIATE_TEST_SUITE_P(
    Files, DescriptorFile,
    ::testing::Values(
        FileCase{"Good", Descriptor(kGood), Ending::Read, {}, kGoodValues},
        FileCase{"BytesBeforeThePayload", File(kGoodPayload, kGoodLength, std::string("MZ\x90\0`1D`\xFF", 9)),
                 Ending::Read, {}, kGoodValues},
        FileCase{"LowerCaseDigits", File(Scramble(Fields(kGood), Digits::Lower)), Ending::Read, {}, kGoodValues},
        FileCase{"MixedCaseDigits", File(Scramble(Fields(kGood), Digits::Mixed)), Ending::Read, {}, kGoodValues},
        FileCase{"OddPayloadLength", File(kGoodPayload + "7"), Ending::Read, {}, kGoodValues},
        FileCase{"OddPayloadLastByteNotHex", File(kGoodPayload + "z"), Ending::Read, {}, kGoodValues},
        FileCase{"OnlyBackticks", File(Scramble(std::string(31, '`'))), Ending::Read, {}, {}},
        FileCase{"BlanksAndAmpersandsKept",
                 Descriptor({{2, " a&b "}, {15, " setup .exe "}, {21, "&"}, {30, "http://p.test/?a=1&b=2 "}}),
                 Ending::Read, {}, {u" a&b ", u" setup .exe ", u"&", u"http://p.test/?a=1&b=2 "}},
        FileCase{"ThirtyOneFields", File(Scramble(Fields(kGood, 31))), Ending::Rejected, kDamaged, {}},
        FileCase{"ThirtyThreeFields", File(Scramble(Fields(kGood, 33))), Ending::Rejected, kDamaged, {}},
        FileCase{"OneField", File(Scramble("pid")), Ending::Rejected, kDamaged, {}},
        FileCase{"LengthZero", File(kGoodPayload, 0), Ending::Rejected, kDamaged, {}},
        FileCase{"LengthMinusOne", File(kGoodPayload, -1), Ending::Rejected, kDamaged, {}},
        FileCase{"LengthMostNegative", File(kGoodPayload, std::numeric_limits<std::int32_t>::min()),
                 Ending::Rejected, kDamaged, {}},
        FileCase{"OnlyTheLength", File("", 0), Ending::Rejected, kDamaged, {}},
        FileCase{"EmptyFile", "", Ending::ReadError, u"Stream read error", {}},
        FileCase{"ThreeBytes", "\x01\x02\x03", Ending::ReadError, u"Stream read error", {}},
        FileCase{"LengthBeyondTheFile", File(kGoodPayload, kGoodLength + 1), Ending::ReadError,
                 u"Stream read error", {}},
        FileCase{"LengthBeyondTheFileWithPrefix", File(kGoodPayload, kGoodLength + 6, "12345"), Ending::ReadError,
                 u"Stream read error", {}},
        FileCase{"LengthOverflows", File(kGoodPayload, 2147483634), Ending::Overflow, u"Integer overflow", {}},
        FileCase{"LengthMostPositive", File(kGoodPayload, std::numeric_limits<std::int32_t>::max()),
                 Ending::Overflow, u"Integer overflow", {}},
        FileCase{"PayloadBadPair", File(kGoodPayload.substr(0, 4) + "zz" + kGoodPayload.substr(4)),
                 Ending::Convert, NotValid(u"zz"), {}},
        FileCase{"PayloadSign", File("-1" + kGoodPayload), Ending::Convert, NotValid(u"-1"), {}},
        FileCase{"PayloadBlank", File(kGoodPayload.substr(0, 6) + " 1" + kGoodPayload.substr(6)),
                 Ending::Convert, NotValid(u" 1"), {}},
        FileCase{"Field13NotHex", Descriptor(GoodWith(13, "zz")), Ending::Convert, NotValid(u"zz"),
                 {u"pid-42", u"", u"", u""}},
        FileCase{"Field13SecondPairBad", Descriptor(GoodWith(13, "1Dq1")), Ending::Convert, NotValid(u"q1"),
                 {u"pid-42", u"", u"", u""}},
        FileCase{"Field13Blank", Descriptor(GoodWith(13, " 1")), Ending::Convert, NotValid(u" 1"),
                 {u"pid-42", u"", u"", u""}},
        FileCase{"Field13Odd", Descriptor(GoodWith(13, "1DA")), Ending::Read, {}, kGoodValues},
        FileCase{"Field13OddLastNotHex", Descriptor(GoodWith(13, "1Dz")), Ending::Read, {}, kGoodValues},
        FileCase{"Field13Empty", Descriptor(GoodWith(13, "")), Ending::Read, {}, kGoodValues}),
    [](const auto& info) { return std::string(info.param.name); });

// A length just below the overflow limit on a small file: the buffer either
// cannot be had or the read runs out; both are reported, neither crashes.
TEST(DescriptorFileLength, HugeLengthBelowTheLimitFailsCleanly) {
  TempDir dir;
  WriteFile(dir.Path() / "pack.db", File(kGoodPayload, 2147483633));
  const Outcome outcome = Read(dir.Text("pack.db"));
  if (outcome.ending == Ending::OutOfMemory) {
    EXPECT_EQ(outcome.text, u"Out of memory");
  } else {
    EXPECT_EQ(Name(outcome.ending), Name(Ending::ReadError));
    EXPECT_EQ(outcome.text, u"Stream read error");
  }
  EXPECT_EQ(outcome.values, Values{});
}

TEST(DescriptorFileMissing, NoFileIsRejectedWithThePath) {
  TempDir dir;
  const std::u16string path = dir.Text("pack.db");
  const Outcome outcome = Read(path);
  EXPECT_EQ(Name(outcome.ending), Name(Ending::Rejected));
  EXPECT_EQ(outcome.text, u"文件不存在：" + path);
  EXPECT_EQ(outcome.values, Values{});
}

TEST(DescriptorFileMissing, ADirectoryOfThatNameDoesNotCount) {
  TempDir dir;
  std::filesystem::create_directory(dir.Path() / "pack.db");
  const std::u16string path = dir.Text("pack.db");
  const Outcome outcome = Read(path);
  EXPECT_EQ(Name(outcome.ending), Name(Ending::Rejected));
  EXPECT_EQ(outcome.text, u"文件不存在：" + path);
}

TEST(DescriptorFileAnsi, DoubleByteCharacterEndingIn0x60DoesNotSplit) {
  if (!AnsiIs936()) GTEST_SKIP() << "needs code page 936 as the ANSI code page (active code page "
                                  << sys::ActiveAnsiCodePage() << ")";
  TempDir dir;
  // 0x81 0x60 is U+4E63; 0xB0B2 0xD7B0 is 安装.
  WriteFile(dir.Path() / "pack.db",
            Descriptor({{2, "\x81\x60" "x"}, {15, "\xB0\xB2\xD7\xB0.exe"}, {21, "\x81\x60"}, {30, "`"}}));
  // The backtick in field 30 is a real one: that text has 33 fields.
  EXPECT_EQ(Read(dir.Text("pack.db")).ending, Ending::Rejected);

  WriteFile(dir.Path() / "pack.db", Descriptor({{2, "\x81\x60" "x"}, {15, "\xB0\xB2\xD7\xB0.exe"}, {21, "\x81\x60"}}));
  const Outcome outcome = Read(dir.Text("pack.db"));
  EXPECT_EQ(Name(outcome.ending), Name(Ending::Read)) << sys::ToUtf8(outcome.text);
  EXPECT_EQ(outcome.values, (Values{u"\u4E63x", u"安装.exe", u"\u4E63", u""}));
}

TEST(DescriptorFileAnsi, Field13IsCheckedAsAnsiBytes) {
  if (!AnsiIs936()) GTEST_SKIP() << "needs code page 936 as the ANSI code page (active code page "
                                  << sys::ActiveAnsiCodePage() << ")";
  TempDir dir;
  // One character, but two bytes in the file: one pair that is not hexadecimal.
  WriteFile(dir.Path() / "pack.db", Descriptor(GoodWith(13, "\xD6\xD0")));
  const Outcome outcome = Read(dir.Text("pack.db"));
  EXPECT_EQ(Name(outcome.ending), Name(Ending::Convert));
  EXPECT_EQ(outcome.text, NotValid(u"中"));
  EXPECT_EQ(outcome.values, (Values{u"pid-42", u"", u"", u""}));
}

TEST(DescriptorFileSharing, AFileOthersHoldOpenForReadingAndWritingIsRead) {
  TempDir dir;
  WriteFile(dir.Path() / "pack.db", Descriptor(kGood));
  auto holder = sys::File::Open(dir.Text("pack.db"), sys::Access::ReadWrite, sys::Share::ReadWrite,
                                sys::Disposition::OpenExisting);
  ASSERT_TRUE(holder);
  const Outcome outcome = Read(dir.Text("pack.db"));
  EXPECT_EQ(Name(outcome.ending), Name(Ending::Read)) << sys::ToUtf8(outcome.text);
  EXPECT_EQ(outcome.values, kGoodValues);
}

TEST(DescriptorFileSharing, AFileThatCannotBeOpenedNamesPathAndReason) {
  TempDir dir;
  WriteFile(dir.Path() / "pack.db", Descriptor(kGood));
  const std::u16string path = dir.Text("pack.db");
#ifdef _WIN32
  auto holder = sys::File::Open(path, sys::Access::ReadWrite, sys::Share::None, sys::Disposition::OpenExisting);
  ASSERT_TRUE(holder);
  const std::u16string reason = sys::ErrorText(ERROR_SHARING_VIOLATION);
#else
  if (::geteuid() == 0) GTEST_SKIP() << "root reads files without read permission; POSIX has no sharing modes";
  std::filesystem::permissions(dir.Path() / "pack.db", std::filesystem::perms::none);
  const std::u16string reason = sys::ErrorText(EACCES);
#endif
  const Outcome outcome = Read(path);
  EXPECT_EQ(Name(outcome.ending), Name(Ending::OpenError));
  EXPECT_EQ(outcome.text, u"Cannot open file \"" + path + u"\". " + reason);
  EXPECT_EQ(outcome.values, Values{});
}

// ---------------------------------------------------------------- writing

TEST(BuildDescriptorFile, IsReadBackUnchanged) {
  std::vector<std::u16string> fields(32);
  fields[2] = u" pid&1 ";
  fields[13] = u"5CE1";
  fields[15] = u"setup.exe";
  fields[21] = u"http://banner.test/";
  fields[30] = u"http://portal.test/?x=1";
  fields[31] = u"last";
  const std::string file = app::BuildDescriptorFile(fields);
  // Payload and length only, the length covering exactly the payload.
  ASSERT_GE(file.size(), 4u);
  const std::string payload = file.substr(0, file.size() - 4);
  EXPECT_EQ(file.substr(file.size() - 4), descriptor_files::LengthBytes(static_cast<std::int32_t>(payload.size())));
  EXPECT_EQ(payload, Scramble(Fields({{2, " pid&1 "}, {13, "5CE1"}, {15, "setup.exe"}, {21, "http://banner.test/"},
                                      {30, "http://portal.test/?x=1"}, {31, "last"}})));

  TempDir dir;
  WriteFile(dir.Path() / "pack.db", file);
  const Outcome outcome = Read(dir.Text("pack.db"));
  EXPECT_EQ(Name(outcome.ending), Name(Ending::Read));
  EXPECT_EQ(outcome.values, (Values{u" pid&1 ", u"setup.exe", u"http://banner.test/", u"http://portal.test/?x=1"}));
}

}  // namespace
