// The service descriptor's value cipher. Descriptor URL values are stored enciphered, two
// characters per byte; the client and the updater decipher them each time they read them, and the
// operators' tools (and the reference service) encipher them.
#pragma once

#include <string>
#include <string_view>

namespace nimbrook {

// The plain narrow text (system ANSI code page) of an enciphered value. Each pair of characters
// gives one byte; an odd last character is ignored; the text ends at the first zero byte.
std::string DecodeDescriptorValue(std::string_view enciphered);

// An enciphered text, made of ASCII letters and digits only (safe in INI files), that
// DecodeDescriptorValue turns back into plain. A zero byte cannot be represented (it would end the
// deciphered text): TryEncodeDescriptorValue then returns false and leaves enciphered unchanged.
[[nodiscard]] bool TryEncodeDescriptorValue(std::string_view plain, std::string& enciphered);

// As TryEncodeDescriptorValue; the empty text when plain holds a zero byte.
std::string EncodeDescriptorValue(std::string_view plain);

}  // namespace nimbrook
