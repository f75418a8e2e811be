// Hostile skins: a layout built with the client's builder callback, laid out, painted and clicked.
// A build either gives a tree or a located error; nothing it made stays behind after a failure.
#include "fuzz_support.h"
#include "toolkit/dialog_builder.h"
#include "toolkit/fake_paint_host.h"
#include "toolkit/paint_manager.h"
#include "toolkit/recording_render_context.h"
#include "ui/dialog_builder_callback_ex.h"

using namespace nimbrook;
using namespace nimbrook::toolkit;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  fuzz::QuietLog();
  FakePaintHost host;
  host.clientSize = {320, 240};
  CPaintManagerUI manager;
  manager.SetHost(&host);
  CDialogBuilderCallbackEx callback;
  CDialogBuilder builder;
  builder.SetUnknownElements(size % 2 ? CDialogBuilder::UnknownElements::Skip : CDialogBuilder::UnknownElements::Fail);
  CControlUI* root = builder.CreateFromText(std::string(fuzz::Bytes(data, size)), L"fuzz.xml", &callback, &manager);
  if (!root) {
    FUZZ_CHECK(!builder.GetLastError().empty());
    return 0;
  }
  FUZZ_CHECK(builder.GetLastError().empty());
  manager.AttachDialog(root);
  manager.DoLayout();
  RecordingRenderContext ctx;
  manager.Paint(ctx, {0, 0, 320, 240});
  FUZZ_CHECK(ctx.ClipDepth() == 0);
  for (const UiPoint pt : {UiPoint{5, 5}, UiPoint{160, 120}, UiPoint{300, 200}}) {
    manager.OnMouseMove(pt);
    manager.OnButtonDown(pt);
    manager.OnButtonUp(pt);
  }
  manager.DeliverAsyncNotifications();
  return 0;
}
