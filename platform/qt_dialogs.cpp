// Qt binding: file dialogs, questions, the desktop's document opener and the
// test hooks that stand in for them.
#include <QApplication>
#include <QDesktopServices>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QKeyEvent>
#include <QMessageBox>
#include <QMouseEvent>
#include <QUrl>
#include <QWheelEvent>

#include "platform/platform_test_hooks.h"
#include "platform/qt_internal.h"

namespace {

using platqt::FromQString;
using platqt::ToQString;

// Set by tests before they run; read on the main thread only.
PlatFileChooser gChooser = nullptr;
PlatQuestionAnswerer gAnswerer = nullptr;
PlatDocumentOpener gOpener = nullptr;

// "Description" + "*.a;*.b" -> "Description (*.a *.b)", the form Qt parses.
QString NameFilter(const std::u16string& description, const std::u16string& filters) {
  QString patterns = ToQString(filters);
  patterns.replace(QLatin1Char(';'), QLatin1Char(' '));
  patterns = patterns.simplified();
  if (patterns.isEmpty()) patterns = QStringLiteral("*");
  return ToQString(description) + QStringLiteral(" (") + patterns + QLatin1Char(')');
}

}  // namespace

PlatFileDialogResult Plat_FileDialog(const PlatFileDialogSpec& desc) {
  if (gChooser) return gChooser(desc);
  PlatFileDialogResult result;
  if (!Plat_IsMainThread()) return result;

  QFileDialog dialog(platqt::WidgetFor(desc.owner), ToQString(desc.title));
  dialog.setOption(QFileDialog::DontUseNativeDialog, false);
  dialog.setOption(QFileDialog::DontConfirmOverwrite, true);  // the caller asks
  dialog.setOption(QFileDialog::ReadOnly, false);
  dialog.setAcceptMode(desc.save ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
  dialog.setFileMode(desc.save          ? QFileDialog::AnyFile
                     : desc.multiSelect ? QFileDialog::ExistingFiles
                                        : QFileDialog::ExistingFile);
  QStringList filters;
  for (const auto& [description, patterns] : desc.filters)
    filters << NameFilter(description, patterns);
  if (!filters.isEmpty()) {
    dialog.setNameFilters(filters);
    if (desc.filterIndex >= 1 && desc.filterIndex <= filters.size())
      dialog.selectNameFilter(filters[desc.filterIndex - 1]);
  }
  if (!desc.directory.empty()) dialog.setDirectory(ToQString(desc.directory));
  if (!desc.fileName.empty()) dialog.selectFile(ToQString(desc.fileName));
  if (dialog.exec() != QDialog::Accepted) return result;

  const QStringList chosen = dialog.selectedFiles();
  if (chosen.isEmpty()) return result;
  result.ok = true;
  result.filterIndex = static_cast<int>(filters.indexOf(dialog.selectedNameFilter())) + 1;
  if (chosen.size() == 1) {
    result.parts.push_back(FromQString(QDir::toNativeSeparators(chosen.front())));
    return result;
  }
  // Several files: the folder first, then the names, as the Win32 dialog
  // hands them back.
  result.parts.push_back(
      FromQString(QDir::toNativeSeparators(QFileInfo(chosen.front()).absolutePath())));
  for (const QString& path : chosen)
    result.parts.push_back(FromQString(QFileInfo(path).fileName()));
  return result;
}

bool Plat_AskYesNo(PlatWindow owner, const std::u16string& title, const std::u16string& text) {
  if (gAnswerer) return gAnswerer(title, text);
  if (!Plat_IsMainThread()) return false;
  return QMessageBox::question(platqt::WidgetFor(owner), ToQString(title), ToQString(text),
                               QMessageBox::Yes | QMessageBox::No,
                               QMessageBox::No) == QMessageBox::Yes;
}

bool Plat_OpenDocument(const std::u16string& path) {
  if (gOpener) return gOpener(path);
  if (path.empty() || !Plat_IsStarted()) return false;
  // A file URL: the desktop opens it with its associated program; the file
  // itself is never executed.
  return QDesktopServices::openUrl(QUrl::fromLocalFile(ToQString(path)));
}

void Plat_TestSetFileChooser(PlatFileChooser chooser) { gChooser = chooser; }
void Plat_TestSetQuestionAnswerer(PlatQuestionAnswerer answerer) { gAnswerer = answerer; }
void Plat_TestSetDocumentOpener(PlatDocumentOpener opener) { gOpener = opener; }

void Plat_TestInput(PlatWindow window, PlatTestInput what, int x, int y, int button, int modifiers,
                    int value, char32_t character) {
  PlatWindowTag* tag = platqt::Live(window);
  if (!tag) return;
  QWidget* w = tag->widget;
  const QPointF local(x + tag->edge, y + tag->edge);
  const QPointF global = w->mapToGlobal(local);
  Qt::KeyboardModifiers mods;
  if (modifiers & kPlatModShift) mods |= Qt::ShiftModifier;
  if (modifiers & kPlatModAlt) mods |= Qt::AltModifier;
  if (modifiers & kPlatModControl) mods |= Qt::ControlModifier;
  const Qt::MouseButton qbutton = button == kPlatButtonRight    ? Qt::RightButton
                                  : button == kPlatButtonMiddle ? Qt::MiddleButton
                                  : button == kPlatButtonLeft   ? Qt::LeftButton
                                                                : Qt::NoButton;
  // Buttons held after the event, tracked across calls like the window system.
  static Qt::MouseButtons held;
  switch (what) {
    case PlatTestInput::kMouseDown:
    case PlatTestInput::kMouseDouble: {
      held |= qbutton;
      QMouseEvent e(what == PlatTestInput::kMouseDown ? QEvent::MouseButtonPress
                                                      : QEvent::MouseButtonDblClick,
                    local, global, qbutton, held, mods);
      QApplication::sendEvent(w, &e);
      break;
    }
    case PlatTestInput::kMouseUp: {
      held &= ~Qt::MouseButtons(qbutton);
      QMouseEvent e(QEvent::MouseButtonRelease, local, global, qbutton, held, mods);
      QApplication::sendEvent(w, &e);
      break;
    }
    case PlatTestInput::kMouseMove: {
      QMouseEvent e(QEvent::MouseMove, local, global, Qt::NoButton, held, mods);
      QApplication::sendEvent(w, &e);
      break;
    }
    case PlatTestInput::kMouseLeave: {
      QEvent e(QEvent::Leave);
      QApplication::sendEvent(w, &e);
      break;
    }
    case PlatTestInput::kWheel: {
      QWheelEvent e(local, global, QPoint(), QPoint(0, value), held, mods, Qt::NoScrollPhase,
                    false);
      QApplication::sendEvent(w, &e);
      break;
    }
    case PlatTestInput::kKeyDown:
    case PlatTestInput::kKeyUp: {
      // Virtual-key codes of letters and digits are Qt's key codes too.
      int key = value == 0x09 ? Qt::Key_Tab : value == 0x0D ? Qt::Key_Return : value;
      if (value == 0x09 && (modifiers & kPlatModShift)) key = Qt::Key_Backtab;
      QString text;
      if (character) text = QString::fromUcs4(&character, 1);
      QKeyEvent e(what == PlatTestInput::kKeyDown ? QEvent::KeyPress : QEvent::KeyRelease, key,
                  mods, text);
      QWidget* target = QApplication::focusWidget();
      if (!target || target->window() != w->window()) target = w;
      QApplication::sendEvent(target, &e);
      break;
    }
  }
}

void Plat_TestRequestClose(PlatWindow window) {
  if (QWidget* w = platqt::WidgetFor(window)) w->close();
}
