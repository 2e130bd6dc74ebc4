// Shared by the Qt control files; never included outside platform/.
#pragma once

#include <QPushButton>
#include <QString>

#include "platform/controls.h"
#include "platform/qt_internal.h"

namespace platqt {

// Tells the control's top-level window about a user action.
void Notify(QWidget* control, int code);
// The control widget of a handle when it is of one of the given kinds.
QWidget* ControlOf(PlatWindow window);
PlatControlKind KindOf(const QWidget* widget);
QString ToQString(const std::u16string& s);
std::u16string FromQString(const QString& s);
// 0xBBGGRR to a colour.
QColor FromColorRef(std::int64_t color);

// A push button whose caption may be aligned or wrapped: the caption is
// then a label inside the button, since a plain push button centres a
// single line.
class CaptionButton : public QPushButton {
 public:
  CaptionButton(std::uint32_t options, QWidget* parent);
  void SetCaption(const QString& text);
  QString Caption() const;

 private:
  class QLabel* label_ = nullptr;
};

}  // namespace platqt
