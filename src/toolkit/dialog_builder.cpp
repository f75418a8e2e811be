#include "toolkit/dialog_builder.h"

#include <algorithm>
#include <map>
#include <memory>
#include <vector>

#include "core/log.h"
#include "toolkit/attribute_values.h"
#include "toolkit/controls.h"
#include "toolkit/paint_manager.h"
#include "toolkit/resource_store.h"
#include "toolkit/xml_reader.h"

namespace nimbrook::toolkit {
namespace {

constexpr int kMaxIncludeDepth = 8;
// Warnings logged per build; one line then says that more were left out.
constexpr int kMaxWarnings = 100;
// Font ids are small numbers a layout chooses; the limit keeps "next id" arithmetic far from overflow.
constexpr int kMaxFontId = 65535;

CControlUI* MakeStandardControl(const std::wstring& name) {
  if (name == L"Control") return new CControlUI;
  if (name == L"Label") return new CLabelUI;
  if (name == L"Text") return new CTextUI;
  if (name == L"Button") return new CButtonUI;
  if (name == L"Option") return new COptionUI;
  if (name == L"CheckBox") return new CCheckBoxUI;
  if (name == L"Edit") return new CEditUI;
  if (name == L"RichEdit") return new CRichEditUI;
  if (name == L"Progress") return new CProgressUI;
  if (name == L"Container") return new CContainerUI;
  if (name == L"VerticalLayout") return new CVerticalLayoutUI;
  if (name == L"HorizontalLayout") return new CHorizontalLayoutUI;
  if (name == L"TabLayout") return new CTabLayoutUI;
  if (name == L"List") return new CListUI;
  if (name == L"ListHeader") return new CListHeaderUI;
  if (name == L"ListHeaderItem") return new CListHeaderItemUI;
  if (name == L"ListContainerElement") return new CListContainerElementUI;
  if (name == L"ListLabelElement") return new CListLabelElementUI;
  if (name == L"ScrollBar") return new CScrollBarUI;
  if (name == L"WebBrowser") return new CWebBrowserUI;
  return nullptr;
}

bool IsDeclaration(const std::wstring& name) {
  return name == L"Font" || name == L"Default" || name == L"Include" || name == L"Window" || name == L"Image";
}

}  // namespace

// One build: the layout files it reads, the controls it made so far and its errors.
class DialogBuildRun {
 public:
  DialogBuildRun(CDialogBuilder& builder, IDialogBuilderCallback* callback, CPaintManagerUI* manager)
      : builder_(builder), callback_(callback), manager_(manager) {}

  CControlUI* Build(const std::string& utf8, const std::wstring& fileName, CControlUI* parent) {
    builder_.m_lastError.clear();
    builder_.m_warnings.clear();
    CContainerUI* container = nullptr;
    if (parent) {
      container = dynamic_cast<CContainerUI*>(parent);
      if (!container) {
        Fail(fileName, 0, L"上级控件不是容器 (parent is not a container)");
        return nullptr;
      }
    }
    parent_ = container;
    const bool ok = BuildFile(utf8, fileName, 0);
    if (!ok) {
      // Nothing of a failed build stays behind: the caller gets null and the parent is unchanged.
      if (container) {
        for (CControlUI* c : added_) container->Remove(c);
      }
      root_.reset();
      return nullptr;
    }
    if (container) {
      return added_.empty() ? nullptr : added_.front();
    }
    if (!root_) {
      Fail(fileName, 1, L"布局中没有控件 (no control in the layout)");
      return nullptr;
    }
    return root_.release();
  }

 private:
  bool BuildFile(const std::string& utf8, const std::wstring& fileName, int includeDepth) {
    XmlResult xml = ParseXml(utf8);
    if (!xml.root) return Fail(fileName, xml.errorLine, xml.error);
    XmlElement& top = *xml.root;
    if (top.name == L"Window") {
      ApplyWindow(top, fileName);
      return BuildChildren(top, parent_, fileName, includeDepth);
    }
    // A layout whose root is a control (an included fragment, a custom control's content).
    XmlElement holder;
    holder.name = L"Window";
    holder.line = top.line;
    holder.children.push_back(std::move(xml.root));
    return BuildChildren(holder, parent_, fileName, includeDepth);
  }

  void ApplyWindow(const XmlElement& window, const std::wstring& file) {
    if (!manager_) return;
    for (const auto& a : window.attributes) {
      UiSize s{};
      UiRect r{};
      UiColor c = 0;
      bool b = false;
      int n = 0;
      bool ok = true;
      if (a.name == L"size") {
        if ((ok = ParseSize(a.value, s))) manager_->SetInitSize(s);
      } else if (a.name == L"caption") {
        if ((ok = ParseRect(a.value, r))) manager_->SetCaptionRect(r);
      } else if (a.name == L"sizebox") {
        if ((ok = ParseRect(a.value, r))) manager_->SetSizeBox(r);
      } else if (a.name == L"roundcorner") {
        if ((ok = ParseSize(a.value, s))) manager_->SetRoundCorner(s);
      } else if (a.name == L"mininfo") {
        if ((ok = ParseSize(a.value, s))) manager_->SetMinInfo(s);
      } else if (a.name == L"maxinfo") {
        if ((ok = ParseSize(a.value, s))) manager_->SetMaxInfo(s);
      } else if (a.name == L"bktrans") {
        if ((ok = ParseBool(a.value, b))) manager_->SetLayered(b);
      } else if (a.name == L"alpha") {
        if ((ok = ParseInt(a.value, n) && n >= 0 && n <= 255)) manager_->SetTransparent(n);
      } else if (a.name == L"defaultfontcolor") {
        if ((ok = ParseColor(a.value, c))) manager_->SetDefaultFontColor(c);
      } else if (a.name == L"disabledfontcolor") {
        if ((ok = ParseColor(a.value, c))) manager_->SetDefaultDisabledColor(c);
      }
      if (!ok) Warn(file, window.line, L"Window 属性 " + a.name + L"=\"" + a.value + L"\" 无效");
    }
  }

  void ApplyFont(const XmlElement& font, const std::wstring& file) {
    FontSpec desc;
    int id = nextFontId_;
    bool isDefault = false;
    for (const auto& a : font.attributes) {
      bool ok = true;
      if (a.name == L"id") {
        int n = 0;
        ok = ParseInt(a.value, n) && n >= 0 && n <= kMaxFontId;
        if (ok) id = n;
      }
      else if (a.name == L"name") desc.name = a.value;
      else if (a.name == L"size") ok = ParseInt(a.value, desc.size) && desc.size > 0 && desc.size <= 500;
      else if (a.name == L"bold") ok = ParseBool(a.value, desc.bold);
      else if (a.name == L"underline") ok = ParseBool(a.value, desc.underline);
      else if (a.name == L"italic") ok = ParseBool(a.value, desc.italic);
      else if (a.name == L"default") ok = ParseBool(a.value, isDefault);
      if (!ok) Warn(file, font.line, L"Font 属性 " + a.name + L"=\"" + a.value + L"\" 无效");
    }
    if (desc.size <= 0 || desc.size > 500) desc.size = 12;
    nextFontId_ = std::min(id + 1, kMaxFontId);
    if (manager_) manager_->AddFont(id, desc, isDefault);
  }

  void ApplyDefault(const XmlElement& def, const std::wstring& file) {
    const std::wstring* name = def.Find(L"name");
    const std::wstring* value = def.Find(L"value");
    if (!name || !value) {
      Warn(file, def.line, L"Default 缺少 name 或 value");
      return;
    }
    defaults_[*name] = *value;
    parsedDefaults_.erase(*name);
    if (manager_) manager_->AddDefaultAttributeList(*name, *value);
  }

  // A default list is parsed once per build and its warning logged once, however many elements use
  // it: a hostile skin must not make the build quadratic or flood the log.
  struct ParsedDefault {
    std::wstring list;
    std::vector<AttributePair> pairs;
    // The pairs a control of this element refused the first time. Defaults go to a new control
    // before anything else, so every later one refuses the same pairs: they are not offered again.
    std::vector<bool> refused;
    bool wellFormed = true;
    bool warned = false;
  };

  ParsedDefault* DefaultsFor(const std::wstring& element) {
    auto cached = parsedDefaults_.find(element);
    if (cached != parsedDefaults_.end()) return cached->second.list.empty() ? nullptr : &cached->second;
    ParsedDefault& parsed = parsedDefaults_[element];
    auto it = defaults_.find(element);
    if (it != defaults_.end()) parsed.list = it->second;
    else if (manager_) parsed.list = manager_->GetDefaultAttributeList(element);
    if (parsed.list.empty()) return nullptr;
    parsed.wellFormed = ParseAttributeList(parsed.list, parsed.pairs);
    return &parsed;
  }

  bool BuildChildren(const XmlElement& element, CContainerUI* parent, const std::wstring& file, int includeDepth) {
    for (const auto& childPtr : element.children) {
      const XmlElement& child = *childPtr;
      if (child.name == L"Font") {
        ApplyFont(child, file);
      } else if (child.name == L"Default") {
        ApplyDefault(child, file);
      } else if (child.name == L"Image") {
        // Image declarations preload files; ours load on first use.
      } else if (child.name == L"Window") {
        return Fail(file, child.line, L"Window 只能是布局的根元素 (Window must be the root)");
      } else if (child.name == L"Include") {
        if (!BuildInclude(child, parent, file, includeDepth)) return false;
      } else if (!BuildControl(child, parent, file, includeDepth)) {
        return false;
      }
    }
    return true;
  }

  bool BuildInclude(const XmlElement& include, CContainerUI* parent, const std::wstring& file, int includeDepth) {
    const std::wstring* source = include.Find(L"source");
    if (!source || source->empty()) return Fail(file, include.line, L"Include 缺少 source");
    if (includeDepth + 1 > kMaxIncludeDepth) {
      return Fail(file, include.line, L"Include 层次过深: " + *source);
    }
    std::optional<std::string> bytes = ReadResource(*source);
    if (!bytes) return Fail(file, include.line, L"无法读取 " + *source);
    CContainerUI* saved = parent_;
    parent_ = parent;
    const bool ok = BuildFile(*bytes, *source, includeDepth + 1);
    parent_ = saved;
    return ok;
  }

  bool BuildControl(const XmlElement& element, CContainerUI* parent, const std::wstring& file, int includeDepth) {
    CControlUI* made = MakeStandardControl(element.name);
    if (!made && callback_) made = callback_->CreateControl(element.name);
    if (!made) {
      if (builder_.m_unknown == CDialogBuilder::UnknownElements::Skip) {
        Warn(file, element.line, L"未知的元素 <" + element.name + L">, 已跳过");
        return true;
      }
      return Fail(file, element.line, L"未知的元素 <" + element.name + L">");
    }
    std::unique_ptr<CControlUI> control(made);
    if (manager_) control->SetManager(manager_, nullptr, false);
    if (ParsedDefault* defaults = DefaultsFor(element.name)) {
      bool ok = defaults->wellFormed;
      const bool first = defaults->refused.empty();
      if (first) defaults->refused.assign(defaults->pairs.size(), false);
      for (size_t i = 0; i < defaults->pairs.size(); ++i) {
        if (defaults->refused[i]) {
          ok = false;
          continue;
        }
        const auto& p = defaults->pairs[i];
        if (!control->SetAttribute(p.name, p.value)) {
          ok = false;
          if (first) defaults->refused[i] = true;
        }
      }
      if (!ok && !defaults->warned) {
        defaults->warned = true;
        Warn(file, element.line, L"默认属性 \"" + defaults->list + L"\" 中有无效的属性");
      }
    }
    for (const auto& a : element.attributes) {
      if (!control->SetAttribute(a.name, a.value)) {
        Warn(file, element.line, L"<" + element.name + L"> 属性 " + a.name + L"=\"" + a.value + L"\" 无效");
      }
    }
    bool hasChildren = false;
    for (const auto& c : element.children) hasChildren = hasChildren || !IsDeclaration(c->name) || c->name == L"Include";
    if (hasChildren) {
      auto* container = dynamic_cast<CContainerUI*>(control.get());
      if (!container) {
        return Fail(file, element.line, L"<" + element.name + L"> 不能包含子控件 (cannot hold controls)");
      }
      if (!BuildChildren(element, container, file, includeDepth)) return false;
    }
    if (parent) {
      CControlUI* raw = control.release();
      if (!parent->Add(raw)) return Fail(file, element.line, L"无法加入上级控件");
      if (parent == parent_) added_.push_back(raw);
      return true;
    }
    if (root_) return Fail(file, element.line, L"布局只能有一个根控件 (more than one root control)");
    root_ = std::move(control);
    return true;
  }

  bool Fail(const std::wstring& file, int line, const std::wstring& what) {
    builder_.m_lastError = file + L"(" + std::to_wstring(line) + L"): " + what;
    WriteLog(L"界面布局错误: " + builder_.m_lastError);
    return false;
  }

  void Warn(const std::wstring& file, int line, const std::wstring& what) {
    // A hostile skin can refuse thousands of attributes: the first ones say what is wrong, the rest
    // would only flood the log (one file write each).
    if (++warningCount_ > kMaxWarnings) {
      if (warningCount_ == kMaxWarnings + 1) {
        const std::wstring text = file + L"(" + std::to_wstring(line) + L"): 警告过多, 其余的不再记录";
        builder_.m_warnings += text + L"\n";
        WriteLog(L"界面布局警告: " + text);
      }
      return;
    }
    const std::wstring text = file + L"(" + std::to_wstring(line) + L"): " + what;
    builder_.m_warnings += text + L"\n";
    WriteLog(L"界面布局警告: " + text);
  }

  CDialogBuilder& builder_;
  IDialogBuilderCallback* callback_;
  CPaintManagerUI* manager_;
  CContainerUI* parent_ = nullptr;
  std::vector<CControlUI*> added_;
  std::unique_ptr<CControlUI> root_;
  std::map<std::wstring, std::wstring> defaults_;
  std::map<std::wstring, ParsedDefault> parsedDefaults_;
  int nextFontId_ = 0;
  int warningCount_ = 0;
};

CControlUI* CDialogBuilder::Create(const std::wstring& layoutFile, IDialogBuilderCallback* callback,
                                   CPaintManagerUI* manager, CControlUI* parent) {
  std::optional<std::string> bytes = ReadResource(layoutFile);
  if (!bytes) {
    m_warnings.clear();
    m_lastError = layoutFile + L"(0): 无法读取布局文件 (cannot read the layout)";
    WriteLog(L"界面布局错误: " + m_lastError);
    return nullptr;
  }
  return CreateFromText(*bytes, layoutFile, callback, manager, parent);
}

CControlUI* CDialogBuilder::CreateFromText(const std::string& utf8, const std::wstring& fileName,
                                           IDialogBuilderCallback* callback, CPaintManagerUI* manager,
                                           CControlUI* parent) {
  DialogBuildRun run(*this, callback, manager);
  return run.Build(utf8, fileName, parent);
}

}  // namespace nimbrook::toolkit
