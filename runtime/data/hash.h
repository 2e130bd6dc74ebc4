// File fingerprints through registered digest plugins.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

// A digest algorithm: start makes a state (nullptr on failure), add feeds
// bytes, finish writes the digest (at most kHashMaxDigest bytes) and returns
// its length, free releases the state.
inline constexpr std::size_t kHashMaxDigest = 64;
struct HashPlugin {
  std::int64_t id = 0;
  void* (*start)() = nullptr;
  void (*add)(void* state, const unsigned char* data, std::size_t size) = nullptr;
  std::size_t (*finish)(void* state, unsigned char* digest) = nullptr;
  void (*free)(void* state) = nullptr;
};

inline constexpr std::int64_t kHashMd5 = 1;

// Adds a plugin; an id already registered keeps its first plugin. 0 when the
// registry (64 plugins) is full or the plugin is incomplete.
std::int64_t Hash_Register(const HashPlugin& plugin);

// Registers MD5 as plugin 1; repeating it changes nothing.
void Hash_UseMd5();

// A digest fed piece by piece, for readers that hash the bytes they read
// anyway. Hash_Begin gives nullptr for an unknown plugin or without memory;
// Hash_End returns the digest as Hash_File writes it and frees the stream;
// Hash_Free drops a stream unfinished. A stream is used by one thread at a time.
struct HashStream;
HashStream* Hash_Begin(std::int64_t plugin = kHashMd5);
void Hash_Add(HashStream* stream, const void* data, std::size_t size);
std::u16string Hash_End(HashStream* stream);
void Hash_Free(HashStream* stream);

// The digest of length bytes (-1: to the end) from offset on, as lowercase
// hexadecimal; empty for an unknown plugin or a file that cannot be read.
// The file is opened sharing reading, so a file open through File_ is refused.
std::u16string Hash_File(const std::u16string& path, std::int64_t plugin = kHashMd5,
                         std::int64_t offset = 0, std::int64_t length = -1);
