// The about window's texts on the shipped "about.xml": every text from the table of the current
// language, the version line, and a language switch seen at the next opening.
#include "ui/about_frame.h"

#include <gtest/gtest.h>

#include "core/languages.h"
#include "toolkit/dialog_builder.h"
#include "toolkit/fake_paint_host.h"
#include "ui/tests/ui_test_support.h"

namespace nimbrook {
namespace {

using namespace toolkit;

std::wstring Shown(const std::wstring& version, CControlUI** versionLine = nullptr) {
  FakePaintHost host;
  CPaintManagerUI pm;
  pm.SetHost(&host);
  CDialogBuilder builder;
  CControlUI* root = builder.Create(kAboutLayout, nullptr, &pm, nullptr);
  if (root == nullptr || !pm.AttachDialog(root)) return L"no layout";
  FillAboutTexts(pm, version);
  std::wstring texts;
  for (const wchar_t* id : kAboutTextIds) texts += pm.FindControl(id)->GetText() + L"|";
  CControlUI* line = pm.FindControl(L"about_version");
  texts += line->IsVisible() ? line->GetText() : L"(hidden)";
  return texts;
}

TEST(AboutFrameTest, TextsComeFromTheCurrentLanguageWithTheVersion) {
  testing_ui::UseSkinAndTexts();
  ProcessLanguages().Assign({{L"about_title", L"About"}, {L"des1", L"One"}, {L"des2", L"Two"}, {L"des3", L"Three"},
                             {L"des4", L"Four"}, {L"copyright1", L"(c)"}, {L"about_version", L"Version"}});
  // A text the table lacks shows its id.
  EXPECT_EQ(Shown(L"1.0.0.0"), L"About|One|Two|Three|Four|(c)|copyright2|Version 1.0.0.0");
  EXPECT_EQ(Shown(L""), L"About|One|Two|Three|Four|(c)|copyright2|(hidden)");
  ProcessLanguages().Assign({{L"about_title", L"关于"}, {L"des1", L"一"}, {L"about_version", L"版本"}});
  EXPECT_EQ(Shown(L"2.1.0.7"), L"关于|一|des2|des3|des4|copyright1|copyright2|版本 2.1.0.7");
}

}  // namespace
}  // namespace nimbrook
