#include "toolkit/tests/zip_writer_support.h"

#include <zlib.h>

#include <stdexcept>

namespace nimbrook::toolkit::testing {
namespace {

void Append16(std::string& out, uint16_t v) {
  out.push_back(static_cast<char>(v & 0xFF));
  out.push_back(static_cast<char>(v >> 8));
}

void Append32(std::string& out, uint32_t v) {
  for (int i = 0; i < 4; ++i) out.push_back(static_cast<char>((v >> (8 * i)) & 0xFF));
}

}  // namespace

std::string RawDeflate(const std::string& data) {
  z_stream stream{};
  if (deflateInit2(&stream, Z_BEST_COMPRESSION, Z_DEFLATED, -MAX_WBITS, 8, Z_DEFAULT_STRATEGY) != Z_OK) {
    throw std::runtime_error("deflateInit2");
  }
  std::string out(deflateBound(&stream, static_cast<uLong>(data.size())), '\0');
  stream.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(data.data()));
  stream.avail_in = static_cast<uInt>(data.size());
  stream.next_out = reinterpret_cast<Bytef*>(out.data());
  stream.avail_out = static_cast<uInt>(out.size());
  const int status = deflate(&stream, Z_FINISH);
  out.resize(stream.total_out);
  deflateEnd(&stream);
  if (status != Z_STREAM_END) throw std::runtime_error("deflate");
  return out;
}

void Put16(std::string& bytes, size_t at, uint16_t value) {
  bytes.at(at) = static_cast<char>(value & 0xFF);
  bytes.at(at + 1) = static_cast<char>(value >> 8);
}

void Put32(std::string& bytes, size_t at, uint32_t value) {
  for (int i = 0; i < 4; ++i) bytes.at(at + i) = static_cast<char>((value >> (8 * i)) & 0xFF);
}

void ZipWriter::Add(const std::string& name, const std::string& data, uint16_t method) {
  const std::string packed = method == 8 ? RawDeflate(data) : data;
  Item item{name, method,
            static_cast<uint32_t>(crc32(0L, reinterpret_cast<const Bytef*>(data.data()), static_cast<uInt>(data.size()))),
            static_cast<uint32_t>(data.size()), static_cast<uint32_t>(packed.size())};
  Placed placed;
  placed.localHeader = bytes_.size();
  Append32(bytes_, 0x04034b50);
  Append16(bytes_, 20);
  Append16(bytes_, 0);
  Append16(bytes_, method);
  Append16(bytes_, 0);
  Append16(bytes_, 0x21);
  Append32(bytes_, item.crc);
  Append32(bytes_, item.compressedSize);
  Append32(bytes_, item.size);
  Append16(bytes_, static_cast<uint16_t>(name.size()));
  Append16(bytes_, 0);
  bytes_ += name;
  placed.data = bytes_.size();
  placed.compressedSize = packed.size();
  bytes_ += packed;
  items_.push_back(item);
  placed_.push_back(placed);
}

std::string ZipWriter::Finish(const std::string& comment) {
  central_ = bytes_.size();
  for (size_t i = 0; i < items_.size(); ++i) {
    const Item& item = items_[i];
    placed_[i].centralHeader = bytes_.size();
    Append32(bytes_, 0x02014b50);
    Append16(bytes_, 20);
    Append16(bytes_, 20);
    Append16(bytes_, 0);
    Append16(bytes_, item.method);
    Append16(bytes_, 0);
    Append16(bytes_, 0x21);
    Append32(bytes_, item.crc);
    Append32(bytes_, item.compressedSize);
    Append32(bytes_, item.size);
    Append16(bytes_, static_cast<uint16_t>(item.name.size()));
    Append16(bytes_, 0);
    Append16(bytes_, 0);
    Append16(bytes_, 0);
    Append16(bytes_, 0);
    Append32(bytes_, 0);
    Append32(bytes_, static_cast<uint32_t>(placed_[i].localHeader));
    bytes_ += item.name;
  }
  const size_t centralSize = bytes_.size() - central_;
  endRecord_ = bytes_.size();
  Append32(bytes_, 0x06054b50);
  Append16(bytes_, 0);
  Append16(bytes_, 0);
  Append16(bytes_, static_cast<uint16_t>(items_.size()));
  Append16(bytes_, static_cast<uint16_t>(items_.size()));
  Append32(bytes_, static_cast<uint32_t>(centralSize));
  Append32(bytes_, static_cast<uint32_t>(central_));
  Append16(bytes_, static_cast<uint16_t>(comment.size()));
  bytes_ += comment;
  return bytes_;
}

}  // namespace nimbrook::toolkit::testing
