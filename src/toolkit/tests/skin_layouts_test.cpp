// Every layout of the skin builds with the toolkit: the elements, attributes and fonts it uses are
// all understood, and the controls the windows look up are there.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <map>

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

}  // namespace
}  // namespace nimbrook::toolkit
