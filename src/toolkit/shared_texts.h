// Texts that many controls repeat — control names and image texts of rows built alike — kept once
// for the whole process; a control holds a pointer to the kept copy instead of a copy of its own.
// Both sets are small and closed in practice (the names and images of the layouts and the row
// builders), so entries are never dropped and their addresses stay valid for the process's life.
#pragma once

#include <string>

#include "toolkit/ui_types.h"

namespace nimbrook::toolkit {

// The kept copy of a name (the empty name included).
const std::wstring& SharedName(const std::wstring& name);

// An image text together with what it reads as.
struct SharedImage {
  std::wstring text;
  ImageSpec spec;
};

// The kept image for a text, read once; null when the text does not read as an image (then nothing
// is kept). The empty text gives an empty image.
const SharedImage* SharedImageFor(const std::wstring& text);

}  // namespace nimbrook::toolkit
