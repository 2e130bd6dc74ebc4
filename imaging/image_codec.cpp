#include "imaging/image_codec.h"

#include <mutex>

namespace {

// Registration is rare (start-up, first PNG save) and lookups are one per
// save, so one lock keeps both registries consistent across threads.
std::mutex codecMutex;

template <class Record>
struct Registry {
  const Record* records[kMaxImageCodecs] = {};
  int count = 0;

  bool Add(const Record* record) {
    std::lock_guard lock(codecMutex);
    if (!record || count >= kMaxImageCodecs) return false;
    records[count++] = record;
    return true;
  }

  const Record* Find(std::uint32_t id) {
    std::lock_guard lock(codecMutex);
    for (int i = 0; i < count; ++i)
      if (records[i]->id == id) return records[i];
    return nullptr;
  }
};

Registry<ImageEncoder> encoders;
Registry<ImageDecoder> decoders;

}  // namespace

bool Img_RegisterEncoder(const ImageEncoder* encoder) { return encoders.Add(encoder); }
const ImageEncoder* Img_FindEncoder(std::uint32_t id) { return encoders.Find(id); }
bool Img_RegisterDecoder(const ImageDecoder* decoder) { return decoders.Add(decoder); }
const ImageDecoder* Img_FindDecoder(std::uint32_t id) { return decoders.Find(id); }
