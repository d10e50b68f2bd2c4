// Start-up, the main window and the end of the program over the headless
// toolkit: the order of what the user sees for a missing, damaged or good
// descriptor, and the main window's close handler.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "app/Unit2.h"
#include "app/Unit5.h"
#include "app/program.h"
#include "app/shared_values.h"
#include "descriptor_files.h"
#include "support/temp_dir.h"
#include "sys/codepage.h"
#include "toolkit/headless/headless_platform.h"

namespace {

using descriptor_files::Descriptor;
using descriptor_files::Fields;
using descriptor_files::File;
using descriptor_files::Scramble;
using testing_support::TempDir;
using testing_support::WriteFile;
using toolkit::headless::Event;
using toolkit::headless::EventKind;
using Strings = std::vector<std::string>;

// The headless toolkit with one ordered record of what a user would notice:
// boxes, termination requests, windows appearing and disappearing.
class Recorder : public toolkit::headless::HeadlessPlatform {
 public:
  Strings timeline;

  void Post(toolkit::Message message) override {
    if (message.quit) timeline.push_back("terminate");
    HeadlessPlatform::Post(std::move(message));
  }
  void ShowMessageBox(const std::u16string& title, const std::u16string& text) override {
    timeline.push_back("message: " + sys::ToUtf8(text));
    HeadlessPlatform::ShowMessageBox(title, text);
  }
  void ShowErrorBox(const std::u16string& title, const std::u16string& text) override {
    timeline.push_back("error report: " + sys::ToUtf8(text));
    HeadlessPlatform::ShowErrorBox(title, text);
  }
  void FormVisibilityChanged(toolkit::Form& form) override {
    timeline.push_back(sys::ToUtf8(form.Name()) + (form.Visible() ? " shown" : " hidden"));
  }
};

struct Values {
  std::u16string descriptorPath, packageId, installerName, bannerUrl, portalUrl;
  bool operator==(const Values&) const = default;
  friend void PrintTo(const Values& v, std::ostream* os) {
    *os << "{" << sys::ToUtf8(v.descriptorPath) << " | " << sys::ToUtf8(v.packageId) << " | "
        << sys::ToUtf8(v.installerName) << " | " << sys::ToUtf8(v.bannerUrl) << " | " << sys::ToUtf8(v.portalUrl)
        << "}";
  }
};

Values SharedValues() {
  return {app::DescriptorPath, app::PackageId, app::InstallerName, app::BannerUrl, app::PortalUrl};
}

class StartUp : public ::testing::Test {
 protected:
  // The executable lies in the temporary directory, under a name with two
  // dots; the descriptor is looked for beside it.
  std::unique_ptr<app::Program> Start() {
    auto platform = std::make_unique<Recorder>();
    recorder_ = platform.get();
    recorder_->SetBoxHandler([this](const Event&) {
      // Boxes of start-up appear before the portal window exists and while
      // no window of the program is visible.
      boxesBeforePortal_ += app::Form5 == nullptr && app::Form2 != nullptr && !app::Form2->Visible();
    });
    return std::make_unique<app::Program>(std::move(platform), dir_.Text("Setup.new.exe"));
  }
  void WriteDescriptor(const std::string& bytes) { WriteFile(dir_.Path() / "pack.db", bytes); }
  std::u16string DescriptorPath() const { return dir_.Text("pack.db"); }
  std::ptrdiff_t IndexOf(const std::string& entry) const {
    const auto& t = recorder_->timeline;
    return std::find(t.begin(), t.end(), entry) - t.begin();
  }

  TempDir dir_;
  Recorder* recorder_ = nullptr;
  int boxesBeforePortal_ = 0;
};

const std::map<int, std::string> kGood = {{2, "pid-42"},
                                          {13, "5CE1"},
                                          {15, "setup.exe"},
                                          {21, "http://banner.test/b.html"},
                                          {30, "http://portal.test/p"}};

TEST_F(StartUp, MissingDescriptorShowsThePathAndEndsByItself) {
  auto program = Start();
  const std::string message = "message: 文件不存在：" + sys::ToUtf8(DescriptorPath());
  EXPECT_EQ(recorder_->timeline, (Strings{message, "terminate"}));
  EXPECT_EQ(boxesBeforePortal_, 1);
  EXPECT_EQ(recorder_->Boxes(),
            (std::vector<Event>{{EventKind::MessageBox, u"文件不存在：" + DescriptorPath(), u"Setup"}}));
  EXPECT_EQ(SharedValues(), (Values{DescriptorPath(), u"", u"", u"", u""}));

  // The portal window still opens, closes again by itself, and only then is
  // the main window shown before the loop ends.
  EXPECT_EQ(program->Run(), 0);
  EXPECT_EQ(recorder_->timeline, (Strings{message, "terminate", "Form5 shown", "Form5 hidden", "Form2 shown"}));
  EXPECT_TRUE(program->Application().Terminated());
  EXPECT_EQ(recorder_->Boxes().size(), 1u);
  // The portal window's show handler ran in full: the download directory
  // beside the executable exists.
  EXPECT_TRUE(std::filesystem::is_directory(dir_.Path() / "download"));
}

TEST_F(StartUp, DamagedDescriptorIsRejectedAndEndsByItself) {
  WriteDescriptor(File(Scramble(Fields(kGood, 31))));
  auto program = Start();
  EXPECT_EQ(SharedValues(), (Values{DescriptorPath(), u"", u"", u"", u""}));
  EXPECT_EQ(program->Run(), 0);
  EXPECT_EQ(recorder_->timeline, (Strings{"message: 文件已经被破坏，无法打开", "terminate", "Form5 shown",
                                          "Form5 hidden", "Form2 shown"}));
  EXPECT_EQ(boxesBeforePortal_, 1);
  EXPECT_EQ(recorder_->Boxes()[0].title, u"Setup");
}

TEST_F(StartUp, NegativeLengthIsRejectedLikeADamagedFile) {
  WriteDescriptor(File(Scramble(Fields(kGood)), -1));
  auto program = Start();
  EXPECT_EQ(recorder_->timeline, (Strings{"message: 文件已经被破坏，无法打开", "terminate"}));
  EXPECT_EQ(program->Run(), 0);
}

// A failure that the reading raises is the general error report's; no
// termination is requested and the program runs on until the user closes
// its windows.
struct ReportedCase {
  const char* name;
  std::string bytes;
  std::string report;
  std::u16string packageId;
  friend void PrintTo(const ReportedCase& c, std::ostream* os) { *os << c.name; }
};

class StartUpReported : public StartUp, public ::testing::WithParamInterface<ReportedCase> {};

TEST_P(StartUpReported, StartUpGoesOnWithTheValuesSetBeforeTheFailure) {
  WriteDescriptor(GetParam().bytes);
  auto program = Start();
  EXPECT_EQ(recorder_->timeline, (Strings{"error report: " + GetParam().report}));
  EXPECT_EQ(boxesBeforePortal_, 1);
  EXPECT_EQ(SharedValues(), (Values{DescriptorPath(), GetParam().packageId, u"", u"", u""}));

  EXPECT_EQ(program->Run(), 0);
  ASSERT_GE(recorder_->timeline.size(), 2u);
  EXPECT_EQ(recorder_->timeline[1], "Form5 shown");
  // The termination comes from the user's close, after the portal opened.
  EXPECT_GT(IndexOf("terminate"), IndexOf("Form5 shown"));
  EXPECT_LT(IndexOf("terminate"), static_cast<std::ptrdiff_t>(recorder_->timeline.size()));
}

auto WithField13(std::string text) {
  auto fields = kGood;
  fields[13] = std::move(text);
  return fields;
}

INSTANTIATE_TEST_SUITE_P(
    Failures, StartUpReported,
    ::testing::Values(ReportedCase{"Field13", Descriptor(WithField13("zz")), "'$zz' is not a valid integer value.",
                                   u"pid-42"},
                      ReportedCase{"ThreeBytes", "abc", "Stream read error.", u""},
                      ReportedCase{"LengthBeyondTheFile", File("1D", 3), "Stream read error.", u""},
                      ReportedCase{"LengthOverflows", File("1D", 2147483647), "Integer overflow.", u""},
                      ReportedCase{"PayloadBadPair", File("1Dx!"), "'$x!' is not a valid integer value.", u""}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(StartUp, GoodDescriptorSetsTheSharedValues) {
  WriteDescriptor(Descriptor(kGood));
  auto program = Start();
  EXPECT_TRUE(recorder_->timeline.empty()) << recorder_->timeline.front();
  EXPECT_EQ(SharedValues(), (Values{DescriptorPath(), u"pid-42", u"setup.exe", u"http://banner.test/b.html",
                                    u"http://portal.test/p"}));
  EXPECT_EQ(program->Application().Title(), u"Setup");
  EXPECT_EQ(program->Application().MainForm(), app::Form2);
  ASSERT_NE(app::Form5, nullptr);
  EXPECT_FALSE(app::Form2->Visible());
  EXPECT_FALSE(app::Form5->Visible());

  EXPECT_EQ(program->Run(), 0);
  EXPECT_TRUE(recorder_->Boxes().empty());
  ASSERT_GE(recorder_->timeline.size(), 1u);
  EXPECT_EQ(recorder_->timeline[0], "Form5 shown");
  // The main window is never on the screen while the portal window is open.
  EXPECT_GT(IndexOf("Form2 shown"), IndexOf("Form5 hidden"));
}

TEST_F(StartUp, MainWindowDescribedByItsFormResource) {
  WriteDescriptor(Descriptor(kGood));
  auto program = Start();
  const app::TForm2& form = *app::Form2;
  EXPECT_EQ(form.clientWidth, 173);
  EXPECT_EQ(form.clientHeight, 72);
  EXPECT_EQ(form.borderStyle, toolkit::BorderStyle::Single);
  EXPECT_FALSE(form.minimizeButton);
  EXPECT_FALSE(form.maximizeButton);
  EXPECT_EQ(form.position, toolkit::FormPosition::WorkAreaCenter);
  EXPECT_TRUE(form.Caption().empty());
  EXPECT_EQ(form.GetFont().name, u"宋体");
  EXPECT_EQ(form.GetFont().height, 12);
}

TEST_F(StartUp, ClosingTheMainWindowDeletesThePackageFileAndEndsThePortal) {
  WriteDescriptor(Descriptor(kGood));
  auto program = Start();
  WriteFile(dir_.Path() / "pkg.zip", "PK");
  app::PackageFile = dir_.Text("pkg.zip");
  // A close request reaching the main window while the portal window is
  // open, as from the taskbar entry.
  recorder_->SetIdleHandler([](toolkit::Application&) { app::Form2->Close(); });
  EXPECT_EQ(program->Run(), 0);
  EXPECT_FALSE(std::filesystem::exists(dir_.Path() / "pkg.zip"));
  EXPECT_EQ(recorder_->timeline, (Strings{"Form5 shown", "terminate", "Form5 hidden", "Form2 shown"}));
  EXPECT_TRUE(recorder_->Boxes().empty());
}

TEST_F(StartUp, ClosingTheMainWindowIgnoresAMissingPackageFile) {
  WriteDescriptor(Descriptor(kGood));
  auto program = Start();
  WriteFile(dir_.Path() / "other.zip", "PK");
  app::PackageFile = dir_.Text("pkg.zip");
  recorder_->SetIdleHandler([](toolkit::Application&) { app::Form2->Close(); });
  EXPECT_EQ(program->Run(), 0);
  EXPECT_TRUE(recorder_->Boxes().empty());
  EXPECT_TRUE(std::filesystem::exists(dir_.Path() / "other.zip"));
  EXPECT_TRUE(std::filesystem::exists(dir_.Path() / "pack.db"));
}

TEST_F(StartUp, NoCloseHandlerRunsAtTheEnd) {
  // Missing descriptor: the program ends through the termination request,
  // so the main window's close handler never runs and the file stays.
  auto program = Start();
  WriteFile(dir_.Path() / "pkg.zip", "PK");
  app::PackageFile = dir_.Text("pkg.zip");
  EXPECT_EQ(program->Run(), 0);
  program.reset();
  EXPECT_TRUE(std::filesystem::exists(dir_.Path() / "pkg.zip"));
}

TEST_F(StartUp, EachRunStartsWithEmptySharedValues) {
  app::PackageId = u"left over";
  app::PackageFile = u"left over";
  app::ExpectedBytes = 7;
  auto program = Start();
  EXPECT_EQ(app::PackageId, u"");
  EXPECT_EQ(app::PackageFile, u"");
  EXPECT_EQ(app::ExpectedBytes, 0);
}

}  // namespace
