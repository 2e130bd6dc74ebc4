// Adaptive palette for indexed PNGs: a self-organising map (a one-dimensional
// Kohonen network of up to 256 neurons) trained on samples of the picture,
// then a nearest-colour lookup into the learned palette.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <vector>

struct PaletteColour {
  std::uint8_t red;
  std::uint8_t green;
  std::uint8_t blue;
};

class ColourQuantiser {
 public:
  // `colours` is 2 to 256. Learning and matching happen in a space where
  // every channel c is 255 * (c / 255)^(1 / gamma), which spends more of the
  // palette on dark tones than plain byte values would.
  ColourQuantiser(int colours, double gamma);

  // `pixels` holds `count` pixels of blue, green, red, alpha (alpha ignored).
  // Every `sampleFactor`-th pixel (1 to 30) takes part, spread over the
  // picture by a prime step.
  void Learn(const std::uint8_t* pixels, std::size_t count, int sampleFactor);

  // The learned colours, in index order.
  const std::vector<PaletteColour>& Palette() const { return palette_; }

  // Index of the palette entry nearest to the colour.
  int Map(std::uint8_t blue, std::uint8_t green, std::uint8_t red);

 private:
  struct Neuron {
    int channel[3];  // blue, green, red in the learning space, scaled by 16
    int frequency;
    int bias;
  };

  int Contest(int b, int g, int r);
  void MoveNeuron(int alpha, int index, int b, int g, int r);
  void MoveNeighbours(int radius, int index, int b, int g, int r);
  void Refine(const std::uint8_t* pixels, std::size_t count);
  void Finish();

  int size_;
  double gamma_;
  std::vector<Neuron> network_;
  std::vector<int> radiusPower_;
  std::array<std::uint8_t, 256> toLearning_{};

  // After learning: the palette in the learning space, and its entries
  // sorted by green for a search that can stop early.
  std::vector<PaletteColour> palette_;
  std::vector<std::array<int, 4>> byGreen_;  // blue, green, red, palette index
  std::vector<std::uint32_t> cacheKey_;
  std::vector<std::uint8_t> cacheIndex_;
};
