// Extracting a 30 MB XYZ tile from a zip archive (what the zip job does for
// every entry), beside inflating the same deflate stream straight from memory
// into a file with zlib: the difference is the archive layer's cost.
#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <unistd.h>
#include <zlib.h>

#include <cstdio>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "bench/xyz_sample.h"
#include "runtime/data/pack.h"
#include "runtime/data/utf.h"

namespace {

constexpr int kLevel = 6;
constexpr std::size_t kChunk = 2097152;

struct ZipSample {
  ZipSample() {
    Pack_UseZip();
    zipPath = tile.path() + ".zip";
    target = tile.path() + ".out";
    const ObjectHandle zip = Pack_Create(KX_Any, Utf8ToUtf16(zipPath), kLevel);
    Pack_AddFile(zip, Utf8ToUtf16(tile.path()), u"tile.xyz");
    Pack_Close(zip);

    std::ifstream in(tile.path(), std::ios::binary);
    const std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    z_stream stream{};
    deflateInit2(&stream, kLevel, Z_DEFLATED, -15, 8, Z_DEFAULT_STRATEGY);
    deflated.resize(deflateBound(&stream, text.size()));
    stream.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(text.data()));
    stream.avail_in = static_cast<uInt>(text.size());
    stream.next_out = reinterpret_cast<Bytef*>(deflated.data());
    stream.avail_out = static_cast<uInt>(deflated.size());
    deflate(&stream, Z_FINISH);
    deflated.resize(stream.total_out);
    deflateEnd(&stream);
  }
  ~ZipSample() {
    std::remove(zipPath.c_str());
    std::remove(target.c_str());
  }

  XyzSample tile;
  std::string zipPath;
  std::string target;
  std::string deflated;
};

const ZipSample& Sample() {
  static const ZipSample sample;
  return sample;
}

void BM_PackExtractToFile(benchmark::State& state) {
  const std::u16string zipPath = Utf8ToUtf16(Sample().zipPath);
  const std::u16string target = Utf8ToUtf16(Sample().target);
  for (auto _ : state) {
    const ObjectHandle pack = Pack_Open(KX_Any, zipPath);
    Pack_Examine(pack);
    Pack_NextEntry(pack);
    if (Pack_ExtractToFile(pack, target) != Sample().tile.size())
      state.SkipWithError("extraction failed");
    Pack_Close(pack);
  }
  state.SetBytesProcessed(state.iterations() * Sample().tile.size());
}
BENCHMARK(BM_PackExtractToFile)->Unit(benchmark::kMillisecond)->UseRealTime();

// Baseline: the same inflate work with no archive around it.
void BM_ZlibInflateToFile(benchmark::State& state) {
  const std::string& deflated = Sample().deflated;
  std::vector<char> buffer(kChunk);
  for (auto _ : state) {
    const int fd = open(Sample().target.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0666);
    z_stream stream{};
    inflateInit2(&stream, -15);
    stream.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(deflated.data()));
    stream.avail_in = static_cast<uInt>(deflated.size());
    long total = 0;
    int status = Z_OK;
    while (status == Z_OK) {
      stream.next_out = reinterpret_cast<Bytef*>(buffer.data());
      stream.avail_out = static_cast<uInt>(buffer.size());
      status = inflate(&stream, Z_NO_FLUSH);
      const std::size_t produced = buffer.size() - stream.avail_out;
      if (write(fd, buffer.data(), produced) != static_cast<ssize_t>(produced)) break;
      total += static_cast<long>(produced);
    }
    inflateEnd(&stream);
    close(fd);
    if (total != Sample().tile.size()) state.SkipWithError("inflate failed");
  }
  state.SetBytesProcessed(state.iterations() * Sample().tile.size());
}
BENCHMARK(BM_ZlibInflateToFile)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace

BENCHMARK_MAIN();
