// A tiny zip writer for the tests: stored and deflated entries, with the offsets of every header kept
// so a test can corrupt exactly the field it means to.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace nimbrook::toolkit::testing {

class ZipWriter {
 public:
  struct Placed {
    size_t localHeader = 0;
    size_t data = 0;
    size_t centralHeader = 0;  // known after Finish
    size_t compressedSize = 0;
  };

  // method 0 stores, 8 deflates.
  void Add(const std::string& name, const std::string& data, uint16_t method = 8);
  // Central directory and end record; returns the whole archive.
  std::string Finish(const std::string& comment = "");

  const std::vector<Placed>& Entries() const { return placed_; }
  size_t EndRecord() const { return endRecord_; }
  size_t CentralDirectory() const { return central_; }

 private:
  struct Item {
    std::string name;
    uint16_t method;
    uint32_t crc;
    uint32_t size;
    uint32_t compressedSize;
  };
  std::string bytes_;
  std::vector<Item> items_;
  std::vector<Placed> placed_;
  size_t central_ = 0;
  size_t endRecord_ = 0;
};

// Raw deflate of data (no zlib header), as zip method 8 stores it.
std::string RawDeflate(const std::string& data);

// Little-endian field writes into an archive being mutated.
void Put16(std::string& bytes, size_t at, uint16_t value);
void Put32(std::string& bytes, size_t at, uint32_t value);

}  // namespace nimbrook::toolkit::testing
