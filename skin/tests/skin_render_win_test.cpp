// Every window of the skin rendered off-screen with the GDI+ renderer, in English and simplified
// Chinese: the theme's colours are where the theme puts them, no language text is cut off, and a PNG
// of each render is written to the build tree's screenshots folder.
#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <cwchar>
#include <filesystem>
#include <functional>
#include <memory>
#include <utility>
#include <vector>

#include "core/file_io.h"
#include "core/languages.h"
#include "core/paths.h"
#include "core/text.h"
#include "toolkit/controls.h"
#include "toolkit/dialog_builder.h"
#include "toolkit/dpi_scale.h"
#include "toolkit/fake_paint_host.h"
#include "toolkit/gdiplus_render_win.h"
#include "toolkit/paint_manager.h"
#include "toolkit/resource_store.h"

namespace nimbrook::toolkit {
namespace {

constexpr UiColor kHeader = 0xFF173B63;
constexpr UiColor kBorder = 0xFFC4CFDB;
constexpr UiColor kPrimary = 0xFF1A6FD1;
constexpr UiColor kSurface = 0xFFFFFFFF;
constexpr UiColor kCanvas = 0xFFF4F7FA;
constexpr UiColor kSafe = 0xFF1F9D6B;
constexpr UiColor kError = 0xFFD9484D;

std::wstring WindowsPath(const char* path) {
  std::wstring out = text::FromUtf8(path);
  for (auto& c : out) {
    if (c == L'/') c = L'\\';
  }
  return out;
}

::testing::AssertionResult Near(UiColor actual, UiColor expected, int tolerance = 6) {
  for (int shift : {24, 16, 8, 0}) {
    const int a = static_cast<int>((actual >> shift) & 0xFF);
    const int e = static_cast<int>((expected >> shift) & 0xFF);
    if (std::abs(a - e) > tolerance) {
      char text[64];
      std::snprintf(text, sizeof text, "got #%08X, expected #%08X", actual, expected);
      return ::testing::AssertionFailure() << text;
    }
  }
  return ::testing::AssertionSuccess();
}

// Stands in for the client's builder callback: custom elements become their base controls.
class Callback : public IDialogBuilderCallback {
 public:
  CControlUI* CreateControl(const std::wstring& name) override {
    if (name == L"ButtonEx") return new CButtonUI;
    if (name == L"ListContainerElementEx") return new CListContainerElementUI;
    if (name == L"telephone") return new CHorizontalLayoutUI;
    if (name == L"jiasu" || name == L"video") return new CContainerUI;
    return nullptr;
  }
};

void ForEachControl(CControlUI* control, const std::function<void(CControlUI*)>& visit) {
  if (!control) return;
  visit(control);
  if (auto* container = dynamic_cast<CContainerUI*>(control)) {
    for (int i = 0; i < container->GetCount(); ++i) ForEachControl(container->GetItemAt(i), visit);
  }
}

class SkinRenderTest : public ::testing::TestWithParam<const wchar_t*> {
 protected:
  static void SetUpTestSuite() {
    ASSERT_TRUE(EnsureGdiplus());
    SetProcessPaths(ComputePaths(WindowsPath(NIMBROOK_PROGRAM_DIR) + L"\\Nimbrook.exe"));
    ASSERT_TRUE(Resources().SetResourcePath(WindowsPath(NIMBROOK_PROGRAM_DIR) + L"\\skin"));
    ASSERT_TRUE(Resources().SetResourceZip(L"skin.dll"));
  }

  void SetUp() override {
    SelectLanguage(GetParam());
    LoadLanguage();
    ASSERT_NE(Text(L"ok"), L"ok") << "language files missing from the program folder";
  }

  // Builds the layout (one paint manager per window); fill sets the texts as the window does. Then lays out and paints it
  // at the given device scale (1.5 is 144 dpi) into the screenshot named shot (by default skin_<layout>_<language>).
  void Render(const std::wstring& layout, const std::function<void()>& fill = {}, UiSize size = {}, double scale = 1.0,
              const std::wstring& shot = {}) {
    manager_ = std::make_unique<CPaintManagerUI>();
    manager_->SetHost(&host_);
    CDialogBuilder builder;
    CControlUI* root = builder.Create(layout, &callback_, manager_.get());
    ASSERT_NE(root, nullptr) << text::ToUtf8(builder.GetLastError());
    ASSERT_TRUE(manager_->AttachDialog(root));
    if (fill) fill();
    size_ = size.cx > 0 ? size : manager_->GetInitSize();
    ASSERT_GT(size_.cx, 0);
    host_.clientSize = size_;
    manager_->OnClientResize(size_);
    manager_->DoLayout();
    scale_ = scale;
    ASSERT_TRUE(surface_.Resize(static_cast<int>(size_.cx * scale + 0.5), static_cast<int>(size_.cy * scale + 0.5)));
    {
      GdiplusRenderContext ctx(surface_, scale);
      ASSERT_TRUE(ctx.IsValid());
      manager_->Paint(ctx, {0, 0, size_.cx, size_.cy});
    }
    const auto png = EncodePng(surface_);
    ASSERT_TRUE(png);
    std::error_code ec;
    std::filesystem::create_directories(NIMBROOK_SCREENSHOT_DIR, ec);
    std::wstring name = L"skin_" + layout.substr(0, layout.find(L'.')) + L"_" + GetParam();
    ASSERT_TRUE(WriteFileBytes(WindowsPath(NIMBROOK_SCREENSHOT_DIR) + L"\\" + (shot.empty() ? name : shot) + L".png", *png));
  }

  void SetText(const wchar_t* control, const std::wstring& value) {
    CControlUI* c = manager_->FindControl(control);
    ASSERT_NE(c, nullptr) << text::ToUtf8(control);
    c->SetText(value);
  }

  // Every visible text-bearing control shows its whole text: one line fits the width, wrapped text
  // fits the height. Controls under skip (data the window fills in, not language texts) are left out.
  void ExpectNoClippedText(CControlUI* skip = nullptr) {
    GdiplusRenderContext measure(surface_, 1.0);
    ForEachControl(manager_->GetRoot(), [&](CControlUI* control) {
      auto* label = dynamic_cast<CLabelUI*>(control);
      if (!label || !control->IsVisible() || control->GetText().empty()) return;
      for (CControlUI* up = control; skip && up; up = up->GetParent()) {
        if (up == skip) return;
      }
      const std::wstring cls = control->GetClass();
      if (cls == L"EditUI" || cls == L"RichEditUI" || cls == L"ProgressUI") return;
      const FontSpec& font = manager_->HasFont(label->GetFont()) ? manager_->GetFont(label->GetFont()) : manager_->GetDefaultFont();
      const UiRect box = control->GetPos().Deflate(label->GetTextPadding());
      const std::string what = text::ToUtf8(control->GetName() + L" \"" + control->GetText() + L"\"");
      if (label->IsMultiLine()) {
        const UiSize need = measure.MeasureText(control->GetText(), font, box.Width());
        EXPECT_LE(need.cy, box.Height()) << what << " needs " << need.cy << " px of " << box.Height();
      } else {
        const UiSize need = measure.MeasureText(control->GetText(), font, 0);
        EXPECT_LE(need.cx, box.Width()) << what << " needs " << need.cx << " px of " << box.Width();
        EXPECT_LE(need.cy, box.Height() + 2) << what;
      }
    });
  }

  // A logical point of the last render (the surface may be scaled).
  UiColor At(int x, int y) const {
    return surface_.PixelAt(static_cast<int>(x * scale_ + 0.5), static_cast<int>(y * scale_ + 0.5));
  }
  UiRect PosOf(const wchar_t* name) {
    CControlUI* c = manager_->FindControl(name);
    EXPECT_NE(c, nullptr) << text::ToUtf8(name);
    return c ? c->GetPos() : UiRect{};
  }
  // Dark (text-coloured) device pixels inside a logical rectangle.
  int DarkPixels(const UiRect& logical) const {
    const UiRect r = ToDeviceRect(logical, scale_);
    int n = 0;
    for (int y = r.top; y < r.bottom; ++y) {
      for (int x = r.left; x < r.right; ++x) {
        const UiColor c = surface_.PixelAt(x, y);
        n += (((c >> 16) & 0xFF) < 110 && ((c >> 8) & 0xFF) < 110 && (c & 0xFF) < 130) ? 1 : 0;
      }
    }
    return n;
  }

  // Device pixels inside a logical rectangle that stand out from its top-left pixel (its background):
  // text and glyphs in any colour.
  int InkPixels(const UiRect& logical) const {
    const UiRect r = ToDeviceRect(logical, scale_);
    const UiColor back = surface_.PixelAt(r.left, r.top);
    int n = 0;
    for (int y = r.top; y < r.bottom; ++y) {
      for (int x = r.left; x < r.right; ++x) {
        n += Near(surface_.PixelAt(x, y), back, 40) ? 0 : 1;
      }
    }
    return n;
  }

  void ExpectDialogFrame() {
    EXPECT_TRUE(Near(At(0, size_.cy / 2), kBorder));
    EXPECT_TRUE(Near(At(size_.cx - 1, size_.cy / 2), kBorder));
    EXPECT_TRUE(Near(At(size_.cx - 50, 3), kHeader));
  }

  Callback callback_;
  FakePaintHost host_;
  std::unique_ptr<CPaintManagerUI> manager_;
  OffscreenSurface surface_;
  UiSize size_{};
  double scale_ = 1.0;
};

TEST_P(SkinRenderTest, MessageBoxes) {
  for (const wchar_t* kind : {L"ok.xml", L"okcancel.xml", L"update_now.xml"}) {
    SCOPED_TRACE(text::ToUtf8(kind));
    const bool update = std::wstring(kind) == L"update_now.xml";
    Render(kind, [&] {
      SetText(L"title", Text(update ? L"update_tip" : L"msg_title"));
      SetText(L"text", Text(L"msg_checkupdate_err"));
      SetText(L"ok", Text(update ? L"update_now" : L"ok"));
      if (std::wstring(kind) != L"ok.xml") SetText(L"cancel", Text(L"cancel"));
    });
    ExpectDialogFrame();
    EXPECT_TRUE(Near(At(size_.cx - 12, 60), kSurface));
    const UiRect ok = PosOf(L"ok");
    EXPECT_TRUE(Near(At(ok.left + 4, (ok.top + ok.bottom) / 2), kPrimary));
    EXPECT_GT(DarkPixels(PosOf(L"text")), 30);  // the message is drawn
    if (std::wstring(kind) != L"ok.xml") {
      const UiRect cancel = PosOf(L"cancel");
      EXPECT_TRUE(Near(At(cancel.left + 4, (cancel.top + cancel.bottom) / 2), kSurface));
      EXPECT_LT(cancel.right, ok.left);  // the primary action is the rightmost
    }
    ExpectNoClippedText();
  }
}

TEST_P(SkinRenderTest, NoticePopUp) {
  Render(L"notify.xml", [&] { SetText(L"title", Text(L"msg_title")); });
  ExpectDialogFrame();
  const UiRect web = PosOf(L"notifyweb");
  EXPECT_GT(web.Height(), 300);
  EXPECT_TRUE(Near(At((web.left + web.right) / 2, (web.top + web.bottom) / 2), kCanvas));
  ExpectNoClippedText();
}

TEST_P(SkinRenderTest, Menu) {
  Render(L"menu.xml", [&] {
    for (const wchar_t* id : {L"setting", L"home", L"help", L"navigater", L"about"}) SetText(id, Text(id));
  });
  EXPECT_TRUE(Near(At(0, size_.cy / 2), kBorder));
  EXPECT_TRUE(Near(At(size_.cx / 2, 2), kSurface));
  for (const wchar_t* item : {L"menu_Setting", L"menu_Home", L"menu_Help", L"menu_Navigater", L"menu_About"}) {
    const UiRect row = PosOf(item);
    EXPECT_EQ(row.Height(), 30) << text::ToUtf8(item);
    EXPECT_GT(DarkPixels(row), 20) << text::ToUtf8(item);
  }
  ExpectNoClippedText();
}

TEST_P(SkinRenderTest, ProtocolPickerWithFourRowsIs112PixelsHigh) {
  const std::vector<std::wstring> protocols = {L"AUTO", L"OVPN-UDP+", L"L2TP", L"SSTP"};
  Render(
      L"protocol.xml",
      [&] {
        auto* list = dynamic_cast<CListUI*>(manager_->FindControl(L"listProtocol"));
        ASSERT_NE(list, nullptr);
        for (const auto& name : protocols) {
          auto* row = new CListContainerElementUI;
          row->ApplyAttributeList(L"name=\"" + name + L"\" height=\"25\" align=\"center\"");
          auto* button = new CButtonUI;
          button->ApplyAttributeList(L"name=\"" + name + L"\" align=\"left\"  height=\"25\" textpadding=\"18,3,0,0\" text=\"" +
                                     Text(name) +
                                     L"\" font=\"0\" textcolor=\"#ff000000\" hottextcolor=\"#ff000000\" pushedtextcolor=\"#ff000000\" ");
          row->Add(button);
          list->Add(row);
        }
      },
      {101, 25 * 4 + 12});
  EXPECT_EQ(manager_->GetInitSize().cy, 112);
  int top = 6;
  for (const auto& name : protocols) {
    const UiRect row = PosOf(name.c_str());
    EXPECT_EQ(row.top, top) << text::ToUtf8(name);
    EXPECT_EQ(row.Height(), 25);
    EXPECT_GT(DarkPixels(row), 15) << text::ToUtf8(name);
    top += 25;
  }
  EXPECT_EQ(top, 112 - 6);
  EXPECT_TRUE(Near(At(0, 50), kBorder));
  ExpectNoClippedText();
}

TEST_P(SkinRenderTest, RoutePicker) {
  Render(L"route.xml", [&] {
    SetText(L"route_ipscope", Text(L"route_ipscope"));
    SetText(L"route_global", Text(L"route_global"));
  });
  EXPECT_EQ(size_.cy, 25 * 2 + 12);
  EXPECT_GT(DarkPixels(PosOf(L"route_ipscope")), 15);
  EXPECT_GT(DarkPixels(PosOf(L"route_global")), 15);
  ExpectNoClippedText();
}

TEST_P(SkinRenderTest, Gallery) {
  Render(L"gallery.xml", [&] {
    // Controls named after a language id show that id's text.
    ForEachControl(manager_->GetRoot(), [&](CControlUI* c) {
      const std::wstring& id = c->GetName();
      if (!id.empty() && Text(id) != id) c->SetText(Text(id));
    });
    SetText(L"title", Text(L"nimbrookjsq"));
  });
  ExpectDialogFrame();
  const UiRect ok = PosOf(L"ok");
  EXPECT_TRUE(Near(At(ok.left + 4, (ok.top + ok.bottom) / 2), kPrimary));
  const UiRect disabled = PosOf(L"gallery_disabled");
  EXPECT_FALSE(Near(At(disabled.left + 4, (disabled.top + disabled.bottom) / 2), kPrimary, 20));
  const UiRect checked = PosOf(L"auto_lab");
  EXPECT_TRUE(Near(At(checked.left + 8, checked.top + 10), kPrimary));
  const UiRect unchecked = PosOf(L"remepwd_lab");
  EXPECT_TRUE(Near(At(unchecked.left + 8, unchecked.top + 15), kSurface));
  const UiRect option = PosOf(L"allopt");
  EXPECT_TRUE(Near(At(option.left + 8, option.top + 15), kPrimary, 12));
  const UiRect list = PosOf(L"serverlist");
  EXPECT_GT(DarkPixels(list), 200);
  ExpectNoClippedText();
}

// A server as the list shows it; the rows below are built with the control tree and attribute texts
// the main window uses for its rows.
struct ServerSample {
  const wchar_t* name;
  const wchar_t* info;
  const wchar_t* delay;
  int load;
  const wchar_t* flag;
};

const ServerSample kServers[] = {
    {L"香港 HK-01", L"Streaming, low latency", L"38ms", 17, L"hongkong.png"},
    {L"日本 Tokyo-03", L"游戏专线", L"72ms", 45, L"jpa.png"},
    {L"美国 Los Angeles-02", L"General use", L"168ms", 88, L"usa.png"},
    {L"台湾 Taipei-01", L"", L"55ms", 30, L"taiwan.png"},
    {L"韩国 Seoul-02", L"Video", L"64ms", 61, L"korea.png"},
    {L"Frankfurt Premium Dedicated 01", L"Europe: a long description that ends in an ellipsis", L"231ms", 72, L"de.png"},
    {L"新加坡 Singapore-01", L"", L"", 5, L"sg.png"},
    {L"联通回国 Unicom", L"回国专线", L"小于1ms", 100, L"unicom.png"},
    {L"英国 London-01", L"", L"Timeout", 24, L"uk.png"},
};

void AddServerRow(CListUI& list, const ServerSample& s) {
  const int load = s.load;
  const wchar_t* bar = load <= 21 ? L"jdt0.png" : load <= 41 ? L"jdt1.png" : load <= 61 ? L"jdt2.png" : load <= 81 ? L"jdt3.png" : L"jdt4.png";
  wchar_t percent[16];
  std::swprintf(percent, 16, L"%3d%%", load);
  auto* row = new CListContainerElementUI;
  row->ApplyAttributeList(L"height=\"37\" ");
  auto* column = new CVerticalLayoutUI;
  auto* line = new CHorizontalLayoutUI;
  line->ApplyAttributeList(L"float=\"false\" ");
  auto* first = new CHorizontalLayoutUI;
  first->ApplyAttributeList(L"name=\"first_area\" float=\"false\" width=\"150\" ");
  auto* flag = new CControlUI;
  flag->ApplyAttributeList(std::wstring(L"name=\"flag_ico\" float=\"false\" padding=\"10,11,0,0\" width=\"16\" height=\"12\" bkimage=\"") + s.flag + L"\"");
  auto* name = new CLabelUI;
  name->ApplyAttributeList(L"endellipsis=\"true\" textcolor=\"#FF666666\" font=\"2\" align=\"left\" textpadding=\"10,10,5,0\"");
  name->SetName(L"serv_name");
  name->SetText(s.name);
  first->Add(flag);
  first->Add(name);
  auto* desc = new CLabelUI;
  desc->ApplyAttributeList(L"endellipsis=\"true\" textcolor=\"#FF666666\" float=\"false\" width=\"200\" align=\"left\" textpadding=\"0,11,5,0\" font=\"2\" ");
  desc->SetName(L"serv_desc");
  desc->SetText(s.info);
  auto* delay = new CLabelUI;
  delay->ApplyAttributeList(L"align=\"left\" textcolor=\"#FF666666\" textpadding=\"0,11,5,0\" width=\"60\" font=\"2\" ");
  delay->SetName(L"serv_delay");
  delay->SetText(s.delay);
  auto* last = new CHorizontalLayoutUI;
  last->ApplyAttributeList(L"name=\"last_area\" float=\"false\" width=\"80\" ");
  auto* holder = new CContainerUI;
  holder->ApplyAttributeList(L"float=\"false\" inset=\"0,6,0,0\" align=\"left\" height=\"11\" padding=\"0,10,0,0\" width=\"45\"");
  auto* progress = new CProgressUI;
  progress->ApplyAttributeList(std::wstring(L"name=\"serv_playload\" align=\"left\" min=\"0\" max=\"100\" bkimage=\"jdt_back.png\" foreimage=\"") + bar + L"\"");
  progress->SetValue(load);
  holder->Add(progress);
  auto* percentLabel = new CLabelUI;
  percentLabel->ApplyAttributeList(L"align=\"left\" textcolor=\"#FF666666\" textpadding=\"0,10,0,0\" font=\"2\" ");
  percentLabel->SetName(L"percent");
  percentLabel->SetText(percent);
  last->Add(holder);
  last->Add(percentLabel);
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
}

// The main window as it looks after sign-in (first server selected), or connected with a failed
// attempt's text still in the error strip; at 96 dpi or 144 dpi.
class MainWindowRender : public SkinRenderTest {
 protected:
  void RenderMain(bool connectedWithError, double scale, const std::wstring& shot) {
    Render(
        L"main.xml",
        [&] {
          for (const wchar_t* id : {L"main_title", L"version", L"allopt", L"freeopt", L"americaopt", L"japopt", L"hkopt",
                                    L"Taiwanopt", L"Europeopt", L"Chinaopt", L"Koreaopt", L"server_header",
                                    L"desc_header", L"delay_header", L"usagerate_header", L"conntype_lab",
                                    L"connmode_lab", L"curnode_lab", L"status_lab", L"optJiasu", L"optPay",
                                    L"optCredit", L"optNav", L"btn_ping", L"main_telephone"}) {
            SetText(id, Text(id));
          }
          SetText(L"line", Text(L"line_lab"));
          auto* list = dynamic_cast<CListUI*>(manager_->FindControl(L"serverlist"));
          ASSERT_NE(list, nullptr);
          for (const auto& server : kServers) AddServerRow(*list, server);
          const int selected = connectedWithError ? 2 : 0;
          list->SelectItem(selected);
          CControlUI* row = list->GetItemAt(selected);
          for (const wchar_t* label : {L"serv_name", L"serv_desc", L"serv_delay", L"percent"}) {
            row->FindSubControl(label)->ApplyAttributeList(L"textcolor=\"#FFB16FA1\" font=\"2\"");
          }
          SetText(L"curnode", kServers[selected].name);
          if (connectedWithError) {
            // A failed AUTO attempt's text stays while the next protocol connects.
            SetText(L"curtype", Text(L"L2TP") + L"(" + Text(L"AUTO2") + L")");
            SetText(L"curmode", Text(L"route_global"));
            SetText(L"vpnstate", Text(L"str_connect_ok"));
            manager_->FindControl(L"btn_connect")->ApplyAttributeList(
                L"normalimage=\"file='jiasu_btn_disc_1.png' source='0,0,85,28'\" "
                L"hotimage=\"file='jiasu_btn_disc_1.png' source='0,28,85,56'\" "
                L"pushedimage=\"file='jiasu_btn_disc_1.png' source='0,56,85,83'\"");
            for (const wchar_t* name : {L"curtype", L"btnProtocol", L"curmode", L"btnRoute", L"btn_ping"}) {
              manager_->FindControl(name)->SetEnabled(false);
            }
            SetText(L"err_lab", Text(L"str_l2tpoveripsecfail"));
            manager_->FindControl(L"error_layout")->SetVisible(true);
            manager_->FindControl(L"error_padding")->SetVisible(true);
          } else {
            SetText(L"curtype", Text(L"AUTO"));
            SetText(L"curmode", Text(L"route_ipscope"));
            SetText(L"vpnstate", Text(L"str_un_connected"));
          }
        },
        {}, scale, shot);
  }

  void ExpectMainLooks(bool connectedWithError) {
    EXPECT_TRUE(Near(At(size_.cx - 200, 3), kHeader));
    EXPECT_TRUE(Near(At(0, size_.cy / 2), kBorder));
    const UiRect page = PosOf(L"optJiasu");
    EXPECT_TRUE(Near(At((page.left + page.right) / 2, page.bottom - 2), kPrimary));  // the selected tab's bar
    const UiRect area = PosOf(L"allopt");
    EXPECT_TRUE(Near(At(area.left + 1, (area.top + area.bottom) / 2), kPrimary));     // the selected area's bar
    const UiRect connect = PosOf(L"btn_connect");
    EXPECT_TRUE(Near(At(connect.left + 12, connect.top + 8), connectedWithError ? kSafe : kPrimary, 10));
    EXPECT_TRUE(Near(At((connect.left + connect.right) / 2, connect.top + 17), kSurface, 10));  // the power glyph
    for (const wchar_t* name : {L"line", L"vpnstate", L"curnode", L"curtype", L"curmode", L"server_header",
                                L"delay_header", L"hkopt", L"Europeopt", L"optPay", L"btn_ping", L"main_telephone"}) {
      EXPECT_GT(InkPixels(PosOf(name)), 10) << text::ToUtf8(name);
    }
    EXPECT_GT(DarkPixels(PosOf(L"serverlist")), 800);
    const UiRect web = PosOf(L"miniUserCenter");
    EXPECT_FALSE(Near(At((web.left + web.right) / 2, (web.top + web.bottom) / 2), kSurface, 4));  // an empty pane, not a hole
    if (connectedWithError) {
      const UiRect strip = PosOf(L"error_layout");
      EXPECT_TRUE(Near(At(strip.left + 13, (strip.top + strip.bottom) / 2), kError, 10));
      EXPECT_GT(strip.top, PosOf(L"conn").bottom);
    }
    ExpectNoClippedText(manager_->FindControl(L"serverlist"));
  }
};

TEST_P(MainWindowRender, AfterSignInAt96And144Dpi) {
  for (const auto& [scale, suffix] : {std::pair{1.0, L""}, std::pair{1.5, L"-144dpi"}}) {
    SCOPED_TRACE(scale);
    RenderMain(false, scale, std::wstring(L"render-main-") + GetParam() + suffix);
    ExpectMainLooks(false);
  }
}

TEST_P(MainWindowRender, ConnectedWithAnErrorShown) {
  RenderMain(true, 1.0, std::wstring(L"render-main-") + GetParam() + L"-connected");
  ExpectMainLooks(true);
}

INSTANTIATE_TEST_SUITE_P(Languages, MainWindowRender, ::testing::Values(L"eng", L"chs"),
                         [](const auto& info) { return text::ToUtf8(info.param); });

INSTANTIATE_TEST_SUITE_P(Languages, SkinRenderTest, ::testing::Values(L"eng", L"chs"),
                         [](const auto& info) { return text::ToUtf8(info.param); });

// Not a test of speed (nothing is asserted about time): the figure is printed for the record.
TEST(SkinRenderBenchmark, ThousandRowListLayoutAndPaint) {
  ASSERT_TRUE(EnsureGdiplus());
  FakePaintHost host;
  CPaintManagerUI manager;
  manager.SetHost(&host);
  auto* list = new CListUI;
  list->ApplyAttributeList(L"itemfont=\"-1\" itemtextcolor=\"#FF666666\" itemhotbkcolor=\"#FFEEF4FB\" vscrollbar=\"true\"");
  for (int i = 0; i < 1000; ++i) {
    auto* row = new CListLabelElementUI;
    row->ApplyAttributeList(L"height=\"37\"");
    row->SetText(L"Server " + std::to_wstring(i) + L"  香港 " + std::to_wstring(i % 97) + L" ms");
    list->Add(row);
  }
  ASSERT_TRUE(manager.AttachDialog(list));
  host.clientSize = {560, 600};
  manager.OnClientResize(host.clientSize);
  OffscreenSurface surface;
  ASSERT_TRUE(surface.Resize(560, 600));
  const auto start = std::chrono::steady_clock::now();
  constexpr int kRounds = 20;
  for (int round = 0; round < kRounds; ++round) {
    manager.OnClientResize({560 - (round % 2), 600});  // forces a full layout each round
    manager.DoLayout();
    GdiplusRenderContext ctx(surface, 1.0);
    manager.Paint(ctx, {0, 0, 560, 600});
  }
  const double ms = std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count() / kRounds;
  std::printf("[ benchmark ] 1,000-row list, layout + GDI+ paint of a 560x600 view: %.2f ms per pass\n", ms);
  EXPECT_EQ(list->GetCount(), 1000);
}

}  // namespace
}  // namespace nimbrook::toolkit
