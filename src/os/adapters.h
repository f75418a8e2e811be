// The network adapters as the IP Helper's adapter list reports them: system name (the GUID name),
// and IPv4 addresses in list order. Used to find the address the tunnel adapter was given.
#pragma once

#include <string>
#include <vector>

namespace nimbrook::os {

struct AdapterRecord {
  std::string name;                      // AdapterName, e.g. "{4D36E972-E325-11CE-BFC1-08002BE10318}"
  std::string description;
  std::vector<std::string> ipAddresses;  // dotted IPv4 texts, first entry first
};

// GetAdaptersInfo on Windows (a first try with 648 bytes, one retry with the size it asks for).
// Empty when the list cannot be read. Natively always empty: Linux interfaces have no GUID names that
// the tunnel code could look for.
std::vector<AdapterRecord> ListAdapters();

}  // namespace nimbrook::os
