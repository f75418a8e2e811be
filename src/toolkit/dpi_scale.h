// Conversions between the layouts' 96-dpi logical pixels and a monitor's device pixels. The Windows
// host scales everything it draws, sizes and places by the window's DPI and turns input back into
// logical pixels; rectangles always grow outwards so that nothing that should be painted is cut.
#pragma once

#include <cmath>

#include "toolkit/ui_types.h"

namespace nimbrook::toolkit {

// Device pixels per logical pixel for a DPI value (96 -> 1.0); 1.0 for a value that makes no sense.
inline double ScaleForDpi(unsigned dpi) { return dpi >= 24 && dpi <= 2400 ? dpi / 96.0 : 1.0; }

inline double SaneScale(double scale) { return scale > 0.0 && std::isfinite(scale) ? scale : 1.0; }

inline int ToDevice(int logical, double scale) {
  return static_cast<int>(std::lround(logical * SaneScale(scale)));
}

inline int ToLogical(int device, double scale) {
  return static_cast<int>(std::lround(device / SaneScale(scale)));
}

// A logical rectangle as the device pixels that cover it.
inline UiRect ToDeviceRect(const UiRect& r, double scale) {
  const double s = SaneScale(scale);
  return {static_cast<int>(std::floor(r.left * s)), static_cast<int>(std::floor(r.top * s)),
          static_cast<int>(std::ceil(r.right * s)), static_cast<int>(std::ceil(r.bottom * s))};
}

// A device rectangle (a dirty region) as the logical pixels that cover it.
inline UiRect ToLogicalRect(const UiRect& r, double scale) {
  const double s = SaneScale(scale);
  return {static_cast<int>(std::floor(r.left / s)), static_cast<int>(std::floor(r.top / s)),
          static_cast<int>(std::ceil(r.right / s)), static_cast<int>(std::ceil(r.bottom / s))};
}

// The logical pixel a device point (mouse input) falls in.
inline UiPoint ToLogicalPoint(UiPoint device, double scale) {
  const double s = SaneScale(scale);
  return {static_cast<int>(std::floor(device.x / s)), static_cast<int>(std::floor(device.y / s))};
}

}  // namespace nimbrook::toolkit
