// Qt binding: window-system events turned into messages, the message loop
// and posting from other threads.
#include <QAbstractEventDispatcher>
#include <QApplication>
#include <QCloseEvent>
#include <QCursor>
#include <QElapsedTimer>
#include <QEvent>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QResizeEvent>
#include <QTimer>
#include <QWheelEvent>
#include <QWindowStateChangeEvent>
#include <algorithm>
#include <mutex>

#include "platform/qt_internal.h"

// Qt hands a posted event to the main thread under its own lock, a futex
// that ThreadSanitizer cannot see. These tell it that everything the poster
// wrote before posting happens before the receiver reads the event.
#if defined(__SANITIZE_THREAD__)
extern "C" void __tsan_acquire(void* address);
extern "C" void __tsan_release(void* address);
#define RELIVOX_HAND_OVER(event) __tsan_release(event)
#define RELIVOX_TAKE_OVER(event) __tsan_acquire(event)
#else
#define RELIVOX_HAND_OVER(event) static_cast<void>(event)
#define RELIVOX_TAKE_OVER(event) static_cast<void>(event)
#endif

namespace {

// Main thread only: what Plat_WaitMessage reports.
std::uint32_t gLastMessage = 0;
bool gGotMessage = false;

int Modifiers(Qt::KeyboardModifiers m) {
  int result = 0;
  if (m & Qt::ShiftModifier) result |= kPlatModShift;
  if (m & Qt::AltModifier) result |= kPlatModAlt;
  if (m & Qt::ControlModifier) result |= kPlatModControl;
  return result;
}

int Buttons(Qt::MouseButtons b) {
  int result = 0;
  if (b & Qt::LeftButton) result |= kPlatButtonLeft;
  if (b & Qt::RightButton) result |= kPlatButtonRight;
  if (b & Qt::MiddleButton) result |= kPlatButtonMiddle;
  return result;
}

// Qt key codes to the Win32 virtual-key numbering the runtime reports.
int VirtualKey(int key) {
  if ((key >= Qt::Key_A && key <= Qt::Key_Z) || (key >= Qt::Key_0 && key <= Qt::Key_9)) return key;
  if (key >= Qt::Key_F1 && key <= Qt::Key_F24) return 0x70 + (key - Qt::Key_F1);
  switch (key) {
    case Qt::Key_Backspace:
      return 0x08;
    case Qt::Key_Tab:
    case Qt::Key_Backtab:
      return 0x09;
    case Qt::Key_Return:
    case Qt::Key_Enter:
      return 0x0D;
    case Qt::Key_Shift:
      return 0x10;
    case Qt::Key_Control:
      return 0x11;
    case Qt::Key_Alt:
      return 0x12;
    case Qt::Key_Pause:
      return 0x13;
    case Qt::Key_CapsLock:
      return 0x14;
    case Qt::Key_Escape:
      return 0x1B;
    case Qt::Key_Space:
      return 0x20;
    case Qt::Key_PageUp:
      return 0x21;
    case Qt::Key_PageDown:
      return 0x22;
    case Qt::Key_End:
      return 0x23;
    case Qt::Key_Home:
      return 0x24;
    case Qt::Key_Left:
      return 0x25;
    case Qt::Key_Up:
      return 0x26;
    case Qt::Key_Right:
      return 0x27;
    case Qt::Key_Down:
      return 0x28;
    case Qt::Key_Insert:
      return 0x2D;
    case Qt::Key_Delete:
      return 0x2E;
    default:
      return key & 0xFFFF;
  }
}

int SizeKind(const QWidget* w) {
  if (w->isMinimized()) return kPlatSizeMinimized;
  if (w->isMaximized()) return kPlatSizeMaximized;
  return kPlatSizeRestored;
}

PlatMessage SizeMessage(PlatWindowTag* tag) {
  PlatMessage m;
  m.id = kPlatSize;
  m.wParam = SizeKind(tag->widget);
  m.x = std::max(0, tag->widget->width() - 2 * tag->edge);
  m.y = std::max(0, tag->widget->height() - 2 * tag->edge);
  m.lParam = (m.x & 0xFFFF) | ((m.y & 0xFFFF) << 16);
  return m;
}

void DrawClientEdge(QPainter& p, const QRect& r) {
  // The sunken 2-pixel edge: dark over light, like a Win32 client edge.
  p.setPen(QColor(160, 160, 160));
  p.drawLine(r.left(), r.top(), r.right(), r.top());
  p.drawLine(r.left(), r.top(), r.left(), r.bottom());
  p.setPen(QColor(105, 105, 105));
  p.drawLine(r.left() + 1, r.top() + 1, r.right() - 1, r.top() + 1);
  p.drawLine(r.left() + 1, r.top() + 1, r.left() + 1, r.bottom() - 1);
  p.setPen(QColor(255, 255, 255));
  p.drawLine(r.left(), r.bottom(), r.right(), r.bottom());
  p.drawLine(r.right(), r.top(), r.right(), r.bottom());
  p.setPen(QColor(227, 227, 227));
  p.drawLine(r.left() + 1, r.bottom() - 1, r.right() - 1, r.bottom() - 1);
  p.drawLine(r.right() - 1, r.top() + 1, r.right() - 1, r.bottom() - 1);
}

bool MouseMessage(PlatWindowTag* tag, QMouseEvent* e, std::uint32_t id) {
  PlatMessage m;
  m.id = id;
  const QPoint pos = e->position().toPoint();
  m.x = pos.x() - tag->edge;
  m.y = pos.y() - tag->edge;
  m.buttons = Buttons(e->buttons());
  m.modifiers = Modifiers(e->modifiers());
  m.lParam = (m.x & 0xFFFF) | ((m.y & 0xFFFF) << 16);
  m.wParam = m.buttons;
  platqt::Deliver(tag, m);
  return tag->kind == PlatControlKind::kPlain;
}

std::uint32_t ButtonMessage(Qt::MouseButton button, QEvent::Type type) {
  const int base = button == Qt::LeftButton     ? int(kPlatLButtonDown)
                   : button == Qt::RightButton  ? int(kPlatRButtonDown)
                   : button == Qt::MiddleButton ? int(kPlatMButtonDown)
                                                : 0;
  if (!base) return 0;
  if (type == QEvent::MouseButtonPress) return base;
  if (type == QEvent::MouseButtonRelease) return base + 1;
  return base + 2;
}

// Keeps the pointer inside the window the cursor is confined to.
void Confine(QMouseEvent* e) {
  PlatWindow confined = Plat_ConfinedTo();
  if (!confined) return;
  PlatRect r = Plat_ClientRect(confined);
  if (r.width <= 0 || r.height <= 0) return;
  const QPoint g = e->globalPosition().toPoint();
  const int x = std::clamp(g.x(), r.x, r.x + r.width - 1);
  const int y = std::clamp(g.y(), r.y, r.y + r.height - 1);
  if (x != g.x() || y != g.y()) QCursor::setPos(x, y);
}

// Receives posted messages and tasks on the main thread.
class PostEvent : public QEvent {
 public:
  static QEvent::Type Kind() {
    static const auto kind = static_cast<QEvent::Type>(QEvent::registerEventType());
    return kind;
  }
  PostEvent() : QEvent(Kind()) {}
  // A message that never reached its window, or a task that never ran
  // (shut-down), still frees its data.
  ~PostEvent() override {
    RELIVOX_TAKE_OVER(this);
    if (!delivered && drop) drop(dropData);
  }
  bool delivered = false;
  PlatWindow window = nullptr;
  PlatMessage message;
  void (*drop)(void*) = nullptr;
  void* dropData = nullptr;
  void (*task)(void*) = nullptr;
  void* taskData = nullptr;
};

class Receiver : public QObject {
 public:
  bool event(QEvent* e) override {
    RELIVOX_TAKE_OVER(e);
    if (e->type() != PostEvent::Kind()) return QObject::event(e);
    auto* post = static_cast<PostEvent*>(e);
    post->delivered = true;
    if (post->task) {
      platqt::NoteMessage(kPlatUser);
      post->task(post->taskData);
    } else if (PlatWindowTag* tag = platqt::Live(post->window)) {
      platqt::Deliver(tag, post->message);
    } else if (post->drop) {
      post->drop(post->dropData);
    }
    return true;
  }
};

// Lives on the main thread from Plat_Startup to Plat_Shutdown. Other threads
// post to it, so it is read and dropped under gPostMutex.
Receiver* gReceiver = nullptr;
std::mutex gPostMutex;

// Posts under the lock, so that shut-down cannot delete the receiver in
// between; false when posting has stopped.
bool PostToReceiver(QEvent* event) {
  std::lock_guard lock(gPostMutex);
  if (!Plat_IsStarted() || !gReceiver) return false;
  RELIVOX_HAND_OVER(event);
  QCoreApplication::postEvent(gReceiver, event);
  return true;
}

}  // namespace

namespace platqt {

void StartPosting() {
  auto* receiver = new Receiver;
  std::lock_guard lock(gPostMutex);
  gReceiver = receiver;
}

void StopPosting() {
  Receiver* receiver;
  {
    std::lock_guard lock(gPostMutex);
    receiver = gReceiver;
    gReceiver = nullptr;
  }
  delete receiver;  // drops (and frees) what was never delivered
}

void NoteMessage(std::uint32_t id) {
  gLastMessage = id;
  gGotMessage = true;
}

std::intptr_t Deliver(PlatWindowTag* tag, PlatMessage message) {
  NoteMessage(message.id);
  if (!tag->proc) return 0;
  message.window = tag;
  return tag->proc(message, tag->user);
}

bool Translator::eventFilter(QObject* watched, QEvent* event) {
  PlatWindowTag* tag = TagOf(watched);
  if (!tag) return false;
  QWidget* w = tag->widget;
  const bool plain = tag->kind == PlatControlKind::kPlain;
  switch (event->type()) {
    case QEvent::Paint: {
      if (!plain) return false;
      QPainter painter(w);
      tag->painter = &painter;
      PlatMessage m;
      m.id = kPlatPaint;
      Deliver(tag, m);
      if ((tag = Live(tag))) {
        tag->painter = nullptr;
        if (tag->edge) DrawClientEdge(painter, w->rect());
      }
      return true;
    }
    case QEvent::Resize: {
      RefreshGeometry(tag);
      if (!w->isMinimized()) Deliver(tag, SizeMessage(tag));
      return false;
    }
    case QEvent::WindowStateChange: {
      if (!w->isWindow()) return false;
      auto* change = static_cast<QWindowStateChangeEvent*>(event);
      // Size changes report themselves; report the state changes that move
      // no border (minimise, and restore from the taskbar).
      if (w->isMinimized() || (change->oldState() & Qt::WindowMinimized) ||
          w->isMaximized() != bool(change->oldState() & Qt::WindowMaximized))
        Deliver(tag, SizeMessage(tag));
      return false;
    }
    case QEvent::Move: {
      RefreshGeometry(tag);
      if (!w->isWindow()) return false;
      PlatMessage m;
      m.id = kPlatMove;
      m.x = w->x();
      m.y = w->y();
      m.lParam = (m.x & 0xFFFF) | ((m.y & 0xFFFF) << 16);
      Deliver(tag, m);
      return false;
    }
    case QEvent::Close: {
      // The application decides; the window stays.
      event->ignore();
      PlatMessage m;
      m.id = kPlatClose;
      Deliver(tag, m);
      return true;
    }
    case QEvent::WindowActivate:
    case QEvent::WindowDeactivate: {
      if (!w->isWindow()) return false;
      PlatMessage m;
      m.id = kPlatActivate;
      m.wParam = event->type() == QEvent::WindowActivate ? 1 : 0;
      Deliver(tag, m);
      return false;
    }
    case QEvent::FocusIn:
    case QEvent::FocusOut: {
      PlatMessage m;
      m.id = event->type() == QEvent::FocusIn ? kPlatSetFocus : kPlatKillFocus;
      Deliver(tag, m);
      return false;
    }
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonRelease:
    case QEvent::MouseButtonDblClick: {
      auto* e = static_cast<QMouseEvent*>(event);
      const std::uint32_t id = ButtonMessage(e->button(), event->type());
      if (!id) return plain;
      return MouseMessage(tag, e, id);
    }
    case QEvent::MouseMove: {
      auto* e = static_cast<QMouseEvent*>(event);
      Confine(e);
      return MouseMessage(tag, e, kPlatMouseMove);
    }
    case QEvent::Leave: {
      PlatMessage m;
      m.id = kPlatMouseLeave;
      Deliver(tag, m);
      return false;
    }
    case QEvent::Wheel: {
      auto* e = static_cast<QWheelEvent*>(event);
      PlatMessage m;
      m.id = kPlatMouseWheel;
      const QPoint pos = e->position().toPoint();
      m.x = pos.x() - tag->edge;
      m.y = pos.y() - tag->edge;
      m.buttons = Buttons(e->buttons());
      m.modifiers = Modifiers(e->modifiers());
      m.wheelDelta = e->angleDelta().y();
      m.wParam = m.wheelDelta;
      Deliver(tag, m);
      return plain;
    }
    case QEvent::DragEnter:
    case QEvent::DragMove:
    case QEvent::Drop:
      return HandleFileDrag(tag, event);
    case QEvent::ShortcutOverride:
      return false;
    case QEvent::KeyPress: {
      auto* e = static_cast<QKeyEvent*>(event);
      const bool tab = (e->key() == Qt::Key_Tab || e->key() == Qt::Key_Backtab) &&
                       !(e->modifiers() & (Qt::ControlModifier | Qt::AltModifier));
      if (tab) {
        // The Tab accelerators of the top-level window move the focus.
        PlatMessage m;
        m.id = kPlatCommand;
        m.wParam = (e->key() == Qt::Key_Backtab || (e->modifiers() & Qt::ShiftModifier))
                       ? kPlatCommandPreviousControl
                       : kPlatCommandNextControl;
        if (PlatWindowTag* top = Live(Plat_TopLevel(tag))) Deliver(top, m);
        return true;
      }
      PlatMessage m;
      m.id = kPlatKeyDown;
      m.key = VirtualKey(e->key());
      m.wParam = m.key;
      m.modifiers = Modifiers(e->modifiers());
      Deliver(tag, m);
      const QString text = e->text();
      for (qsizetype i = 0; i < text.size() && Live(tag); ++i) {
        char32_t c = text[i].unicode();
        if (text[i].isHighSurrogate() && i + 1 < text.size() && text[i + 1].isLowSurrogate()) {
          c = QChar::surrogateToUcs4(text[i], text[i + 1]);
          ++i;
        }
        PlatMessage cm;
        cm.id = kPlatChar;
        cm.character = c;
        cm.wParam = static_cast<std::intptr_t>(c);
        cm.modifiers = m.modifiers;
        Deliver(tag, cm);
      }
      return plain;
    }
    case QEvent::KeyRelease: {
      auto* e = static_cast<QKeyEvent*>(event);
      if (e->key() == Qt::Key_Tab || e->key() == Qt::Key_Backtab) return true;
      PlatMessage m;
      m.id = kPlatKeyUp;
      m.key = VirtualKey(e->key());
      m.wParam = m.key;
      m.modifiers = Modifiers(e->modifiers());
      Deliver(tag, m);
      return plain;
    }
    default:
      return false;
  }
}

}  // namespace platqt

std::uint32_t Plat_WaitMessage(int timeoutMs) {
  if (!Plat_IsMainThread()) return 0;
  // Windows destroyed by their own handlers are deleted here, outside them.
  QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
  const std::uint32_t savedLast = gLastMessage;
  const bool savedGot = gGotMessage;
  gLastMessage = 0;
  gGotMessage = false;
  if (timeoutMs == 0) {
    QCoreApplication::processEvents(QEventLoop::AllEvents);
  } else {
    QElapsedTimer clock;
    clock.start();
    QTimer wake;  // only wakes the wait at the deadline
    wake.setSingleShot(true);
    while (!gGotMessage) {
      if (timeoutMs > 0) {
        const qint64 left = timeoutMs - clock.elapsed();
        if (left <= 0) break;
        wake.start(static_cast<int>(left));
      }
      QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    }
  }
  const std::uint32_t result = gGotMessage ? gLastMessage : 0;
  // A wait nested in a handler leaves the outer wait's report intact.
  gLastMessage = savedGot ? savedLast : gLastMessage;
  gGotMessage = savedGot || gGotMessage;
  return result;
}

void Plat_PostMessage(PlatWindow window, const PlatMessage& message, void (*drop)(void* data),
                      void* dropData) {
  auto* post = new PostEvent;
  post->window = window;
  post->message = message;
  post->drop = drop;
  post->dropData = dropData;
  if (!PostToReceiver(post)) delete post;  // frees the data through drop
}

bool Plat_PostTask(void (*fn)(void* data), void* data, void (*drop)(void* data)) {
  if (!fn) return false;
  auto* post = new PostEvent;
  post->task = fn;
  post->taskData = data;
  post->drop = drop;
  post->dropData = data;
  if (PostToReceiver(post)) return true;
  post->drop = nullptr;  // refused: the data stays the caller's
  delete post;
  return false;
}
