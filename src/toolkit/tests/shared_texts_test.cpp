// Names and image texts kept once for the process: equal texts share one copy, images are read once,
// and controls built alike point at the same copies while reading as before.
#include <gtest/gtest.h>

#include "toolkit/controls.h"
#include "toolkit/shared_texts.h"

namespace nimbrook::toolkit {
namespace {

TEST(SharedTextsTest, EqualNamesShareOneCopy) {
  const std::wstring& first = SharedName(L"connecttype");
  const std::wstring& second = SharedName(std::wstring(L"connect") + L"type");
  EXPECT_EQ(&first, &second);
  EXPECT_EQ(first, L"connecttype");
  EXPECT_NE(&SharedName(L"ip"), &first);
  EXPECT_EQ(SharedName(L""), L"");
  EXPECT_EQ(&SharedName(L""), &SharedName(std::wstring()));
}

TEST(SharedTextsTest, ImagesAreReadOnceAndBadOnesAreNotKept) {
  const SharedImage* sliced = SharedImageFor(L"file='bar.png' source='0,0,85,28' corner='2,2,2,2'");
  ASSERT_NE(sliced, nullptr);
  EXPECT_EQ(sliced->text, L"file='bar.png' source='0,0,85,28' corner='2,2,2,2'");
  EXPECT_EQ(sliced->spec.file, L"bar.png");
  EXPECT_TRUE(sliced->spec.hasSource);
  EXPECT_EQ(sliced->spec.source, (UiRect{0, 0, 85, 28}));
  EXPECT_EQ(sliced->spec.corner, (UiRect{2, 2, 2, 2}));
  EXPECT_EQ(SharedImageFor(L"file='bar.png' source='0,0,85,28' corner='2,2,2,2'"), sliced);

  const SharedImage* bare = SharedImageFor(L"cn.png");
  ASSERT_NE(bare, nullptr);
  EXPECT_EQ(bare->spec.file, L"cn.png");
  EXPECT_EQ(SharedImageFor(L"file='x.png' source='nonsense'"), nullptr);
  EXPECT_EQ(SharedImageFor(L"file='x.png' source='nonsense'"), nullptr) << "asked again, still refused";
  const SharedImage* empty = SharedImageFor(L"");
  ASSERT_NE(empty, nullptr);
  EXPECT_TRUE(empty->spec.IsEmpty());
}

TEST(SharedTextsTest, ControlsBuiltAlikeShareNamesAndImages) {
  CControlUI a;
  CControlUI b;
  for (CControlUI* c : {&a, &b}) {
    EXPECT_TRUE(c->ApplyAttributeList(L"name=\"flag_ico\" bkimage=\"file='us.png' dest='0,0,16,12'\""));
  }
  EXPECT_EQ(&a.GetName(), &b.GetName());
  EXPECT_EQ(&a.GetBkImage(), &b.GetBkImage());
  EXPECT_EQ(a.GetBkImage(), L"file='us.png' dest='0,0,16,12'");
  b.SetName(L"other");
  b.SetBkImage(L"uk.png");
  EXPECT_EQ(a.GetName(), L"flag_ico");
  EXPECT_EQ(a.GetBkImage(), L"file='us.png' dest='0,0,16,12'");
  EXPECT_EQ(b.GetName(), L"other");
  EXPECT_EQ(b.GetBkImage(), L"uk.png");

  CProgressUI bar;
  EXPECT_EQ(bar.GetForeImage(), L"");
  EXPECT_TRUE(bar.ApplyAttributeList(L"foreimage=\"load_green.png\""));
  EXPECT_EQ(bar.GetForeImage(), L"load_green.png");
  EXPECT_FALSE(bar.ApplyAttributeList(L"foreimage=\"file='x.png' fade='lots'\""));
  EXPECT_EQ(bar.GetForeImage(), L"load_green.png") << "a refused image keeps the one there is";
}

}  // namespace
}  // namespace nimbrook::toolkit
