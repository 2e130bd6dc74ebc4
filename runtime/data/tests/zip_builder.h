// Builds zip files byte by byte for the archive tests, independent of the
// library under test, so that entries can be made exactly as wanted (stored,
// deflated, folders, name flags) and then damaged on purpose.
#pragma once

#include <zlib.h>

#include <cstdint>
#include <fstream>
#include <stdexcept>
#include <string>
#include <vector>

class ZipBuilder {
 public:
  static constexpr int kStored = 0;
  static constexpr int kDeflated = 8;

  // `utf8Flag` sets general purpose bit 11 (the name is UTF-8); without it
  // the name bytes carry no charset, as older tools write them.
  void AddFile(const std::string& name, const std::string& data, int method = kStored,
               bool utf8Flag = false) {
    const auto crc =
        crc32(0, reinterpret_cast<const Bytef*>(data.data()), static_cast<uInt>(data.size()));
    entries_.push_back({name, method == kDeflated ? Deflate(data) : data,
                        static_cast<std::uint32_t>(crc), static_cast<std::uint32_t>(data.size()),
                        method, utf8Flag, 0100644});
  }
  void AddFolder(const std::string& name) {
    entries_.push_back({name, "", 0, 0, kStored, false, 040755});
  }

  // Makes the last entry's headers declare `size` uncompressed bytes
  // whatever its data holds, as a lying archive would.
  void DeclareSize(std::uint32_t size) { entries_.back().size = size; }
  // The same through a zip64 extra field (both header sizes 0xffffffff), so
  // that sizes beyond 4 GiB can be declared.
  void DeclareZip64Size(std::uint64_t size) {
    entries_.back().zip64 = true;
    entries_.back().size64 = size;
  }

  // Without the central directory the archive holds local headers only, as
  // a stream or a cut-off download does.
  std::string Build(bool centralDirectory = true) {
    std::string out;
    for (auto& entry : entries_) {
      entry.headerOffset = out.size();
      Put(out, 0x04034B50, 4);
      PutCommon(out, entry);
      Put(out, entry.zip64 ? 20 : 0, 2);  // extra length
      out += entry.name;
      PutZip64(out, entry);
      entry.dataOffset = out.size();
      out += entry.body;
    }
    if (!centralDirectory) return out;
    const std::size_t directoryOffset = out.size();
    for (const auto& entry : entries_) {
      Put(out, 0x02014B50, 4);
      Put(out, (3 << 8) | 20, 2);  // made by Unix, so the mode below counts
      PutCommon(out, entry);
      Put(out, entry.zip64 ? 20 : 0, 2);  // extra length
      Put(out, 0, 6);                     // comment length, disk, internal attributes
      Put(out, (entry.mode << 16) | (entry.mode & 040000 ? 0x10 : 0), 4);
      Put(out, entry.headerOffset, 4);
      out += entry.name;
      PutZip64(out, entry);
    }
    const std::size_t directorySize = out.size() - directoryOffset;
    Put(out, 0x06054B50, 4);
    Put(out, 0, 4);  // disk numbers
    Put(out, entries_.size(), 2);
    Put(out, entries_.size(), 2);
    Put(out, directorySize, 4);
    Put(out, directoryOffset, 4);
    Put(out, 0, 2);
    return out;
  }

  // Where entry `index`'s stored bytes begin in the last Build(), and how many.
  std::size_t DataOffset(std::size_t index) const { return entries_.at(index).dataOffset; }
  std::size_t DataSize(std::size_t index) const { return entries_.at(index).body.size(); }

  void Write(const std::string& path, bool centralDirectory = true) {
    std::ofstream(path, std::ios::binary) << Build(centralDirectory);
  }

 private:
  struct Entry {
    std::string name;
    std::string body;  // as stored (compressed for deflate)
    std::uint32_t crc, size;
    int method;
    bool utf8;
    std::uint32_t mode;
    bool zip64 = false;
    std::uint64_t size64 = 0;  // the declared size when zip64
    std::size_t headerOffset = 0, dataOffset = 0;
  };

  static std::string Deflate(const std::string& data) {
    z_stream stream{};
    if (deflateInit2(&stream, Z_DEFAULT_COMPRESSION, Z_DEFLATED, -15, 8, Z_DEFAULT_STRATEGY) !=
        Z_OK)
      throw std::runtime_error("deflateInit2");
    std::string out(deflateBound(&stream, data.size()), '\0');
    stream.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(data.data()));
    stream.avail_in = static_cast<uInt>(data.size());
    stream.next_out = reinterpret_cast<Bytef*>(out.data());
    stream.avail_out = static_cast<uInt>(out.size());
    if (deflate(&stream, Z_FINISH) != Z_STREAM_END) throw std::runtime_error("deflate");
    out.resize(stream.total_out);
    deflateEnd(&stream);
    return out;
  }

  // Little-endian, `bytes` long.
  static void Put(std::string& out, std::uint64_t value, int bytes) {
    for (int i = 0; i < bytes; ++i) out.push_back(static_cast<char>((value >> (8 * i)) & 0xFF));
  }
  // The fields local and central headers share, from "version needed" on.
  static void PutCommon(std::string& out, const Entry& entry) {
    Put(out, 20, 2);
    Put(out, entry.utf8 ? 0x800 : 0, 2);
    Put(out, static_cast<std::uint32_t>(entry.method), 2);
    Put(out, 0x6000, 2);  // 12:00
    Put(out, ((2024 - 1980) << 9) | (5 << 5) | 17, 2);
    Put(out, entry.crc, 4);
    Put(out, entry.zip64 ? 0xFFFFFFFF : entry.body.size(), 4);
    Put(out, entry.zip64 ? 0xFFFFFFFF : entry.size, 4);
    Put(out, entry.name.size(), 2);
  }
  // The zip64 extra field: uncompressed, then compressed size.
  static void PutZip64(std::string& out, const Entry& entry) {
    if (!entry.zip64) return;
    Put(out, 0x0001, 2);
    Put(out, 16, 2);
    Put(out, entry.size64, 8);
    Put(out, entry.body.size(), 8);
  }

  std::vector<Entry> entries_;
};
