// Lists (selection, clicks, reordering, removal) and option groups.
#include <gtest/gtest.h>

#include "toolkit_test_support.h"

namespace nimbrook::toolkit {
namespace {

using test::Window;

const char kList[] = R"(<Window><VerticalLayout>
    <List name="serverlist" inset="1,6,1,6" itemselectedbkcolor="#FFDDEBFB">
      <ListHeader height="24">
        <ListHeaderItem name="server_header" text="Server" width="100"/>
        <ListHeaderItem name="delay_header" text="Delay" width="60"/>
      </ListHeader>
    </List>
  </VerticalLayout></Window>)";

// Rows made the way the pickers make them: a row element with a button inside.
CListContainerElementUI* AddRow(CListUI* list, const std::wstring& name, int height = 25) {
  auto* row = new CListContainerElementUI;
  EXPECT_TRUE(row->ApplyAttributeList(L"name=\"" + name + L"\" height=\"" + std::to_wstring(height) + L"\" align=\"center\""));
  auto* label = new CLabelUI;
  label->ApplyAttributeList(L"name=\"" + name + L"_lab\" text=\"" + name + L"\"");
  row->Add(label);
  list->Add(row);
  return row;
}

TEST(ListTest, RowsHeaderAndHeight) {
  Window w(kList, {300, 200});
  auto* list = w.Find<CListUI>(L"serverlist");
  ASSERT_NE(list, nullptr);
  EXPECT_TRUE(list->IsHeaderVisible());
  for (const wchar_t* p : {L"PPTP", L"L2TP", L"OVPN-UDP", L"OVPN-TCP"}) AddRow(list, p);
  w.manager.DoLayout();
  EXPECT_EQ(list->GetCount(), 4);
  EXPECT_EQ(list->GetHeader()->GetPos(), (UiRect{1, 6, 299, 30}));
  EXPECT_EQ(w.Find(L"PPTP")->GetPos(), (UiRect{1, 30, 299, 55}));
  EXPECT_EQ(w.Find(L"OVPN-TCP")->GetPos().bottom, 130);
  EXPECT_EQ(w.Find(L"delay_header")->GetPos(), (UiRect{101, 6, 161, 30}));
}

TEST(ListTest, PickerRowsGiveTheSpecifiedHeight) {
  // The protocol picker: four rows of 25 and an inset of 6 above and below make 112.
  Window w(R"(<Window size="101,112"><VerticalLayout><List name="listProtocol" header="hidden" inset="1,6,1,6"/></VerticalLayout></Window>)",
           {101, 112});
  auto* list = w.Find<CListUI>(L"listProtocol");
  EXPECT_FALSE(list->IsHeaderVisible());
  for (const wchar_t* p : {L"PPTP", L"L2TP", L"IPSEC", L"SSTP"}) AddRow(list, p);
  w.manager.DoLayout();
  EXPECT_EQ(25 * list->GetCount() + 12, 112);
  EXPECT_EQ(w.Find(L"SSTP")->GetPos().bottom, 112 - 6) << "the last row ends where the inset begins";
  EXPECT_FALSE(list->GetList()->GetVerticalScrollBar()->IsVisible());
}

TEST(ListTest, ClickSendsItemClickThenItemSelectOnce) {
  Window w(kList, {300, 200});
  auto* list = w.Find<CListUI>(L"serverlist");
  AddRow(list, L"a");
  AddRow(list, L"b");
  w.manager.DoLayout();
  w.Click(w.Center(L"b_lab"));
  EXPECT_EQ(list->GetCurSel(), 1);
  std::vector<std::wstring> log = w.notifier.Log();
  log.erase(log.begin());   // windowinit
  EXPECT_EQ(log, (std::vector<std::wstring>{L"setfocus:b_lab", L"itemclick:b", L"itemselect:serverlist"}));
  EXPECT_EQ(w.notifier.heard.back().wParam, 1u);
  EXPECT_EQ(w.notifier.heard.back().lParam, -1);
  w.Click(w.Center(L"b_lab"));
  EXPECT_EQ(w.notifier.Count(L"itemselect", L"serverlist"), 1) << "selecting the selected row is silent";
  EXPECT_EQ(w.notifier.Count(L"itemclick", L"b"), 2);
  EXPECT_TRUE(dynamic_cast<CListContainerElementUI*>(w.Find(L"b"))->IsSelected());

  w.manager.OnDoubleClick(w.Center(L"a_lab"));
  w.manager.OnButtonUp(w.Center(L"a_lab"));
  EXPECT_EQ(w.notifier.Count(L"itemactivate", L"a"), 1);
}

TEST(ListTest, HeaderClick) {
  Window w(kList, {300, 200});
  w.Click(w.Center(L"delay_header"));
  EXPECT_EQ(w.notifier.Count(L"headerclick", L"delay_header"), 1);
  EXPECT_EQ(w.notifier.Count(L"click", L"delay_header"), 0);
}

TEST(ListTest, SelectionRulesAndKeyboard) {
  Window w(kList, {300, 200});
  auto* list = w.Find<CListUI>(L"serverlist");
  AddRow(list, L"a");
  AddRow(list, L"b")->SetVisible(false);
  AddRow(list, L"c")->SetEnabled(false);
  AddRow(list, L"d");
  w.manager.DoLayout();
  EXPECT_FALSE(list->SelectItem(1)) << "hidden rows cannot be selected";
  EXPECT_FALSE(list->SelectItem(2)) << "disabled rows cannot be selected";
  EXPECT_FALSE(list->SelectItem(9));
  EXPECT_TRUE(list->SelectItem(0, true));
  EXPECT_EQ(w.manager.GetFocus(), list);
  w.manager.OnKeyDown(kVkDown);
  EXPECT_EQ(list->GetCurSel(), 3) << "Down steps over rows that cannot be selected";
  w.manager.OnKeyDown(kVkUp);
  EXPECT_EQ(list->GetCurSel(), 0);
  EXPECT_TRUE(list->SelectItem(-1));
  EXPECT_EQ(list->GetCurSel(), -1);
  EXPECT_FALSE(dynamic_cast<IListItemUI*>(w.Find(L"a"))->IsSelected());
  EXPECT_EQ(w.notifier.Count(L"itemselect", L"serverlist"), 3) << "clearing the selection is silent";
}

TEST(ListTest, MovingAndRemovingRowsKeepsTheSelectionOnItsRow) {
  Window w(kList, {300, 200});
  auto* list = w.Find<CListUI>(L"serverlist");
  for (const wchar_t* n : {L"r0", L"r1", L"r2", L"r3"}) AddRow(list, n);
  ASSERT_TRUE(list->SelectItem(2));
  ASSERT_TRUE(list->SetItemIndex(w.Find(L"r2"), 0));
  EXPECT_EQ(list->GetItemAt(0), w.Find(L"r2"));
  EXPECT_EQ(list->GetCurSel(), 0);
  EXPECT_EQ(dynamic_cast<IListItemUI*>(w.Find(L"r0"))->GetIndex(), 1);
  ASSERT_TRUE(list->SetItemIndex(w.Find(L"r3"), 99)) << "an index past the end moves to the end";
  EXPECT_EQ(list->GetItemIndex(w.Find(L"r3")), 3);
  EXPECT_FALSE(list->SetItemIndex(w.Find(L"serverlist"), 0));

  ASSERT_TRUE(list->Remove(w.Find(L"r0")));
  EXPECT_EQ(list->GetCurSel(), 0) << "r2 is still selected";
  ASSERT_TRUE(list->RemoveAt(0));
  EXPECT_EQ(list->GetCurSel(), -1);
  EXPECT_EQ(w.manager.FindControl(L"r2"), nullptr);
  EXPECT_EQ(w.manager.FindControl(L"r2_lab"), nullptr);

  // A row replaced at its index, as the updater's file list does.
  auto* fresh = new CListLabelElementUI;
  fresh->SetName(L"fresh");
  ASSERT_TRUE(list->AddAt(fresh, 1));
  EXPECT_EQ(fresh->GetIndex(), 1);
  EXPECT_EQ(fresh->GetOwner(), list);
  EXPECT_TRUE(fresh->Select());
  EXPECT_EQ(list->GetCurSel(), 1);

  list->RemoveAll();
  EXPECT_EQ(list->GetCount(), 0);
  EXPECT_EQ(list->GetCurSel(), -1);
  EXPECT_NE(list->GetHeader(), nullptr) << "the header stays";
}

TEST(ListTest, ItemClickHandlerMayClearTheList) {
  Window w(kList, {300, 200});
  auto* list = w.Find<CListUI>(L"serverlist");
  AddRow(list, L"a");
  w.manager.DoLayout();
  w.notifier.onNotify = [&](TNotifyUI& m) {
    if (m.sType == L"itemclick") list->RemoveAll();
  };
  w.Click(w.Center(L"a_lab"));
  EXPECT_EQ(list->GetCount(), 0);
  EXPECT_EQ(w.notifier.Count(L"itemselect", L"serverlist"), 0);
}

TEST(ListTest, EnsureVisibleScrollsTheBody) {
  Window w(kList, {300, 100});
  auto* list = w.Find<CListUI>(L"serverlist");
  for (int i = 0; i < 20; ++i) AddRow(list, L"row" + std::to_wstring(i));
  w.manager.DoLayout();
  ASSERT_TRUE(list->GetList()->GetVerticalScrollBar()->IsVisible());
  ASSERT_TRUE(list->SelectItem(15));
  const UiRect body = list->GetList()->GetInnerRect();
  const UiRect row = w.Find(L"row15")->GetPos();
  EXPECT_GE(row.top, body.top);
  EXPECT_LE(row.bottom, body.bottom);
  list->EnsureVisible(0);
  EXPECT_EQ(list->GetList()->GetScrollPos().cy, 0);
}

TEST(ListTest, LockedListTakesNoRowClicks) {
  Window w(kList, {300, 200});
  auto* list = w.Find<CListUI>(L"serverlist");
  AddRow(list, L"a");
  w.manager.DoLayout();
  EXPECT_TRUE(list->ApplyAttributeList(L"mousechild=\"false\""));
  w.Click(w.Center(L"a_lab"));
  EXPECT_EQ(list->GetCurSel(), -1);
  EXPECT_EQ(w.notifier.Count(L"itemclick", L"a"), 0);
}

const char kOptions[] = R"(<Window><HorizontalLayout>
    <Option name="allopt" group="area" selected="true" width="50"/>
    <Option name="freeopt" group="area" width="50"/>
    <Option name="japopt" group="area" width="50"/>
    <Option name="other" group="proxy" selected="true" width="50"/>
    <CheckBox name="remeberbox" width="50"/>
  </HorizontalLayout></Window>)";

TEST(OptionTest, GroupsAreExclusiveAndClickComesBeforeTheChange) {
  Window w(kOptions);
  auto* all = w.Find<COptionUI>(L"allopt");
  auto* free = w.Find<COptionUI>(L"freeopt");
  auto* other = w.Find<COptionUI>(L"other");
  EXPECT_TRUE(all->IsSelected());
  bool selectedAtClick = true;
  w.notifier.onNotify = [&](TNotifyUI& m) {
    if (m.sType == L"click" && m.pSender == free) selectedAtClick = free->IsSelected();
  };
  w.Click(w.Center(L"freeopt"));
  EXPECT_FALSE(selectedAtClick) << "the click is told before the option changes";
  EXPECT_TRUE(free->IsSelected());
  EXPECT_FALSE(all->IsSelected());
  EXPECT_TRUE(other->IsSelected()) << "other groups are untouched";
  std::vector<std::wstring> log = w.notifier.Log();
  EXPECT_EQ(std::vector<std::wstring>(log.end() - 3, log.end()),
            (std::vector<std::wstring>{L"click:freeopt", L"selectchanged:allopt", L"selectchanged:freeopt"}));
  w.Click(w.Center(L"freeopt"));
  EXPECT_TRUE(free->IsSelected()) << "clicking the selected option of a group keeps it";

  w.Find<COptionUI>(L"japopt")->Selected(true, false);
  EXPECT_FALSE(free->IsSelected());
  const auto* group = w.manager.GetOptionGroup(L"area");
  ASSERT_NE(group, nullptr);
  EXPECT_EQ(group->size(), 3u);
}

TEST(OptionTest, CheckBoxToggles) {
  Window w(kOptions);
  auto* box = w.Find<CCheckBoxUI>(L"remeberbox");
  EXPECT_EQ(box->GetClass(), L"CheckBoxUI");
  EXPECT_FALSE(box->GetCheck());
  w.Click(w.Center(L"remeberbox"));
  EXPECT_TRUE(box->GetCheck());
  w.Click(w.Center(L"remeberbox"));
  EXPECT_FALSE(box->GetCheck());
  EXPECT_EQ(w.notifier.Count(L"selectchanged", L"remeberbox"), 2);
}

TEST(OptionTest, RemovedOptionsLeaveTheirGroup) {
  Window w(kOptions);
  auto* layout = dynamic_cast<CContainerUI*>(w.manager.GetRoot());
  layout->Remove(w.Find(L"japopt"));
  EXPECT_EQ(w.manager.GetOptionGroup(L"area")->size(), 2u);
  w.Find<COptionUI>(L"freeopt")->Selected(true);   // must not reach the removed option
  EXPECT_FALSE(w.Find<COptionUI>(L"allopt")->IsSelected());
  layout->RemoveAll();
  EXPECT_EQ(w.manager.GetOptionGroup(L"area"), nullptr);
}

TEST(ClassNamesTest, ControlsReportTheirClass) {
  std::vector<std::pair<std::unique_ptr<CControlUI>, std::wstring>> all;
  all.emplace_back(new CControlUI, L"ControlUI");
  all.emplace_back(new CLabelUI, L"LabelUI");
  all.emplace_back(new CTextUI, L"TextUI");
  all.emplace_back(new CButtonUI, L"ButtonUI");
  all.emplace_back(new COptionUI, L"OptionUI");
  all.emplace_back(new CCheckBoxUI, L"CheckBoxUI");
  all.emplace_back(new CEditUI, L"EditUI");
  all.emplace_back(new CRichEditUI, L"RichEditUI");
  all.emplace_back(new CProgressUI, L"ProgressUI");
  all.emplace_back(new CContainerUI, L"ContainerUI");
  all.emplace_back(new CVerticalLayoutUI, L"VerticalLayoutUI");
  all.emplace_back(new CHorizontalLayoutUI, L"HorizontalLayoutUI");
  all.emplace_back(new CTabLayoutUI, L"TabLayoutUI");
  all.emplace_back(new CListUI, L"ListUI");
  all.emplace_back(new CListHeaderUI, L"ListHeaderUI");
  all.emplace_back(new CListHeaderItemUI, L"ListHeaderItemUI");
  all.emplace_back(new CListContainerElementUI, L"ListContainerElementUI");
  all.emplace_back(new CListLabelElementUI, L"ListLabelElementUI");
  all.emplace_back(new CScrollBarUI, L"ScrollBarUI");
  all.emplace_back(new CWebBrowserUI, L"WebBrowserUI");
  for (const auto& [control, name] : all) EXPECT_EQ(control->GetClass(), name);
}

TEST(ProgressTest, ValueIsClampedAndTheBarFollows) {
  CProgressUI bar;
  EXPECT_TRUE(bar.ApplyAttributeList(L"min=\"0\" max=\"100\" value=\"40\""));
  bar.SetPos({0, 0, 45, 11});
  EXPECT_EQ(bar.BarRect(), (UiRect{0, 0, 18, 11}));
  bar.SetValue(250);
  EXPECT_EQ(bar.GetValue(), 100);
  bar.SetValue(-3);
  EXPECT_EQ(bar.GetValue(), 0);
  EXPECT_TRUE(bar.BarRect().IsEmpty());
}

}  // namespace
}  // namespace nimbrook::toolkit

namespace nimbrook::toolkit {
namespace {

TEST(ListTest, SelectingRightAfterFillingScrollsOnceLaidOut) {
  test::Window w(kList, {300, 100});
  auto* list = w.Find<CListUI>(L"serverlist");
  for (int i = 0; i < 20; ++i) AddRow(list, L"row" + std::to_wstring(i));
  ASSERT_TRUE(list->SelectItem(12));   // before any layout of the new rows
  w.manager.DoLayout();
  const UiRect body = list->GetList()->GetInnerRect();
  const UiRect row = w.Find(L"row12")->GetPos();
  EXPECT_GE(row.top, body.top);
  EXPECT_LE(row.bottom, body.bottom);
}

TEST(ListTest, ShrinkingContentPullsTheRowsBack) {
  test::Window w(kList, {300, 100});
  auto* list = w.Find<CListUI>(L"serverlist");
  for (int i = 0; i < 20; ++i) AddRow(list, L"row" + std::to_wstring(i));
  w.manager.DoLayout();
  list->GetList()->EndDown();
  ASSERT_GT(list->GetList()->GetScrollPos().cy, 0);
  while (list->GetCount() > 2) list->RemoveAt(2);
  w.manager.DoLayout();
  EXPECT_EQ(list->GetList()->GetScrollPos().cy, 0);
  EXPECT_EQ(w.Find(L"row0")->GetPos().top, list->GetList()->GetInnerRect().top)
      << "no stale offset once the bar is gone";
}

}  // namespace
}  // namespace nimbrook::toolkit
