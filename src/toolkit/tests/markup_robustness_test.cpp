// Damaged layouts and attribute lists: every variant either builds or fails with a located error;
// none crashes, leaks or leaves half a tree registered.
#include <gtest/gtest.h>

#include <random>

#include "toolkit/attribute_values.h"
#include "toolkit/recording_render_context.h"
#include "toolkit_test_support.h"

namespace nimbrook::toolkit {
namespace {

const char kSeed[] = R"(<?xml version="1.0" encoding="utf-8"?>
<Window size="300,200" caption="0,0,0,30" sizebox="4,4,4,4">
  <Font id="0" name="Microsoft YaHei" size="12" default="true" />
  <Default name="Button" value="textcolor=&quot;#FF112233&quot; height=&quot;30&quot;" />
  <VerticalLayout name="root" inset="4,4,4,4" vscrollbar="true">
    <Label name="title" text="&#x6807;&#x9898; &amp; more" endellipsis="true" />
    <Button name="ok" text="OK" normalimage="file='a.png' source='0,0,10,10' corner='2,2,2,2'" />
    <List name="list" header="hidden"><ListLabelElement name="row" text="r" /></List>
    <TabLayout selectedid="0"><Edit name="e" maxchar="5" /><Progress value="50" /></TabLayout>
  </VerticalLayout>
</Window>)";

TEST(MarkupRobustnessTest, MutatedLayoutsBuildOrFailWithALine) {
  std::mt19937 random(20261207);
  const std::string seed = kSeed;
  const char alphabet[] = "<>/=\"'&;#x \n!-?[]ABCabc0123456789\xE4\xB8\xAD\xFF";
  int built = 0;
  int failed = 0;
  for (int round = 0; round < 600; ++round) {
    std::string text = seed;
    const int edits = 1 + static_cast<int>(random() % 4);
    for (int e = 0; e < edits; ++e) {
      const size_t at = random() % text.size();
      switch (random() % 3) {
        case 0: text.erase(at, 1 + random() % 8); break;
        case 1: text.insert(at, 1, alphabet[random() % (sizeof(alphabet) - 1)]); break;
        default: text[at] = alphabet[random() % (sizeof(alphabet) - 1)]; break;
      }
      if (text.empty()) text = "<";
    }
    FakePaintHost host;
    CPaintManagerUI manager;
    manager.SetHost(&host);
    CDialogBuilder builder;
    CControlUI* root = builder.CreateFromText(text, L"fuzz.xml", nullptr, &manager);
    if (!root) {
      ++failed;
      EXPECT_EQ(builder.GetLastError().rfind(L"fuzz.xml(", 0), 0u) << text;
      EXPECT_EQ(manager.FindControl(L"ok"), nullptr) << "a failed build registers nothing";
      continue;
    }
    ++built;
    manager.AttachDialog(root);
    RecordingRenderContext ctx;
    manager.Paint(ctx, {0, 0, 300, 200});
    EXPECT_EQ(ctx.ClipDepth(), 0);
  }
  EXPECT_GT(built, 0);
  EXPECT_GT(failed, 0);
}

TEST(MarkupRobustnessTest, MutatedAttributeListsApplyWhatTheyCan) {
  std::mt19937 random(7);
  const std::wstring seed =
      L"name=\"PPTP\" align=\"left\" height=\"25\" textpadding=\"18,3,0,0\" text=\"PPTP\" font=\"0\" "
      L"textcolor=\"#ff000000\" bkimage=\"file='x.png' source='0,0,85,28'\"";
  const wchar_t alphabet[] = L"=\"' ,#\\&;0123456789abcxyz";
  for (int round = 0; round < 2000; ++round) {
    std::wstring list = seed;
    for (int e = 0; e < 3; ++e) {
      const size_t at = random() % list.size();
      list[at] = alphabet[random() % (sizeof(alphabet) / sizeof(wchar_t) - 1)];
    }
    std::vector<AttributePair> pairs;
    std::wstring error;
    const bool ok = ParseAttributeList(list, pairs, &error);
    EXPECT_EQ(ok, error.empty());
    CButtonUI button;
    const bool applied = button.ApplyAttributeList(list);
    if (!ok) {
      EXPECT_FALSE(applied);
    }
    EXPECT_GE(button.GetFixedHeight(), 0);
  }
}

}  // namespace
}  // namespace nimbrook::toolkit
