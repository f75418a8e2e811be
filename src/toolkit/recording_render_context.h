// A RenderContext that draws nothing and records what it was asked to draw, for native tests and
// the layout benchmark. Text is measured with a fixed, predictable metric: ASCII characters are
// half the font size wide, others the full size; a line is size + size / 3 high.
#pragma once

#include <string>
#include <vector>

#include "toolkit/render_context.h"

namespace nimbrook::toolkit {

struct RecordedOp {
  enum class Kind { Fill, Gradient, Border, Image, Text, PushClip, PopClip };
  Kind kind = Kind::Fill;
  UiRect rect{};
  UiColor color = 0;
  std::wstring text;   // text of a Text op, file of an Image op
  FontSpec font{};
  TextStyle style{};
  UiRect clip{};       // the clip in effect when the op was recorded
};

class RecordingRenderContext : public RenderContext {
 public:
  // record false: only counts operations (the benchmark measures layout and control paint code).
  explicit RecordingRenderContext(bool record = true) : record_(record) {}

  void FillRect(const UiRect& rect, UiColor argb) override;
  void FillRoundRect(const UiRect& rect, UiSize round, UiColor argb) override;
  void FillGradient(const UiRect& rect, UiColor top, UiColor bottom) override;
  void DrawBorder(const UiRect& rect, int size, UiColor argb, UiSize round) override;
  bool DrawImage(const ImageSpec& image, const UiRect& controlRect) override;
  void DrawText(const std::wstring& text, const UiRect& rect, const FontSpec& font, UiColor argb,
                const TextStyle& style) override;
  UiSize MeasureText(const std::wstring& text, const FontSpec& font, int maxWidth) override;
  void PushClip(const UiRect& rect, UiSize round) override;
  void PopClip() override;

  const std::vector<RecordedOp>& Ops() const { return ops_; }
  size_t OpCount() const { return count_; }
  void Clear();
  // The recorded texts, in drawing order.
  std::vector<std::wstring> Texts() const;
  // Images named file that failed to "load": DrawImage returns false for them.
  void SetMissingImage(const std::wstring& file) { missing_.push_back(file); }
  int ClipDepth() const { return static_cast<int>(clips_.size()); }

 private:
  void Add(RecordedOp op);
  UiRect CurrentClip() const;

  bool record_;
  size_t count_ = 0;
  std::vector<RecordedOp> ops_;
  std::vector<UiRect> clips_;
  std::vector<std::wstring> missing_;
};

}  // namespace nimbrook::toolkit
