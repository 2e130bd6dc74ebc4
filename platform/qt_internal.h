// Shared by the Qt binding's files; never included outside platform/.
#pragma once

#include <QImage>
#include <QObject>
#include <QPainter>
#include <QPointer>
#include <QWidget>

#include "platform/platform.h"

struct PlatWindowTag {
  QPointer<QWidget> widget;
  PlatWindowTag* parent = nullptr;
  PlatControlKind kind = PlatControlKind::kPlain;
  std::uint32_t style = 0;
  PlatWindowProc proc = nullptr;
  void* user = nullptr;
  int edge = 0;                 // client edge thickness (client area is inset by it)
  QPainter* painter = nullptr;  // set while the window handles kPlatPaint
  QImage paintBuffer;           // reused by Plat_PaintBitmap
  // Geometry as last seen on the main thread, for questions from other
  // threads (guarded by the live-window lock).
  PlatRect outerCache, clientCache;
  // Set for a window that takes file drops (Plat_AcceptFileDrops).
  PlatDropHandler dropHandler = nullptr;
  void* dropUser = nullptr;
};

namespace platqt {

// Why the window system would find no display (display_check.cpp); empty when
// one is there or the platform plugin needs none.
std::string DisplayProblem();

// The live window for a handle, or null (any thread).
PlatWindowTag* Live(PlatWindow window);
// The handle of a widget made by Plat_CreateWindow, or null.
PlatWindowTag* TagOf(const QObject* object);
// The widget of a live window, or null.
QWidget* WidgetFor(PlatWindow window);
QString ToQString(const std::u16string& s);
std::u16string FromQString(const QString& s);
// Hands a message to the window procedure; remembers its number for
// Plat_WaitMessage.
std::intptr_t Deliver(PlatWindowTag* tag, PlatMessage message);
void NoteMessage(std::uint32_t id);
// Refreshes the geometry other threads see (main thread).
void RefreshGeometry(PlatWindowTag* tag);
void StartPosting();
// Native controls (qt_controls*.cpp): the widget for a control kind, and
// the text of a control widget.
QWidget* MakeControl(const PlatWindowSpec& desc, QWidget* parent);
bool IsControl(const QWidget* widget);
void SetControlText(QWidget* widget, const std::u16string& text);
std::u16string ControlText(const QWidget* widget);
void StopPosting();

// Translates the window system's events into messages for our windows.
class Translator : public QObject {
 public:
  bool eventFilter(QObject* watched, QEvent* event) override;
};

// Drag and drop of files onto a window that takes them (qt_drops.cpp); true
// when the event was handled.
bool HandleFileDrag(PlatWindowTag* tag, QEvent* event);

}  // namespace platqt
