// The plain controls: parents and z-order, change notifications, the memo's
// text rules and the progress bar's range.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "base/exception.h"
#include "toolkit/controls.h"

namespace {

using toolkit::Control;
using toolkit::Property;

TEST(Control, ChildrenInZOrderAndDetachedWhenDestroyed) {
  toolkit::Panel parent(u"Panel1");
  auto first = std::make_unique<toolkit::Label>(u"Label1");
  toolkit::Label second(u"Label2");
  first->SetParent(&parent);
  second.SetParent(&parent);
  EXPECT_EQ(parent.Children(), (std::vector<Control*>{first.get(), &second}));
  first->BringToFront();
  EXPECT_EQ(parent.Children(), (std::vector<Control*>{&second, first.get()}));
  first.reset();
  EXPECT_EQ(parent.Children(), (std::vector<Control*>{&second}));
  second.SetParent(nullptr);
  EXPECT_TRUE(parent.Children().empty());
  EXPECT_EQ(second.Parent(), nullptr);
}

TEST(Control, ParentDestroyedFirstLeavesChildrenWithoutParent) {
  toolkit::Label child(u"Label1");
  {
    toolkit::Panel parent(u"Panel1");
    child.SetParent(&parent);
  }
  EXPECT_EQ(child.Parent(), nullptr);
}

TEST(Control, ObserverHearsRealChangesOnly) {
  toolkit::Label label(u"Label1");
  std::vector<Property> heard;
  label.SetObserver([&](Control&, Property property) { heard.push_back(property); });
  label.SetCaption(u"正在下载");
  label.SetCaption(u"正在下载");
  label.SetVisible(false);
  label.SetVisible(false);
  label.SetBounds({1, 2, 3, 4});
  label.SetBounds({1, 2, 3, 4});
  EXPECT_EQ(heard, (std::vector<Property>{Property::Caption, Property::Visible, Property::Bounds}));
  EXPECT_EQ(label.Caption(), u"正在下载");
}

TEST(ProgressBar, KeepsThirtyTwoBitValues) {
  toolkit::ProgressBar bar(u"ProgressBar1");
  EXPECT_EQ(bar.Min(), 0);
  EXPECT_EQ(bar.Max(), 100);
  bar.SetMax(2147483647);
  bar.SetPosition(-5);
  EXPECT_EQ(bar.Max(), 2147483647);
  EXPECT_EQ(bar.Position(), -5);
}

struct MemoCase {
  const char* name;
  std::u16string text;
  std::u16string stored;
  friend void PrintTo(const MemoCase& c, std::ostream* os) { *os << c.name; }
};

class MemoText : public ::testing::TestWithParam<MemoCase> {};

TEST_P(MemoText, IsStoredWithCrLfUpToTheFirstNul) {
  toolkit::Memo memo(u"Memo1");
  memo.SetText(GetParam().text);
  EXPECT_EQ(memo.Text(), GetParam().stored);
}

INSTANTIATE_TEST_SUITE_P(
    Texts, MemoText,
    ::testing::Values(MemoCase{"Plain", u"<html>", u"<html>"},
                      MemoCase{"LineFeeds", u"a\nb\n", u"a\r\nb\r\n"},
                      MemoCase{"CarriageReturns", u"a\rb", u"a\r\nb"},
                      MemoCase{"CrLfKept", u"a\r\nb", u"a\r\nb"},
                      MemoCase{"LfCr", u"a\n\rb", u"a\r\n\r\nb"},
                      MemoCase{"CutAtNul", std::u16string(u"ab\0cd", 5), u"ab"},
                      MemoCase{"Empty", u"", u""}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(Memo, TextBeyondTheCapacityIsRefusedAndTheOldTextKept) {
  toolkit::Memo memo(u"Memo1");
  memo.capacity = 4;
  memo.SetText(u"abcd");
  try {
    memo.SetText(u"abcde");
    FAIL() << "accepted";
  } catch (const base::EInvalidOperation& e) {
    EXPECT_EQ(e.Message(), u"Text exceeds memo capacity");
  }
  EXPECT_EQ(memo.Text(), u"abcd");
  // Line breaks count as two units.
  EXPECT_THROW(memo.SetText(u"ab\nc"), base::EInvalidOperation);
  memo.Clear();
  EXPECT_EQ(memo.Text(), u"");
}

}  // namespace
