#include "toolkit/ui_types.h"

#include <algorithm>

namespace nimbrook::toolkit {

UiRect UiRect::Intersect(const UiRect& o) const {
  UiRect r{std::max(left, o.left), std::max(top, o.top), std::min(right, o.right),
           std::min(bottom, o.bottom)};
  if (r.IsEmpty()) return {};
  return r;
}

UiRect UiRect::Union(const UiRect& o) const {
  if (o.IsEmpty()) return *this;
  if (IsEmpty()) return o;
  return {std::min(left, o.left), std::min(top, o.top), std::max(right, o.right),
          std::max(bottom, o.bottom)};
}

UiRect UiRect::Deflate(const UiRect& insets) const {
  UiRect r{left + insets.left, top + insets.top, right - insets.right, bottom - insets.bottom};
  // A rectangle smaller than its insets collapses to an empty one at its start rather than
  // turning inside out (negative sizes confuse every caller).
  if (r.right < r.left) r.right = r.left;
  if (r.bottom < r.top) r.bottom = r.top;
  return r;
}

bool ImageSpec::operator==(const ImageSpec& o) const {
  return file == o.file && hasSource == o.hasSource && source == o.source && corner == o.corner &&
         hasDest == o.hasDest && dest == o.dest && fade == o.fade && hole == o.hole;
}

}  // namespace nimbrook::toolkit
