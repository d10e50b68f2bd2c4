// packstub-console run as a process where the disk lets it down, and killed
// in the middle of its road.
//
// Full disks and unwritable places (Linux): the program runs with a
// file-size limit (RLIMIT_FSIZE, SIGXFSZ ignored), or with download/ on a
// small tmpfs (little room, or no free inodes) or made read-only by a bind
// mount, each in a mount namespace of the child's own. A download that does
// not fit ends in the failure message; an unpacking that does not fit ends
// in the error report ("Stream write error" for a write that falls short, the
// system's text for a file that cannot be created), and so does a temporary
// file that cannot be created. Nothing is reported as started, and nothing
// beside download/ changes.
//
// Killed in the middle: a run killed while the package comes (the server
// throttled, so the moment is sure) or while it is unpacked is followed by
// a run that goes the whole road.
#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <map>
#include <thread>

#include "portal_fixture.h"
#include "support/http_server.h"
#include "support/run_process.h"
#include "support/zip_builder.h"

#ifndef _WIN32
#include <sched.h>
#include <signal.h>
#include <sys/mount.h>
#include <sys/resource.h>
#endif

namespace portal_testing {
namespace {

namespace fs = std::filesystem;
using testing_support::HttpServer;
using testing_support::ReadFile;
using zip_testing::Entry;

const char kFailure[] = "下载失败！可能文件不存在或网络不通，或磁盘空间不够";
const char kUnpacking[] = "下载成功，正在解压文件包，耗时可能较长,请耐心等待...";
const char kStarted[] = "已经启动安装，安装完毕后可以关闭此窗口";

#ifdef _WIN32
const char kConsole[] = "packstub-console.exe";
const char kInstaller[] = "setup.exe";
#else
const char kConsole[] = "packstub-console";
const char kInstaller[] = "setup";
#endif

Entry Made(std::string name, std::string data, std::uint16_t method) {
  Entry entry;
  entry.name = std::move(name);
  entry.data = std::move(data);
  entry.method = method;
  return entry;
}

// Bytes that Deflate cannot shrink.
std::string Noise(std::size_t size) {
  std::string bytes(size, '\0');
  std::uint32_t state = 2463534242u;
  for (char& c : bytes) {
    state ^= state << 13;
    state ^= state >> 17;
    state ^= state << 5;
    c = static_cast<char>(state);
  }
  return bytes;
}

std::string Package(std::vector<Entry> entries) {
  zip_testing::Archive archive;
  archive.entries = std::move(entries);
  return zip_testing::Build(archive);
}

// The real installer of the build, which leaves installed.txt beside it.
Entry InstallerEntry() {
  Entry entry = Made(kInstaller, ReadFile(fs::path(testing_support::SiblingProgram(u"fake_installer"))), 8);
#ifndef _WIN32
  entry.madeBy = 0x031E;
  entry.externalAttributes = 0100755u << 16;
#endif
  return entry;
}

class ConsoleRun : public PortalFixture {
 protected:
  void SetUp() override {
    fs::copy_file(testing_support::SiblingProgram(u"packstub-console"), dir_.Path() / kConsole);
  }
  void Serve(const std::string& answer) {
    server_.Route("/portal.html",
                  HttpServer::Ok("<html><!-- |||" + server_.Url("/pkg/demo.zip") + "* --></html>", "text/html"));
    server_.Route("/pkg/demo.zip", answer);
    WriteDescriptor(server_.Url("/portal.html"), sys::FromUtf8(kInstaller));
  }
  std::u16string Console() const { return testing_support::ToText(dir_.Path() / kConsole); }

  // Everything beside download/: names, sizes, times and modes.
  std::map<std::string, std::string> Surroundings() const {
    std::map<std::string, std::string> seen;
    for (auto it = fs::recursive_directory_iterator(dir_.Path()); it != fs::recursive_directory_iterator(); ++it) {
      const fs::path relative = fs::relative(it->path(), dir_.Path());
      if (*relative.begin() == "download") {
        if (it->is_directory()) it.disable_recursion_pending();
        continue;
      }
      const auto status = it->symlink_status();
      std::string what = std::to_string(static_cast<int>(status.type())) + " " +
                         std::to_string(static_cast<unsigned>(status.permissions()));
      if (it->is_regular_file()) {
        what += " " + std::to_string(it->file_size()) + " " +
                std::to_string(it->last_write_time().time_since_epoch().count());
      }
      seen[relative.generic_string()] = what;
    }
    return seen;
  }

  HttpServer server_;
};

// --- Full disks and unwritable places --------------------------------------

enum class Limit { FileSize, SmallDisk, NoFreeInodes, ReadOnly };
enum class Load { LargeDownload, LargeDownloadWithoutLength, LargeUnpacking };

struct DiskCase {
  const char* name;
  Limit limit;
  Load load;
  // The failure message, or the error report that holds all of these.
  bool failureMessage;
  std::vector<std::string> report;
};

void PrintTo(const DiskCase& c, std::ostream* out) { *out << c.name; }

class DiskFaults : public ConsoleRun, public ::testing::WithParamInterface<DiskCase> {};

TEST_P(DiskFaults, EndWithoutAnythingStarted) {
#ifdef _WIN32
  GTEST_SKIP() << "file-size limits and mount namespaces are Linux mechanisms; Wine has neither";
#else
  const DiskCase& c = GetParam();
  // 1 MiB that does not shrink for the downloads; a few KiB holding 8 MiB
  // for the unpacking.
  const std::string stub = "#!/bin/sh\n";
  std::string answer;
  if (c.load == Load::LargeUnpacking) {
    answer = HttpServer::Ok(Package({Made(kInstaller, stub, 0), Made("big.bin", std::string(8u << 20, 'z'), 8)}));
  } else {
    const std::string package = Package({Made(kInstaller, stub, 0), Made("noise.bin", Noise(1u << 20), 0)});
    answer = c.load == Load::LargeDownload ? HttpServer::Ok(package)
                                           : "HTTP/1.1 200 OK\r\nConnection: close\r\n\r\n" + package;
  }
  Serve(answer);
  fs::create_directory(dir_.Path() / "download");
  const auto before = Surroundings();

  const std::string download = (dir_.Path() / "download").string();
  constexpr rlim_t kFileLimit = 256 << 10;
  const Limit limit = c.limit;
  const std::function<int()> setup = [limit, &download]() -> int {
    if (limit == Limit::FileSize) {
      ::signal(SIGXFSZ, SIG_IGN);
      const rlimit bound{kFileLimit, kFileLimit};
      return ::setrlimit(RLIMIT_FSIZE, &bound);
    }
    if (::unshare(CLONE_NEWNS) != 0) return -1;
    if (::mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) != 0) return -1;
    if (limit == Limit::SmallDisk) return ::mount("tmpfs", download.c_str(), "tmpfs", 0, "size=256k");
    // Room for the directory itself and the package, and for nothing else.
    if (limit == Limit::NoFreeInodes) return ::mount("tmpfs", download.c_str(), "tmpfs", 0, "size=16m,nr_inodes=2");
    if (::mount(download.c_str(), download.c_str(), nullptr, MS_BIND, nullptr) != 0) return -1;
    return ::mount(nullptr, download.c_str(), nullptr, MS_REMOUNT | MS_BIND | MS_RDONLY, nullptr);
  };
  const testing_support::ProcessResult run = testing_support::RunProcess(Console(), {}, setup);
  if (run.exitCode == testing_support::kSetupFailed) {
    GTEST_SKIP() << "the limit cannot be set up here (needs a mount namespace of its own, as root)";
  }
  const std::string printed = run.out + run.err;
  EXPECT_EQ(run.exitCode, 0) << printed;
  EXPECT_EQ(printed.find(kStarted), std::string::npos) << printed;
  if (c.failureMessage) {
    EXPECT_NE(run.out.find(std::string("[packstub-console] ") + kFailure), std::string::npos) << printed;
    EXPECT_EQ(printed.find(kUnpacking), std::string::npos) << printed;
    EXPECT_EQ(run.err.find("error:"), std::string::npos) << printed;
  } else {
    EXPECT_EQ(printed.find(kFailure), std::string::npos) << printed;
    const std::size_t report = run.err.find("[packstub-console] error: ");
    ASSERT_NE(report, std::string::npos) << printed;
    const std::string line = run.err.substr(report, run.err.find('\n', report) - report);
    for (const std::string& part : c.report) EXPECT_NE(line.find(part), std::string::npos) << line;
  }
  EXPECT_FALSE(fs::exists(dir_.Path() / "download" / "installed.txt"));
  EXPECT_EQ(Surroundings(), before);
#endif
}

INSTANTIATE_TEST_SUITE_P(
    Table, DiskFaults,
    ::testing::Values(
        DiskCase{"download beyond the file size limit", Limit::FileSize, Load::LargeDownload, true, {}},
        DiskCase{"download without length beyond the file size limit", Limit::FileSize,
                 Load::LargeDownloadWithoutLength, true, {}},
        DiskCase{"download on a full disk", Limit::SmallDisk, Load::LargeDownload, true, {}},
        DiskCase{"download without length on a full disk", Limit::SmallDisk, Load::LargeDownloadWithoutLength, true,
                 {}},
        // A write that falls short has its own text, not the system's.
        DiskCase{"unpacking beyond the file size limit", Limit::FileSize, Load::LargeUnpacking, false,
                 {"Stream write error"}},
        DiskCase{"unpacking on a full disk", Limit::SmallDisk, Load::LargeUnpacking, false, {"Stream write error"}},
        DiskCase{"unpacking on a disk without free inodes", Limit::NoFreeInodes, Load::LargeUnpacking, false,
                 {"Cannot create file \"", "download/setup\"", "No space left on device"}},
        DiskCase{"read only download directory", Limit::ReadOnly, Load::LargeDownload, false,
                 {"Cannot create file \"", "demo.zip.tmp\"", "Read-only file system"}}),
    [](const ::testing::TestParamInfo<DiskCase>& info) {
      std::string name;
      bool upper = true;
      for (const char* p = info.param.name; *p != '\0'; ++p) {
        if (*p == ' ') {
          upper = true;
          continue;
        }
        name.push_back(upper ? static_cast<char>(std::toupper(static_cast<unsigned char>(*p))) : *p);
        upper = false;
      }
      return name;
    });

// --- Killed in the middle -------------------------------------------------

bool Within(std::chrono::seconds limit, const std::function<bool()>& condition) {
  const auto deadline = std::chrono::steady_clock::now() + limit;
  while (!condition()) {
    if (std::chrono::steady_clock::now() > deadline) return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(2));
  }
  return true;
}

class KilledRun : public ConsoleRun {
 protected:
  // After the killed run, a run of its own goes the whole road.
  void ExpectTheNextRunCompletes(std::size_t bigSize) {
    server_.Throttle(0, std::chrono::milliseconds(0));
    const testing_support::ProcessResult run = testing_support::RunProcess(Console(), {});
    const std::string printed = run.out + run.err;
    EXPECT_EQ(run.exitCode, 0) << printed;
    EXPECT_NE(run.out.find(kStarted), std::string::npos) << printed;
    EXPECT_EQ(printed.find("error:"), std::string::npos) << printed;
    EXPECT_EQ(fs::file_size(dir_.Path() / "download" / "big.bin"), bigSize);
    EXPECT_TRUE(Within(std::chrono::seconds(20), [&] { return fs::exists(dir_.Path() / "download" / "installed.txt"); }));
    EXPECT_FALSE(fs::exists(dir_.Path() / "download" / "demo.zip.tmp"));
  }
};

TEST_F(KilledRun, DuringTheDownload) {
  const std::size_t bigSize = 2u << 20;
  const std::string package = HttpServer::Ok(Package({InstallerEntry(), Made("big.bin", Noise(bigSize), 0)}));
  Serve(package);
  // The package comes in pieces of 64 KiB every 20 ms: over half a second.
  server_.Throttle(64 << 10, std::chrono::milliseconds(20));
  const std::string output = (dir_.Path() / "killed.txt").string();
  {
    testing_support::RunningProcess killed(Console(), {}, output);
    ASSERT_TRUE(killed.Started());
    const std::size_t portal = 200;  // the portal page's answer is far below this
    ASSERT_TRUE(Within(std::chrono::seconds(30), [&] { return server_.Sent() > portal + (256u << 10); }));
    killed.Kill();
  }
  EXPECT_LT(server_.Sent(), package.size());
  EXPECT_EQ(ReadFile(output).find(kUnpacking), std::string::npos) << ReadFile(output);
  EXPECT_TRUE(fs::exists(dir_.Path() / "download" / "demo.zip.tmp"));
  ExpectTheNextRunCompletes(bigSize);
}

TEST_F(KilledRun, DuringTheUnpacking) {
  // 128 MiB of one byte take a moment to come out of a hundred KiB.
  const std::size_t bigSize = 128u << 20;
  Serve(HttpServer::Ok(Package({Made("big.bin", std::string(bigSize, 'u'), 8), InstallerEntry()})));
  const std::string output = (dir_.Path() / "killed.txt").string();
  const fs::path big = dir_.Path() / "download" / "big.bin";
  {
    testing_support::RunningProcess killed(Console(), {}, output);
    ASSERT_TRUE(killed.Started());
    ASSERT_TRUE(Within(std::chrono::seconds(30), [&] {
      std::error_code error;
      return fs::file_size(big, error) > 0 && !error;
    }));
    killed.Kill();
  }
  const std::string printed = ReadFile(output);
  EXPECT_NE(printed.find(kUnpacking), std::string::npos) << printed;
  EXPECT_EQ(printed.find(kStarted), std::string::npos) << printed;
  EXPECT_LT(fs::file_size(big), bigSize);
  EXPECT_TRUE(fs::exists(dir_.Path() / "download" / "demo.zip"));
  ExpectTheNextRunCompletes(bigSize);
}

}  // namespace
}  // namespace portal_testing
