#include "toolkit/recording_render_context.h"

namespace nimbrook::toolkit {

void RecordingRenderContext::Add(RecordedOp op) {
  ++count_;
  if (!record_) return;
  op.clip = CurrentClip();
  ops_.push_back(std::move(op));
}

UiRect RecordingRenderContext::CurrentClip() const {
  if (clips_.empty()) return {-100000, -100000, 100000, 100000};
  return clips_.back();
}

void RecordingRenderContext::FillRect(const UiRect& rect, UiColor argb) {
  RecordedOp op;
  op.kind = RecordedOp::Kind::Fill;
  op.rect = rect;
  op.color = argb;
  Add(std::move(op));
}

void RecordingRenderContext::FillRoundRect(const UiRect& rect, UiSize, UiColor argb) {
  FillRect(rect, argb);
}

void RecordingRenderContext::FillGradient(const UiRect& rect, UiColor top, UiColor) {
  RecordedOp op;
  op.kind = RecordedOp::Kind::Gradient;
  op.rect = rect;
  op.color = top;
  Add(std::move(op));
}

void RecordingRenderContext::DrawBorder(const UiRect& rect, int, UiColor argb, UiSize) {
  RecordedOp op;
  op.kind = RecordedOp::Kind::Border;
  op.rect = rect;
  op.color = argb;
  Add(std::move(op));
}

bool RecordingRenderContext::DrawImage(const ImageSpec& image, const UiRect& controlRect) {
  for (const auto& m : missing_) {
    if (m == image.file) return false;
  }
  RecordedOp op;
  op.kind = RecordedOp::Kind::Image;
  op.rect = controlRect;
  op.text = image.file;
  Add(std::move(op));
  return true;
}

void RecordingRenderContext::DrawText(const std::wstring& text, const UiRect& rect, const FontSpec& font,
                                      UiColor argb, const TextStyle& style) {
  RecordedOp op;
  op.kind = RecordedOp::Kind::Text;
  op.rect = rect;
  op.color = argb;
  op.text = text;
  op.font = font;
  op.style = style;
  Add(std::move(op));
}

UiSize RecordingRenderContext::MeasureText(const std::wstring& text, const FontSpec& font, int maxWidth) {
  const int lineHeight = font.size + font.size / 3;
  int width = 0;
  int lineWidth = 0;
  int lines = 1;
  for (wchar_t c : text) {
    if (c == L'\n') {
      ++lines;
      lineWidth = 0;
      continue;
    }
    const int w = c < 0x80 ? font.size / 2 : font.size;
    if (maxWidth > 0 && lineWidth + w > maxWidth && lineWidth > 0) {
      ++lines;
      lineWidth = 0;
    }
    lineWidth += w;
    if (lineWidth > width) width = lineWidth;
  }
  return {width, lines * lineHeight};
}

void RecordingRenderContext::PushClip(const UiRect& rect, UiSize) {
  const UiRect clip = clips_.empty() ? rect : clips_.back().Intersect(rect);
  clips_.push_back(clip);
  RecordedOp op;
  op.kind = RecordedOp::Kind::PushClip;
  op.rect = rect;
  Add(std::move(op));
}

void RecordingRenderContext::PopClip() {
  if (!clips_.empty()) clips_.pop_back();
  RecordedOp op;
  op.kind = RecordedOp::Kind::PopClip;
  Add(std::move(op));
}

void RecordingRenderContext::Clear() {
  ops_.clear();
  count_ = 0;
}

std::vector<std::wstring> RecordingRenderContext::Texts() const {
  std::vector<std::wstring> texts;
  for (const auto& op : ops_) {
    if (op.kind == RecordedOp::Kind::Text) texts.push_back(op.text);
  }
  return texts;
}

}  // namespace nimbrook::toolkit
