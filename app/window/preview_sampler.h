// The preview's picture: the image shrunk to fit the canvas (never enlarged)
// by nearest-pixel sampling. The pixels are read straight from the source, so
// the cost follows the canvas size, not the image size, and they equal those
// of a raw resize (Img_Resize mode 1) of a copy.
#pragma once

struct Bitmap;

struct PreviewSize {
  int width = 0;
  int height = 0;
};

// The factor comes from the width, then from the height; each side is
// rounded to nearest (ties to even) and is at least 1.
PreviewSize PreviewSizeFor(int imageWidth, int imageHeight, int canvasWidth, int canvasHeight);

// Draws `source` scaled to width x height at the top-left corner of the
// calling thread's started drawing context, clipped to it, as the default
// drawing mode draws an image: the colour bytes of every pixel, alpha ignored.
void DrawNearestScaled(const Bitmap& source, int width, int height);
