// The server list view on the toolkit's control model: the rows it builds, the area filter, the three
// sort orders, selection and the lock while a connection is being made or held.
#include "main_window/server_list_view.h"

#include <gtest/gtest.h>

#include <deque>
#include <memory>
#include <string>
#include <vector>

#include "core/languages.h"
#include "main_window/server_rows.h"
#include "toolkit/tests/toolkit_test_support.h"

namespace nimbrook {
namespace {

using namespace toolkit;
using Names = std::vector<std::wstring>;

const char kLayout[] = R"(<Window><VerticalLayout>
    <Label name="curnode" height="20"/>
    <HorizontalLayout name="conn" height="20">
      <Option name="PPTP" width="40"/><Button name="NULL" width="40"/><Button name="route_ipscope" width="40"/>
      <Button name="btn_other" width="40"/>
    </HorizontalLayout>
    <List name="serverlist">
      <ListHeader height="24">
        <ListHeaderItem name="server_header" width="150"/><ListHeaderItem name="desc_header" width="200"/>
        <ListHeaderItem name="delay_header" width="60"/><ListHeaderItem name="usagerate_header" width="80"/>
      </ListHeader>
    </List>
  </VerticalLayout></Window>)";

// An entry views its text: the texts are kept for the whole test program (a deque never moves them).
ServerEntry Server(const std::wstring& area, const std::wstring& name, const std::wstring& online = L"10",
                   const std::wstring& connecttype = L"PPTP=1723#OVPN-UDP=1000-1002") {
  static std::deque<std::wstring> texts;
  texts.push_back(L"area," + area + L"|nasname," + name + L"|IP,10.0.0.1|info,about " + name +
                  L"|allow,1|onlineusers," + online + L"|maxusers,100|connecttype," + connecttype);
  return ParseServerEntry(texts.back());
}

constexpr UiColor kNormal = 0xFF666666;
constexpr UiColor kSelected = 0xFFB16FA1;

// The main window around the view: its list, curnode and conn, and "itemselect" handed to the view.
class ListWindow : public test::Window {
 public:
  ListWindow() : test::Window(kLayout, {600, 400}) {
    ProcessLanguages().Assign({{L"str_no", L"T:str_no"}});
    view = std::make_unique<ServerListView>(*list(), Find(L"curnode"), Find<CContainerUI>(L"conn"),
                                            [this] { return busy; });
    notifier.onNotify = [this](TNotifyUI& msg) {
      if (msg.sType == notify::kItemSelect) selectedRows.push_back(view->OnItemSelect());
    };
  }
  CListUI* list() { return Find<CListUI>(L"serverlist"); }
  void Add(std::initializer_list<const wchar_t*> names, const wchar_t* area = L"香港") {
    for (const wchar_t* n : names) view->AddRow(Server(area, n));
  }
  Names RowNames() {
    Names names;
    for (int i = 0; i < view->RowCount(); ++i) names.push_back(view->RowText(view->RowAt(i), kRowName));
    return names;
  }
  UiColor Colour(int index) {
    return dynamic_cast<CLabelUI*>(view->RowAt(index)->FindSubControl(kRowName))->GetTextColor();
  }
  void Sort(const wchar_t* header) { view->Sort(*Find(header)); }

  bool busy = false;
  std::unique_ptr<ServerListView> view;
  std::vector<CControlUI*> selectedRows;   // what OnItemSelect returned, per "itemselect"
};

TEST(ServerRowTest, TreeCarriesTheServerInItsLabels) {
  BuiltServerRow built = BuildServerRow(Server(L"美国", L"LA 1", L"7"));
  EXPECT_TRUE(built.attributesAccepted) << "every fixed attribute text is one the toolkit knows";
  CControlUI& row = *built.row;
  EXPECT_EQ(row.GetTag(), static_cast<uintptr_t>(kAreaAmerica));

  // row > column > (line, separator); the line holds the cells, then the hidden labels.
  auto* column = dynamic_cast<CContainerUI*>(dynamic_cast<CContainerUI&>(row).GetItemAt(0));
  ASSERT_TRUE(column && column->GetCount() == 2);
  auto* line = dynamic_cast<CContainerUI*>(column->GetItemAt(0));
  ASSERT_NE(line, nullptr);
  Names hidden, shown;
  for (int i = 0; i < line->GetCount(); ++i) {
    CControlUI* c = line->GetItemAt(i);
    (c->GetVisibleFlag() ? shown : hidden).push_back(c->GetName());
  }
  EXPECT_EQ(shown, (Names{L"first_area", L"serv_desc", L"serv_delay", L"last_area"}));
  EXPECT_EQ(hidden, (Names{L"serv_ip", L"serv_allow", L"conn_type", L"PPTP", L"OVPN-UDP", L"area"}));

  EXPECT_EQ(row.FindSubControl(L"flag_ico")->GetBkImage(), L"usa.png");
  EXPECT_EQ(row.FindSubControl(kRowPercent)->GetText(), L"  7%");
  auto* bar = dynamic_cast<CProgressUI*>(row.FindSubControl(kRowLoadBar));
  ASSERT_NE(bar, nullptr);
  EXPECT_EQ(bar->GetValue(), 7);
  EXPECT_EQ(bar->GetForeImage(), L"jdt0.png");
  EXPECT_EQ(row.FindSubControl(L"OVPN-UDP")->GetText(), L"1000-1002");

  EXPECT_EQ(BuildServerRow(Server(L"英国", L"L")).row->GetTag(), static_cast<uintptr_t>(kNoAreaCode));
  BuiltServerRow bare = BuildServerRow(Server(L"香港", L"HK", L"1", L"nothing"));
  EXPECT_EQ(bare.row->FindSubControl(kRowConnType)->GetText(), L"nothing");
  EXPECT_EQ(bare.row->FindSubControl(L"PPTP"), nullptr) << "a connecttype without '=' gives no protocol label";
}

TEST(ServerRowTest, ServerTextsNeverBecomeAttributes) {
  const std::wstring hostile = L"x\" visible=\"false\" name=\"evil";
  ServerEntry entry = Server(L"日本", hostile, L"5", L"area=1#PPTP=1723");
  entry.info = L"a &quot; b = \"c\"";
  BuiltServerRow built = BuildServerRow(entry);
  CControlUI& row = *built.row;
  EXPECT_EQ(row.FindSubControl(kRowName)->GetText(), hostile);
  EXPECT_TRUE(row.FindSubControl(kRowName)->GetVisibleFlag());
  EXPECT_EQ(row.FindSubControl(L"evil"), nullptr);
  EXPECT_EQ(row.FindSubControl(kRowDesc)->GetText(), entry.info);
  EXPECT_EQ(row.FindSubControl(kRowArea)->GetText(), L"日本") << "a protocol named \"area\" does not hide the area";

  EXPECT_EQ(SafeFlagImage(L"usa.png"), L"usa.png");
  EXPECT_EQ(SafeFlagImage(L"x.png\" visible=\"false"), L"unknown.png");
  EXPECT_EQ(SafeFlagImage(L"file='a.png' fade='1'"), L"unknown.png");
}

TEST(ServerListViewTest, IdsAreNeverReusedAndGoWithTheirRows) {
  ListWindow w;
  const RowId a = w.view->AddRow(Server(L"香港", L"A"));
  const RowId b = w.view->AddRow(Server(L"美国", L"B"));
  EXPECT_NE(a, b);
  EXPECT_EQ(w.view->RowById(b), w.view->RowAt(1));
  EXPECT_EQ(w.view->IdOf(w.view->RowAt(1)), b);
  EXPECT_EQ(w.view->IdOf(w.Find(L"curnode")), 0u);

  w.view->RemoveAllRows();
  EXPECT_EQ(w.view->RowById(a), nullptr);
  const RowId c = w.view->AddRow(Server(L"香港", L"C"));
  EXPECT_TRUE(c != a && c != b) << "an old id never names a new row";

  // A row the list deletes by itself is gone for the view too.
  CControlUI* rowC = w.view->RowById(c);
  w.list()->RemoveAll();
  EXPECT_EQ(w.view->RowById(c), nullptr);
  EXPECT_EQ(w.view->IdOf(rowC), 0u);
}

TEST(ServerListViewTest, SortByNameComparesTheFirstCharacterOnly) {
  ListWindow w;
  w.Add({L"Cx", L"Ay", L"Bz", L"Aw"});
  w.Sort(L"server_header");
  EXPECT_EQ(w.RowNames(), (Names{L"Ay", L"Aw", L"Bz", L"Cx"}));
  w.Sort(L"server_header");
  EXPECT_EQ(w.RowNames(), (Names{L"Cx", L"Bz", L"Ay", L"Aw"})) << "equal first characters keep their order";
  EXPECT_EQ(w.Find(L"server_header")->GetTag(), 0u);
  for (int i = 0; i < w.view->RowCount(); ++i) EXPECT_EQ(dynamic_cast<IListItemUI*>(w.view->RowAt(i))->GetIndex(), i);

  w.Sort(L"desc_header");
  EXPECT_EQ(w.RowNames(), (Names{L"Cx", L"Bz", L"Ay", L"Aw"}));
  EXPECT_EQ(w.Find(L"desc_header")->GetTag(), 0u) << "the description header does not sort";
}

TEST(ServerListViewTest, SortByDelayAndLoadReadTheLeadingNumber) {
  ListWindow w;
  w.Add({L"s0", L"s1", L"s2", L"s3", L"s4"});
  const Names delays = {L"12ms", L"小于1ms", L"超时", L"3ms", L""};
  for (int i = 0; i < 5; ++i) w.view->SetDelayText(w.view->RowAt(i), delays[i]);
  w.Sort(L"delay_header");
  EXPECT_EQ(w.RowNames(), (Names{L"s3", L"s0", L"s1", L"s2", L"s4"})) << "unmeasured rows follow in their order";
  w.Sort(L"delay_header");
  EXPECT_EQ(w.RowNames(), (Names{L"s0", L"s3", L"s1", L"s2", L"s4"}));

  ListWindow l;
  for (const wchar_t* online : {L"100", L"7", L"125", L"17"}) l.view->AddRow(Server(L"香港", online, online));
  l.Sort(L"usagerate_header");
  EXPECT_EQ(l.RowNames(), (Names{L"7", L"17", L"100", L"125"}));
}

TEST(ServerListViewTest, SortKeepsTheSelectedAndConnectedIndicesOnTheirRows) {
  ListWindow w;
  w.Add({L"C", L"A", L"B"});
  ASSERT_TRUE(w.view->SelectRow(0));
  w.view->connectedIndex = 2;
  w.Sort(L"server_header");
  EXPECT_EQ(w.RowNames(), (Names{L"A", L"B", L"C"}));
  EXPECT_EQ(w.view->selectedIndex, 2);
  EXPECT_EQ(w.list()->GetCurSel(), 2);
  EXPECT_EQ(w.view->connectedIndex, 1);
  for (int i = 0; i < 3; ++i) {
    EXPECT_EQ(dynamic_cast<IListItemUI*>(w.view->RowAt(i))->GetIndex(), i);
    EXPECT_EQ(dynamic_cast<IListItemUI*>(w.view->RowAt(i))->IsSelected(), i == 2);
  }
  ASSERT_TRUE(w.view->SelectRow(0));
  EXPECT_EQ(w.Colour(2), kNormal) << "the next selection unmarks the row that moved";
  EXPECT_EQ(w.Colour(0), kSelected);
}

TEST(ServerListViewTest, FilterAndAreaOptions) {
  ListWindow w;
  EXPECT_EQ(w.view->ClickAreaOption(L"allopt", 0), ServerListView::AreaClick::EmptyList);
  EXPECT_EQ(w.Find(L"curnode")->GetText(), L"T:str_no");

  w.Add({L"free1", L"free2"}, L"免费");
  w.Add({L"uk"}, L"英国");
  w.Add({L"us"}, L"美国洛杉矶");
  w.view->Filter(kAreaAmerica);
  const auto shown = [&](int i) { return w.view->RowAt(i)->GetVisibleFlag(); };
  EXPECT_TRUE(!shown(0) && !shown(1) && !shown(2) && shown(3));
  w.view->Filter(kAreaAll);
  EXPECT_TRUE(shown(2)) << "an unmatched area shows only under all";

  EXPECT_EQ(w.view->ClickAreaOption(L"allopt", 2), ServerListView::AreaClick::Selected);
  EXPECT_EQ(w.view->selectedIndex, 2) << "accounts that skip the free group start after it";
  EXPECT_EQ(w.Find(L"curnode")->GetText(), L"uk");
  EXPECT_EQ(w.view->selectedArea, L"英国");

  EXPECT_EQ(w.view->ClickAreaOption(L"americaopt", 0), ServerListView::AreaClick::Selected);
  EXPECT_EQ(w.view->currentAreaOption, L"americaopt");
  EXPECT_EQ(w.view->selectedIndex, 3) << "the area's first row, not the hidden row 0";
  EXPECT_EQ(w.Colour(2), kNormal);
  EXPECT_EQ(w.Colour(3), kSelected);

  EXPECT_EQ(w.view->ClickAreaOption(L"allopt", 9), ServerListView::AreaClick::Selected);
  EXPECT_EQ(w.view->selectedIndex, 0) << "a free group as large as the list starts at row 0";
  EXPECT_EQ(w.view->ClickAreaOption(L"no_such_opt", 0), ServerListView::AreaClick::Ignored);
  EXPECT_EQ(w.view->currentAreaOption, L"allopt");

  w.busy = true;
  EXPECT_EQ(w.view->ClickAreaOption(L"freeopt", 0), ServerListView::AreaClick::Busy);
  EXPECT_FALSE(shown(3)) << "the filter applies while connected";
  ASSERT_TRUE(w.view->SelectRow(1));
  EXPECT_EQ(w.selectedRows.back(), nullptr) << "itemselect changes nothing while connected";
  EXPECT_EQ(w.view->selectedIndex, 0);
  EXPECT_EQ(w.view->currentNodeName, L"free1");
  EXPECT_EQ(w.Colour(1), kNormal);
}

TEST(ServerListViewTest, TheConnectedServersRowIsMarkedAndLocksTheList) {
  ListWindow w;
  w.Add({L""});
  EXPECT_FALSE(w.view->IsLocked()) << "a nameless server is not the connected one";
  w.view->connectedServerName = L"b";
  w.busy = true;
  w.Add({L"b"}, L"美国");
  EXPECT_EQ(w.view->selectedIndex, 1);
  EXPECT_EQ(w.view->connectedIndex, 1);
  EXPECT_EQ(w.list()->GetCurSel(), 1);
  EXPECT_EQ(w.manager.GetFocus(), w.list());
  EXPECT_EQ(w.view->ConnectedRow(), w.view->RowAt(1));
  EXPECT_EQ(w.Colour(1), kSelected);
  EXPECT_FALSE(w.list()->IsMouseChildEnabled());
  for (const wchar_t* n : {L"PPTP", L"NULL", L"route_ipscope"}) EXPECT_FALSE(w.Find(n)->IsEnabled());
  EXPECT_TRUE(w.Find(L"btn_other")->IsEnabled());

  w.manager.DoLayout();
  const UiPoint onRow0{w.view->RowAt(0)->GetPos().left + 5, w.view->RowAt(0)->GetPos().top + 5};
  w.Click(onRow0);
  EXPECT_EQ(w.list()->GetCurSel(), 1) << "a locked list takes no clicks on its rows";
  w.busy = false;
  w.view->Lock(false);
  w.Click(onRow0);
  EXPECT_EQ(w.view->selectedIndex, 0) << "the same click selects once the list is unlocked";

  // A rebuild without the server leaves no connected row behind.
  w.view->RemoveAllRows();
  EXPECT_TRUE(w.view->ConnectedRow() == nullptr && w.view->connectedIndex == -1 && w.view->selectedIndex == -1);
  w.Add({L"a"});
  EXPECT_EQ(w.view->ConnectedRow(), nullptr);
}

TEST(ServerListViewTest, UnlockReselectsTheConnectedServerWhenItIsShown) {
  ListWindow w;
  w.Add({L"hk"});
  w.Add({L"us1", L"us2"}, L"美国");
  ASSERT_TRUE(w.view->SelectRow(2));
  w.view->connectedIndex = 2;
  const auto lockedCycle = [&](const wchar_t* option) {
    w.view->Lock(true);
    w.busy = true;
    w.view->ClickAreaOption(option, 0);
    w.busy = false;
    ASSERT_TRUE(w.view->SelectRow(-1));
    w.view->Lock(false);
  };
  lockedCycle(L"allopt");
  EXPECT_EQ(w.list()->GetCurSel(), 2);
  EXPECT_TRUE(w.list()->IsMouseChildEnabled());
  EXPECT_TRUE(w.Find(L"PPTP")->IsEnabled());
  lockedCycle(L"americaopt");
  EXPECT_EQ(w.list()->GetCurSel(), 2) << "shown under the filter, though row 0 is of another area";
  lockedCycle(L"hkopt");
  EXPECT_EQ(w.list()->GetCurSel(), -1);
}

}  // namespace
}  // namespace nimbrook
