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
    Add(name, data, method, utf8Flag, 0100644);
  }
  void AddFolder(const std::string& name) { Add(name, "", kStored, false, 040755); }

  std::string Build() {
    std::string out;
    for (auto& entry : entries_) {
      entry.headerOffset = out.size();
      Put32(out, 0x04034B50);
      PutCommon(out, entry);
      Put16(out, 0);  // extra length
      out += entry.name;
      entry.dataOffset = out.size();
      out += entry.body;
    }
    const std::size_t directoryOffset = out.size();
    for (const auto& entry : entries_) {
      Put32(out, 0x02014B50);
      Put16(out, (3 << 8) | 20);  // made by Unix, so the mode below counts
      PutCommon(out, entry);
      Put16(out, 0);  // extra length
      Put16(out, 0);  // comment length
      Put16(out, 0);  // disk
      Put16(out, 0);  // internal attributes
      Put32(out, (entry.mode << 16) | (entry.mode & 040000 ? 0x10 : 0));
      Put32(out, static_cast<std::uint32_t>(entry.headerOffset));
      out += entry.name;
    }
    const auto directorySize = static_cast<std::uint32_t>(out.size() - directoryOffset);
    Put32(out, 0x06054B50);
    Put16(out, 0);
    Put16(out, 0);
    Put16(out, static_cast<std::uint16_t>(entries_.size()));
    Put16(out, static_cast<std::uint16_t>(entries_.size()));
    Put32(out, directorySize);
    Put32(out, static_cast<std::uint32_t>(directoryOffset));
    Put16(out, 0);
    return out;
  }

  // Where entry `index`'s stored bytes begin in the last Build(), and how many.
  std::size_t DataOffset(std::size_t index) const { return entries_.at(index).dataOffset; }
  std::size_t DataSize(std::size_t index) const { return entries_.at(index).body.size(); }

  void Write(const std::string& path) { std::ofstream(path, std::ios::binary) << Build(); }

 private:
  struct Entry {
    std::string name;
    std::string body;  // as stored (compressed for deflate)
    std::uint32_t crc = 0;
    std::uint32_t size = 0;
    int method = kStored;
    bool utf8 = false;
    std::uint32_t mode = 0;
    std::size_t headerOffset = 0;
    std::size_t dataOffset = 0;
  };

  void Add(const std::string& name, const std::string& data, int method, bool utf8,
           std::uint32_t mode) {
    Entry entry;
    entry.name = name;
    entry.crc = static_cast<std::uint32_t>(
        crc32(0, reinterpret_cast<const Bytef*>(data.data()), static_cast<uInt>(data.size())));
    entry.size = static_cast<std::uint32_t>(data.size());
    entry.method = method;
    entry.utf8 = utf8;
    entry.mode = mode;
    entry.body = method == kDeflated ? Deflate(data) : data;
    entries_.push_back(entry);
  }

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

  static void Put16(std::string& out, std::uint32_t value) {
    out.push_back(static_cast<char>(value & 0xFF));
    out.push_back(static_cast<char>((value >> 8) & 0xFF));
  }
  static void Put32(std::string& out, std::uint32_t value) {
    Put16(out, value & 0xFFFF);
    Put16(out, value >> 16);
  }
  // The fields local and central headers share, from "version needed" on.
  static void PutCommon(std::string& out, const Entry& entry) {
    Put16(out, 20);
    Put16(out, entry.utf8 ? 0x800 : 0);
    Put16(out, static_cast<std::uint32_t>(entry.method));
    Put16(out, 0x6000);  // 12:00
    Put16(out, ((2024 - 1980) << 9) | (5 << 5) | 17);
    Put32(out, entry.crc);
    Put32(out, static_cast<std::uint32_t>(entry.body.size()));
    Put32(out, entry.size);
    Put16(out, static_cast<std::uint32_t>(entry.name.size()));
  }

  std::vector<Entry> entries_;
};
