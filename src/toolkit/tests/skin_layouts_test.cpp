// Every layout of the skin builds with the toolkit: the elements, attributes and fonts it uses are
// all understood, and the controls the windows look up are there.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <map>
#include <utility>
#include <vector>

#include "core/file_io.h"
#include "core/text.h"
#include "toolkit/recording_render_context.h"
#include "toolkit_test_support.h"

namespace nimbrook::toolkit {
namespace {

// Stands in for the client's own callback: the custom element names become their base controls.
class CustomElements : public IDialogBuilderCallback {
 public:
  CControlUI* CreateControl(const std::wstring& name) override {
    if (name == L"ButtonEx") return new CButtonUI;
    if (name == L"ListContainerElementEx") return new CListContainerElementUI;
    if (name == L"telephone") return new CHorizontalLayoutUI;
    if (name == L"jiasu" || name == L"video") return new CContainerUI;
    return nullptr;
  }
};

std::filesystem::path LayoutDir() { return std::filesystem::path(NIMBROOK_SOURCE_DIR) / "skin" / "layouts"; }

TEST(SkinLayoutsTest, EveryLayoutBuildsWithoutWarnings) {
  if (!std::filesystem::exists(LayoutDir())) GTEST_SKIP() << "no skin in this tree";
  int built = 0;
  for (const auto& entry : std::filesystem::directory_iterator(LayoutDir())) {
    if (entry.path().extension() != ".xml") continue;
    std::string bytes;
    ASSERT_TRUE(ReadFileBytes(entry.path().wstring(), bytes));
    CustomElements callback;
    FakePaintHost host;
    CPaintManagerUI manager;
    manager.SetHost(&host);
    CDialogBuilder builder;
    const std::wstring name = entry.path().filename().wstring();
    CControlUI* root = builder.CreateFromText(bytes, name, &callback, &manager);
    ASSERT_NE(root, nullptr) << text::ToUtf8(builder.GetLastError());
    EXPECT_TRUE(builder.GetWarnings().empty()) << text::ToUtf8(builder.GetWarnings());
    manager.AttachDialog(root);
    const UiSize size = manager.GetInitSize();
    host.clientSize = size.cx > 0 ? size : UiSize{400, 300};
    RecordingRenderContext ctx;
    manager.Paint(ctx, {0, 0, host.clientSize.cx, host.clientSize.cy});
    EXPECT_EQ(ctx.ClipDepth(), 0);
    ++built;
  }
  EXPECT_GT(built, 0);
}

TEST(SkinLayoutsTest, DialogsHaveTheControlsTheirWindowsFind) {
  if (!std::filesystem::exists(LayoutDir())) GTEST_SKIP() << "no skin in this tree";
  const std::map<std::string, std::vector<std::wstring>> needs = {
      {"ok.xml", {L"title", L"text", L"ok", L"closebtn"}},
      {"okcancel.xml", {L"title", L"text", L"ok", L"cancel", L"closebtn"}},
      {"update_now.xml", {L"title", L"text", L"ok", L"closebtn"}},
      {"notify.xml", {L"title", L"closebtn", L"notifyweb"}},
      {"menu.xml", {L"setting", L"home", L"help", L"navigater", L"about", L"menu_Setting", L"menu_Home",
                    L"menu_Help", L"menu_Navigater", L"menu_About"}},
      {"protocol.xml", {L"listProtocol"}},
      {"route.xml", {L"listRoute", L"route_ipscope", L"route_global"}},
      {"main.xml",
       {L"logo_url", L"main_title", L"version", L"menubtn", L"settingBtn", L"minbtn", L"closebtn", L"main_telephone",
        L"optJiasu", L"optPay", L"optCredit", L"optNav", L"switch", L"payweb", L"creditweb", L"navweb",
        L"allopt", L"freeopt", L"americaopt", L"japopt", L"hkopt", L"Taiwanopt", L"Koreaopt", L"Chinaopt",
        L"Europeopt", L"line", L"serverlist", L"server_header", L"desc_header", L"delay_header",
        L"usagerate_header", L"btn_ping", L"mainLoginWeb", L"miniUserCenter", L"conn", L"conntype_lab", L"curtype",
        L"btnProtocol", L"connmode_lab", L"curmode", L"btnRoute", L"btn_connect", L"curnode_lab", L"curnode",
        L"status_lab", L"vpnstate", L"error_layout", L"err_lab", L"error_padding"}},
  };
  for (const auto& [file, names] : needs) {
    std::string bytes;
    if (!ReadFileBytes((LayoutDir() / file).wstring(), bytes)) {
      ADD_FAILURE() << file << " missing";
      continue;
    }
    CustomElements callback;
    CPaintManagerUI manager;
    CDialogBuilder builder;
    CControlUI* root = builder.CreateFromText(bytes, text::FromUtf8(file), &callback, &manager);
    ASSERT_NE(root, nullptr) << file << ": " << text::ToUtf8(builder.GetLastError());
    manager.AttachDialog(root);
    for (const auto& n : names) EXPECT_NE(manager.FindControl(n), nullptr) << file << " lacks " << text::ToUtf8(n);
  }
}

// One server row with the control tree and fixed widths the main window gives its rows.
CListContainerElementUI* AddServerRow(CListUI& list, const std::wstring& name) {
  auto* row = new CListContainerElementUI;
  row->ApplyAttributeList(L"height=\"37\" ");
  auto* column = new CVerticalLayoutUI;
  auto* line = new CHorizontalLayoutUI;
  line->ApplyAttributeList(L"float=\"false\" ");
  auto* first = new CHorizontalLayoutUI;
  first->ApplyAttributeList(L"name=\"first_area\" float=\"false\" width=\"150\" ");
  auto* flag = new CControlUI;
  flag->ApplyAttributeList(L"name=\"flag_ico\" float=\"false\" padding=\"10,11,0,0\" width=\"16\" height=\"12\" bkimage=\"hongkong.png\"");
  auto* serverName = new CLabelUI;
  serverName->ApplyAttributeList(L"endellipsis=\"true\" textcolor=\"#FF666666\" font=\"2\" align=\"left\" textpadding=\"10,10,5,0\"");
  serverName->SetName(L"serv_name");
  serverName->SetText(name);
  first->Add(flag);
  first->Add(serverName);
  auto* desc = new CLabelUI;
  desc->ApplyAttributeList(L"endellipsis=\"true\" textcolor=\"#FF666666\" float=\"false\" width=\"200\" align=\"left\" textpadding=\"0,11,5,0\" font=\"2\" ");
  desc->SetName(L"serv_desc");
  auto* delay = new CLabelUI;
  delay->ApplyAttributeList(L"align=\"left\" textcolor=\"#FF666666\" textpadding=\"0,11,5,0\" width=\"60\" font=\"2\" ");
  delay->SetName(L"serv_delay");
  auto* last = new CHorizontalLayoutUI;
  last->ApplyAttributeList(L"name=\"last_area\" float=\"false\" width=\"80\" ");
  line->Add(first);
  line->Add(desc);
  line->Add(delay);
  line->Add(last);
  auto* separator = new CControlUI;
  separator->ApplyAttributeList(L"height=\"1\" bkimage=\"file='serverlist_item_sepaline.png'\" ");
  column->Add(line);
  column->Add(separator);
  row->Add(column);
  list.Add(row);
  return row;
}

CControlUI* Child(CControlUI* parent, const std::wstring& name) {
  return parent ? parent->FindSubControl(name) : nullptr;
}

// The main window's layout beyond its control names: the groups and pages its notifications rely on,
// the hidden error strip, and the list header over the columns of the rows the window builds.
class MainLayoutTest : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!std::filesystem::exists(LayoutDir())) GTEST_SKIP() << "no skin in this tree";
    std::string bytes;
    ASSERT_TRUE(ReadFileBytes((LayoutDir() / "main.xml").wstring(), bytes));
    manager_.SetHost(&host_);
    CControlUI* root = builder_.CreateFromText(bytes, L"main.xml", &callback_, &manager_);
    ASSERT_NE(root, nullptr) << text::ToUtf8(builder_.GetLastError());
    manager_.AttachDialog(root);
    host_.clientSize = manager_.GetInitSize();
    manager_.OnClientResize(host_.clientSize);
    manager_.DoLayout();
  }
  template <typename T = CControlUI>
  T* Find(const wchar_t* name) {
    return dynamic_cast<T*>(manager_.FindControl(name));
  }

  CustomElements callback_;
  FakePaintHost host_;
  CPaintManagerUI manager_;
  CDialogBuilder builder_;
};

TEST_F(MainLayoutTest, WindowIsASizableCaptionedFrame) {
  const UiSize size = manager_.GetInitSize();
  EXPECT_GE(size.cx, 860);
  EXPECT_GE(size.cy, 600);
  EXPECT_GT(manager_.GetMinInfo().cx, 0);
  EXPECT_LE(manager_.GetMinInfo().cx, size.cx);
  EXPECT_LE(manager_.GetMinInfo().cy, size.cy);
  EXPECT_GT(manager_.GetSizeBox().left, 0);
  EXPECT_GT(manager_.GetRoundCorner().cx, 0);
  // The caption rectangle is the header strip that holds the caption buttons.
  const UiRect close = Find(L"closebtn")->GetPos();
  EXPECT_EQ(manager_.GetCaptionRect().top, 0);
  EXPECT_GE(manager_.GetCaptionRect().bottom, close.bottom);
  EXPECT_LT(manager_.GetCaptionRect().bottom, Find(L"optJiasu")->GetPos().bottom);
}

TEST_F(MainLayoutTest, PageTabsAndAreaOptionsAreTwoGroupsWithTheirFirstOptionSelected) {
  const std::vector<const wchar_t*> pages = {L"optJiasu", L"optPay", L"optCredit", L"optNav"};
  const std::vector<const wchar_t*> areas = {L"allopt", L"freeopt", L"americaopt", L"japopt", L"hkopt",
                                             L"Taiwanopt", L"Koreaopt", L"Chinaopt", L"Europeopt"};
  auto* firstPage = Find<COptionUI>(pages[0]);
  auto* firstArea = Find<COptionUI>(areas[0]);
  ASSERT_NE(firstPage, nullptr);
  ASSERT_NE(firstArea, nullptr);
  EXPECT_NE(firstPage->GetGroup(), firstArea->GetGroup());
  for (const auto& [names, group] : {std::pair{pages, firstPage->GetGroup()}, std::pair{areas, firstArea->GetGroup()}}) {
    for (size_t i = 0; i < names.size(); ++i) {
      auto* option = Find<COptionUI>(names[i]);
      ASSERT_NE(option, nullptr) << text::ToUtf8(names[i]);
      EXPECT_EQ(option->GetGroup(), group) << text::ToUtf8(names[i]);
      EXPECT_FALSE(group.empty());
      EXPECT_EQ(option->IsSelected(), i == 0) << text::ToUtf8(names[i]);
    }
  }
  // Selecting another area option clears the first: they are one group, not nine check boxes.
  Find<COptionUI>(L"hkopt")->Selected(true);
  EXPECT_FALSE(firstArea->IsSelected());
  EXPECT_TRUE(firstPage->IsSelected());
}

TEST_F(MainLayoutTest, SwitchPagesHoldTheServersAndTheThreeWebPages) {
  auto* pages = Find<CTabLayoutUI>(L"switch");
  ASSERT_NE(pages, nullptr);
  ASSERT_EQ(pages->GetCount(), 4);
  EXPECT_EQ(pages->GetCurSel(), 0);
  EXPECT_NE(Child(pages->GetItemAt(0), L"serverlist"), nullptr);
  EXPECT_NE(Child(pages->GetItemAt(0), L"btn_connect"), nullptr);
  const wchar_t* webPages[] = {L"payweb", L"creditweb", L"navweb"};
  for (int page = 1; page <= 3; ++page) {
    auto* web = dynamic_cast<CWebBrowserUI*>(Child(pages->GetItemAt(page), webPages[page - 1]));
    EXPECT_NE(web, nullptr) << text::ToUtf8(webPages[page - 1]);
  }
  for (const wchar_t* name : {L"mainLoginWeb", L"miniUserCenter"}) {
    auto* web = Find<CWebBrowserUI>(name);
    ASSERT_NE(web, nullptr) << text::ToUtf8(name);
    EXPECT_TRUE(web->IsVisible());
    EXPECT_GE(web->GetPos().Height(), 60) << text::ToUtf8(name);
  }
}

TEST_F(MainLayoutTest, ConnectionControlsSitInConnAndTheErrorStripStartsHidden) {
  CControlUI* conn = Find(L"conn");
  ASSERT_NE(dynamic_cast<CContainerUI*>(conn), nullptr);
  for (const wchar_t* name : {L"conntype_lab", L"curtype", L"btnProtocol", L"connmode_lab", L"curmode", L"btnRoute",
                              L"btn_connect", L"curnode_lab", L"curnode", L"status_lab", L"vpnstate"}) {
    EXPECT_NE(Child(conn, name), nullptr) << text::ToUtf8(name);
  }
  EXPECT_FALSE(Find(L"error_layout")->IsVisible());
  EXPECT_FALSE(Find(L"error_padding")->IsVisible());
  EXPECT_NE(Child(Find(L"error_layout"), L"err_lab"), nullptr);
  // Texts the window puts in end in an ellipsis instead of being cut.
  for (const wchar_t* name : {L"curnode", L"vpnstate", L"curtype", L"curmode", L"err_lab", L"main_title", L"line"}) {
    auto* label = Find<CLabelUI>(name);
    ASSERT_NE(label, nullptr) << text::ToUtf8(name);
    EXPECT_TRUE(label->GetTextStyle().endEllipsis) << text::ToUtf8(name);
  }
  // Shown, the strip takes room from the user centre below it, not from the connection card.
  const UiRect card = conn->GetPos();
  const int userCentre = Find(L"miniUserCenter")->GetPos().Height();
  Find(L"error_layout")->SetVisible(true);
  Find(L"error_padding")->SetVisible(true);
  manager_.DoLayout();
  EXPECT_EQ(conn->GetPos(), card);
  EXPECT_GT(Find(L"error_layout")->GetPos().top, card.bottom);
  EXPECT_LT(Find(L"miniUserCenter")->GetPos().Height(), userCentre);
  EXPECT_GE(Find(L"miniUserCenter")->GetPos().Height(), 60);
}

TEST_F(MainLayoutTest, HeaderColumnsLineUpWithTheRowsTheWindowBuilds) {
  auto* list = Find<CListUI>(L"serverlist");
  ASSERT_NE(list, nullptr);
  for (int i = 0; i < 30; ++i) AddServerRow(*list, L"Server " + std::to_wstring(i));
  manager_.DoLayout();
  CControlUI* row = list->GetItemAt(0);
  const std::pair<const wchar_t*, const wchar_t*> columns[] = {
      {L"server_header", L"first_area"}, {L"desc_header", L"serv_desc"},
      {L"delay_header", L"serv_delay"}, {L"usagerate_header", L"last_area"}};
  for (const auto& [header, cell] : columns) {
    const UiRect h = Find(header)->GetPos();
    const UiRect c = Child(row, cell)->GetPos();
    EXPECT_EQ(h.left, c.left) << text::ToUtf8(header);
    EXPECT_EQ(h.right, c.right) << text::ToUtf8(header);
  }
  // With the scroll bar shown (30 rows overflow) the columns still fit beside it.
  EXPECT_LE(Child(row, L"last_area")->GetPos().right, list->GetPos().right - 10);
  EXPECT_GE(Find(L"serverlist")->GetPos().Height(), 37 * 10);
}

}  // namespace
}  // namespace nimbrook::toolkit
