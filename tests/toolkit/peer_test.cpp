// The seam to the drawing toolkits, over a recording toolkit: when peers
// are made and in which order, what reaches them, when they go; and the
// toolkit's own layout rules they rely on.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "sys/codepage.h"
#include "toolkit/application.h"
#include "toolkit/browser.h"
#include "toolkit/controls.h"
#include "toolkit/headless/headless_platform.h"
#include "toolkit/layout.h"

namespace {

using toolkit::Align;
using toolkit::Bounds;
using toolkit::Control;
using toolkit::Property;
using Log = std::vector<std::string>;

std::string Name(const Control& control) { return sys::ToUtf8(control.Name()); }

const char* PropertyName(Property property) {
  switch (property) {
    case Property::Visible: return "Visible";
    case Property::Caption: return "Caption";
    case Property::Bounds: return "Bounds";
    case Property::ZOrder: return "ZOrder";
    case Property::Position: return "Position";
    case Property::Range: return "Range";
    case Property::Text: return "Text";
  }
  return "?";
}

class RecordingPeer : public toolkit::ControlPeer {
 public:
  RecordingPeer(Control& control, Log& log) : control_(control), log_(log) {
    log_.push_back("make " + Name(control) + (control.Parent() && !control.Parent()->Peer() ? " (parent has none)" : ""));
  }
  ~RecordingPeer() override { log_.push_back("drop " + Name(control_)); }
  void Changed(Property property) override { log_.push_back(Name(control_) + " " + PropertyName(property)); }

 private:
  Control& control_;
  Log& log_;
};

class RecordingPlatform : public toolkit::headless::HeadlessPlatform {
 public:
  explicit RecordingPlatform(Log& log) : log_(log) {}
  std::unique_ptr<toolkit::ControlPeer> CreatePeer(Control& control) override {
    return std::make_unique<RecordingPeer>(control, log_);
  }

 private:
  Log& log_;
};

class Window : public toolkit::Form {
 public:
  Window() : Form(u"Form1") {
    clientWidth = 300;
    clientHeight = 200;
    top.SetParent(this);
    top.SetBounds({0, 0, 300, 50});
    top.SetAlign(Align::Top);
    rest.SetParent(this);
    rest.SetBounds({0, 50, 300, 150});
    rest.SetAlign(Align::Client);
    label.SetParent(&rest);
    label.SetBounds({100, 50, 100, 20});
    label.autoSize = false;
    OnShow = [this](Object*) { showSawPeer = Peer() != nullptr; };
  }
  toolkit::Panel top{u"Top"};
  toolkit::Panel rest{u"Rest"};
  toolkit::Label label{u"Label"};
  bool showSawPeer = false;
};

class Peers : public ::testing::Test {
 protected:
  Peers() : application_(std::make_unique<RecordingPlatform>(log_), u"/x/app") {}
  Log log_;
  toolkit::Application application_;
};

TEST_F(Peers, AreMadeParentsFirstWhenTheFormIsFirstShownBeforeItsShowEvent) {
  Window window;
  EXPECT_TRUE(log_.empty());
  EXPECT_EQ(window.Peer(), nullptr);
  window.Show();
  EXPECT_TRUE(window.showSawPeer);
  ASSERT_GE(log_.size(), 4u);
  EXPECT_EQ(Log(log_.begin(), log_.begin() + 4), (Log{"make Form1", "make Top", "make Rest", "make Label"}));
  EXPECT_EQ(log_.back(), "Form1 Visible");
  window.Hide();
  log_.clear();
  window.Show();
  EXPECT_EQ(log_, Log{"Form1 Visible"});  // made once only
}

TEST_F(Peers, HearEveryAnnouncedChangeAndGoChildrenFirst) {
  {
    Window window;
    toolkit::ProgressBar bar(u"Bar");
    bar.SetParent(&window.rest);
    window.Show();
    log_.clear();
    window.label.SetCaption(u"正在下载");
    window.label.SetVisible(false);
    bar.SetMax(5);
    bar.SetPosition(3);
    window.top.BringToFront();
    EXPECT_EQ(log_, (Log{"Label Caption", "Label Visible", "Bar Range", "Bar Position", "Top ZOrder"}));
    log_.clear();
  }
  // The form's members go before the form; a parent destroyed before its
  // children still drops their peers first.
  EXPECT_EQ(log_, (Log{"drop Bar", "drop Label", "drop Rest", "drop Top", "drop Form1"}));
}

TEST_F(Peers, ABrowserNavigatingBeforeItsFormIsShownRealisesTheWholeWindow) {
  toolkit::Form form(u"Form5");
  toolkit::Panel panel(u"Panel1");
  toolkit::WebBrowser browser(u"WebBrowser1");
  panel.SetParent(&form);
  browser.SetParent(&panel);
  browser.Navigate(u"http://127.0.0.1/");
  EXPECT_EQ(log_, (Log{"make Form5", "make Panel1"}));  // the browser's own peer is the headless one
  EXPECT_NE(browser.Peer(), nullptr);
  EXPECT_FALSE(form.Visible());
}

TEST(Layout, AlignedChildrenShareTheParentInZOrderAndSkipHiddenOnes) {
  toolkit::Panel parent(u"Parent");
  parent.SetBounds({0, 0, 400, 300});
  toolkit::Panel top(u"Top"), bottom(u"Bottom"), left(u"Left"), client(u"Client"), hidden(u"Hidden");
  top.SetParent(&parent), top.SetAlign(Align::Top), top.SetBounds({5, 5, 10, 40});
  hidden.SetParent(&parent), hidden.SetAlign(Align::Top), hidden.SetBounds({0, 0, 10, 70}), hidden.SetVisible(false);
  bottom.SetParent(&parent), bottom.SetAlign(Align::Bottom), bottom.SetBounds({0, 0, 10, 60});
  left.SetParent(&parent), left.SetAlign(Align::Left), left.SetBounds({0, 0, 30, 10});
  client.SetParent(&parent), client.SetAlign(Align::Client), client.SetBounds({1, 1, 1, 1});
  toolkit::ArrangeChildren(parent);
  EXPECT_EQ(top.GetBounds(), (Bounds{0, 0, 400, 40}));
  EXPECT_EQ(hidden.GetBounds(), (Bounds{0, 0, 10, 70}));
  EXPECT_EQ(bottom.GetBounds(), (Bounds{0, 240, 400, 60}));
  EXPECT_EQ(left.GetBounds(), (Bounds{0, 40, 30, 200}));
  EXPECT_EQ(client.GetBounds(), (Bounds{30, 40, 370, 200}));
}

TEST(Layout, UnanchoredChildrenKeepTheirCentreWhenTheParentChangesSize) {
  toolkit::Panel panel(u"Panel2");
  panel.SetBounds({0, 0, 965, 158});
  toolkit::Label label(u"Label1");
  label.SetParent(&panel);
  label.SetBounds({254, 69, 433, 25});  // centre 470.5, 81.5
  panel.Place({0, 0, 1930, 316});
  toolkit::ArrangeChildren(panel);
  EXPECT_EQ(label.GetBounds(), (Bounds{725, 151, 433, 25}));  // centre 941, 163
  panel.Place({0, 0, 965, 158});
  toolkit::ArrangeChildren(panel);
  EXPECT_EQ(label.GetBounds(), (Bounds{254, 69, 433, 25}));
}

struct PlacementCase {
  const char* name;
  Bounds workArea;
  int width, height;
  Bounds placed;
};

class FormPlacement : public ::testing::TestWithParam<PlacementCase> {};

TEST_P(FormPlacement, IsCentredInTheWorkAreaNeverBeyondItsTopLeft) {
  const PlacementCase& c = GetParam();
  EXPECT_EQ(toolkit::CenteredInWorkArea(c.workArea, c.width, c.height), c.placed);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, FormPlacement,
    ::testing::Values(PlacementCase{"Centred", {0, 0, 1280, 1024}, 965, 771, {157, 126, 965, 771}},
                      PlacementCase{"TaskbarOnTop", {0, 40, 1920, 1040}, 981, 810, {469, 155, 981, 810}},
                      PlacementCase{"SecondMonitor", {1920, 0, 1280, 984}, 173, 72, {2473, 456, 173, 72}},
                      PlacementCase{"LargerThanTheArea", {100, 50, 800, 600}, 965, 771, {100, 50, 965, 771}}),
    [](const auto& info) { return std::string(info.param.name); });

}  // namespace
