// Shaded relief of the height mosaic by Horn's method, the light from the
// north-west (azimuth 315 degrees) at 45 degrees above the horizon: the
// grey values `gdaldem hillshade` gives with its defaults, 1 (in shadow) to
// 255 (facing the light), and 0 where a pixel lacks one of its eight
// neighbours (the mosaic's edge, a gap beside it) or is a gap itself.
#pragma once

#include <cstdint>

// Shades `width` x `height` heights (rows top-down, north up; a gap is
// HeightGap(), and any other value that is not finite counts as one) into
// `shade`, one byte per pixel in the same order. `pixelSize` is the side of
// a pixel in the units of the heights, `zFactor` multiplies the heights
// first (as gdaldem's -z). The caller owns both arrays.
void ShadeRelief(const float* heights, std::int64_t width, std::int64_t height, double pixelSize,
                 double zFactor, std::uint8_t* shade);
