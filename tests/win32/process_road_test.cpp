// The whole road with the program as a process under Wine: the test build
// of packstub whose browsers are the test control (fetching the loopback
// portal's page), the real HTTP client, unpacking, the installer started,
// and the user's close of the portal window.
#include <gtest/gtest.h>
#include <windows.h>

#include <commctrl.h>

#include <chrono>
#include <filesystem>
#include <thread>

#include "app/descriptor.h"
#include "support/http_server.h"
#include "support/run_process.h"
#include "support/temp_dir.h"
#include "support/zip_builder.h"
#include "sys/codepage.h"

namespace {

using testing_support::HttpServer;
using namespace std::chrono_literals;

struct Found {
  DWORD process;
  HWND window = nullptr;
};

BOOL CALLBACK FindPortal(HWND window, LPARAM parameter) {
  auto* found = reinterpret_cast<Found*>(parameter);
  DWORD process = 0;
  GetWindowThreadProcessId(window, &process);
  wchar_t name[64] = {};
  GetClassNameW(window, name, 64);
  // The portal window is the visible form with children (the main form has none).
  if (process == found->process && IsWindowVisible(window) && std::wstring(name) == L"PackstubControl" &&
      GetWindow(window, GW_CHILD) != nullptr) {
    found->window = window;
    return FALSE;
  }
  return TRUE;
}

BOOL CALLBACK FindProgressBar(HWND window, LPARAM parameter) {
  wchar_t name[64] = {};
  GetClassNameW(window, name, 64);
  if (std::wstring(name) == PROGRESS_CLASSW && IsWindowVisible(window)) {
    *reinterpret_cast<HWND*>(parameter) = window;
    return FALSE;
  }
  return TRUE;
}

template <class F>
bool Within(std::chrono::seconds limit, F condition) {
  const auto deadline = std::chrono::steady_clock::now() + limit;
  while (!condition()) {
    if (std::chrono::steady_clock::now() > deadline) return false;
    std::this_thread::sleep_for(50ms);
  }
  return true;
}

TEST(ProcessRoadTest, TheProgramInstallsThePackageAndEndsWhenTheUserClosesTheWindow) {
  testing_support::TempDir dir;
  zip_testing::Entry installer;
  installer.name = "setup.exe";
  installer.data = testing_support::ReadFile(std::filesystem::path(testing_support::SiblingProgram(u"fake_installer")));
  installer.method = 8;
  zip_testing::Archive archive;
  archive.entries = {installer};
  HttpServer server;
  server.Route("/pkg.zip", HttpServer::Ok(zip_testing::Build(archive), "application/zip"));
  server.Route("/get", HttpServer::Ok("<html>|||" + server.Url("/pkg.zip") + "*, http://</html>", "text/html"));
  std::vector<std::u16string> fields(app::kDescriptorFieldCount);
  fields[app::kPackageIdField] = u"p1";
  fields[app::kInstallerNameField] = u"setup.exe";
  fields[app::kPortalUrlField] = sys::FromUtf8(server.Url("/get"));
  testing_support::WriteFile(dir.Path() / "pack.db", app::BuildDescriptorFile(fields));
  const std::filesystem::path program = dir.Path() / "packstub.exe";
  std::filesystem::copy_file(std::filesystem::path(testing_support::SiblingProgram(u"packstub_fake_browser")), program);

  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION info{};
  std::wstring commandLine = L"\"" + program.wstring() + L"\"";
  ASSERT_TRUE(CreateProcessW(program.wstring().c_str(), commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr,
                             dir.Path().wstring().c_str(), &startup, &info));
  CloseHandle(info.hThread);
  const std::filesystem::path download = dir.Path() / "download";
  EXPECT_TRUE(Within(30s, [&] { return std::filesystem::exists(download / "installed.txt"); })) << "the installer ran";
  Found portal{info.dwProcessId};
  EXPECT_TRUE(Within(10s, [&] {
    EnumWindows(&FindPortal, reinterpret_cast<LPARAM>(&portal));
    return portal.window != nullptr;
  }));
  if (portal.window != nullptr) {
    // The progress view is the system's progress control, at its end.
    HWND bar = nullptr;
    EnumChildWindows(portal.window, &FindProgressBar, reinterpret_cast<LPARAM>(&bar));
    ASSERT_NE(bar, nullptr);
    EXPECT_EQ(SendMessageW(bar, PBM_GETPOS, 0, 0), SendMessageW(bar, PBM_GETRANGE, FALSE, 0));
    PostMessageW(portal.window, WM_CLOSE, 0, 0);
  }
  EXPECT_EQ(WaitForSingleObject(info.hProcess, 30000), WAIT_OBJECT_0);
  DWORD exitCode = 1;
  GetExitCodeProcess(info.hProcess, &exitCode);
  if (exitCode == STILL_ACTIVE) TerminateProcess(info.hProcess, 1);
  CloseHandle(info.hProcess);
  EXPECT_EQ(exitCode, 0u);
  EXPECT_FALSE(std::filesystem::exists(download / "pkg.zip")) << "the close removed the package";
  EXPECT_TRUE(std::filesystem::exists(download / "setup.exe"));
}

}  // namespace
