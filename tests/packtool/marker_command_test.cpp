// packtool marker, run as the built binary: the address and file name the
// portal window would take from a saved page.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "support/run_process.h"
#include "support/temp_dir.h"

namespace {

using testing_support::ProcessResult;
using testing_support::TempDir;

ProcessResult Marker(const TempDir& dir, const std::string& page) {
  testing_support::WriteFile(dir.Path() / "page.html", page);
  return testing_support::RunProcess(testing_support::SiblingProgram(u"packtool"), {u"marker", dir.Text(u"page.html")});
}

TEST(MarkerCommand, PrintsTheAddressAndTheFileName) {
  struct Case {
    std::string page, out;
  };
  const Case cases[] = {
      {"<html><!-- |||http://h/dir/pkg.zip* --></html>", "DownloadUrl: http://h/dir/pkg.zip\nFileName: pkg.zip\n"},
      // UTF-8 with its byte-order mark; a line break inside the marker
      // comes out as CR LF and splits the file name.
      {"\xEF\xBB\xBF<p>|||http://h/\xE5\x8C\x85/a\nb.zip*</p>",
       "DownloadUrl: http://h/\xE5\x8C\x85/a\r\nb.zip\nFileName: b.zip\n"},
      // https in the marker counts when "http://" stands elsewhere.
      {"<!DOCTYPE html SYSTEM \"http://w3\">|||https://h/get.php?id=5*",
       "DownloadUrl: https://h/get.php?id=5\nFileName: get.php?id=5\n"},
      {"|||*http://", "DownloadUrl: \nFileName: \n"},
  };
  TempDir dir;
  for (const Case& c : cases) {
    const ProcessResult result = Marker(dir, c.page);
    EXPECT_EQ(result.exitCode, 0) << c.page;
    EXPECT_EQ(result.out, c.out);
    EXPECT_EQ(result.err, "");
  }
}

TEST(MarkerCommand, PageWithoutAMarkerExitsOne) {
  const std::string pages[] = {
      "<html>nothing</html>",
      "|||https://h/p.zip*",                                // no "http://" anywhere
      std::string("<p>\0|||http://h/p.zip*</p>", 26),  // the text ends at its NUL
  };
  TempDir dir;
  for (const std::string& page : pages) {
    const ProcessResult result = Marker(dir, page);
    EXPECT_EQ(result.exitCode, 1);
    EXPECT_EQ(result.out, "");
    EXPECT_EQ(result.err, "no download marker\n");
  }
}

TEST(MarkerCommand, MissingPageAndUsage) {
  TempDir dir;
  const auto packtool = testing_support::SiblingProgram(u"packtool");
  const ProcessResult missing = testing_support::RunProcess(packtool, {u"marker", dir.Text(u"absent.html")});
  EXPECT_EQ(missing.exitCode, 1);
  EXPECT_EQ(missing.err.rfind("Cannot open file \"", 0), 0u) << missing.err;
  EXPECT_EQ(testing_support::RunProcess(packtool, {u"marker"}).exitCode, 2);
}

}  // namespace
