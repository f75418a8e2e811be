#include "main_window/server_rows.h"

#include <algorithm>
#include <iterator>
#include <string>
#include <string_view>

#include "toolkit/controls.h"

namespace nimbrook {

using namespace toolkit;

namespace {

// Sub-control names a server's protocol label must not take.
constexpr const wchar_t* kReservedNames[] = {kRowName, kRowDesc,  kRowDelay,    kRowPercent, kRowLoadBar,
                                             kRowFlag, kRowIp,    kRowAllow,    kRowConnType, kRowArea,
                                             L"first_area", L"last_area"};

constexpr wchar_t kNormalColours[] = L"textcolor=\"#FF666666\" font=\"2\"";
constexpr wchar_t kSelectedColours[] = L"textcolor=\"#FFB16FA1\" font=\"2\"";
constexpr const wchar_t* kColouredLabels[] = {kRowName, kRowDesc, kRowDelay, kRowPercent};

bool IsReservedName(std::wstring_view name) {
  return std::any_of(std::begin(kReservedNames), std::end(kReservedNames),
                     [&](const wchar_t* reserved) { return name == reserved; });
}

bool IsPlainFileChar(wchar_t c) {
  return (c >= L'a' && c <= L'z') || (c >= L'A' && c <= L'Z') || (c >= L'0' && c <= L'9') || c == L'_' ||
         c == L'-' || c == L'.';
}

// Makes controls, applies their fixed attribute texts and notes whether the toolkit took them all.
class RowBuilder {
 public:
  template <typename T>
  T* Make(const wchar_t* attributes = nullptr) {
    auto* control = new T;
    if (attributes && !control->ApplyAttributeList(attributes)) accepted_ = false;
    return control;
  }
  template <typename T>
  T* Make(const std::wstring& attributes) {
    auto* control = new T;
    if (!control->ApplyAttributeList(attributes)) accepted_ = false;
    return control;
  }
  CLabelUI* Label(const wchar_t* name, const wchar_t* attributes, std::wstring_view text) {
    auto* label = Make<CLabelUI>(attributes);
    label->SetName(name);
    label->SetText(std::wstring(text));
    return label;
  }
  CLabelUI* HiddenLabel(std::wstring_view name, std::wstring_view text) {
    auto* label = new CLabelUI;
    label->SetName(std::wstring(name));
    label->SetText(std::wstring(text));
    label->SetVisible(false);
    return label;
  }
  bool Accepted() const { return accepted_; }

 private:
  bool accepted_ = true;
};

void ApplyColours(CControlUI& row, const wchar_t* colours) {
  for (const wchar_t* name : kColouredLabels) {
    if (CControlUI* label = row.FindSubControl(name)) (void)label->ApplyAttributeList(colours);
  }
}

}  // namespace

std::wstring SafeFlagImage(std::wstring_view image) {
  const bool plain = !image.empty() && std::all_of(image.begin(), image.end(), IsPlainFileChar);
  return plain ? std::wstring(image) : std::wstring(L"unknown.png");
}

BuiltServerRow BuildServerRow(const ServerEntry& entry) {
  RowBuilder b;
  const int percent = LoadPercentage(entry.onlineusers, entry.maxusers);

  auto row = std::unique_ptr<CListContainerElementExUI>(b.Make<CListContainerElementExUI>(L"height=\"37\" "));
  row->SetTag(static_cast<uintptr_t>(AreaCodeOf(entry.area)));

  auto* column = b.Make<CVerticalLayoutUI>();
  auto* line = b.Make<CHorizontalLayoutUI>(L"float=\"false\" ");

  auto* first = b.Make<CHorizontalLayoutUI>(L"name=\"first_area\" float=\"false\" width=\"150\" ");
  first->Add(b.Make<CControlUI>(
      L"name=\"flag_ico\" float=\"false\" padding=\"10,11,0,0\" width=\"16\" height=\"12\" bkimage=\"" +
      SafeFlagImage(FlagImage(entry.area)) + L"\""));
  first->Add(b.Label(kRowName,
                     L"endellipsis=\"true\" textcolor=\"#FF666666\" font=\"2\" align=\"left\" textpadding=\"10,10,5,0\"",
                     entry.nasname));
  line->Add(first);

  line->Add(b.Label(kRowDesc,
                    L"endellipsis=\"true\" textcolor=\"#FF666666\" float=\"false\" width=\"200\" align=\"left\" "
                    L"textpadding=\"0,11,5,0\" font=\"2\" ",
                    entry.info));
  line->Add(b.Label(kRowDelay, L"align=\"left\" textcolor=\"#FF666666\" textpadding=\"0,11,5,0\" width=\"60\" font=\"2\" ",
                    L""));

  auto* last = b.Make<CHorizontalLayoutUI>(L"name=\"last_area\" float=\"false\" width=\"80\" ");
  auto* barHolder = b.Make<CContainerUI>(
      L"float=\"false\" inset=\"0,6,0,0\" align=\"left\" height=\"11\" padding=\"0,10,0,0\" width=\"45\"");
  auto* bar = b.Make<CProgressUI>(L"align=\"left\"");
  bar->SetName(kRowLoadBar);
  bar->SetMinValue(0);
  bar->SetMaxValue(100);
  bar->SetValue(percent);
  bar->SetBkImage(kLoadBarBackImage);
  bar->SetForeImage(LoadBarImage(percent));
  barHolder->Add(bar);
  last->Add(barHolder);
  last->Add(b.Label(kRowPercent, L"align=\"left\" textcolor=\"#FF666666\" textpadding=\"0,10,0,0\" font=\"2\" ",
                    PercentText(percent)));
  line->Add(last);

  line->Add(b.HiddenLabel(kRowIp, entry.ip));
  line->Add(b.HiddenLabel(kRowAllow, entry.allow));
  line->Add(b.HiddenLabel(kRowConnType, entry.connecttype));
  for (const PortItem& item : entry.Ports()) {
    if (!IsReservedName(item.name)) line->Add(b.HiddenLabel(item.name, item.spec));
  }
  line->Add(b.HiddenLabel(kRowArea, entry.area));

  column->Add(line);
  column->Add(b.Make<CControlUI>(L"height=\"1\" bkimage=\"file='serverlist_item_sepaline.png'\" "));
  row->Add(column);
  return {std::move(row), b.Accepted()};
}

void MarkRowNormal(CControlUI& row) { ApplyColours(row, kNormalColours); }

void MarkRowSelected(CControlUI& row) { ApplyColours(row, kSelectedColours); }

}  // namespace nimbrook
