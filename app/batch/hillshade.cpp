#include "app/batch/hillshade.h"

#include <cmath>
#include <cstring>
#include <numbers>

namespace {

constexpr double kAzimuthDegrees = 315;
constexpr double kAltitudeDegrees = 45;

}  // namespace

void ShadeRelief(const float* heights, std::int64_t width, std::int64_t height, double pixelSize,
                 double zFactor, std::uint8_t* shade) {
  std::memset(shade, 0, static_cast<std::size_t>(width) * static_cast<std::size_t>(height));
  if (width < 3 || height < 3) return;
  const double toRadians = std::numbers::pi / 180;
  const double azimuth = kAzimuthDegrees * toRadians, altitude = kAltitudeDegrees * toRadians;
  // The light as a unit vector (east, north, up), and the slopes scaled so
  // that the surface normal is (-dx, -dy, 1): Horn's weights sum to 8 per side.
  const double lightEast = std::sin(azimuth) * std::cos(altitude);
  const double lightNorth = std::cos(azimuth) * std::cos(altitude);
  const double lightUp = std::sin(altitude);
  const double scale = zFactor / (8 * pixelSize);
  for (std::int64_t y = 1; y + 1 < height; ++y) {
    const float* above = heights + (y - 1) * width;
    const float* row = above + width;
    const float* below = row + width;
    std::uint8_t* out = shade + y * width;
    for (std::int64_t x = 1; x + 1 < width; ++x) {
      const double a = above[x - 1], b = above[x], c = above[x + 1];
      const double d = row[x - 1], e = row[x], f = row[x + 1];
      const double g = below[x - 1], h = below[x], i = below[x + 1];
      // A gap is a NaN, so one sum tells whether all nine are heights.
      if (!std::isfinite(a + b + c + d + e + f + g + h + i)) continue;
      const double dx = ((c + 2 * f + i) - (a + 2 * d + g)) * scale;
      const double dy = ((a + 2 * b + c) - (g + 2 * h + i)) * scale;
      const double lit =
          (lightUp - dx * lightEast - dy * lightNorth) / std::sqrt(1 + dx * dx + dy * dy);
      // gdaldem keeps 0 for no-data: shadow is 1, full light 255, rounded half up.
      out[x] = static_cast<std::uint8_t>(lit <= 0 ? 1 : 1 + 254 * lit + 0.5);
    }
  }
}
