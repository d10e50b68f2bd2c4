// packstub, the GTK edition, as a process on a display of the tests' own:
// what its windows look like and where they are, and the whole road in
// real web pages: a click in the portal page, the download with the bar
// moving, unpacking, the launch, and the ways the road ends.
#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <random>
#include <thread>

#include "app/descriptor.h"
#include "gui_portal.h"
#include "gui_process.h"
#include "support/run_process.h"
#include "support/temp_dir.h"
#include "support/zip_builder.h"
#include "sys/codepage.h"
#include "x_session.h"

namespace gui_testing {
namespace {

using testing_support::ReadFile;
using testing_support::WriteFile;

constexpr int kPortalWidth = 965;
constexpr int kPortalHeight = 771;
constexpr std::uint32_t kPanelColour = 0xB9D1EA;  // RGB 185, 209, 234
constexpr std::uint32_t kBarColour = 0x06B025;

// The installer (a program of the build that leaves installed.txt beside
// itself), with filler that does not compress, so the download takes a
// while at the portal's pace.
std::string Package(std::size_t fillerBytes) {
  zip_testing::Entry installer;
  installer.name = "setup";
  installer.data = ReadFile(std::filesystem::path(sys::ToUtf8(testing_support::SiblingProgram(u"fake_installer"))));
  installer.method = 8;
  installer.madeBy = 0x031E;
  installer.externalAttributes = 0100755u << 16;
  zip_testing::Entry filler;
  filler.name = "data/filler.bin";
  std::mt19937 random(7);
  filler.data.resize(fillerBytes);
  for (char& c : filler.data) c = static_cast<char>(random());
  zip_testing::Archive archive;
  archive.entries = {installer, filler};
  return zip_testing::Build(archive);
}

std::string MarkerPage(const std::string& packageUrl) {
  return "<!DOCTYPE html><html><body style='background:#ffffff'>"
         "<p>Your package is on its way.</p><!-- |||" + packageUrl + "* --></body></html>";
}

// A portal page the user must click through: its link leads to the page
// with the marker, and its own script clicks it, as a user would.
std::string ClickPage(const std::string& target) {
  return "<!DOCTYPE html><html><body style='background:#ffcc00'>"
         "<a id='get' href='" + target + "'>Download</a>"
         "<script>window.onload = function () {"
         " setTimeout(function () { document.getElementById('get').click(); }, 300); };</script>"
         "</body></html>";
}

class GuiRoad : public ::testing::Test {
 protected:
  void SetUp() override {
    std::string reason;
    x_ = XSession::Get(&reason);
    if (x_ == nullptr) GTEST_SKIP() << reason;
    portal_.Route("/banner.html", Portal::Page("<html><body style='background:#336699'>banner</body></html>"));
    program_ = std::make_unique<Program>(dir_.Path());
  }

  void WriteDescriptor(const std::string& portalPath, const std::string& installer = "setup") {
    std::vector<std::u16string> fields(app::kDescriptorFieldCount);
    fields[app::kPackageIdField] = u"p1";
    fields[app::kInstallerNameField] = sys::FromUtf8(installer);
    fields[app::kBannerUrlField] = sys::FromUtf8(portal_.Url("/banner.html"));
    fields[app::kPortalUrlField] = sys::FromUtf8(portal_.Url(portalPath));
    WriteFile(dir_.Path() / "pack.db", app::BuildDescriptorFile(fields));
  }

  TopWindow PortalWindow() {
    std::optional<TopWindow> window = x_->WaitForWindow("packstub", 20, false);
    if (!window) {
      ADD_FAILURE() << "the portal window did not appear; output: " << program_->Output();
      return {};
    }
    return *window;
  }

  bool Appears(const std::filesystem::path& path, double seconds) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::duration<double>(seconds);
    while (!std::filesystem::exists(path)) {
      if (std::chrono::steady_clock::now() > deadline) return false;
      std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    return true;
  }

  // Waits until the pixel has the colour (a page or panel has been drawn).
  bool Shows(int x, int y, std::uint32_t colour, double seconds) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::duration<double>(seconds);
    while (x_->Pixel(x, y) != colour) {
      if (std::chrono::steady_clock::now() > deadline) return false;
      std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    return true;
  }

  // How much of the progress bar is filled: the pixels along its middle
  // in the bar's fill colour.
  int FilledBar(const TopWindow& w) {
    const int y = w.y + 613 + 96 + 9;
    int filled = 0;
    for (int x = w.x + 200; x < w.x + 200 + 553; x += 4) filled += x_->Pixel(x, y) == kBarColour;
    return filled;
  }

  std::filesystem::path Download(const char* name) const { return dir_.Path() / "download" / name; }

  XSession* x_ = nullptr;
  testing_support::TempDir dir_;
  Portal portal_;
  std::unique_ptr<Program> program_;
};

TEST_F(GuiRoad, PortalWindowIsCentredFixedAndAloneWithBothPagesDrawn) {
  portal_.Route("/portal.html", Portal::Page("<html><body style='background:#ffcc00'>no marker here</body></html>"));
  WriteDescriptor("/portal.html");
  program_->Start();
  const TopWindow w = PortalWindow();
  EXPECT_EQ(w.width, kPortalWidth);
  EXPECT_EQ(w.height, kPortalHeight);
  EXPECT_EQ(w.x, (x_->ScreenWidth() - kPortalWidth) / 2);
  EXPECT_EQ(w.y, (x_->ScreenHeight() - kPortalHeight) / 2);
  EXPECT_EQ(w.minWidth, kPortalWidth);
  EXPECT_EQ(w.maxWidth, kPortalWidth);
  EXPECT_EQ(w.minHeight, kPortalHeight);
  EXPECT_EQ(w.maxHeight, kPortalHeight);
  // Move, minimise and close; no maximise, no resize.
  constexpr long kResize = 1 << 1, kMove = 1 << 2, kMinimize = 1 << 3, kMaximize = 1 << 4, kClose = 1 << 5;
  ASSERT_NE(w.functions, -1);
  EXPECT_EQ(w.functions & (kResize | kMove | kMinimize | kMaximize | kClose), kMove | kMinimize | kClose);
  // The main window stays hidden while the portal window is open.
  int mapped = 0;
  for (const TopWindow& other : x_->Windows()) mapped += other.mapped && other.width > 1;
  EXPECT_EQ(mapped, 1);
  // The banner page fills the upper 613 rows, the portal page the rest.
  EXPECT_TRUE(Shows(w.x + 10, w.y + 10, 0x336699, 20));
  EXPECT_TRUE(Shows(w.x + 10, w.y + 613 + 10, 0xFFCC00, 20));
  EXPECT_TRUE(std::filesystem::is_directory(dir_.Path() / "download"));

  x_->Close(w.id);
  EXPECT_EQ(program_->Wait(20), 0) << program_->Output();
}

TEST_F(GuiRoad, ClickLeadsToTheMarkerAndTheRoadRunsToTheLaunch) {
  portal_.Route("/portal.html", Portal::Page(ClickPage("/get.html")));
  portal_.Route("/get.html", Portal::Page(MarkerPage(portal_.Url("/pkg/demo.zip"))));
  portal_.Route("/pkg/demo.zip", Portal::File(Package(1 << 20), 256 << 10));
  WriteDescriptor("/portal.html");
  program_->Start();
  const TopWindow w = PortalWindow();
  ASSERT_TRUE(portal_.WaitForBody("/pkg/demo.zip", 30));
  // The progress view: the panel's own colour where the portal page was,
  // and a bar that fills as the package arrives.
  EXPECT_TRUE(Shows(w.x + 10, w.y + 613 + 10, kPanelColour, 10));
  std::this_thread::sleep_for(std::chrono::milliseconds(800));
  const int early = FilledBar(w);
  std::this_thread::sleep_for(std::chrono::milliseconds(1500));
  const int later = FilledBar(w);
  EXPECT_LT(early, later);
  EXPECT_GT(early, 0);

  ASSERT_TRUE(Appears(Download("installed.txt"), 30)) << program_->Output();
  EXPECT_TRUE(std::filesystem::exists(Download("demo.zip")));
  EXPECT_TRUE(std::filesystem::exists(Download("data/filler.bin")));
  x_->Close(w.id);
  EXPECT_EQ(program_->Wait(20), 0) << program_->Output();
  // Closing removes the archive; the unpacked files stay.
  EXPECT_FALSE(std::filesystem::exists(Download("demo.zip")));
  EXPECT_TRUE(std::filesystem::exists(Download("setup")));
  const std::vector<std::string> requests = portal_.Requests();
  EXPECT_NE(std::find(requests.begin(), requests.end(), "/portal.html?pid=p1&code=packstub&fee=1"), requests.end());
}

TEST_F(GuiRoad, CloseDuringTheDownloadTakesEffectAfterTheLaunch) {
  portal_.Route("/portal.html", Portal::Page(MarkerPage(portal_.Url("/pkg/demo.zip"))));
  portal_.Route("/pkg/demo.zip", Portal::File(Package(512 << 10), 256 << 10));
  WriteDescriptor("/portal.html");
  program_->Start();
  const TopWindow w = PortalWindow();
  ASSERT_TRUE(portal_.WaitForBody("/pkg/demo.zip", 30));
  x_->Close(w.id);
  EXPECT_EQ(program_->Wait(30), 0) << program_->Output();
  EXPECT_TRUE(std::filesystem::exists(Download("installed.txt")) || Appears(Download("installed.txt"), 5));
  EXPECT_FALSE(std::filesystem::exists(Download("demo.zip")));
}

TEST_F(GuiRoad, MissingPackageShowsTheFailureMessageThenEnds) {
  portal_.Route("/portal.html", Portal::Page(MarkerPage(portal_.Url("/pkg/gone.zip"))));
  WriteDescriptor("/portal.html");
  program_->Start();
  PortalWindow();
  std::optional<TopWindow> box = x_->WaitForWindow("packstub", 20, true);
  ASSERT_TRUE(box) << program_->Output();
  EXPECT_TRUE(program_->Running());
  x_->PressKey(box->id, "Return");
  EXPECT_EQ(program_->Wait(20), 0) << program_->Output();
  EXPECT_FALSE(std::filesystem::exists(Download("installed.txt")));
  // The failure path runs no close handler: the temporary file stays.
  EXPECT_TRUE(std::filesystem::exists(Download("gone.zip.tmp")));
}

// Pages whose wrong decoding would lose the marker: in GBK, 億 is 83 7C,
// so a reading that does not take it as one character sees four bars; in
// UTF-8 with its mark, five bytes come before the bars, so a reading as
// GBK pairs the last of them with the first bar.
struct EncodedPage {
  const char* name;
  std::string prefix;
  std::string type;
  friend void PrintTo(const EncodedPage& page, std::ostream* os) { *os << page.name; }
};

class GuiPageEncoding : public GuiRoad, public ::testing::WithParamInterface<EncodedPage> {};

TEST_P(GuiPageEncoding, GivesTheRightDownloadAddress) {
  const EncodedPage& page = GetParam();
  portal_.Route("/portal.html", Portal::Page(page.prefix + "|||" + portal_.Url("/pkg/demo.zip") + "* http://", page.type));
  portal_.Route("/pkg/demo.zip", Portal::File(Package(1024)));
  WriteDescriptor("/portal.html");
  program_->Start();
  const TopWindow w = PortalWindow();
  EXPECT_TRUE(Appears(Download("installed.txt"), 30)) << program_->Output();
  x_->Close(w.id);
  EXPECT_EQ(program_->Wait(20), 0);
}

INSTANTIATE_TEST_SUITE_P(Pages, GuiPageEncoding,
                         ::testing::Values(EncodedPage{"GbkWithoutMark", "<html>\x83\x7C", "text/html"},
                                           EncodedPage{"Utf8WithMark", "\xEF\xBB\xBF<html>\xC3\xA9", "text/html; charset=utf-8"}),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace gui_testing
