// The service descriptor "version.ini", made from the plain values of the data directory:
// data/descriptor/urls.ini holds the URL and NOTIFY sections in plain text, with the placeholders
// {base} (the service's own address) and {release} (the release served); data/releases/<name>.ini
// may override any of them for one release. URL values are enciphered when served; FILES lists the
// release's files with their stamps, DIGESTS their SHA-256. Served as UTF-16LE with a byte-order
// mark, which the client's wide profile API reads correctly whatever the system code page, and signed
// with the test key data/signing/release-key.pem (a release may name another key, or none).
#pragma once

#include <string>
#include <utility>
#include <vector>

#include "service_config.h"

namespace nimbrook::service {

using KeyValues = std::vector<std::pair<std::string, std::string>>;

struct DescriptorContent {
  KeyValues urls;    // plain values, placeholders replaced
  KeyValues notify;  // NOTIFY section
  KeyValues files;   // release file name -> stamp
  KeyValues digests; // release file name -> SHA-256 (lower-case hex)
  std::string signingKey;  // file under data/signing; empty: served unsigned
};

inline constexpr char kDefaultSigningKey[] = "release-key.pem";

// Gathers the descriptor of a release. False with an error text when the plain values or the
// release cannot be read.
[[nodiscard]] bool LoadDescriptor(const ServiceConfig& config, const std::string& baseUrl, const std::string& release,
                                  DescriptorContent& content, std::string& error);

// Only the plain URL and NOTIFY values of a release (no file stamps).
[[nodiscard]] bool LoadPlainValues(const ServiceConfig& config, const std::string& baseUrl, const std::string& release,
                                   DescriptorContent& content, std::string& error);

// The INI text (UTF-8, CR LF line ends) with every URL value enciphered.
std::string RenderDescriptor(const DescriptorContent& content);

// bytes (a rendered descriptor in the encoding it is served in) with the signature line of the
// content's key appended; unchanged when it names none. False with an error text when the key file
// cannot be read or used.
[[nodiscard]] bool SignServedDescriptor(const ServiceConfig& config, const DescriptorContent& content,
                                        std::string& bytes, std::string& error);

// UTF-8 text as UTF-16LE bytes with the byte-order mark FF FE.
std::string Utf8ToUtf16LeWithBom(const std::string& utf8);

// Replaces "{base}" and "{release}" in a plain value.
std::string ExpandPlaceholders(std::string value, const std::string& baseUrl, const std::string& release);

// The request paths under which the current descriptor is served: the paths of the versionURL
// items that address this service ("{base}/clientupdate/release/version.ini" -> that path).
std::vector<std::string> DescriptorPaths(const KeyValues& urls, const std::string& baseUrl);

}  // namespace nimbrook::service
