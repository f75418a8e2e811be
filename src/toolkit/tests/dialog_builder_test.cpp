#include "toolkit/dialog_builder.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>

#include "core/text.h"
#include "testing/temp_dir.h"
#include "toolkit/resource_store.h"
#include "toolkit_test_support.h"
#include "toolkit/xml_reader.h"

namespace nimbrook::toolkit {
namespace {

using test::Window;

bool ErrorNames(const std::wstring& error, const std::wstring& fileAndLine) {
  return error.rfind(fileAndLine, 0) == 0;
}

TEST(XmlReaderTest, ElementsAttributesAndReferences) {
  const std::string xml =
      "\xEF\xBB\xBF<?xml version=\"1.0\" encoding=\"utf-8\"?>\n"
      "<!-- leading comment -->\n"
      "<Window size='10,20'>\n"
      "  <Label text=\"a&amp;b &#20013;&#x6587; &quot;q&quot;\" />\n"
      "  <![CDATA[ <not an element> ]]>\n"
      "  <VerticalLayout><Button name=\"\xE7\x99\xBB\xE5\xBD\x95\"/></VerticalLayout>\n"
      "</Window>\n";
  XmlResult r = ParseXml(xml);
  ASSERT_TRUE(r.root) << text::ToUtf8(r.error);
  EXPECT_EQ(r.root->name, L"Window");
  EXPECT_EQ(*r.root->Find(L"size"), L"10,20");
  ASSERT_EQ(r.root->children.size(), 2u);
  EXPECT_EQ(*r.root->children[0]->Find(L"text"), L"a&b \u4E2D\u6587 \"q\"");
  EXPECT_EQ(r.root->children[0]->line, 4);
  EXPECT_EQ(r.root->children[1]->line, 6);
  EXPECT_EQ(*r.root->children[1]->children[0]->Find(L"name"), L"\u767B\u5F55");
}

TEST(XmlReaderTest, BrokenFilesNameTheLine) {
  struct Case {
    const char* xml;
    int line;
  } cases[] = {
      {"<Window>\n<Label>\n</Window>", 3},                  // wrong end tag
      {"<Window>\n\n<Label text=\"x />\n</Window>", 4},      // a quote left open runs into the next tag
      {"<Window>\n<Label text=\"a\" text=\"b\"/>\n</Window>", 2},
      {"<Window>\n<Label text=\"&bogus;\"/>\n</Window>", 2},
      {"<Window>\n<!-- never closed\n", 2},
      {"<Window>\n<Label/>\n", 1},                            // root never closed
      {"<Window/>\n<Second/>", 2},
      {"", 1},
      {"<Window>\n<Label text=\"a\"text2=\"b\"/>\n</Window>", 2},
      {"<Window>\n<Label text=\"<\"/>\n</Window>", 2},
  };
  for (const auto& c : cases) {
    XmlResult r = ParseXml(c.xml);
    EXPECT_FALSE(r.root) << c.xml;
    EXPECT_FALSE(r.error.empty()) << c.xml;
    EXPECT_EQ(r.errorLine, c.line) << c.xml;
  }
}

TEST(XmlReaderTest, HostileNestingIsRefusedNotCrashed) {
  std::string deep;
  for (int i = 0; i < 100000; ++i) deep += "<a>";
  XmlResult r = ParseXml(deep);
  EXPECT_FALSE(r.root);
  EXPECT_FALSE(r.error.empty());
}

TEST(DialogBuilderTest, BuildsWindowFontsDefaultsAndNestedControls) {
  Window w(R"(<?xml version="1.0" encoding="utf-8"?>
<Window size="800,572" caption="0,0,0,40" sizebox="4,4,6,6" roundcorner="5,5" mininfo="400,300" maxinfo="1600,1200" defaultfontcolor="#FF222222">
  <Font id="0" name="Microsoft YaHei" size="12" default="true" />
  <Font id="2" name="SimSun" size="14" bold="true" italic="true" underline="true" />
  <Default name="Button" value="textcolor=&quot;#FF112233&quot; height=&quot;30&quot;" />
  <VerticalLayout name="root" bkcolor="#FFF4F7FA">
    <Label name="title" text="标题" font="2" />
    <Button name="ok" text="OK" />
    <Button name="tall" height="44" />
    <TabLayout name="switch" selectedid="1">
      <Control name="page0" />
      <Control name="page1" />
    </TabLayout>
  </VerticalLayout>
</Window>)");
  ASSERT_NE(w.manager.GetRoot(), nullptr) << text::ToUtf8(w.builder.GetLastError());
  EXPECT_EQ(w.manager.GetInitSize(), (UiSize{800, 572}));
  EXPECT_EQ(w.manager.GetCaptionRect(), (UiRect{0, 0, 0, 40}));
  EXPECT_EQ(w.manager.GetSizeBox(), (UiRect{4, 4, 6, 6}));
  EXPECT_EQ(w.manager.GetRoundCorner(), (UiSize{5, 5}));
  EXPECT_EQ(w.manager.GetMinInfo(), (UiSize{400, 300}));
  EXPECT_EQ(w.manager.GetMaxInfo(), (UiSize{1600, 1200}));
  EXPECT_EQ(w.manager.GetDefaultFontColor(), 0xFF222222u);
  const FontSpec& f2 = w.manager.GetFont(2);
  EXPECT_EQ(f2.name, L"SimSun");
  EXPECT_EQ(f2.size, 14);
  EXPECT_TRUE(f2.bold && f2.italic && f2.underline);
  EXPECT_EQ(w.manager.GetFont(-1).name, L"Microsoft YaHei") << "the default font";
  EXPECT_EQ(w.manager.GetFont(99).size, 12) << "unknown ids fall back to the default font";

  EXPECT_EQ(w.Find<CLabelUI>(L"title")->GetText(), L"\u6807\u9898");
  auto* ok = w.Find<CButtonUI>(L"ok");
  ASSERT_NE(ok, nullptr);
  EXPECT_EQ(ok->GetTextColor(), 0xFF112233u) << "default attributes apply";
  EXPECT_EQ(ok->GetFixedHeight(), 30);
  EXPECT_EQ(w.Find(L"tall")->GetFixedHeight(), 44) << "own attributes win over defaults";
  auto* tab = w.Find<CTabLayoutUI>(L"switch");
  EXPECT_EQ(tab->GetCurSel(), 1);
  EXPECT_FALSE(w.Find(L"page0")->IsVisible());
  EXPECT_TRUE(w.Find(L"page1")->IsVisible());
  EXPECT_EQ(w.notifier.Count(L"windowinit", L"root"), 1);
}

class TestCallback : public IDialogBuilderCallback {
 public:
  CControlUI* CreateControl(const std::wstring& className) override {
    asked.push_back(className);
    if (className == L"ButtonEx") return new CButtonUI;
    if (className == L"jiasu") return new CContainerUI;
    return nullptr;
  }
  std::vector<std::wstring> asked;
};

TEST(DialogBuilderTest, CustomElementsGoToTheCallback) {
  TestCallback callback;
  Window w(R"(<Window><HorizontalLayout>
      <ButtonEx name="b" />
      <jiasu name="j"><Label name="inside"/></jiasu>
    </HorizontalLayout></Window>)",
           {400, 300}, &callback);
  ASSERT_NE(w.manager.GetRoot(), nullptr) << text::ToUtf8(w.builder.GetLastError());
  EXPECT_EQ(callback.asked, (std::vector<std::wstring>{L"ButtonEx", L"jiasu"}))
      << "built-in elements never reach the callback";
  EXPECT_EQ(w.Find(L"b")->GetClass(), L"ButtonUI");
  EXPECT_NE(w.Find(L"inside"), nullptr);
}

TEST(DialogBuilderTest, UnknownElementsFailOrAreSkipped) {
  const std::string layout = "<Window>\n<VerticalLayout>\n  <Label name=\"a\"/>\n  <buttonex name=\"x\"/>\n"
                             "  <Label name=\"b\"/>\n</VerticalLayout>\n</Window>\n";
  TestCallback callback;
  CPaintManagerUI manager;
  CDialogBuilder failing;
  EXPECT_EQ(failing.CreateFromText(layout, L"menu.xml", &callback, &manager), nullptr)
      << "letter case matters for custom elements";
  EXPECT_TRUE(ErrorNames(failing.GetLastError(), L"menu.xml(4):")) << text::ToUtf8(failing.GetLastError());
  EXPECT_EQ(manager.FindControl(L"a"), nullptr) << "a failed build leaves nothing registered";

  CDialogBuilder skipping;
  skipping.SetUnknownElements(CDialogBuilder::UnknownElements::Skip);
  std::unique_ptr<CControlUI> root(skipping.CreateFromText(layout, L"menu.xml", &callback, nullptr));
  ASSERT_NE(root, nullptr);
  auto* layoutRoot = dynamic_cast<CContainerUI*>(root.get());
  ASSERT_NE(layoutRoot, nullptr);
  EXPECT_EQ(layoutRoot->GetCount(), 2);
  EXPECT_NE(skipping.GetWarnings().find(L"menu.xml(4)"), std::wstring::npos);
  EXPECT_TRUE(skipping.GetLastError().empty());
}

TEST(DialogBuilderTest, BrokenLayoutsNameFileAndLine) {
  struct Case {
    const char* xml;
    const wchar_t* where;
  } cases[] = {
      {"<Window>\n<VerticalLayout>\n<Label>\n</VerticalLayout>\n</Window>", L"bad.xml(4):"},
      {"<Window>\n<Label name=\"x\">\n<Button/>\n</Label>\n</Window>", L"bad.xml(2):"},   // a label holds no controls
      {"<Window>\n<Label/>\n<Label/>\n</Window>", L"bad.xml(3):"},                        // two roots
      {"<Window>\n<Window/>\n</Window>", L"bad.xml(2):"},
      {"<Window>\n</Window>", L"bad.xml(1):"},                                           // nothing to show
      {"<Window>\n\n<Include/>\n</Window>", L"bad.xml(3):"},
  };
  for (const auto& c : cases) {
    CDialogBuilder builder;
    EXPECT_EQ(builder.CreateFromText(c.xml, L"bad.xml"), nullptr) << c.xml;
    EXPECT_TRUE(ErrorNames(builder.GetLastError(), c.where)) << c.xml << " -> " << text::ToUtf8(builder.GetLastError());
  }
}

TEST(DialogBuilderTest, BadAttributeValuesAreWarnedNotFatal) {
  CDialogBuilder builder;
  std::unique_ptr<CControlUI> root(builder.CreateFromText(
      "<Window>\n<Label name=\"l\" width=\"wide\" textcolor=\"#FF00FF00\" />\n</Window>", L"w.xml"));
  ASSERT_NE(root, nullptr);
  auto* label = dynamic_cast<CLabelUI*>(root.get());
  EXPECT_EQ(label->GetFixedWidth(), 0);
  EXPECT_EQ(label->GetTextColor(), 0xFF00FF00u);
  EXPECT_NE(builder.GetWarnings().find(L"w.xml(2)"), std::wstring::npos);
}

TEST(DialogBuilderTest, IncludeAndParentFromTheResourceFolder) {
  testing::TempDir dir;
  {
    std::ofstream(std::filesystem::path(dir.Path()) / "part.xml") << "<Window><Label name=\"included\" text=\"x\"/></Window>";
    std::ofstream(std::filesystem::path(dir.Path()) / "main.xml")
        << "<Window><VerticalLayout name=\"v\"><Include source=\"part.xml\"/></VerticalLayout></Window>";
    std::ofstream(std::filesystem::path(dir.Path()) / "loop.xml")
        << "<Window><VerticalLayout><Include source=\"loop.xml\"/></VerticalLayout></Window>";
  }
  ASSERT_TRUE(CPaintManagerUI::SetResourcePath(dir.Dir()));
  CPaintManagerUI manager;
  CDialogBuilder builder;
  CControlUI* root = builder.Create(L"main.xml", nullptr, &manager);
  ASSERT_NE(root, nullptr) << text::ToUtf8(builder.GetLastError());
  manager.AttachDialog(root);
  ASSERT_NE(manager.FindControl(L"included"), nullptr);
  EXPECT_EQ(manager.FindControl(L"included")->GetParent(), manager.FindControl(L"v"));

  // Built into an existing container: every top control joins it.
  auto* v = dynamic_cast<CContainerUI*>(manager.FindControl(L"v"));
  CControlUI* added = builder.Create(L"part.xml", nullptr, &manager, v);
  ASSERT_NE(added, nullptr);
  EXPECT_EQ(v->GetCount(), 2);
  EXPECT_EQ(added->GetParent(), v);

  EXPECT_EQ(builder.Create(L"loop.xml", nullptr, &manager), nullptr) << "an include loop ends";
  EXPECT_NE(builder.GetLastError().find(L"loop.xml"), std::wstring::npos);
  EXPECT_EQ(builder.Create(L"missing.xml", nullptr, &manager), nullptr);
  EXPECT_TRUE(ErrorNames(builder.GetLastError(), L"missing.xml(0):"));
  ASSERT_TRUE(CPaintManagerUI::SetResourcePath(L"."));
}

}  // namespace
}  // namespace nimbrook::toolkit

namespace nimbrook::toolkit {
namespace {

// Numbers at the integer limit are cut where the layout is read, so no later sum or product wraps.
TEST(HostileLayoutTest, NumbersAtTheLimitAreBoundedWhereRead) {
  Window w(R"(<Window>
      <Font id="2147483647" name="a" size="12"/>
      <Font name="b" size="12"/>
      <Font id="7" name="c" size="12"/>
      <VerticalLayout>
        <ScrollBar name="bar" range="2147483647" linesize="2147483647" pos="2147483647" height="100"/>
      </VerticalLayout>
    </Window>)");
  // The refused id is warned and the font takes the next free number instead.
  EXPECT_NE(w.builder.GetWarnings().find(L"2147483647"), std::wstring::npos);
  EXPECT_TRUE(w.manager.HasFont(0));
  EXPECT_EQ(w.manager.GetFont(1).name, L"b");
  EXPECT_EQ(w.manager.GetFont(7).name, L"c");
  EXPECT_FALSE(w.manager.HasFont(2147483647));

  auto* bar = w.Find<CScrollBarUI>(L"bar");
  ASSERT_NE(bar, nullptr);
  EXPECT_EQ(bar->GetScrollRange(), kMaxExtent);
  EXPECT_EQ(bar->GetScrollPos(), kMaxExtent);
  const UiRect thumb = bar->ThumbRect();
  EXPECT_GE(thumb.top, bar->GetPos().top);
  EXPECT_LE(thumb.bottom, bar->GetPos().bottom);
  bar->LineDown();
  bar->PageDown();
  EXPECT_EQ(bar->GetScrollPos(), kMaxExtent);
  bar->LineUp();
  EXPECT_EQ(bar->GetScrollPos(), 0);

  // Set from code (a container's content), the range may reach the limit; the thumb still fits.
  bar->SetScrollRange(2147483647);
  bar->SetScrollPos(2147483647);
  const UiRect end = bar->ThumbRect();
  EXPECT_LE(end.bottom, bar->GetPos().bottom);
  EXPECT_GT(end.bottom, end.top);
  bar->PageDown();
  bar->LineDown();
  EXPECT_EQ(bar->GetScrollPos(), 2147483647);
}

// A default list is read once per build: a broken one is warned once, not once per element, and its
// good attributes still apply to every element.
TEST(HostileLayoutTest, DefaultListsAreParsedOnceAndWarnedOnce) {
  std::string layout = R"(<Window><Default name="Label" value="width=&quot;wide&quot; height=&quot;20&quot;"/><VerticalLayout>)";
  for (int i = 0; i < 50; ++i) layout += "<Label name=\"l" + std::to_string(i) + "\"/>";
  layout += "</VerticalLayout></Window>";
  Window w(layout);
  ASSERT_NE(w.Find(L"l49"), nullptr);
  EXPECT_EQ(w.Find(L"l0")->GetFixedHeight(), 20);
  EXPECT_EQ(w.Find(L"l49")->GetFixedHeight(), 20);
  const std::wstring& warnings = w.builder.GetWarnings();
  const size_t first = warnings.find(L"默认属性");
  ASSERT_NE(first, std::wstring::npos);
  EXPECT_EQ(warnings.find(L"默认属性", first + 1), std::wstring::npos);

  // A Default declared again later in the file replaces the list for the elements after it.
  Window again(R"(<Window><Default name="Label" value="height=&quot;20&quot;"/><VerticalLayout>
      <Label name="a"/><Default name="Label" value="height=&quot;30&quot;"/><Label name="b"/></VerticalLayout></Window>)");
  ASSERT_NE(again.Find(L"b"), nullptr);
  EXPECT_EQ(again.Find(L"a")->GetFixedHeight(), 20);
  EXPECT_EQ(again.Find(L"b")->GetFixedHeight(), 30);
}

// A skin full of refused attributes logs the first hundred and one line more, not one per attribute;
// options of one large group are not removed one by one when the window goes.
TEST(HostileLayoutTest, RefusalsOfAHostileSkinDoNotFloodTheLog) {
  std::string layout = "<Window><VerticalLayout><Label name=\"l\"";
  for (int i = 0; i < 300; ++i) layout += " bogus" + std::to_string(i) + "=\"1\"";
  layout += "/>";
  for (int i = 0; i < 2000; ++i) layout += "<Option group=\"g\"/>";
  layout += "</VerticalLayout></Window>";
  Window w(layout);
  ASSERT_NE(w.Find(L"l"), nullptr);
  const std::wstring& warnings = w.builder.GetWarnings();
  EXPECT_EQ(std::count(warnings.begin(), warnings.end(), L'\n'), 101);
  EXPECT_NE(warnings.find(L"bogus99="), std::wstring::npos);
  EXPECT_EQ(warnings.find(L"bogus100="), std::wstring::npos);
  ASSERT_NE(w.manager.GetOptionGroup(L"g"), nullptr);
  EXPECT_EQ(w.manager.GetOptionGroup(L"g")->size(), 2000u);
}

// Thousands of attributes on one element: a duplicate is still found, wherever it is.
TEST(HostileLayoutTest, ManyAttributesStillFindTheDuplicate) {
  std::string element = "<Window";
  for (int i = 0; i < 20000; ++i) element += " a" + std::to_string(i) + "=\"1\"";
  XmlResult good = ParseXml(element + "/>");
  ASSERT_NE(good.root, nullptr) << text::ToUtf8(good.error);
  EXPECT_EQ(good.root->attributes.size(), 20000u);
  XmlResult twice = ParseXml(element + " a19999=\"2\"/>");
  EXPECT_EQ(twice.root, nullptr);
  EXPECT_NE(twice.error.find(L"a19999"), std::wstring::npos);
}

}  // namespace
}  // namespace nimbrook::toolkit
