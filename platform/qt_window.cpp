// Qt binding: application start-up, windows, geometry, focus, mouse capture,
// cursors, painting and text metrics.
#include <QApplication>
#include <QCursor>
#include <QFontMetrics>
#include <QImage>
#include <QPixmap>
#include <QScreen>
#include <QVariant>
#include <algorithm>
#include <atomic>
#include <cstring>
#include <mutex>
#include <thread>
#include <unordered_set>

#include "platform/qt_internal.h"

namespace {

// Created and destroyed on the main thread; read-only elsewhere.
QApplication* gApp = nullptr;
std::atomic<bool> gStarted{false};
std::thread::id gMainThread;
platqt::Translator* gTranslator = nullptr;
std::string gStartupError;  // main thread

// Live handles, checked by every call. Locked: Plat_IsWindow is asked from
// worker threads too.
std::mutex gLiveMutex;
std::unordered_set<PlatWindowTag*> gLive;

// Main thread only.
PlatWindowTag* gCapture = nullptr;
PlatWindowTag* gConfined = nullptr;

std::u16string FromQ(const QString& s) {
  return std::u16string(reinterpret_cast<const char16_t*>(s.utf16()),
                        static_cast<std::size_t>(s.size()));
}

// Marks a window and its descendants dead (the widgets go with their parent).
void Forget(PlatWindowTag* tag) {
  std::vector<PlatWindowTag*> doomed;
  {
    std::lock_guard lock(gLiveMutex);
    for (PlatWindowTag* t : gLive) {
      for (PlatWindowTag* p = t; p; p = p->parent)
        if (p == tag) {
          doomed.push_back(t);
          break;
        }
    }
    for (PlatWindowTag* t : doomed) gLive.erase(t);
  }
  for (PlatWindowTag* t : doomed) {
    if (gCapture == t) gCapture = nullptr;
    if (gConfined == t) gConfined = nullptr;
    delete t;
  }
}

Qt::CursorShape ShapeFor(int shape) {
  static const Qt::CursorShape kShapes[] = {
      Qt::ArrowCursor,   Qt::CrossCursor,     Qt::IBeamCursor,     Qt::PointingHandCursor,
      Qt::WaitCursor,    Qt::ForbiddenCursor, Qt::SizeAllCursor,   Qt::SizeHorCursor,
      Qt::SizeVerCursor, Qt::SizeFDiagCursor, Qt::SizeBDiagCursor, Qt::BlankCursor};
  return shape >= 0 && shape < 12 ? kShapes[shape] : Qt::ArrowCursor;
}

}  // namespace

namespace platqt {

void RefreshGeometry(PlatWindowTag* tag) {
  const PlatRect outer = Plat_OuterRect(tag);
  const PlatRect client = Plat_ClientRect(tag);
  std::lock_guard lock(gLiveMutex);
  tag->outerCache = outer;
  tag->clientCache = client;
}

PlatWindowTag* Live(PlatWindow window) {
  if (!window) return nullptr;
  std::lock_guard lock(gLiveMutex);
  return gLive.count(window) && window->widget ? window : nullptr;
}

PlatWindowTag* TagOf(const QObject* object) {
  if (!object) return nullptr;
  auto value = object->property("plat_tag");
  if (!value.isValid()) return nullptr;
  return Live(reinterpret_cast<PlatWindow>(value.value<qulonglong>()));
}

}  // namespace platqt

bool Plat_Startup() {
  if (gStarted) return true;
  // Qt's display plugins end the process when they find no display.
  gStartupError = platqt::DisplayProblem();
  if (!gStartupError.empty()) return false;
  // QApplication keeps references to these for its whole life.
  static int argc = 1;
  static char name[] = "relivox";
  static char* argv[] = {name, nullptr};
  gApp = new QApplication(argc, argv);
  QApplication::setQuitOnLastWindowClosed(false);
  gMainThread = std::this_thread::get_id();
  gTranslator = new platqt::Translator;
  platqt::StartPosting();
  gStarted = true;
  return true;
}

void Plat_Shutdown() {
  if (!gStarted) return;
  std::vector<PlatWindowTag*> tops;
  {
    std::lock_guard lock(gLiveMutex);
    for (PlatWindowTag* t : gLive)
      if (!t->parent) tops.push_back(t);
  }
  for (PlatWindowTag* t : tops) Plat_DestroyWindow(t);
  QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
  platqt::StopPosting();
  delete gTranslator;
  gTranslator = nullptr;
  delete gApp;
  gApp = nullptr;
  gStarted = false;
}

bool Plat_IsStarted() { return gStarted; }

std::string Plat_StartupError() { return gStartupError; }

bool Plat_IsMainThread() { return gStarted && std::this_thread::get_id() == gMainThread; }

PlatWindow Plat_CreateWindow(const PlatWindowSpec& desc) {
  if (!gStarted || !Plat_IsMainThread()) return nullptr;
  PlatWindowTag* parent = nullptr;
  if (desc.parent && !(parent = platqt::Live(desc.parent))) return nullptr;
  QWidget* widget = nullptr;
  // A window with a parent but without the child style is a top-level
  // window owned by the parent.
  const bool isChild = parent && (desc.style & kPlatStyleChild);
  if (isChild) {
    widget = desc.kind == PlatControlKind::kPlain ? new QWidget(parent->widget)
                                                  : platqt::MakeControl(desc, parent->widget);
  } else {
    Qt::WindowFlags flags = Qt::Window | Qt::CustomizeWindowHint;
    if (desc.style & kPlatStyleTool) flags = Qt::Tool | Qt::CustomizeWindowHint;
    if (desc.style & kPlatStyleBorderless)
      flags |= Qt::FramelessWindowHint;
    else {
      if (desc.style & (kPlatStyleTitle | kPlatStyleTool)) flags |= Qt::WindowTitleHint;
      if (desc.style & kPlatStyleSystemMenu)
        flags |= Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint;
      if (desc.style & kPlatStyleMinimizeBox) flags |= Qt::WindowMinimizeButtonHint;
      if (desc.style & kPlatStyleMaximizeBox) flags |= Qt::WindowMaximizeButtonHint;
    }
    if (desc.style & kPlatStyleStayOnTop) flags |= Qt::WindowStaysOnTopHint;
    widget = new QWidget(parent ? parent->widget.data() : nullptr, flags);
  }
  if (!widget) return nullptr;

  auto* tag = new PlatWindowTag;
  tag->widget = widget;
  tag->parent = parent;  // for a top-level window: its owner
  tag->kind = desc.kind;
  tag->style = desc.style;
  tag->proc = desc.proc;
  tag->user = desc.user;
  tag->edge = (!widget->isWindow() && (desc.style & kPlatStyleClientEdge)) ? 2 : 0;
  {
    std::lock_guard lock(gLiveMutex);
    gLive.insert(tag);
  }
  widget->setProperty("plat_tag", QVariant::fromValue(reinterpret_cast<qulonglong>(tag)));
  widget->setAttribute(Qt::WA_DeleteOnClose, false);
  // Native controls paint themselves and keep their own focus behaviour.
  const bool plain = desc.kind == PlatControlKind::kPlain || !isChild;
  if (plain) {
    widget->setAttribute(Qt::WA_OpaquePaintEvent, true);
    widget->setAttribute(Qt::WA_NoSystemBackground, true);
    widget->setFocusPolicy((desc.style & kPlatStyleTabStop) ? Qt::TabFocus : Qt::NoFocus);
  }
  widget->setMouseTracking(true);
  widget->installEventFilter(gTranslator);
  if (!plain) {
    platqt::SetControlText(widget, desc.text);
  } else if (!desc.text.empty()) {
    if (widget->isWindow())
      widget->setWindowTitle(platqt::ToQString(desc.text));
    else
      widget->setProperty("plat_text", platqt::ToQString(desc.text));
  }
  if (widget->isWindow()) {
    widget->resize(std::max(desc.width, 1), std::max(desc.height, 1));
    if (!desc.platformPosition) widget->move(desc.x, desc.y);
    // Made natively now so that the frame is known before the window shows
    // (centring and outer sizes need it).
    widget->winId();
  } else {
    widget->setGeometry(desc.x + parent->edge, desc.y + parent->edge, std::max(desc.width, 0),
                        std::max(desc.height, 0));
    widget->hide();
  }
  platqt::RefreshGeometry(tag);
  return tag;
}

void Plat_DestroyWindow(PlatWindow window) {
  PlatWindowTag* tag = platqt::Live(window);
  if (!tag) return;
  QWidget* widget = tag->widget;
  // Owned top-level windows are deleted with their owner; forget them too.
  Forget(tag);
  widget->hide();
  widget->setProperty("plat_tag", QVariant());
  // Deleted from the loop: the window may be destroyed by its own handler.
  widget->deleteLater();
}

bool Plat_IsWindow(PlatWindow window) { return platqt::Live(window) != nullptr; }

PlatWindow Plat_Parent(PlatWindow window) {
  PlatWindowTag* tag = platqt::Live(window);
  if (!tag || tag->widget->isWindow()) return nullptr;
  return tag->parent;
}

PlatWindow Plat_TopLevel(PlatWindow window) {
  PlatWindowTag* tag = platqt::Live(window);
  while (tag && !tag->widget->isWindow()) tag = tag->parent;
  return tag;
}

std::intptr_t Plat_Send(PlatWindow window, const PlatMessage& message) {
  PlatWindowTag* tag = platqt::Live(window);
  if (!tag) return 0;
  return platqt::Deliver(tag, message);
}

void Plat_SetProperty(PlatWindow window, const char* name, std::intptr_t value) {
  if (QWidget* w = platqt::WidgetFor(window)) w->setProperty(name, QVariant::fromValue<qlonglong>(value));
}

std::intptr_t Plat_GetProperty(PlatWindow window, const char* name) {
  QWidget* w = platqt::WidgetFor(window);
  if (!w) return 0;
  QVariant v = w->property(name);
  return v.isValid() ? static_cast<std::intptr_t>(v.value<qlonglong>()) : 0;
}

void Plat_SetText(PlatWindow window, const std::u16string& text) {
  QWidget* w = platqt::WidgetFor(window);
  if (!w) return;
  if (w->isWindow())
    w->setWindowTitle(platqt::ToQString(text));
  else if (platqt::IsControl(w))
    platqt::SetControlText(w, text);
  else
    w->setProperty("plat_text", platqt::ToQString(text));
  w->update();
}

std::u16string Plat_GetText(PlatWindow window) {
  QWidget* w = platqt::WidgetFor(window);
  if (!w) return {};
  if (!w->isWindow() && platqt::IsControl(w)) return platqt::ControlText(w);
  return FromQ(w->isWindow() ? w->windowTitle() : w->property("plat_text").toString());
}

namespace {

PlatRect CachedRect(PlatWindow window, bool outer) {
  std::lock_guard lock(gLiveMutex);
  if (!window || !gLive.count(window)) return {};
  return outer ? window->outerCache : window->clientCache;
}

}  // namespace

PlatRect Plat_OuterRect(PlatWindow window) {
  if (!Plat_IsMainThread()) return CachedRect(window, true);
  PlatWindowTag* tag = platqt::Live(window);
  if (!tag) return {};
  QWidget* w = tag->widget;
  QRect r = w->isWindow() ? w->frameGeometry() : w->geometry();
  if (!w->isWindow() && tag->parent) r.translate(-tag->parent->edge, -tag->parent->edge);
  return {r.x(), r.y(), r.width(), r.height()};
}

PlatRect Plat_ClientRect(PlatWindow window) {
  if (!Plat_IsMainThread()) return CachedRect(window, false);
  PlatWindowTag* tag = platqt::Live(window);
  if (!tag) return {};
  QWidget* w = tag->widget;
  QPoint origin = w->mapToGlobal(QPoint(tag->edge, tag->edge));
  return {origin.x(), origin.y(), std::max(0, w->width() - 2 * tag->edge),
          std::max(0, w->height() - 2 * tag->edge)};
}

void Plat_FrameExtents(PlatWindow window, int* extraWidth, int* extraHeight) {
  int ew = 0, eh = 0;
  if (QWidget* w = platqt::WidgetFor(window); w && w->isWindow()) {
    ew = w->frameGeometry().width() - w->width();
    eh = w->frameGeometry().height() - w->height();
  }
  if (extraWidth) *extraWidth = std::max(ew, 0);
  if (extraHeight) *extraHeight = std::max(eh, 0);
}

void Plat_SetOuterRect(PlatWindow window, int x, int y, int width, int height) {
  PlatWindowTag* tag = platqt::Live(window);
  if (!tag) return;
  QWidget* w = tag->widget;
  if (w->isWindow()) {
    int ew = 0, eh = 0;
    Plat_FrameExtents(window, &ew, &eh);
    w->move(x, y);
    w->resize(std::max(width - ew, 1), std::max(height - eh, 1));
  } else {
    const int pe = tag->parent ? tag->parent->edge : 0;
    w->setGeometry(x + pe, y + pe, std::max(width, 0), std::max(height, 0));
  }
  platqt::RefreshGeometry(tag);
}

void Plat_SetClientSize(PlatWindow window, int width, int height) {
  PlatWindowTag* tag = platqt::Live(window);
  if (!tag) return;
  tag->widget->resize(std::max(width + 2 * tag->edge, tag->widget->isWindow() ? 1 : 0),
                      std::max(height + 2 * tag->edge, tag->widget->isWindow() ? 1 : 0));
  platqt::RefreshGeometry(tag);
}

PlatRect Plat_WorkArea() {
  QScreen* screen = gStarted ? QGuiApplication::primaryScreen() : nullptr;
  if (!screen) return {};
  const QRect r = screen->availableGeometry();
  return {r.x(), r.y(), r.width(), r.height()};
}

void Plat_Center(PlatWindow window, PlatWindow on) {
  QWidget* w = platqt::WidgetFor(window);
  if (!w || !w->isWindow()) return;
  QRect area;
  if (QWidget* o = platqt::WidgetFor(on))
    area = o->window()->frameGeometry();
  else if (QScreen* screen = w->screen() ? w->screen() : QGuiApplication::primaryScreen())
    area = screen->availableGeometry();
  const QRect frame = w->frameGeometry();
  w->move(area.x() + (area.width() - frame.width()) / 2,
          area.y() + (area.height() - frame.height()) / 2);
}

void Plat_SetSizeBounds(PlatWindow window, int minWidth, int minHeight, int maxWidth,
                        int maxHeight) {
  QWidget* w = platqt::WidgetFor(window);
  if (!w) return;
  int ew = 0, eh = 0;
  Plat_FrameExtents(window, &ew, &eh);
  w->setMinimumSize(minWidth > 0 ? std::max(minWidth - ew, 0) : 0,
                    minHeight > 0 ? std::max(minHeight - eh, 0) : 0);
  w->setMaximumSize(maxWidth > 0 ? std::max(maxWidth - ew, 1) : QWIDGETSIZE_MAX,
                    maxHeight > 0 ? std::max(maxHeight - eh, 1) : QWIDGETSIZE_MAX);
}

void Plat_Show(PlatWindow window, PlatShow how) {
  QWidget* w = platqt::WidgetFor(window);
  if (!w) return;
  switch (how) {
    case PlatShow::kHide:
      w->hide();
      break;
    case PlatShow::kNormal:
      if (w->isWindow()) {
        w->showNormal();
        w->activateWindow();
      } else {
        w->show();
      }
      break;
    case PlatShow::kNoActivate:
      w->setAttribute(Qt::WA_ShowWithoutActivating, true);
      w->show();
      w->setAttribute(Qt::WA_ShowWithoutActivating, false);
      break;
    case PlatShow::kMinimized:
      w->isWindow() ? w->showMinimized() : w->show();
      break;
    case PlatShow::kMaximized:
      w->isWindow() ? w->showMaximized() : w->show();
      break;
  }
}

bool Plat_IsVisible(PlatWindow window) {
  QWidget* w = platqt::WidgetFor(window);
  return w && w->isVisible();
}

bool Plat_IsMinimized(PlatWindow window) {
  QWidget* w = platqt::WidgetFor(window);
  return w && w->isWindow() && w->isMinimized();
}

bool Plat_IsMaximized(PlatWindow window) {
  QWidget* w = platqt::WidgetFor(window);
  return w && w->isWindow() && w->isMaximized();
}

void Plat_Enable(PlatWindow window, bool enabled) {
  if (QWidget* w = platqt::WidgetFor(window)) w->setEnabled(enabled);
}

bool Plat_IsEnabled(PlatWindow window) {
  QWidget* w = platqt::WidgetFor(window);
  return w && w->isEnabled();
}

void Plat_SetFocus(PlatWindow window) {
  if (QWidget* w = platqt::WidgetFor(window)) w->setFocus(Qt::OtherFocusReason);
}

PlatWindow Plat_Focus() { return gStarted ? platqt::TagOf(QApplication::focusWidget()) : nullptr; }

PlatWindow Plat_ActiveWindow() {
  return gStarted ? platqt::TagOf(QApplication::activeWindow()) : nullptr;
}

void Plat_Activate(PlatWindow window) {
  if (QWidget* w = platqt::WidgetFor(window)) w->window()->activateWindow();
}

void Plat_FocusNext(PlatWindow window, bool forward) {
  QWidget* top = platqt::WidgetFor(Plat_TopLevel(window));
  if (!top) return;
  QWidget* start = QApplication::focusWidget();
  if (!start || start->window() != top) start = top;
  QWidget* w = start;
  for (;;) {
    w = forward ? w->nextInFocusChain() : w->previousInFocusChain();
    if (!w || w == start) return;
    if (w->window() == top && w != top && platqt::TagOf(w) && w->isVisible() && w->isEnabled() &&
        (w->focusPolicy() & Qt::TabFocus)) {
      w->setFocus(forward ? Qt::TabFocusReason : Qt::BacktabFocusReason);
      return;
    }
  }
}

PlatWindow Plat_ChildAt(PlatWindow window, int x, int y) {
  PlatWindowTag* tag = platqt::Live(window);
  if (!tag) return nullptr;
  QWidget* w = tag->widget->childAt(x + tag->edge, y + tag->edge);
  while (w && !platqt::TagOf(w)) w = w->parentWidget();
  return w ? platqt::TagOf(w) : tag;
}

void Plat_SetCapture(PlatWindow window) {
  // The window system already routes the moves and the release of a held
  // button to the window it was pressed in; the capture is bookkeeping.
  gCapture = platqt::Live(window);
}

void Plat_ReleaseCapture() { gCapture = nullptr; }

PlatWindow Plat_Capture() { return platqt::Live(gCapture); }

void Plat_ConfineCursor(PlatWindow window) { gConfined = platqt::Live(window); }

PlatWindow Plat_ConfinedTo() { return platqt::Live(gConfined); }

void Plat_SetCursorShape(PlatWindow window, int shape) {
  if (QWidget* w = platqt::WidgetFor(window)) w->setCursor(QCursor(ShapeFor(shape)));
}

void Plat_CursorPos(PlatWindow window, int* x, int* y) {
  PlatWindowTag* tag = platqt::Live(window);
  QPoint p;
  if (tag) p = tag->widget->mapFromGlobal(QCursor::pos()) - QPoint(tag->edge, tag->edge);
  if (x) *x = p.x();
  if (y) *y = p.y();
}

void Plat_Invalidate(PlatWindow window) {
  if (Plat_IsMainThread()) {
    if (QWidget* w = platqt::WidgetFor(window)) w->update();
    return;
  }
  Plat_PostTask(
      [](void* data) {
        if (QWidget* w = platqt::WidgetFor(static_cast<PlatWindow>(data))) w->update();
      },
      window);
}

void Plat_RepaintNow(PlatWindow window) {
  if (!Plat_IsMainThread()) {
    Plat_Invalidate(window);
    return;
  }
  PlatWindowTag* tag = platqt::Live(window);
  if (!tag || tag->painter) return;
  tag->widget->repaint();
}

void Plat_PaintBitmap(PlatWindow window, const void* pixels, int width, int height, int stride,
                      int x, int y) {
  PlatWindowTag* tag = platqt::Live(window);
  if (!tag || !tag->painter || !pixels || width <= 0 || height <= 0) return;
  // One pass turns the bottom-up BGR rows into the window system's own top-down
  // pixel format, then one plain blit: cheaper than a mirrored draw.
  QImage& image = tag->paintBuffer;
  if (image.width() != width || image.height() != height)
    image = QImage(width, height, QImage::Format_RGB32);
  const auto* base = static_cast<const std::uint8_t*>(pixels);
  for (int row = 0; row < height; ++row) {
    const std::uint8_t* from = base + static_cast<std::ptrdiff_t>(height - 1 - row) * stride;
    auto* to = reinterpret_cast<QRgb*>(image.scanLine(row));
    for (int col = 0; col < width; ++col, from += 3) to[col] = qRgb(from[2], from[1], from[0]);
  }
  tag->painter->drawImage(x + tag->edge, y + tag->edge, image);
}

void Plat_PaintFill(PlatWindow window, int x, int y, int width, int height, std::uint32_t rgb) {
  PlatWindowTag* tag = platqt::Live(window);
  if (!tag || !tag->painter || width <= 0 || height <= 0) return;
  tag->painter->fillRect(x + tag->edge, y + tag->edge, width, height, QColor::fromRgb(rgb));
}

void Plat_PaintFocusRect(PlatWindow window, int x, int y, int width, int height) {
  PlatWindowTag* tag = platqt::Live(window);
  if (!tag || !tag->painter || width <= 1 || height <= 1) return;
  QPainter& p = *tag->painter;
  p.save();
  p.setPen(QPen(Qt::black, 1, Qt::DotLine));
  p.setBrush(Qt::NoBrush);
  p.drawRect(x + tag->edge, y + tag->edge, width - 1, height - 1);
  p.restore();
}

bool Plat_GrabWindow(PlatWindow window, std::vector<std::uint8_t>* pixels, int* width,
                     int* height) {
  PlatWindowTag* tag = platqt::Live(window);
  if (!tag || !pixels || !tag->widget->isVisible()) return false;
  QWidget* w = tag->widget;
  QWidget* top = w->window();
  QScreen* screen = top->screen();
  if (!screen) return false;
  const QPoint at = w->mapTo(top, QPoint(tag->edge, tag->edge));
  const int cw = std::max(0, w->width() - 2 * tag->edge);
  const int ch = std::max(0, w->height() - 2 * tag->edge);
  if (cw == 0 || ch == 0) return false;
  QImage image = screen->grabWindow(top->winId(), at.x(), at.y(), cw, ch).toImage();
  if (image.isNull()) return false;
  image = image.convertToFormat(QImage::Format_BGR888);
  const int gw = image.width(), gh = image.height();
  const int stride = (gw * 3 + 3) & ~3;
  pixels->assign(static_cast<std::size_t>(stride) * gh, 0);
  for (int row = 0; row < gh; ++row)
    std::memcpy(pixels->data() + static_cast<std::size_t>(gh - 1 - row) * stride,
                image.constScanLine(row), static_cast<std::size_t>(gw) * 3);
  if (width) *width = gw;
  if (height) *height = gh;
  return true;
}

void Plat_TextExtent(PlatWindow window, const std::u16string& text, bool multiLine, int* width,
                     int* height) {
  QWidget* w = platqt::WidgetFor(window);
  QFontMetrics metrics(w ? w->font() : QApplication::font());
  QSize size;
  if (multiLine)
    size = metrics.size(0, platqt::ToQString(text));
  else
    size = QSize(metrics.horizontalAdvance(platqt::ToQString(text)), metrics.height());
  if (width) *width = size.width();
  if (height) *height = size.height();
}

int Plat_Metric(PlatMetric metric) {
  switch (metric) {
    case PlatMetric::kEdgeX:
    case PlatMetric::kEdgeY:
      return 2;
  }
  return 0;
}

namespace platqt {
QWidget* WidgetFor(PlatWindow window) {
  PlatWindowTag* tag = Live(window);
  return tag ? tag->widget.data() : nullptr;
}

QString ToQString(const std::u16string& s) {
  return QString(reinterpret_cast<const QChar*>(s.data()), static_cast<qsizetype>(s.size()));
}
std::u16string FromQString(const QString& s) { return FromQ(s); }
}  // namespace platqt
