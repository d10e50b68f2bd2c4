// The application loop: posted messages, the processing of pending messages,
// the termination request and the terminated flag, modal display, the
// user's close, and failures that leave handlers.
#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <memory>
#include <new>
#include <stdexcept>
#include <ostream>
#include <string>
#include <vector>

#include "base/exception.h"
#include "toolkit/application.h"
#include "toolkit/form.h"
#include "toolkit/headless/headless_platform.h"

#ifdef _WIN32
#include <float.h>
#else
#include <fenv.h>
#endif

namespace {

using toolkit::Application;
using toolkit::CloseAction;
using toolkit::Form;
using toolkit::ModalResult;
using toolkit::headless::Event;
using toolkit::headless::EventKind;
using toolkit::headless::HeadlessPlatform;

struct MainForm : Form {
  MainForm() : Form(u"MainForm") {}
};
struct OtherForm : Form {
  OtherForm() : Form(u"OtherForm") {}
};

class Loop : public ::testing::Test {
 protected:
  Loop() {
    auto platform = std::make_unique<HeadlessPlatform>();
    platform_ = platform.get();
    application_ = std::make_unique<Application>(std::move(platform), u"C:\\Apps\\LOOP.test.exe");
    application_->CreateForm(main_);
    application_->CreateForm(other_);
  }

  void Note(std::string entry) { log_.push_back(std::move(entry)); }
  // Records the close-query and close events of a form.
  void Watch(Form& form, const std::string& name) {
    form.OnCloseQuery = [this, name](toolkit::Object*, bool&) { Note(name + ".closequery"); };
    form.OnClose = [this, name](toolkit::Object*, CloseAction&) { Note(name + ".close"); };
  }
  std::vector<Event> Reports() const {
    std::vector<Event> reports;
    for (const Event& event : platform_->Boxes()) {
      if (event.kind == EventKind::ErrorReport) reports.push_back(event);
    }
    return reports;
  }

  HeadlessPlatform* platform_ = nullptr;
  std::unique_ptr<Application> application_;
  MainForm* main_ = nullptr;
  OtherForm* other_ = nullptr;
  std::vector<std::string> log_;
};

using Strings = std::vector<std::string>;

TEST_F(Loop, TheFirstFormIsTheMainForm) {
  EXPECT_EQ(application_->MainForm(), main_);
  EXPECT_EQ(application_->ActiveForm(), main_);
  EXPECT_EQ(application_->Title(), u"Loop");
  EXPECT_FALSE(main_->Visible());
  EXPECT_FALSE(other_->Visible());
}

TEST_F(Loop, TerminationTakesEffectWhenTheQuitMessageIsTaken) {
  application_->Terminate();
  EXPECT_FALSE(application_->Terminated());
  EXPECT_EQ(platform_->PendingMessages(), 1u);
  ASSERT_FALSE(platform_->Journal().empty());
  EXPECT_EQ(platform_->Journal().back().kind, EventKind::Terminate);
  application_->ProcessMessages();
  EXPECT_TRUE(application_->Terminated());
  EXPECT_EQ(platform_->PendingMessages(), 0u);
  application_->ProcessMessages();
  EXPECT_TRUE(application_->Terminated());
}

TEST_F(Loop, ProcessingPendingMessagesGoesOnAfterTheQuit) {
  application_->PostCall([this] {
    Note("a");
    application_->PostCall([this] { Note("posted by a"); });
  });
  application_->Terminate();
  application_->PostCall([this] { Note("b"); });
  application_->ProcessMessages();
  EXPECT_EQ(log_, (Strings{"a", "b", "posted by a"}));
  EXPECT_TRUE(application_->Terminated());
  EXPECT_EQ(platform_->PendingMessages(), 0u);
}

TEST_F(Loop, TheHandlerThatRequestsTerminationRunsToItsEnd) {
  application_->PostCall([this] {
    application_->Terminate();
    Note(application_->Terminated() ? "terminated" : "running");
    application_->ProcessMessages();
    Note(application_->Terminated() ? "terminated" : "running");
    Note("end");
  });
  application_->ProcessMessages();
  EXPECT_EQ(log_, (Strings{"running", "terminated", "end"}));
}

TEST_F(Loop, ModalDisplayEndsWithCancelWithoutCloseEventsOnceTerminated) {
  Watch(*other_, "other");
  other_->OnShow = [this](toolkit::Object*) {
    Note("show");
    application_->PostCall([this] { Note("before quit"); });
    application_->Terminate();
    application_->PostCall([this] { Note("after quit"); });
  };
  EXPECT_EQ(other_->ShowModal(), ModalResult::Cancel);
  // The loop ends after the message that carried the quit; what was posted
  // after it waits for the next loop.
  EXPECT_EQ(log_, (Strings{"show", "before quit"}));
  EXPECT_EQ(platform_->PendingMessages(), 1u);
  EXPECT_FALSE(other_->Visible());
  EXPECT_FALSE(other_->IsModal());
  EXPECT_EQ(application_->ActiveForm(), main_);
}

TEST_F(Loop, QuitTakenByANestedProcessingEndsTheModalDisplayAfterTheHandler) {
  Watch(*other_, "other");
  other_->OnShow = [this](toolkit::Object*) {
    application_->PostCall([this] {
      application_->Terminate();
      application_->ProcessMessages();
      Note(other_->IsModal() ? "still modal" : "not modal");
    });
  };
  EXPECT_EQ(other_->ShowModal(), ModalResult::Cancel);
  EXPECT_EQ(log_, (Strings{"still modal"}));
}

TEST_F(Loop, AModalFormShownAfterTerminationEndsAtOnce) {
  Watch(*other_, "other");
  other_->OnShow = [this](toolkit::Object*) { Note("show"); };
  application_->Terminate();
  application_->ProcessMessages();
  EXPECT_EQ(other_->ShowModal(), ModalResult::Cancel);
  EXPECT_EQ(log_, (Strings{"show"}));
}

TEST_F(Loop, UserCloseDuringAHandlerTakesEffectAfterIt) {
  Watch(*other_, "other");
  other_->OnShow = [this](toolkit::Object*) {
    application_->PostCall([this] {
      Note("start");
      other_->Close();
      Note(other_->Visible() && other_->IsModal() ? "still shown" : "gone");
      Note("end");
    });
  };
  EXPECT_EQ(other_->ShowModal(), ModalResult::Cancel);
  EXPECT_EQ(log_, (Strings{"start", "still shown", "end", "other.closequery", "other.close"}));
  EXPECT_FALSE(other_->Visible());
}

TEST_F(Loop, TerminationWinsOverAUserCloseInTheSameHandler) {
  Watch(*other_, "other");
  other_->OnShow = [this](toolkit::Object*) {
    application_->PostCall([this] {
      other_->Close();
      application_->Terminate();
      application_->ProcessMessages();
    });
  };
  EXPECT_EQ(other_->ShowModal(), ModalResult::Cancel);
  EXPECT_TRUE(log_.empty()) << log_.front();
}

TEST_F(Loop, CloseQueryCanRefuseTheUsersClose) {
  int asked = 0;
  other_->OnCloseQuery = [&](toolkit::Object*, bool& canClose) {
    ++asked;
    Note("closequery");
    canClose = asked >= 2;
  };
  other_->OnClose = [this](toolkit::Object*, CloseAction& action) {
    Note(action == CloseAction::Hide ? "close(hide)" : "close(other)");
  };
  // The headless platform's idle step is the user's close of the active form.
  EXPECT_EQ(other_->ShowModal(), ModalResult::Cancel);
  EXPECT_EQ(log_, (Strings{"closequery", "closequery", "close(hide)"}));
}

TEST_F(Loop, CloseHandlerCanKeepTheFormOpen) {
  int closes = 0;
  other_->OnClose = [&](toolkit::Object*, CloseAction& action) {
    if (++closes == 1) action = CloseAction::None;
  };
  EXPECT_EQ(other_->ShowModal(), ModalResult::Cancel);
  EXPECT_EQ(closes, 2);
}

TEST_F(Loop, ClosingTheMainFormRequestsTermination) {
  Watch(*main_, "main");
  main_->OnShow = [this](toolkit::Object*) { Note("show"); };
  application_->Run();
  EXPECT_EQ(log_, (Strings{"show", "main.closequery", "main.close"}));
  EXPECT_TRUE(application_->Terminated());
  EXPECT_EQ(platform_->Journal().back().kind, EventKind::Terminate);
}

TEST_F(Loop, ClosingAnotherFormHidesIt) {
  Watch(*other_, "other");
  other_->Show();
  EXPECT_TRUE(other_->Visible());
  other_->Close();
  EXPECT_FALSE(other_->Visible());
  EXPECT_EQ(log_, (Strings{"other.closequery", "other.close"}));
  EXPECT_EQ(platform_->PendingMessages(), 0u);
}

TEST_F(Loop, RefusedMainFormCloseDoesNotTerminate) {
  int asked = 0;
  main_->OnCloseQuery = [&](toolkit::Object*, bool& canClose) { canClose = ++asked > 1; };
  application_->Run();
  EXPECT_EQ(asked, 2);
  EXPECT_TRUE(application_->Terminated());
}

TEST_F(Loop, FailureInAMessageIsReportedAndTheLoopGoesOn) {
  application_->PostCall([] { throw base::EConvertError(u"'$zz' is not a valid integer value"); });
  application_->PostCall([this] { Note("next"); });
  application_->ProcessMessages();
  EXPECT_EQ(log_, (Strings{"next"}));
  EXPECT_EQ(Reports(), (std::vector<Event>{{EventKind::ErrorReport, u"'$zz' is not a valid integer value.", u"Loop"}}));
}

struct FailureCase {
  const char* name;
  friend void PrintTo(const FailureCase& c, std::ostream* os) { *os << c.name; }
  std::function<void()> fail;
  std::u16string report;
};

class LoopFailures : public Loop, public ::testing::WithParamInterface<FailureCase> {};

TEST_P(LoopFailures, ReportTheFailuresOwnMessage) {
  application_->PostCall(GetParam().fail);
  application_->ProcessMessages();
  ASSERT_EQ(Reports().size(), 1u);
  EXPECT_EQ(Reports()[0].text, GetParam().report);
  EXPECT_EQ(Reports()[0].title, u"Loop");
}

INSTANTIATE_TEST_SUITE_P(
    Kinds, LoopFailures,
    ::testing::Values(FailureCase{"ProgramError", [] { throw base::EReadError(u"Stream read error"); },
                                  u"Stream read error."},
                      FailureCase{"EndsWithFullStop", [] { throw base::Exception(u"Error reading zip file."); },
                                  u"Error reading zip file."},
                      FailureCase{"ChineseText", [] { throw base::Exception(u"文件已经被破坏"); }, u"文件已经被破坏."},
                      FailureCase{"StandardError", [] { throw std::runtime_error("plain failure"); },
                                  u"plain failure."},
                      FailureCase{"OutOfMemory", [] { throw std::bad_alloc(); }, u"Out of memory."}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(Loop, FailureInsideAModalLoopLeavesTheDisplayOpen) {
  Watch(*other_, "other");
  other_->OnShow = [this](toolkit::Object*) {
    application_->PostCall([] { throw base::Exception(u"boom"); });
    application_->PostCall([this] { Note(other_->IsModal() ? "still modal" : "not modal"); });
  };
  EXPECT_EQ(other_->ShowModal(), ModalResult::Cancel);
  EXPECT_EQ(log_, (Strings{"still modal", "other.closequery", "other.close"}));
  ASSERT_EQ(Reports().size(), 1u);
  EXPECT_EQ(Reports()[0].text, u"boom.");
}

TEST_F(Loop, FailureInAShowHandlerIsReportedAndTheFormShownAnyway) {
  main_->OnShow = [](toolkit::Object*) { throw base::Exception(u"show failed"); };
  main_->Show();
  EXPECT_TRUE(main_->Visible());
  ASSERT_EQ(Reports().size(), 1u);
  EXPECT_EQ(Reports()[0].text, u"show failed.");
}

TEST_F(Loop, FailureInTheUsersCloseIsReportedAndTheLoopGoesOn) {
  main_->OnCloseQuery = [](toolkit::Object*, bool&) { throw base::Exception(u"close refused"); };
  int idle = 0;
  platform_->SetIdleHandler([&](Application& application) {
    if (++idle == 1) {
      application.MainForm()->Close();
    } else {
      application.Terminate();
    }
  });
  application_->Run();
  EXPECT_TRUE(application_->Terminated());
  ASSERT_EQ(Reports().size(), 1u);
  EXPECT_EQ(Reports()[0].text, u"close refused.");
}

TEST_F(Loop, MessageBoxCarriesTheTitle) {
  application_->ShowMessage(u"文件不存在：C:\\x\\pack.db");
  EXPECT_EQ(platform_->Boxes(),
            (std::vector<Event>{{EventKind::MessageBox, u"文件不存在：C:\\x\\pack.db", u"Loop"}}));
}

struct FailingCreateForm : Form {
  FailingCreateForm() : Form(u"FailingCreateForm") {
    OnCreate = [](toolkit::Object*) { throw base::EReadError(u"Stream read error"); };
  }
};

TEST(Application, CreationFailureIsReportedAndTheFormStillBecomesMain) {
  auto platform = std::make_unique<HeadlessPlatform>();
  HeadlessPlatform* headless = platform.get();
  Application application(std::move(platform), u"C:\\Setup.new.exe");
  FailingCreateForm* form = nullptr;
  application.CreateForm(form);
  ASSERT_NE(form, nullptr);
  EXPECT_EQ(application.MainForm(), form);
  EXPECT_EQ(headless->Boxes(), (std::vector<Event>{{EventKind::ErrorReport, u"Stream read error.", u"Setup"}}));
}

TEST(Application, MasksFloatingPointExceptions) {
#ifdef _WIN32
  unsigned int control = 0;
  _controlfp_s(&control, 0, _EM_ZERODIVIDE);
#else
  feenableexcept(FE_DIVBYZERO);
#endif
  Application application(std::make_unique<HeadlessPlatform>(), u"C:\\x.exe");
  volatile double zero = 0.0;
  EXPECT_TRUE(std::isinf(1.0 / zero));
#ifdef _WIN32
  _controlfp_s(&control, 0, 0);
  EXPECT_EQ(control & _MCW_EM, static_cast<unsigned>(_MCW_EM));
#else
  EXPECT_EQ(fegetexcept(), 0);
#endif
}

}  // namespace
