// Image, button image and hyperlink. The image kinds take an image number
// as their state and show a copy of its pixels.
#include <vector>

#include "controls/control_common.h"
#include "controls/controls.h"
#include "imaging/bitmap.h"
#include "imaging/image.h"

namespace {

constexpr std::int64_t kImageRaised = 0x1, kImageBorder = 0x200, kHyperLinkUnderline = 0x1;

// The image number shown (0 none) lives in kindData.
void ShowImage(GadgetRecord& g, std::int64_t image) {
  Bitmap* bitmap = Img_IsImage(image) ? Bitmap_FromHandle(Img_Handle(image)) : nullptr;
  if (!bitmap) {
    PlatCtl_SetImage(CtlWindow(g), nullptr, 0, 0, 0);
    g.kindData = nullptr;
    return;
  }
  // Always 32-bit for the platform; 24-bit pixels become opaque.
  const int w = bitmap->width, h = bitmap->height;
  std::vector<std::uint8_t> pixels(static_cast<std::size_t>(w) * h * 4);
  for (int row = 0; row < h; ++row) {
    const std::uint8_t* src = bitmap->bits + static_cast<std::size_t>(row) * bitmap->stride;
    std::uint8_t* dst = pixels.data() + static_cast<std::size_t>(row) * w * 4;
    for (int x = 0; x < w; ++x) {
      const int bpp = bitmap->bitsPerPixel / 8;
      dst[4 * x] = src[bpp * x];
      dst[4 * x + 1] = src[bpp * x + 1];
      dst[4 * x + 2] = src[bpp * x + 2];
      dst[4 * x + 3] = bpp == 4 ? src[bpp * x + 3] : 0xFF;
    }
  }
  PlatCtl_SetImage(CtlWindow(g), pixels.data(), w, h, w * 4);
  g.kindData = reinterpret_cast<void*>(static_cast<std::intptr_t>(image));
}

std::int64_t ShownImage(GadgetRecord& g) {
  return static_cast<std::int64_t>(reinterpret_cast<std::intptr_t>(g.kindData));
}

void ImageSize(GadgetRecord& g, int* width, int* height) {
  // An empty image asks for nothing; a shown one for its picture.
  if (!ShownImage(g)) {
    *width = *height = 0;
    return;
  }
  CtlSizeHint(g, width, height);
}

const GadgetKind kImage = {
    .id = kCtlImage,
    .free = CtlFree,
    .setState = ShowImage,
    .setText = CtlSetText,
    .requiredSize = ImageSize,
    .getState = ShownImage,
    .getText = CtlGetText,
};

const GadgetKind kButtonImage = {
    .id = kCtlButtonImage,
    .free = CtlFree,
    .setState = ShowImage,
    .setText = CtlSetText,
    .requiredSize = CtlSizeHint,
    .getState = ShownImage,
    .getText = CtlGetText,
};

void HyperLinkSize(GadgetRecord& g, int* width, int* height) {
  CtlTextSize(g, true, width, height);
  *width += 2;
  *height += 2;
}

const GadgetKind kHyperLink = {
    .id = kCtlHyperLink,
    .free = CtlFree,
    .setText = CtlSetText,
    .requiredSize = HyperLinkSize,
    .getText = CtlGetText,
};

}  // namespace

bool CtlCreatePicture(const ControlRequest& r, ObjectHandle* result) {
  std::uint32_t o = 0;
  GadgetRecord* g = nullptr;
  switch (r.kind) {
    case kCtlImage:
      if (r.flags & kImageBorder) o |= kPlatOptBorder;
      if (r.flags & kImageRaised) o |= kPlatOptRaised;
      *result = CtlMakeRequest(r, PlatControlKind::kImage, &kImage, o);
      return true;
    case kCtlButtonImage:
      if ((r.flags & KX_Button_Toggle) == KX_Button_Toggle) o |= kPlatOptToggle;
      *result = CtlMakeRequest(r, PlatControlKind::kButtonImage, &kButtonImage, o);
      return true;
    case kCtlHyperLink:
      if (r.flags & kHyperLinkUnderline) o |= kPlatOptUnderline;
      *result = CtlMakeRequest(r, PlatControlKind::kHyperLink, &kHyperLink, o, &g);
      if (g) PlatCtl_SetTextColor(CtlWindow(*g), r.color);
      return true;
    default:
      return false;
  }
}
