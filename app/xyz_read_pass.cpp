#include "app/xyz_read_pass.h"

#include <algorithm>
#include <functional>
#include <memory>
#include <new>
#include <system_error>
#include <thread>
#include <utility>

#include "runtime/data/file.h"
#include "runtime/data/hash.h"
#include "runtime/system/condition.h"
#include "runtime/system/mutex.h"

namespace {

// Chunks in flight between the reading (and parsing) thread and the digest.
constexpr std::int64_t kSlots = 4;

using Buffer = std::unique_ptr<unsigned char[]>;

Buffer NewBuffer(std::size_t chunkBytes) {
  return Buffer(new (std::nothrow) unsigned char[chunkBytes + kXyzScanPadding]);
}

struct DigestPipe;
std::u16string EndDigest(DigestPipe& pipe, bool wanted);

// What the reader and the digest thread share; the reader owns it and
// joins the thread before it goes.
struct DigestPipe {
  RtMutex* mutex = nullptr;
  RtCondition* changed = nullptr;
  Buffer slots[kSlots];
  std::size_t sizes[kSlots] = {};
  std::thread thread;
  // Under mutex:
  std::int64_t published = 0;  // chunks handed to the digest
  std::int64_t digested = 0;
  bool ended = false;            // no more chunks will come
  bool abandoned = false;        // the result is not wanted
  HashStream* stream = nullptr;  // the digest thread's while it runs
  std::u16string digest;

  ~DigestPipe() {
    if (thread.joinable()) EndDigest(*this, false);
    Hash_Free(stream);
    Cnd_Free(changed);
    Mtx_Free(mutex);
  }
};

void DigestLoop(DigestPipe& pipe) {
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
  if (!pipe.abandoned) {
    pipe.digest = Hash_End(pipe.stream);
    pipe.stream = nullptr;
  }
  Mtx_Unlock(pipe.mutex);
}

// Starts the digest thread over `pipe`; false when it cannot (the caller
// then digests on its own thread).
bool StartDigest(DigestPipe& pipe, std::size_t chunkBytes) {
  pipe.mutex = Mtx_Create();
  pipe.changed = Cnd_Create();
  if (!pipe.mutex || !pipe.changed) return false;
  for (Buffer& slot : pipe.slots) {
    slot = NewBuffer(chunkBytes);
    if (!slot) return false;
  }
  try {
    pipe.thread = std::thread(DigestLoop, std::ref(pipe));
  } catch (const std::system_error&) {
    return false;
  }
  return true;
}

// Ends the digest thread's work and joins it: the digest, or nothing when
// it is not wanted.
std::u16string EndDigest(DigestPipe& pipe, bool wanted) {
  Mtx_Lock(pipe.mutex);
  pipe.ended = true;
  pipe.abandoned = !wanted;
  Cnd_Broadcast(pipe.changed);
  Mtx_Unlock(pipe.mutex);
  pipe.thread.join();
  return wanted ? pipe.digest : std::u16string();
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
      if (scan.wants.heights) scan.heights.reserve(static_cast<std::size_t>(expected));
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

bool ReadXyzOnce(const std::u16string& path, const XyzReadOptions& options, XyzReadResult* result,
                 const XyzFigureSink* sink, std::size_t chunkBytes, XyzWants wants,
                 const XyzPointDrain* drain) {
  result->key.clear();
  result->scan = XyzScanner{};
  result->shown = 0;
  const auto showNew = [sink, result] {
    if (sink)
      for (; result->shown < result->scan.progress.size(); ++result->shown)
        sink->show(sink->context, result->scan.progress[result->shown]);
  };
  XyzScanner& scan = result->scan;
  scan.separator = options.separator;
  scan.byteOrderMark = options.skipByteOrderMark ? 0 : -1;
  scan.wants = wants;

  const ObjectHandle file = File_OpenRead(KX_Any, path);
  if (!file) return false;
  const FileCloser closer{file};
  if (File_IsDevice(file)) return false;  // /dev/zero would be read forever
  scan.length = File_Length(file);
  if (chunkBytes == 0) chunkBytes = ChunkFor(scan.length);

  std::unique_ptr<HashStream, void (*)(HashStream*)> stream(Hash_Begin(kHashMd5), Hash_Free);
  if (!stream) return false;
  // One chunk or less: nothing to overlap, no thread.
  std::unique_ptr<DigestPipe> pipe;
  if (scan.length > static_cast<std::int64_t>(chunkBytes)) {
    pipe.reset(new (std::nothrow) DigestPipe);
    if (pipe) {
      pipe->stream = stream.release();  // the digest thread's from its start
      if (!StartDigest(*pipe, chunkBytes)) {
        stream.reset(std::exchange(pipe->stream, nullptr));
        pipe.reset();
      }
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
    if (i == 0 && options.detectSeparator) scan.separator = DetectXyzSeparator(data, size);
    if (!XyzScan_Chunk(scan, data, size) || (drain && !drain->take(drain->context, scan))) {
      ok = false;
      break;
    }
    showNew();
    if (size < chunkBytes) break;
    // A drain empties the lists after every chunk: they never hold more than one.
    if (i == 0 && !drain) ReserveLikeTheFirstChunk(scan, chunkBytes);
  }
  // A file cut short while it was read would pass for a smaller whole one.
  ok = ok && total >= scan.length && XyzScan_Finish(scan) &&
       (!drain || drain->take(drain->context, scan));
  if (ok) showNew();
  result->key = pipe ? EndDigest(*pipe, ok) : (ok ? Hash_End(stream.release()) : std::u16string());
  return ok && !result->key.empty();
}
