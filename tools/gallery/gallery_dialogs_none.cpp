// The gallery without the client's windows: no dialogs to open.
#include "gallery_dialogs.h"

namespace nimbrook::gallery {

bool OpenGalleryDialog(const std::wstring& name, const GalleryDialogContext& context) {
  if (context.log) context.log(L"no such dialog " + name);
  return false;
}

std::vector<std::wstring> GalleryDialogNames() { return {}; }

}  // namespace nimbrook::gallery
