#include "runtime/data/hash.h"

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <memory>
#include <mutex>
#include <new>
#include <vector>

#include "runtime/data/file_record.h"
#include "runtime/data/locked_fd.h"
#include "runtime/data/md5.h"
#include "runtime/data/utf.h"

namespace {

constexpr std::size_t kMaxPlugins = 64;
constexpr std::int64_t kChunk = 1 << 20;

struct Registry {
  std::mutex mutex;
  std::vector<HashPlugin> plugins;
};

Registry& Plugins() {
  static Registry registry;
  return registry;
}

bool FindPlugin(std::int64_t id, HashPlugin* found) {
  Registry& r = Plugins();
  std::lock_guard lock(r.mutex);
  for (const HashPlugin& p : r.plugins) {
    if (p.id == id) {
      *found = p;
      return true;
    }
  }
  return false;
}

void* Md5Start() { return new (std::nothrow) Md5; }
void Md5Add(void* state, const unsigned char* data, std::size_t size) {
  static_cast<Md5*>(state)->Add(data, size);
}
std::size_t Md5Finish(void* state, unsigned char* digest) {
  const auto bytes = static_cast<Md5*>(state)->Finish();
  std::copy(bytes.begin(), bytes.end(), digest);
  return bytes.size();
}
void Md5Free(void* state) { delete static_cast<Md5*>(state); }

std::u16string HexText(const unsigned char* bytes, std::size_t size) {
  static constexpr char16_t kHex[] = u"0123456789abcdef";
  std::u16string text;
  text.reserve(size * 2);
  for (std::size_t i = 0; i < size; ++i) {
    text.push_back(kHex[bytes[i] >> 4]);
    text.push_back(kHex[bytes[i] & 15]);
  }
  return text;
}

}  // namespace

struct HashStream {
  HashPlugin plugin;
  void* state = nullptr;
  ~HashStream() {
    if (state) plugin.free(state);
  }
};

std::int64_t Hash_Register(const HashPlugin& plugin) {
  if (!plugin.start || !plugin.add || !plugin.finish || !plugin.free) return 0;
  Registry& r = Plugins();
  std::lock_guard lock(r.mutex);
  for (const HashPlugin& p : r.plugins)
    if (p.id == plugin.id) return 1;
  if (r.plugins.size() >= kMaxPlugins) return 0;
  r.plugins.push_back(plugin);
  return 1;
}

void Hash_UseMd5() { Hash_Register({kHashMd5, Md5Start, Md5Add, Md5Finish, Md5Free}); }

HashStream* Hash_Begin(std::int64_t id) {
  HashPlugin plugin;
  if (!FindPlugin(id, &plugin)) return nullptr;
  std::unique_ptr<HashStream> stream(new (std::nothrow) HashStream{plugin});
  if (!stream) return nullptr;
  stream->state = plugin.start();
  return stream->state ? stream.release() : nullptr;
}

void Hash_Add(HashStream* stream, const void* data, std::size_t size) {
  if (stream && size > 0)
    stream->plugin.add(stream->state, static_cast<const unsigned char*>(data), size);
}

std::u16string Hash_End(HashStream* stream) {
  if (!stream) return {};
  const std::unique_ptr<HashStream> owned(stream);
  unsigned char digest[kHashMaxDigest];
  const std::size_t size = std::min(stream->plugin.finish(stream->state, digest), kHashMaxDigest);
  return HexText(digest, size);
}

void Hash_Free(HashStream* stream) { delete stream; }

std::u16string Hash_File(const std::u16string& path, std::int64_t id, std::int64_t offset,
                         std::int64_t length) {
  HashPlugin plugin;
  if (!FindPlugin(id, &plugin)) return {};
  const LockedFd file = LockedFd::Open(PathToSystem(path), O_RDONLY, FileShare::kRead);
  if (!file) return {};
  std::unique_ptr<unsigned char[]> buffer(new (std::nothrow) unsigned char[kChunk]);
  if (!buffer) return {};
  // The plugin starts only once there is something to digest.
  std::unique_ptr<HashStream> stream(Hash_Begin(id));
  if (!stream) return {};

  if (offset > 0 && ::lseek(file.fd(), offset, SEEK_SET) < 0) return {};
  std::int64_t left = length < 0 ? -1 : length;
  bool failed = false;
  while (left != 0) {
    const std::int64_t want = left < 0 ? kChunk : std::min(left, kChunk);
    const std::int64_t got = ReadFully(file.fd(), buffer.get(), want, &failed);
    if (failed) return {};  // a digest of part of the file would pass for the whole
    Hash_Add(stream.get(), buffer.get(), static_cast<std::size_t>(got));
    if (left > 0) left -= got;
    if (got < kChunk) break;
  }
  return Hash_End(stream.release());
}
