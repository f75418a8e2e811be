#include "toolkit/attribute_values.h"

#include <gtest/gtest.h>

#include "toolkit/controls.h"

namespace nimbrook::toolkit {
namespace {

TEST(AttributeValuesTest, NumbersFlagsColoursRectangles) {
  int n = 7;
  EXPECT_TRUE(ParseInt(L" -12 ", n));
  EXPECT_EQ(n, -12);
  for (const wchar_t* bad : {L"", L"12px", L"1.5", L"-", L"99999999999", L"0x10"}) {
    n = 7;
    EXPECT_FALSE(ParseInt(bad, n)) << bad;
    EXPECT_EQ(n, 7) << "a refused number leaves the output alone: " << bad;
  }
  bool b = false;
  EXPECT_TRUE(ParseBool(L"TRUE", b));
  EXPECT_TRUE(b);
  EXPECT_TRUE(ParseBool(L"false", b));
  EXPECT_FALSE(b);
  EXPECT_FALSE(ParseBool(L"yes", b));

  UiColor c = 0;
  EXPECT_TRUE(ParseColor(L"#FF666666", c));
  EXPECT_EQ(c, 0xFF666666u);
  EXPECT_TRUE(ParseColor(L"#1a6fd1", c));
  EXPECT_EQ(c, 0xFF1A6FD1u) << "six digits are an opaque colour";
  EXPECT_TRUE(ParseColor(L"0x80000000", c));
  EXPECT_EQ(c, 0x80000000u);
  for (const wchar_t* bad : {L"#FF66666", L"#GG666666", L"red", L"#", L""}) {
    c = 1;
    EXPECT_FALSE(ParseColor(bad, c)) << bad;
    EXPECT_EQ(c, 1u);
  }

  UiRect r{};
  EXPECT_TRUE(ParseRect(L"10, 11,0 ,0", r));
  EXPECT_EQ(r, (UiRect{10, 11, 0, 0}));
  EXPECT_FALSE(ParseRect(L"1,2,3", r));
  EXPECT_FALSE(ParseRect(L"1,2,3,4,5", r));
  EXPECT_FALSE(ParseRect(L"1,2,x,4", r));
  UiSize s{};
  EXPECT_TRUE(ParseSize(L"800,572", s));
  EXPECT_EQ(s, (UiSize{800, 572}));
  EXPECT_FALSE(ParseSize(L"800", s));
}

TEST(AttributeValuesTest, ImageTexts) {
  ImageSpec desc;
  ASSERT_TRUE(ParseImage(L"x.png", desc));
  EXPECT_EQ(desc.file, L"x.png");
  EXPECT_FALSE(desc.hasSource);

  ASSERT_TRUE(ParseImage(L"file='update_bar_3.png' source='0,0,188,33' corner='5,5,5,5' fade='128' hole='true'", desc));
  EXPECT_EQ(desc.file, L"update_bar_3.png");
  EXPECT_TRUE(desc.hasSource);
  EXPECT_EQ(desc.source, (UiRect{0, 0, 188, 33}));
  EXPECT_EQ(desc.corner, (UiRect{5, 5, 5, 5}));
  EXPECT_EQ(desc.fade, 128);
  EXPECT_TRUE(desc.hole);

  ASSERT_TRUE(ParseImage(L"", desc));
  EXPECT_TRUE(desc.IsEmpty());

  const ImageSpec before = desc;
  EXPECT_FALSE(ParseImage(L"file='x.png' source='0,0,85'", desc));
  EXPECT_FALSE(ParseImage(L"file='x.png' fade='300'", desc));
  EXPECT_FALSE(ParseImage(L"source='0,0,1,1'", desc)) << "no file";
  EXPECT_FALSE(ParseImage(L"file='x.png", desc)) << "unterminated quote";
  EXPECT_EQ(desc, before);
}

TEST(AttributeValuesTest, AttributeListsWithQuotesAndEscapes) {
  std::vector<AttributePair> pairs;
  ASSERT_TRUE(ParseAttributeList(
      L"name=\"PPTP\" align=\"left\"  height=\"25\" textpadding=\"18,3,0,0\" text='a \"b\"' tip=\"x\\\"y &amp; &lt;z&gt;\" ",
      pairs));
  ASSERT_EQ(pairs.size(), 6u);
  EXPECT_EQ(pairs[0].name, L"name");
  EXPECT_EQ(pairs[0].value, L"PPTP");
  EXPECT_EQ(pairs[3].value, L"18,3,0,0");
  EXPECT_EQ(pairs[4].value, L"a \"b\"");
  EXPECT_EQ(pairs[5].value, L"x\"y & <z>");

  pairs.clear();
  ASSERT_TRUE(ParseAttributeList(L"bkimage=\"file='main_telephone_hor.png'\"", pairs));
  ASSERT_EQ(pairs.size(), 1u);
  EXPECT_EQ(pairs[0].value, L"file='main_telephone_hor.png'");

  std::wstring error;
  pairs.clear();
  EXPECT_FALSE(ParseAttributeList(L"a=\"1\" b=2", pairs, &error));
  EXPECT_EQ(pairs.size(), 1u) << "pairs before the error are kept";
  EXPECT_FALSE(error.empty());
  pairs.clear();
  EXPECT_FALSE(ParseAttributeList(L"a=\"1", pairs));
  EXPECT_FALSE(ParseAttributeList(L"=\"1\"", pairs));
  EXPECT_FALSE(ParseAttributeList(L"a \"1\"", pairs));
  pairs.clear();
  EXPECT_TRUE(ParseAttributeList(L"   ", pairs));
  EXPECT_TRUE(pairs.empty());
}

TEST(AttributeValuesTest, ControlsApplyListsTheWindowsPass) {
  CLabelUI label;
  EXPECT_TRUE(label.ApplyAttributeList(
      L"endellipsis=\"true\" textcolor=\"#FF666666\" font=\"2\" align=\"left\" textpadding=\"10,10,5,0\" "));
  EXPECT_TRUE(label.IsEndEllipsis());
  EXPECT_EQ(label.GetTextColor(), 0xFF666666u);
  EXPECT_EQ(label.GetFont(), 2);
  EXPECT_EQ(label.GetTextStyle().align, TextAlign::Left);
  EXPECT_EQ(label.GetTextPadding(), (UiRect{10, 10, 5, 0}));

  CControlUI flag;
  EXPECT_TRUE(flag.ApplyAttributeList(
      L"name=\"flag_ico\" float=\"false\" padding=\"10,11,0,0\" width=\"16\" height=\"12\" bkimage=\"cn.png\""));
  EXPECT_EQ(flag.GetName(), L"flag_ico");
  EXPECT_EQ(flag.GetFixedWidth(), 16);
  EXPECT_EQ(flag.GetFixedHeight(), 12);
  EXPECT_EQ(flag.GetPadding(), (UiRect{10, 11, 0, 0}));
  EXPECT_EQ(flag.GetBkImage(), L"cn.png");

  CControlUI bar;
  EXPECT_TRUE(bar.ApplyAttributeList(L"bkimage=\"file='x.png' source='0,0,85,28'\""));
  EXPECT_EQ(bar.GetBkImage(), L"file='x.png' source='0,0,85,28'");

  CContainerUI list;
  EXPECT_TRUE(list.ApplyAttributeList(L"mousechild=\"false\""));
  EXPECT_FALSE(list.IsMouseChildEnabled());

  CButtonUI button;
  EXPECT_TRUE(button.ApplyAttributeList(
      L"name=\"PPTP\" align=\"left\"  height=\"25\" textpadding=\"18,3,0,0\" text=\"PPTP\" font=\"0\" "
      L"textcolor=\"#ff000000\" hottextcolor=\"#ff000000\" pushedtextcolor=\"#ff000000\" "));
  EXPECT_EQ(button.GetText(), L"PPTP");
  EXPECT_EQ(button.GetFixedHeight(), 25);
  EXPECT_EQ(button.GetHotTextColor(), 0xFF000000u);

  // A bad value is refused, the rest applied, and the list reports the refusal.
  CLabelUI partly;
  partly.SetFixedWidth(50);
  EXPECT_FALSE(partly.ApplyAttributeList(L"width=\"wide\" text=\"kept\" textcolor=\"#12\""));
  EXPECT_EQ(partly.GetFixedWidth(), 50);
  EXPECT_EQ(partly.GetText(), L"kept");
  EXPECT_EQ(partly.GetTextColor(), 0u);
  EXPECT_FALSE(partly.ApplyAttributeList(L"nosuchattribute=\"1\""));
}

TEST(AttributeValuesTest, SeldomUsedAttributesReadTheirDefaultsUntilSetAndKeepTheirValues) {
  CControlUI plain;
  EXPECT_EQ(plain.GetToolTip(), L"");
  EXPECT_EQ(plain.GetUserData(), L"");
  EXPECT_EQ(plain.GetFloatPos(), (UiRect{}));
  EXPECT_EQ(plain.GetMinWidth(), 0);
  EXPECT_EQ(plain.GetMaxWidth(), 9999);
  EXPECT_EQ(plain.GetMinHeight(), 0);
  EXPECT_EQ(plain.GetMaxHeight(), 9999);
  EXPECT_EQ(plain.GetBkColor2(), 0u);
  EXPECT_EQ(plain.GetBorderColor(), 0u);
  EXPECT_EQ(plain.GetFocusBorderColor(), 0u);
  EXPECT_EQ(plain.GetBorderSize(), 0);
  EXPECT_EQ(plain.GetBorderRound(), (UiSize{}));
  EXPECT_EQ(plain.GetBkImage(), L"");

  CControlUI styled;
  EXPECT_TRUE(styled.ApplyAttributeList(
      L"tooltip=\"Tip\" userdata=\"u\" float=\"true\" pos=\"1,2,31,42\" minwidth=\"5\" maxwidth=\"50\" "
      L"minheight=\"6\" maxheight=\"60\" bkcolor2=\"#FF010203\" bordercolor=\"#FF040506\" "
      L"focusbordercolor=\"#FF070809\" bordersize=\"2\" borderround=\"3,4\" bkimage=\"b.png\""));
  EXPECT_EQ(styled.GetToolTip(), L"Tip");
  EXPECT_EQ(styled.GetUserData(), L"u");
  EXPECT_EQ(styled.GetFloatPos(), (UiRect{1, 2, 31, 42}));
  EXPECT_EQ(styled.GetFixedWidth(), 30);
  EXPECT_EQ(styled.GetMinWidth(), 5);
  EXPECT_EQ(styled.GetMaxWidth(), 50);
  EXPECT_EQ(styled.GetMinHeight(), 6);
  EXPECT_EQ(styled.GetMaxHeight(), 60);
  EXPECT_EQ(styled.GetBkColor2(), 0xFF010203u);
  EXPECT_EQ(styled.GetBorderColor(), 0xFF040506u);
  EXPECT_EQ(styled.GetFocusBorderColor(), 0xFF070809u);
  EXPECT_EQ(styled.GetBorderSize(), 2);
  EXPECT_EQ(styled.GetBorderRound(), (UiSize{3, 4}));
  EXPECT_EQ(styled.GetBkImage(), L"b.png");
  // Setting back the default keeps reading the default; others stay.
  styled.SetToolTip(L"");
  styled.SetBorderSize(0);
  styled.SetBkImage(L"");
  EXPECT_EQ(styled.GetToolTip(), L"");
  EXPECT_EQ(styled.GetBorderSize(), 0);
  EXPECT_EQ(styled.GetBkImage(), L"");
  EXPECT_EQ(styled.GetUserData(), L"u");
  EXPECT_EQ(styled.GetBorderRound(), (UiSize{3, 4}));
  // A refused image keeps the one there is.
  plain.SetBkImage(L"kept.png");
  EXPECT_FALSE(plain.ApplyAttributeList(L"bkimage=\"file='x.png' source='nonsense'\""));
  EXPECT_EQ(plain.GetBkImage(), L"kept.png");
}

}  // namespace
}  // namespace nimbrook::toolkit
