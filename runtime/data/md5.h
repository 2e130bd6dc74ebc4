// MD5 message digest (RFC 1321), for file fingerprints.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>

class Md5 {
 public:
  Md5() { Reset(); }
  void Reset();
  void Add(const void* data, std::size_t size);
  // The digest of everything added; the state must be Reset before reuse.
  std::array<std::uint8_t, 16> Finish();

 private:
  void Blocks(const std::uint8_t* data, std::size_t count);

  std::uint32_t state_[4];
  std::uint64_t length_;  // bytes added
  std::uint8_t pending_[64];
  std::size_t pendingSize_;
};
