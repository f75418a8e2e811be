// Attribute lists on every control kind (the toolkit's and the client's custom controls): the first
// byte picks the kind, the rest is the list. The control is then laid out, painted and scrolled.
#include <iterator>

#include "fuzz_support.h"
#include "toolkit/attribute_values.h"
#include "toolkit/container.h"
#include "toolkit/dialog_builder.h"
#include "toolkit/fake_paint_host.h"
#include "toolkit/paint_manager.h"
#include "toolkit/recording_render_context.h"
#include "ui/dialog_builder_callback_ex.h"

using namespace nimbrook;
using namespace nimbrook::toolkit;

namespace {

const char* const kKinds[] = {
    "Control", "Label", "Text", "Button", "Option", "CheckBox", "Edit", "RichEdit", "Progress", "Container",
    "VerticalLayout", "HorizontalLayout", "TabLayout", "List", "ListHeader", "ListHeaderItem",
    "ListContainerElement", "ListLabelElement", "ScrollBar", "WebBrowser",
    // the client's own controls
    "ButtonEx", "ListContainerElementEx", "jiasu", "video", "telephone"};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 1) return 0;
  fuzz::QuietLog();
  const char* kind = kKinds[data[0] % std::size(kKinds)];
  const std::wstring list = text::FromUtf8(fuzz::Bytes(data + 1, size - 1));

  // The list reader alone: whatever it accepts is a list of named pairs.
  std::vector<AttributePair> pairs;
  std::wstring error;
  if (ParseAttributeList(list, pairs, &error)) FUZZ_CHECK(error.empty());
  for (const auto& p : pairs) FUZZ_CHECK(!p.name.empty());

  FakePaintHost host;
  host.clientSize = {300, 200};
  CPaintManagerUI manager;
  manager.SetHost(&host);
  CDialogBuilderCallbackEx callback;
  CDialogBuilder builder;
  const std::string layout = std::string("<Window><VerticalLayout name=\"root\"><") + kind +
                             " name=\"target\"/><Label name=\"after\" text=\"x\"/></VerticalLayout></Window>";
  CControlUI* root = builder.CreateFromText(layout, L"fuzz.xml", &callback, &manager);
  FUZZ_CHECK(root != nullptr);
  manager.AttachDialog(root);
  CControlUI* target = manager.FindControl(L"target");
  FUZZ_CHECK(target != nullptr);
  (void)target->ApplyAttributeList(list);
  manager.DoLayout();
  RecordingRenderContext ctx;
  manager.Paint(ctx, {0, 0, 300, 200});
  FUZZ_CHECK(ctx.ClipDepth() == 0);
  const UiRect r = target->GetPos();
  const UiPoint inside{r.left + r.Width() / 2, r.top + r.Height() / 2};
  manager.OnMouseMove(inside);
  manager.OnButtonDown(inside);
  manager.OnMouseMove({inside.x + 7, inside.y + 40});
  manager.OnButtonUp(inside);
  if (auto* container = dynamic_cast<CContainerUI*>(target)) {
    container->SetScrollPos({1 << 20, 1 << 20});
    manager.DoLayout();
    manager.Paint(ctx, {0, 0, 300, 200});
  }
  manager.DeliverAsyncNotifications();
  return 0;
}
