#include "release_trust/descriptor_signature.h"

#include <vector>

#include "release_trust/release_encoding.h"

namespace nimbrook {
namespace {

constexpr size_t kPrefixLength = sizeof(kSignaturePrefix) - 1;

// The file's lines in units of 1 byte (8-bit text, a UTF-8 BOM counts as part of the first line) or
// 2 bytes (after the UTF-16LE byte-order mark).
struct Line {
  size_t start = 0;     // byte offset of the first unit
  std::string ascii;    // the content without its line end, one char per unit ('?' beyond ASCII)
};

struct Layout {
  size_t unit = 1;
  size_t firstLine = 0;  // byte offset where lines begin (after a UTF-16LE BOM)
  bool crlf = true;      // the first line end is CR LF (or there is none)
  bool endsWithLineEnd = false;
  std::vector<Line> lines;
  bool wellFormed = true;  // false for UTF-16 text of an odd length
};

bool IsUtf16Le(std::string_view bytes) {
  return bytes.size() >= 2 && static_cast<unsigned char>(bytes[0]) == 0xFF &&
         static_cast<unsigned char>(bytes[1]) == 0xFE;
}

unsigned UnitAt(std::string_view bytes, size_t offset, size_t unit) {
  unsigned value = static_cast<unsigned char>(bytes[offset]);
  if (unit == 2) value |= static_cast<unsigned>(static_cast<unsigned char>(bytes[offset + 1])) << 8;
  return value;
}

Layout Split(std::string_view bytes) {
  Layout layout;
  if (IsUtf16Le(bytes)) {
    layout.unit = 2;
    layout.firstLine = 2;
    layout.wellFormed = bytes.size() % 2 == 0;
  }
  const size_t unit = layout.unit;
  const size_t end = bytes.size() - (bytes.size() - layout.firstLine) % unit;
  bool firstEnd = true;
  Line line;
  line.start = layout.firstLine;
  for (size_t at = layout.firstLine; at < end; at += unit) {
    const unsigned c = UnitAt(bytes, at, unit);
    if (c == '\n') {
      const bool cr = !line.ascii.empty() && line.ascii.back() == '\r';
      if (cr) line.ascii.pop_back();
      if (firstEnd) layout.crlf = cr;
      firstEnd = false;
      layout.lines.push_back(std::move(line));
      line = Line{};
      line.start = at + unit;
      continue;
    }
    line.ascii.push_back(c < 0x80 ? static_cast<char>(c) : '?');
  }
  layout.endsWithLineEnd = line.start >= end && !layout.lines.empty();
  if (line.start < end) layout.lines.push_back(std::move(line));
  return layout;
}

bool IsSignatureLine(const std::string& ascii) {
  size_t i = 0;
  while (i < ascii.size() && (ascii[i] == ' ' || ascii[i] == '\t')) ++i;
  if (ascii.size() - i < kPrefixLength) return false;
  for (size_t k = 0; k < kPrefixLength; ++k) {
    char c = ascii[i + k];
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    if (c != kSignaturePrefix[k]) return false;
  }
  return true;
}

std::string Encode(std::string_view ascii, size_t unit) {
  if (unit == 1) return std::string(ascii);
  std::string out;
  for (const char c : ascii) {
    out.push_back(c);
    out.push_back('\0');
  }
  return out;
}

}  // namespace

const char* SignatureReason(SignatureStatus status) {
  switch (status) {
    case SignatureStatus::kValid: return "signature valid";
    case SignatureStatus::kMissing: return "no signature line";
    case SignatureStatus::kNotLast: return "the signature line is not the last line";
    case SignatureStatus::kDuplicated: return "more than one signature line";
    case SignatureStatus::kMalformed: return "malformed signature";
    case SignatureStatus::kMismatch: return "signature does not match";
    case SignatureStatus::kBadKey: return "the release public key is not valid";
    case SignatureStatus::kUnreadable: return "the descriptor cannot be read";
  }
  return "unknown";
}

SignatureLocation LocateSignature(std::string_view bytes) {
  SignatureLocation location;
  const Layout layout = Split(bytes);
  size_t found = 0;
  const Line* signatureLine = nullptr;
  for (const Line& line : layout.lines) {
    if (IsSignatureLine(line.ascii)) {
      ++found;
      signatureLine = &line;
    }
  }
  if (found == 0) return location;  // kMissing
  if (found > 1) {
    location.status = SignatureStatus::kDuplicated;
    return location;
  }
  if (signatureLine != &layout.lines.back()) {
    location.status = SignatureStatus::kNotLast;
    return location;
  }
  std::string_view text(signatureLine->ascii);
  // The line begins with the prefix itself; blanks may only trail.
  if (!layout.wellFormed || text.substr(0, kPrefixLength) != kSignaturePrefix) {
    location.status = SignatureStatus::kMalformed;
    return location;
  }
  text.remove_prefix(kPrefixLength);
  while (!text.empty() && (text.back() == ' ' || text.back() == '\t')) text.remove_suffix(1);
  if (!DecodeBase64Strict(text, location.signature) || location.signature.size() != kP256SignatureSize) {
    location.signature.clear();
    location.status = SignatureStatus::kMalformed;
    return location;
  }
  location.signedLength = signatureLine->start;
  location.status = SignatureStatus::kValid;
  return location;
}

SignatureStatus VerifyDescriptorSignature(std::string_view bytes, std::string_view publicKey, Crypto& crypto) {
  const SignatureLocation location = LocateSignature(bytes);
  if (location.status != SignatureStatus::kValid) return location.status;
  Sha256Digest digest{};
  if (!crypto.Sha256(bytes.substr(0, location.signedLength), digest)) return SignatureStatus::kMismatch;
  return crypto.VerifyP256(publicKey, digest, location.signature) ? SignatureStatus::kValid
                                                                   : SignatureStatus::kMismatch;
}

bool UnsignedContent(std::string_view bytes, std::string& content, std::string& error) {
  const Layout layout = Split(bytes);
  if (!layout.wellFormed) {
    error = "UTF-16 text of an odd length";
    return false;
  }
  size_t keep = bytes.size();
  size_t lines = layout.lines.size();
  if (lines > 0 && IsSignatureLine(layout.lines.back().ascii)) {
    keep = layout.lines.back().start;
    --lines;
  }
  for (size_t i = 0; i < lines; ++i) {
    if (IsSignatureLine(layout.lines[i].ascii)) {
      error = "a signature line that is not the last line (line " + std::to_string(i + 1) + ")";
      return false;
    }
  }
  content.assign(bytes.substr(0, keep));
  // The kept text ends with a line end unless its last line had none.
  const bool lastHadEnd = keep < bytes.size() || layout.endsWithLineEnd || lines == 0;
  if (!lastHadEnd) content += Encode(layout.crlf ? "\r\n" : "\n", layout.unit);
  if (content.empty() && IsUtf16Le(bytes)) content = bytes.substr(0, 2);
  return true;
}

std::string WithSignatureLine(const std::string& content, std::string_view signature) {
  const Layout layout = Split(content);
  std::string line = kSignaturePrefix + EncodeBase64Line(signature) + (layout.crlf ? "\r\n" : "\n");
  return content + Encode(line, layout.unit);
}

}  // namespace nimbrook
