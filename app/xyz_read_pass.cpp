#include "app/xyz_read_pass.h"

#include <algorithm>
#include <memory>
#include <new>

#include "runtime/data/file.h"
#include "runtime/data/hash.h"
#include "runtime/system/condition.h"
#include "runtime/system/mutex.h"
#include "runtime/system/thread.h"

namespace {

// Chunks in flight between the reading (and parsing) thread and the digest.
constexpr std::int64_t kSlots = 4;

using Buffer = std::unique_ptr<unsigned char[]>;

Buffer NewBuffer(std::size_t chunkBytes) {
  return Buffer(new (std::nothrow) unsigned char[chunkBytes + kXyzScanPadding]);
}

// What the reader and the digest thread share. Shared ownership: the
// digest thread may still be leaving when the reader has its result (the
// runtime's threads cannot be joined), so the last of the two frees it.
struct DigestPipe {
  RtMutex* mutex = nullptr;
  RtCondition* changed = nullptr;
  Buffer slots[kSlots];
  std::size_t sizes[kSlots] = {};
  // Under mutex:
  std::int64_t published = 0;  // chunks handed to the digest
  std::int64_t digested = 0;
  bool ended = false;            // no more chunks will come
  bool abandoned = false;        // the result is not wanted
  bool finished = false;         // digest holds the result; the thread touches nothing else
  HashStream* stream = nullptr;  // the digest thread's from its start
  std::u16string digest;

  ~DigestPipe() {
    Hash_Free(stream);
    Cnd_Free(changed);
    Mtx_Free(mutex);
  }
};

void DigestLoop(std::int64_t argument) {
  const std::unique_ptr<std::shared_ptr<DigestPipe>> holder(
      reinterpret_cast<std::shared_ptr<DigestPipe>*>(argument));
  DigestPipe& pipe = **holder;
  Mtx_Lock(pipe.mutex);
  for (;;) {
    while (pipe.digested == pipe.published && !pipe.ended) Cnd_Wait(pipe.changed, pipe.mutex);
    if (pipe.abandoned || pipe.digested == pipe.published) break;
    const std::int64_t slot = pipe.digested % kSlots;
    Mtx_Unlock(pipe.mutex);
    Hash_Add(pipe.stream, pipe.slots[slot].get(), pipe.sizes[slot]);
    Mtx_Lock(pipe.mutex);
    ++pipe.digested;
    Cnd_Broadcast(pipe.changed);
  }
  if (!pipe.abandoned)
    pipe.digest = Hash_End(pipe.stream);
  else
    Hash_Free(pipe.stream);
  pipe.stream = nullptr;
  pipe.finished = true;
  Cnd_Broadcast(pipe.changed);
  Mtx_Unlock(pipe.mutex);
}

// Starts the digest thread over `pipe`; false when it cannot (the caller
// then digests on its own thread).
bool StartDigest(const std::shared_ptr<DigestPipe>& pipe, std::size_t chunkBytes) {
  pipe->mutex = Mtx_Create();
  pipe->changed = Cnd_Create();
  if (!pipe->mutex || !pipe->changed) return false;
  for (Buffer& slot : pipe->slots) {
    slot = NewBuffer(chunkBytes);
    if (!slot) return false;
  }
  auto* holder = new (std::nothrow) std::shared_ptr<DigestPipe>(pipe);
  if (!holder) return false;
  if (Thr_Create(DigestLoop, reinterpret_cast<std::int64_t>(holder)) == 0) {
    delete holder;
    return false;
  }
  return true;
}

// Ends the digest thread's work: waits for the digest, or abandons it.
std::u16string EndDigest(DigestPipe& pipe, bool wanted) {
  Mtx_Lock(pipe.mutex);
  pipe.ended = true;
  pipe.abandoned = !wanted;
  Cnd_Broadcast(pipe.changed);
  while (wanted && !pipe.finished) Cnd_Wait(pipe.changed, pipe.mutex);
  std::u16string digest = wanted ? pipe.digest : std::u16string();
  Mtx_Unlock(pipe.mutex);
  return digest;
}

// Room for as many points per byte as the first chunk had, and a little
// more: growing the list by doubling would copy it and touch fresh pages
// several times over.
void ReserveLikeTheFirstChunk(XyzScanner& scan, std::size_t chunkBytes) {
  const double perByte = static_cast<double>(scan.points.size()) / static_cast<double>(chunkBytes);
  const double expected = perByte * static_cast<double>(scan.length) * 1.02 + 1024;
  if (expected < 1e9) {
    try {
      scan.points.reserve(static_cast<std::size_t>(expected));
    } catch (const std::bad_alloc&) {
      // Then the list grows as it goes.
    }
  }
}

// Files over 1 MiB are read 1 MiB at a time, as the fingerprint reads
// them; smaller ones in quarters (in whole pages, at least 64 KiB), so that
// a tile of a few hundred KiB is digested and parsed at the same time too.
std::size_t ChunkFor(std::int64_t length) {
  if (length > static_cast<std::int64_t>(kXyzChunkBytes)) return kXyzChunkBytes;
  const auto quarter =
      static_cast<std::size_t>(std::max<std::int64_t>(length, 0) / 4) & ~std::size_t{4095};
  return std::max(quarter, kXyzMinChunkBytes);
}

// Closes the file however the read ends.
struct FileCloser {
  ObjectHandle file;
  ~FileCloser() { File_Close(file); }
};

}  // namespace

bool ReadXyzOnce(const std::u16string& path, XyzSeparator separator, XyzReadResult* result,
                 void (*show)(std::int64_t figure), std::size_t chunkBytes) {
  result->key.clear();
  result->scan = XyzScanner{};
  result->shown = 0;
  const auto showNew = [show, result] {
    if (show)
      for (; result->shown < result->scan.progress.size(); ++result->shown)
        show(result->scan.progress[result->shown]);
  };
  XyzScanner& scan = result->scan;
  scan.separator = separator;

  const ObjectHandle file = File_OpenRead(KX_Any, path);
  if (!file) return false;
  const FileCloser closer{file};
  if (File_IsDevice(file)) return false;  // /dev/zero would be read forever
  scan.length = File_Length(file);
  if (chunkBytes == 0) chunkBytes = ChunkFor(scan.length);

  std::unique_ptr<HashStream, void (*)(HashStream*)> stream(Hash_Begin(kHashMd5), Hash_Free);
  if (!stream) return false;
  // One chunk or less: nothing to overlap, no thread.
  std::shared_ptr<DigestPipe> pipe;
  if (scan.length > static_cast<std::int64_t>(chunkBytes)) {
    pipe = std::shared_ptr<DigestPipe>(new (std::nothrow) DigestPipe);
    if (pipe) pipe->stream = stream.get();
    if (pipe && StartDigest(pipe, chunkBytes)) {
      stream.release();  // the digest thread's now
    } else {
      if (pipe) pipe->stream = nullptr;
      pipe.reset();
    }
  }
  Buffer own;
  if (!pipe && !(own = NewBuffer(chunkBytes))) return false;

  bool ok = true;
  std::int64_t total = 0;
  for (std::int64_t i = 0;; ++i) {
    unsigned char* data = own.get();
    if (pipe) {  // wait until the digest is done with the slot
      Mtx_Lock(pipe->mutex);
      while (i - pipe->digested >= kSlots) Cnd_Wait(pipe->changed, pipe->mutex);
      Mtx_Unlock(pipe->mutex);
      data = pipe->slots[i % kSlots].get();
    }
    const std::int64_t got = File_ReadData(file, data, static_cast<std::int64_t>(chunkBytes));
    if (File_Error(file)) {
      ok = false;
      break;
    }
    const auto size = static_cast<std::size_t>(got);
    total += got;
    if (pipe) {
      Mtx_Lock(pipe->mutex);
      pipe->sizes[i % kSlots] = size;
      pipe->published = i + 1;
      Cnd_Broadcast(pipe->changed);
      Mtx_Unlock(pipe->mutex);
    } else {
      Hash_Add(stream.get(), data, size);
    }
    if (!XyzScan_Chunk(scan, data, size)) {
      ok = false;
      break;
    }
    showNew();
    if (size < chunkBytes) break;
    if (i == 0) ReserveLikeTheFirstChunk(scan, chunkBytes);
  }
  // A file cut short while it was read would pass for a smaller whole one.
  ok = ok && total >= scan.length && XyzScan_Finish(scan);
  if (ok) showNew();
  result->key = pipe ? EndDigest(*pipe, ok) : (ok ? Hash_End(stream.release()) : std::u16string());
  return ok && !result->key.empty();
}
