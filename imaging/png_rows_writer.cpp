#include <png.h>
#include <zlib.h>

#include <algorithm>
#include <condition_variable>
#include <csetjmp>
#include <cstring>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

#include "imaging/png_errors.h"
#include "imaging/png_rows.h"
#include "runtime/data/atomic_file.h"

namespace {

constexpr int kLevel = 9;
constexpr std::size_t kWindow = 32768;                     // deflate's reach back
constexpr std::size_t kBlockBytes = std::size_t{4} << 20;  // raw bytes per block
constexpr int kBlocksInFlightPerThread = 2;                // bounds the memory held
// From this much image data on, every thread gets a block even when the
// picture would fit one: a 1000 x 1000 picture is otherwise one core's work.
constexpr std::size_t kSplitFromBytes = std::size_t{1} << 20;

// Every libpng call that may fail runs inside one of these, so the long jump
// never crosses a frame holding objects with destructors.
template <typename Step>
bool PngStep(png_structp png, Step step) {
  if (setjmp(png_jmpbuf(png))) return false;
  step();
  return true;
}

struct PngWriter {
  png_structp png = nullptr;
  png_infop info = nullptr;
  PngWriter() {
    png = Png_CreateQuietWriteStruct();
    if (png) info = png_create_info_struct(png);
  }
  ~PngWriter() {
    if (png) png_destroy_write_struct(&png, &info);
  }
  PngWriter(const PngWriter&) = delete;
  PngWriter& operator=(const PngWriter&) = delete;
};

bool WriteHeader(PngWriter& w, std::FILE* file, int width, int height) {
  png_structp png = w.png;
  png_infop info = w.info;
  return PngStep(png, [&] {
    png_init_io(png, file);
    png_set_filter(png, 0, PNG_FILTER_NONE);
    png_set_compression_level(png, kLevel);
    png_set_IHDR(png, info, width, height, 8, PNG_COLOR_TYPE_RGB, PNG_INTERLACE_NONE,
                 PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    png_write_info(png, info);
  });
}

// The plain way: libpng deflates row after row on this thread.
bool WriteSerial(PngWriter& w, int width, int height, PngRowSource source, void* context) {
  std::vector<std::uint8_t> row(static_cast<std::size_t>(width) * 3);
  png_structp png = w.png;
  png_infop info = w.info;
  std::uint8_t* out = row.data();
  for (int y = 0; y < height; ++y) {
    source(context, y, out);
    if (!PngStep(png, [&] { png_write_row(png, out); })) return false;
  }
  return PngStep(png, [&] { png_write_end(png, info); });
}

// Parallel deflate. The zlib stream is a header, the raw deflate output of
// every block in order (each but the last ends with a sync flush, so they
// join on byte boundaries and none is final) and the Adler-32 of all rows,
// combined from the blocks' own.
struct Geometry {
  int width;
  int height;
  std::size_t rowBytes;  // filter byte and pixels
  int rowsPerBlock;
  int blocks;
  PngRowSource source;
  void* context;
};

struct Block {
  std::vector<std::uint8_t> data;
  uLong adler = 1;
  std::size_t rawBytes = 0;
  bool done = false;
  bool failed = false;
};

class Compressor {
 public:
  explicit Compressor(const Geometry& g) : g_(g) {
    ready_ = deflateInit2(&z_, kLevel, Z_DEFLATED, -15, 8, Z_DEFAULT_STRATEGY) == Z_OK;
  }
  ~Compressor() {
    if (ready_) deflateEnd(&z_);
  }
  Compressor(const Compressor&) = delete;
  Compressor& operator=(const Compressor&) = delete;

  bool Run(int index, Block& block) {
    if (!ready_) return false;
    try {
      return Compress(index, block);
    } catch (...) {
      return false;  // out of memory
    }
  }

 private:
  bool Compress(int index, Block& block) {
    const int first = index * g_.rowsPerBlock;
    const int end = std::min(g_.height, first + g_.rowsPerBlock);
    // The rows just before the block prime the window, as if one stream ran on.
    const int primeRows =
        std::min<int>(first, static_cast<int>((kWindow + g_.rowBytes - 1) / g_.rowBytes));
    const std::size_t primeBytes = static_cast<std::size_t>(primeRows) * g_.rowBytes;
    const std::size_t ownBytes = static_cast<std::size_t>(end - first) * g_.rowBytes;
    raw_.resize(primeBytes + ownBytes);
    for (int y = first - primeRows; y < end; ++y) {
      std::uint8_t* row =
          raw_.data() + static_cast<std::size_t>(y - first + primeRows) * g_.rowBytes;
      row[0] = 0;  // filter None
      g_.source(g_.context, y, row + 1);
    }
    if (deflateReset(&z_) != Z_OK) return false;
    if (primeBytes) {
      const std::size_t dictionary = std::min(primeBytes, kWindow);
      if (deflateSetDictionary(&z_, raw_.data() + primeBytes - dictionary,
                               static_cast<uInt>(dictionary)) != Z_OK)
        return false;
    }
    const std::uint8_t* own = raw_.data() + primeBytes;
    block.data.resize(deflateBound(&z_, ownBytes) + 64);
    z_.next_in = const_cast<Bytef*>(own);
    z_.avail_in = static_cast<uInt>(ownBytes);
    const bool last = end == g_.height;
    const int flush = last ? Z_FINISH : Z_SYNC_FLUSH;
    std::size_t produced = 0;
    for (;;) {
      if (produced == block.data.size()) block.data.resize(block.data.size() * 2);
      z_.next_out = block.data.data() + produced;
      z_.avail_out = static_cast<uInt>(block.data.size() - produced);
      const int result = deflate(&z_, flush);
      produced = block.data.size() - z_.avail_out;
      if (result == Z_STREAM_ERROR) return false;
      if (last ? result == Z_STREAM_END : (z_.avail_out != 0 && z_.avail_in == 0)) break;
    }
    block.data.resize(produced);
    block.adler = adler32(1, own, static_cast<uInt>(ownBytes));
    block.rawBytes = ownBytes;
    return true;
  }

  const Geometry& g_;
  z_stream z_{};
  bool ready_ = false;
  std::vector<std::uint8_t> raw_;
};

// Helpers claim blocks in order, at most a few ahead of the writer; the
// writer (the calling thread) compresses a block itself when no helper has
// taken it yet, so it also works when no helper could be started.
struct Pipeline {
  explicit Pipeline(const Geometry& geometry) : g(geometry), blocks(geometry.blocks) {}

  const Geometry g;
  std::mutex mutex;  // guards everything below
  std::condition_variable changed;
  int next = 0;     // first block nobody has claimed
  int written = 0;  // blocks already in the file
  int limit = 0;    // how far ahead of `written` helpers may claim
  bool stop = false;
  std::vector<Block> blocks;

  void Help() {
    Compressor compressor(g);
    std::unique_lock lock(mutex);
    for (;;) {
      changed.wait(lock, [&] { return stop || next >= g.blocks || next - written < limit; });
      if (stop || next >= g.blocks) return;
      const int index = next++;
      lock.unlock();
      Block done;
      const bool ok = compressor.Run(index, done);
      lock.lock();
      blocks[index] = std::move(done);
      blocks[index].done = true;
      blocks[index].failed = !ok;
      changed.notify_all();
    }
  }
};

bool WriteChunk(png_structp png, const std::uint8_t* data, std::size_t length) {
  static const png_byte kIdat[5] = {'I', 'D', 'A', 'T', 0};
  return PngStep(png, [&] { png_write_chunk(png, kIdat, data, length); });
}

// Stops and joins the helpers however the writer leaves (an exception too).
struct Helpers {
  Pipeline& pipe;
  std::vector<std::thread> threads;
  ~Helpers() {
    {
      std::lock_guard lock(pipe.mutex);
      pipe.stop = true;
    }
    pipe.changed.notify_all();
    for (std::thread& helper : threads) helper.join();
  }
};

bool WriteParallel(PngWriter& w, const Geometry& g, int threads) {
  Pipeline pipe(g);
  pipe.limit = std::max(1, threads) * kBlocksInFlightPerThread;
  Compressor own(g);
  Helpers helpers{pipe, {}};
  for (int i = 0; i < threads && i < g.blocks; ++i) {
    try {
      helpers.threads.emplace_back([&pipe] { pipe.Help(); });
    } catch (...) {
      break;  // fewer helpers; the writer compresses what they leave
    }
  }
  uLong adler = 1;
  const std::uint8_t header[2] = {0x78, 0xDA};  // deflate, 32 KiB window, level 9
  bool ok = WriteChunk(w.png, header, sizeof header);
  for (int index = 0; ok && index < g.blocks; ++index) {
    Block block;
    {
      std::unique_lock lock(pipe.mutex);
      if (pipe.next == index) {
        pipe.next++;
        lock.unlock();
        block.failed = !own.Run(index, block);
      } else {
        pipe.changed.wait(lock, [&] { return pipe.blocks[index].done; });
        block = std::move(pipe.blocks[index]);
      }
    }
    ok = !block.failed;
    if (ok) {
      adler = adler32_combine(adler, block.adler, static_cast<z_off_t>(block.rawBytes));
      if (index == g.blocks - 1) {
        const std::uint8_t trailer[4] = {
            static_cast<std::uint8_t>(adler >> 24), static_cast<std::uint8_t>(adler >> 16),
            static_cast<std::uint8_t>(adler >> 8), static_cast<std::uint8_t>(adler)};
        block.data.insert(block.data.end(), trailer, trailer + 4);
      }
      ok = WriteChunk(w.png, block.data.data(), block.data.size());
    }
    {
      std::lock_guard lock(pipe.mutex);
      pipe.written = index + 1;
    }
    pipe.changed.notify_all();
  }
  if (!ok) return false;
  // The image data went past libpng, which would refuse png_write_end.
  static const png_byte kIend[5] = {'I', 'E', 'N', 'D', 0};
  png_structp png = w.png;
  return PngStep(png, [&] { png_write_chunk(png, kIend, nullptr, 0); });
}

bool Write(const char16_t* path, int width, int height, PngRowSource source, void* context,
           int threads) {
  AtomicFile file(path);
  if (!file.stream()) return false;
  PngWriter w;
  if (!w.png || !w.info) return false;
  if (!WriteHeader(w, file.stream(), width, height)) return false;
  const std::size_t rowBytes = 1 + static_cast<std::size_t>(width) * 3;
  bool ok;
  if (threads <= 1) {
    ok = WriteSerial(w, width, height, source, context);
  } else {
    std::size_t rows = std::max<std::size_t>(1, kBlockBytes / rowBytes);
    if (rowBytes * static_cast<std::size_t>(height) >= kSplitFromBytes)
      rows = std::min(rows, (static_cast<std::size_t>(height) + threads - 1) / threads);
    const int rowsPerBlock = static_cast<int>(rows);
    const Geometry g{
        width,  height, rowBytes, rowsPerBlock, (height + rowsPerBlock - 1) / rowsPerBlock,
        source, context};
    ok = WriteParallel(w, g, threads);
  }
  return ok && file.Commit();
}

}  // namespace

int Img_WritePngRows(const char16_t* path, int width, int height, PngRowSource source,
                     void* context, int threads) {
  if (!path || !source || width <= 0 || height <= 0) return 0;
  // libpng's own limit on a row's bytes and on the image size.
  if (width > PNG_USER_WIDTH_MAX || height > PNG_USER_HEIGHT_MAX) return 0;
  try {
    return Write(path, width, height, source, context, threads) ? 1 : 0;
  } catch (...) {
    return 0;  // out of memory, or no thread: nothing was committed
  }
}
