// packtool check, run as the built binary against a loopback portal: the
// whole road, and each step at which it can stop.
#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <ostream>
#include <string>
#include <vector>

#include "app/descriptor.h"
#include "support/http_server.h"
#include "support/run_process.h"
#include "support/temp_dir.h"
#include "support/zip_builder.h"
#include "sys/codepage.h"
#include "sys/file.h"

namespace {

using testing_support::HttpServer;
using testing_support::ProcessResult;
using testing_support::TempDir;
using zip_testing::Entry;

Entry File(std::string name, std::string data, std::uint32_t unixMode = 0) {
  Entry entry;
  entry.name = std::move(name);
  entry.data = std::move(data);
  entry.method = 8;
  if (unixMode != 0) {
    entry.madeBy = 0x031E;
    entry.externalAttributes = (0100000u | unixMode) << 16;
  }
  return entry;
}

std::string Package(std::vector<Entry> entries) {
  zip_testing::Archive archive;
  archive.entries = std::move(entries);
  return HttpServer::Ok(zip_testing::Build(archive), "application/zip");
}

// A portal with a page carrying the marker and a package holding the
// installer in a subdirectory (named with "\" as descriptors made on
// Windows name it) and a file whose name is in code page 936.
struct Portal {
  Portal() {
    page = "<html><head><title>p</title></head>\n<body><!-- |||" + server.Url("/pkg/demo.zip") + "* -->\n</body></html>";
    package = Package({File("tools/setup.exe", "#!/bin/sh\nexit 0\n", 0755),
                       File("\xB0\xB2\xD7\xB0.txt", "read me")});  // 安装.txt
  }
  // Serves what the fields say and writes the descriptor; an empty route
  // answer leaves the path without one (404).
  std::u16string Publish(const TempDir& dir) {
    if (!page.empty()) server.Route("/portal.html", HttpServer::Ok(page, "text/html"));
    if (!package.empty()) server.Route("/pkg/demo.zip", package);
    const std::u16string path = dir.Text("pack.db");
    if (writeDescriptor) {
      std::vector<std::u16string> fields(app::kDescriptorFieldCount);
      fields[app::kPackageIdField] = u"p1";
      fields[app::kInstallerNameField] = installer;
      fields[app::kBannerUrlField] = sys::FromUtf8(server.Url("/banner.html"));
      fields[app::kPortalUrlField] = sys::FromUtf8(server.Url("/portal.html"));
      testing_support::WriteFile(dir.Path() / "pack.db", app::BuildDescriptorFile(fields));
    }
    return path;
  }

  HttpServer server;
  std::string page, package;
  std::u16string installer = u"tools\\setup.exe";
  bool writeDescriptor = true;
};

ProcessResult Check(const std::vector<std::u16string>& args) {
  std::vector<std::u16string> words = {u"check"};
  words.insert(words.end(), args.begin(), args.end());
  return testing_support::RunProcess(testing_support::SiblingProgram(u"packtool"), words);
}

std::vector<std::string> Lines(const std::string& text) {
  std::vector<std::string> lines;
  std::size_t start = 0;
  for (std::size_t end; (end = text.find('\n', start)) != std::string::npos; start = end + 1) {
    lines.push_back(text.substr(start, end - start));
  }
  return lines;
}

// The step lines (not the indented details), each cut to its "STEP: ok" or
// "STEP: FAILED" part.
std::vector<std::string> Steps(const std::string& out) {
  std::vector<std::string> steps;
  for (const std::string& line : Lines(out)) {
    for (const char* outcome : {": ok - ", ": FAILED - "}) {
      const std::size_t at = line.find(outcome);
      if (at != std::string::npos && line[0] != ' ') {
        steps.push_back(line.substr(0, at + std::string(outcome).size() - 3));
      }
    }
  }
  return steps;
}

std::string LineStartingWith(const std::string& out, const std::string& start) {
  for (const std::string& line : Lines(out)) {
    if (line.rfind(start, 0) == 0) return line;
  }
  return {};
}

TEST(CheckCommand, TheWholeRoadReachesTheLaunch) {
  TempDir dir;
  Portal portal;
  const ProcessResult result = Check({portal.Publish(dir)});
  ASSERT_EQ(result.exitCode, 0) << result.out << result.err;
  EXPECT_EQ(Steps(result.out), (std::vector<std::string>{"descriptor: ok", "portal page: ok", "marker: ok",
                                                          "package: ok", "unpack: ok", "installer: ok"}))
      << result.out;
  EXPECT_NE(result.out.find("the page's scripts are not run"), std::string::npos);
  // The portal address exactly as the program builds it, and asked for.
  const std::string address = portal.server.Url("/portal.html") + "?pid=p1&code=packstub&fee=1";
  EXPECT_NE(result.out.find("  portal address: " + address + "\n"), std::string::npos) << result.out;
  EXPECT_NE(result.out.find(", shown above the portal page"), std::string::npos);
  const auto requests = portal.server.Requests();
  EXPECT_EQ(requests, (std::vector<std::string>{"/portal.html?pid=p1&code=packstub&fee=1", "/pkg/demo.zip"}));

  EXPECT_EQ(LineStartingWith(result.out, "portal page: ok - ").rfind("portal page: ok - HTTP/1.1 200 OK, " +
                                                                     std::to_string(portal.page.size()) + " bytes in ",
                                                                     0),
            0u)
      << result.out;
  EXPECT_EQ(LineStartingWith(result.out, "marker: "),
            "marker: ok - DownloadUrl \"" + portal.server.Url("/pkg/demo.zip") + "\", package file \"demo.zip\"");
  EXPECT_NE(result.out.find("  \"|||\" at line 2, column 12\n"), std::string::npos) << result.out;
  const std::size_t body = portal.package.find("\r\n\r\n") + 4;
  const std::string size = std::to_string(portal.package.size() - body);
  EXPECT_EQ(LineStartingWith(result.out, "package: ").rfind("package: ok - " + size + " bytes (", 0), 0u) << result.out;
  EXPECT_EQ(LineStartingWith(result.out, "unpack: ").rfind("unpack: ok - 2 files, ", 0), 0u) << result.out;
  // Names decoded as the program decodes them.
  EXPECT_NE(result.out.find("  \xE5\xAE\x89\xE8\xA3\x85.txt (7 B, name in code page 936)\n"), std::string::npos)
      << result.out;
#ifndef _WIN32
  EXPECT_NE(LineStartingWith(result.out, "installer: ok - ").find("executable: the program would start it"),
            std::string::npos)
      << result.out;
#endif
  EXPECT_EQ(Lines(result.out).back(), "check: the road reaches the launch of the installer (not started here)");

  // Without --keep the temporary folder is gone again.
  const std::string unpack = LineStartingWith(result.out, "unpack: ok - ");
  const std::string folder = unpack.substr(unpack.find(", into ") + 7);
  ASSERT_FALSE(folder.empty());
  EXPECT_FALSE(std::filesystem::exists(std::filesystem::path(sys::FromUtf8(folder)))) << folder;
}

TEST(CheckCommand, KeepLeavesThePackageAndItsFilesInDir) {
  TempDir dir;
  Portal portal;
  const ProcessResult result = Check({portal.Publish(dir), u"--keep", dir.Text("kept")});
  ASSERT_EQ(result.exitCode, 0) << result.out << result.err;
  EXPECT_EQ(testing_support::ReadFile(dir.Path() / "kept" / "tools" / "setup.exe"), "#!/bin/sh\nexit 0\n");
  EXPECT_TRUE(std::filesystem::exists(dir.Path() / "kept" / "demo.zip"));
  EXPECT_FALSE(std::filesystem::exists(dir.Path() / "kept" / "demo.zip.tmp"));
  EXPECT_EQ(result.out.find("is removed"), std::string::npos) << result.out;
}

// Each step the road can stop at, once.
struct Failure {
  const char* name;
  std::function<void(Portal&)> spoil;
  std::string step;    // the failing step
  std::string reason;  // part of its line
  std::string detail;  // part of the output after it; empty: none looked for
  friend void PrintTo(const Failure& c, std::ostream* os) { *os << c.name; }
};

class CheckFailure : public ::testing::TestWithParam<Failure> {};

TEST_P(CheckFailure, NamesTheFirstFailingStepAndExitsOne) {
  TempDir dir;
  Portal portal;
  GetParam().spoil(portal);
  const std::u16string descriptor = portal.Publish(dir);
  const ProcessResult result = Check({descriptor});
  EXPECT_EQ(result.exitCode, 1) << result.out << result.err;
  std::string reason = GetParam().reason;
  if (reason == "MISSING") reason = "the program shows \"文件不存在：" + sys::ToUtf8(descriptor) + "\" and ends";
  // The failing step is the last one shown.
  const std::vector<std::string> steps = Steps(result.out);
  ASSERT_FALSE(steps.empty()) << result.out;
  EXPECT_EQ(steps.back(), GetParam().step + ": FAILED") << result.out;
  EXPECT_NE(LineStartingWith(result.out, GetParam().step + ": FAILED - ").find(reason), std::string::npos)
      << result.out;
  if (!GetParam().detail.empty()) {
    EXPECT_NE(result.out.find(GetParam().detail), std::string::npos) << result.out;
  }
  EXPECT_EQ(Lines(result.out).back(), "check: the road stops at the " + GetParam().step + " step");
}

INSTANTIATE_TEST_SUITE_P(
    Steps, CheckFailure,
    ::testing::Values(
        Failure{"DescriptorMissing", [](Portal& p) { p.writeDescriptor = false; }, "descriptor", "MISSING", ""},
        Failure{"PortalNotFound", [](Portal& p) { p.page.clear(); }, "portal page", "HTTP/1.1 404 Not Found", ""},
        Failure{"NoBars",
                [](Portal& p) { p.page = "<html>\n <!-- ||http://h/p.zip* -->\n<script>go()</script></html>"; },
                "marker", "no \"|||\" in the page text",
                "  the nearest candidate, at line 2, column 7: \"||http://h/p.zip* -->"},
        Failure{"NoStarAfterTheBars", [](Portal& p) { p.page = "<html>|||http://h/p.zip</html>"; }, "marker",
                "\"|||\" at line 1, column 7 has no \"*\" after it: the address is empty, and the user would see "
                "\"下载失败！可能文件不存在或网络不通，或磁盘空间不够\"",
                ""},
        Failure{"NoHttpAnywhere", [](Portal& p) { p.page = "<p>|||https://h/p.zip*</p>"; }, "marker",
                "but no \"http://\" (in any case) anywhere in the page", "https:// addresses only"},
        Failure{"TextEndsAtANul",
                [](Portal& p) { p.page = std::string("<p>\0|||http://h/p.zip*</p>", 26); }, "marker",
                "no \"|||\" in the page text, which ends at a NUL character at line 1, column 4", ""},
        Failure{"PackageNotFound", [](Portal& p) { p.package.clear(); }, "package",
                "HTTP/1.1 404 Not Found; the user would see \"下载失败！可能文件不存在或网络不通，或磁盘空间不够\"", ""},
        Failure{"DamagedPackage", [](Portal& p) { p.package = HttpServer::Ok("not an archive at all"); }, "unpack",
                "Error reading zip file; the program's error report shows it", ""},
        Failure{"InstallerMissing", [](Portal& p) { p.installer = u"tools\\absent.exe"; }, "installer",
                "the user would see \"没有找到安装启动程序：tools\\absent.exe\"", ""},
        Failure{"EscapingEntry",
                [](Portal& p) { p.package = Package({File("ok.txt", "1"), File("../escape", "2")}); }, "unpack",
                "Entry \"../escape\" would be written outside the destination directory",
                "1 entries written before it, the last \"ok.txt\""}),
    [](const auto& info) { return std::string(info.param.name); });

#ifndef _WIN32
// Names are compared exactly where the file system does so.
TEST(CheckCommand, AnInstallerNamedInAnotherCaseIsPointedAt) {
  TempDir dir;
  Portal portal;
  portal.installer = u"tools\\Setup.exe";
  const ProcessResult result = Check({portal.Publish(dir)});
  EXPECT_EQ(result.exitCode, 1);
  EXPECT_NE(result.out.find("installer: FAILED - "), std::string::npos) << result.out;
  EXPECT_NE(result.out.find("  the package has \"tools/setup.exe\": the name must match in case too\n"),
            std::string::npos)
      << result.out;
}
#endif

TEST(CheckCommand, UsageErrorsExitTwo) {
  const std::vector<std::vector<std::u16string>> cases = {
      {}, {u"pack.db", u"other.db"}, {u"pack.db", u"--keep"}, {u"--keep", u"a", u"pack.db", u"--keep", u"b"},
      {u"pack.db", u"--frobnicate"}};
  for (const auto& args : cases) {
    const ProcessResult result = Check(args);
    EXPECT_EQ(result.exitCode, 2);
    EXPECT_EQ(result.out, "");
    EXPECT_NE(result.err.find("packtool check DESCRIPTOR [--keep DIR]"), std::string::npos) << result.err;
  }
}

}  // namespace
