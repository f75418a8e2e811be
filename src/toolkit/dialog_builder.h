// CDialogBuilder: builds a control tree from a layout file (UTF-8 XML from the resource store): the
// Window element describes the window to the paint manager, Font and Default declare fonts and
// default attributes, Include pulls in another layout, every other element is a control. Element
// names the toolkit does not know go to the window's IDialogBuilderCallback.
#pragma once

#include <string>

namespace nimbrook::toolkit {

class CControlUI;
class CPaintManagerUI;

class IDialogBuilderCallback {
 public:
  virtual ~IDialogBuilderCallback() = default;
  // A new control for the element name, or null when the callback does not make it.
  virtual CControlUI* CreateControl(const std::wstring& className) = 0;
};

class CDialogBuilder {
 public:
  // What happens to an element nobody can make.
  enum class UnknownElements {
    Fail,   // the build fails with an error naming file and line (the default)
    Skip,   // the element and its children are left out; a log line names file and line
  };

  // Builds the layout. Without parent the caller owns the returned root (hand it to
  // CPaintManagerUI::AttachDialog or a container's Add). With a container as parent every top-level
  // control is added to it and the first one is returned (owned by the parent). Null on any error:
  // the error (file and line) is logged and kept for GetLastError.
  CControlUI* Create(const std::wstring& layoutFile, IDialogBuilderCallback* callback = nullptr,
                     CPaintManagerUI* manager = nullptr, CControlUI* parent = nullptr);
  // The same from a layout text already in memory; fileName names it in errors and resolves Include.
  CControlUI* CreateFromText(const std::string& utf8, const std::wstring& fileName,
                             IDialogBuilderCallback* callback = nullptr,
                             CPaintManagerUI* manager = nullptr, CControlUI* parent = nullptr);

  void SetUnknownElements(UnknownElements policy) { m_unknown = policy; }
  // "file.xml(12): ..." for the last failed build; empty after a good one.
  const std::wstring& GetLastError() const { return m_lastError; }
  // Log lines written for skipped elements and refused attributes during the last build (the first
  // 100 of them, then one line saying that more were left out).
  const std::wstring& GetWarnings() const { return m_warnings; }

 private:
  friend class DialogBuildRun;
  UnknownElements m_unknown = UnknownElements::Fail;
  std::wstring m_lastError;
  std::wstring m_warnings;
};

}  // namespace nimbrook::toolkit
