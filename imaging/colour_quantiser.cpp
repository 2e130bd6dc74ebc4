#include "imaging/colour_quantiser.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <functional>
#include <utility>

namespace {

// Fixed-point scales of the network (all integer arithmetic).
constexpr int kCycles = 100;       // learning rate and radius shrink this often
constexpr int kNetBiasShift = 4;   // colour channels carry 4 fraction bits
constexpr int kIntBiasShift = 16;  // frequency and bias
constexpr int kIntBias = 1 << kIntBiasShift;
constexpr int kGammaShift = 10;
constexpr int kBetaShift = 10;
constexpr int kBeta = kIntBias >> kBetaShift;  // 1/1024: how fast frequencies follow wins
constexpr int kBetaGamma = kIntBias << (kGammaShift - kBetaShift);
constexpr int kRadiusBiasShift = 6;
constexpr int kRadiusDecrease = 30;  // radius shrinks by 1/30 per cycle
constexpr int kAlphaBiasShift = 10;
constexpr int kInitialAlpha = 1 << kAlphaBiasShift;
constexpr int kRadBiasShift = 8;
constexpr int kRadBias = 1 << kRadBiasShift;
constexpr int kAlphaRadBias = 1 << (kAlphaBiasShift + kRadBiasShift);

// Steps through the pixels; a prime that does not divide the count visits
// every pixel once per round without the bias of a regular grid.
constexpr std::size_t kPrimes[] = {499, 491, 487, 503};

// Small pictures are gone through several times so the network still gets
// enough samples to settle.
constexpr std::size_t kMinSamples = 20000;

// Refinement after learning: at most this many samples, this many rounds.
constexpr std::size_t kRefineSamples = 32768;
constexpr int kRefineRounds = 6;

constexpr int kCacheSize = 4096;

}  // namespace

ColourQuantiser::ColourQuantiser(int colours, double gamma)
    : size_(std::clamp(colours, 2, 256)),
      gamma_(gamma),
      network_(size_),
      radiusPower_(size_ / 8 + 1) {
  for (int c = 0; c < 256; ++c) {
    toLearning_[c] =
        static_cast<std::uint8_t>(std::lround(255.0 * std::pow(c / 255.0, 1.0 / gamma)));
  }
  // Start spread along the grey axis, every neuron equally likely.
  for (int i = 0; i < size_; ++i) {
    const int v = (i << (kNetBiasShift + 8)) / size_;
    network_[i] = Neuron{{v, v, v}, kIntBias / size_, 0};
  }
}

// Finds the winner for one sample and updates the frequency bookkeeping.
// The biased winner (which favours neurons that seldom win) is the one that
// learns, so no neuron stays unused.
int ColourQuantiser::Contest(int b, int g, int r) {
  int bestDistance = 0x7FFFFFFF;
  int bestBiasDistance = bestDistance;
  int best = 0;
  int bestBiased = 0;
  for (int i = 0; i < size_; ++i) {
    Neuron& n = network_[i];
    const int distance =
        std::abs(n.channel[0] - b) + std::abs(n.channel[1] - g) + std::abs(n.channel[2] - r);
    if (distance < bestDistance) {
      bestDistance = distance;
      best = i;
    }
    const int biasDistance = distance - (n.bias >> (kIntBiasShift - kNetBiasShift));
    if (biasDistance < bestBiasDistance) {
      bestBiasDistance = biasDistance;
      bestBiased = i;
    }
    const int betaFrequency = n.frequency >> kBetaShift;
    n.frequency -= betaFrequency;
    n.bias += betaFrequency << kGammaShift;
  }
  network_[best].frequency += kBeta;
  network_[best].bias -= kBetaGamma;
  return bestBiased;
}

void ColourQuantiser::MoveNeuron(int alpha, int index, int b, int g, int r) {
  int* c = network_[index].channel;
  c[0] -= alpha * (c[0] - b) / kInitialAlpha;
  c[1] -= alpha * (c[1] - g) / kInitialAlpha;
  c[2] -= alpha * (c[2] - r) / kInitialAlpha;
}

// Pulls the neighbours on both sides along, less the farther they are.
void ColourQuantiser::MoveNeighbours(int radius, int index, int b, int g, int r) {
  const int low = std::max(index - radius, -1);
  const int high = std::min(index + radius, size_);
  int up = index + 1;
  int down = index - 1;
  int step = 1;
  while (up < high || down > low) {
    const int a = radiusPower_[step++];
    if (up < high) {
      int* c = network_[up++].channel;
      c[0] -= a * (c[0] - b) / kAlphaRadBias;
      c[1] -= a * (c[1] - g) / kAlphaRadBias;
      c[2] -= a * (c[2] - r) / kAlphaRadBias;
    }
    if (down > low) {
      int* c = network_[down--].channel;
      c[0] -= a * (c[0] - b) / kAlphaRadBias;
      c[1] -= a * (c[1] - g) / kAlphaRadBias;
      c[2] -= a * (c[2] - r) / kAlphaRadBias;
    }
  }
}

void ColourQuantiser::Learn(const std::uint8_t* pixels, std::size_t count, int sampleFactor) {
  if (count > 0) {
    sampleFactor = std::clamp(sampleFactor, 1, 30);
    const int alphaDecrease = 30 + (sampleFactor - 1) / 3;
    const std::size_t samples = std::max<std::size_t>(count / sampleFactor, kMinSamples);
    const std::size_t delta = std::max<std::size_t>(samples / kCycles, 1);
    int alpha = kInitialAlpha;
    int radius = (size_ >> 3) << kRadiusBiasShift;
    int rad = radius >> kRadiusBiasShift;
    if (rad <= 1) rad = 0;
    auto setRadiusPower = [&] {
      for (int i = 0; i < rad; ++i) {
        radiusPower_[i] = alpha * (((rad * rad - i * i) * kRadBias) / (rad * rad));
      }
    };
    setRadiusPower();

    std::size_t step = kPrimes[3];
    for (std::size_t prime : kPrimes) {
      if (count % prime != 0) {
        step = prime;
        break;
      }
    }
    step %= count;

    std::size_t position = 0;
    for (std::size_t i = 1; i <= samples; ++i) {
      const std::uint8_t* p = pixels + position * 4;
      const int b = toLearning_[p[0]] << kNetBiasShift;
      const int g = toLearning_[p[1]] << kNetBiasShift;
      const int r = toLearning_[p[2]] << kNetBiasShift;
      const int winner = Contest(b, g, r);
      MoveNeuron(alpha, winner, b, g, r);
      if (rad) MoveNeighbours(rad, winner, b, g, r);

      position += step;
      if (position >= count) position -= count;
      if (i % delta == 0) {
        alpha -= alpha / alphaDecrease;
        radius -= radius / kRadiusDecrease;
        rad = radius >> kRadiusBiasShift;
        if (rad <= 1) rad = 0;
        setRadiusPower();
      }
    }
  }
  Refine(pixels, count);
  Finish();
}

// The map leaves neurons where the learning rate ran out, and with few
// distinct colours two neurons may share one cluster while another cluster
// has none. A few rounds of moving each neuron to the mean of the samples
// nearest to it, and moving idle neurons onto the worst-served samples,
// settle that.
void ColourQuantiser::Refine(const std::uint8_t* pixels, std::size_t count) {
  if (count == 0) return;
  const std::size_t every = std::max<std::size_t>(count / kRefineSamples, 1);
  std::vector<std::array<int, 3>> samples;
  samples.reserve(count / every + 1);
  for (std::size_t i = 0; i < count; i += every) {
    const std::uint8_t* p = pixels + i * 4;
    samples.push_back({toLearning_[p[0]] << kNetBiasShift, toLearning_[p[1]] << kNetBiasShift,
                       toLearning_[p[2]] << kNetBiasShift});
  }

  std::vector<std::array<long long, 4>> sums(size_);
  std::vector<std::pair<int, std::size_t>> worst;  // distance to its neuron, sample
  for (int round = 0; round < kRefineRounds; ++round) {
    std::fill(sums.begin(), sums.end(), std::array<long long, 4>{});
    worst.clear();
    for (std::size_t i = 0; i < samples.size(); ++i) {
      const auto& c = samples[i];
      int best = 0;
      int bestDistance = 0x7FFFFFFF;
      for (int n = 0; n < size_; ++n) {
        const int* v = network_[n].channel;
        const int d = std::abs(v[0] - c[0]) + std::abs(v[1] - c[1]) + std::abs(v[2] - c[2]);
        if (d < bestDistance) {
          bestDistance = d;
          best = n;
        }
      }
      for (int k = 0; k < 3; ++k) sums[best][k] += c[k];
      ++sums[best][3];
      worst.emplace_back(bestDistance, i);
    }
    std::sort(worst.begin(), worst.end(), std::greater<>());
    std::size_t nextWorst = 0;
    bool moved = false;
    for (int n = 0; n < size_; ++n) {
      int* v = network_[n].channel;
      if (sums[n][3] > 0) {
        for (int k = 0; k < 3; ++k) {
          const int mean = static_cast<int>((sums[n][k] + sums[n][3] / 2) / sums[n][3]);
          moved |= mean != v[k];
          v[k] = mean;
        }
      } else if (nextWorst < worst.size() && worst[nextWorst].first > 0) {
        const auto& c = samples[worst[nextWorst++].second];
        for (int k = 0; k < 3; ++k) v[k] = c[k];
        moved = true;
      }
    }
    if (!moved) break;
  }
}

void ColourQuantiser::Finish() {
  palette_.resize(size_);
  byGreen_.resize(size_);
  for (int i = 0; i < size_; ++i) {
    int learned[3];
    for (int c = 0; c < 3; ++c) {
      const int v = (network_[i].channel[c] + (1 << (kNetBiasShift - 1))) >> kNetBiasShift;
      learned[c] = std::clamp(v, 0, 255);
    }
    byGreen_[i] = {learned[0], learned[1], learned[2], i};
    auto toByte = [&](int v) {
      return static_cast<std::uint8_t>(std::lround(255.0 * std::pow(v / 255.0, gamma_)));
    };
    palette_[i] = PaletteColour{toByte(learned[2]), toByte(learned[1]), toByte(learned[0])};
  }
  std::sort(byGreen_.begin(), byGreen_.end(),
            [](const auto& a, const auto& b) { return a[1] < b[1]; });
  cacheKey_.assign(kCacheSize, 0xFFFFFFFFu);
  cacheIndex_.assign(kCacheSize, 0);
}

int ColourQuantiser::Map(std::uint8_t blue, std::uint8_t green, std::uint8_t red) {
  const std::uint32_t key = blue | green << 8 | red << 16;
  const std::uint32_t slot = (key * 2654435761u) >> 20;  // 12 bits of a multiplicative hash
  if (cacheKey_[slot] == key) return cacheIndex_[slot];

  const int b = toLearning_[blue];
  const int g = toLearning_[green];
  const int r = toLearning_[red];
  // Walk outward from the green position; the green difference alone is a
  // lower bound of the distance, so each side stops once it exceeds the best.
  const auto start = std::lower_bound(byGreen_.begin(), byGreen_.end(), g,
                                      [](const auto& e, int v) { return e[1] < v; });
  int bestDistance = 1000;
  int best = 0;
  auto consider = [&](const std::array<int, 4>& e) {
    const int d = std::abs(e[0] - b) + std::abs(e[1] - g) + std::abs(e[2] - r);
    if (d < bestDistance) {
      bestDistance = d;
      best = e[3];
    }
  };
  for (auto it = start; it != byGreen_.end() && (*it)[1] - g < bestDistance; ++it) consider(*it);
  for (auto it = start; it != byGreen_.begin() && g - (*(it - 1))[1] < bestDistance; --it) {
    consider(*(it - 1));
  }
  cacheKey_[slot] = key;
  cacheIndex_[slot] = static_cast<std::uint8_t>(best);
  return best;
}
