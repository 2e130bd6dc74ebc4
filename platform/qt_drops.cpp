// Qt binding: files dragged onto a window from the desktop, and the test
// hook that drags them there through the same delivery.
#include <QApplication>
#include <QDropEvent>
#include <QMimeData>
#include <QUrl>
#include <QWindow>

#include "platform/platform_test_hooks.h"
#include "platform/qt_internal.h"

namespace {

// The local files a drag carries, in its order; links to anything else
// (web addresses, text) are no files the program could read.
std::vector<std::u16string> LocalFiles(const QMimeData* data) {
  std::vector<std::u16string> paths;
  if (!data || !data->hasUrls()) return paths;
  for (const QUrl& url : data->urls())
    if (url.isLocalFile() && !url.toLocalFile().isEmpty())
      paths.push_back(platqt::FromQString(url.toLocalFile()));
  return paths;
}

}  // namespace

namespace platqt {

bool HandleFileDrag(PlatWindowTag* tag, QEvent* event) {
  if (!tag->dropHandler) return false;
  switch (event->type()) {
    case QEvent::DragEnter:
    case QEvent::DragMove: {
      auto* drag = static_cast<QDropEvent*>(event);
      if (LocalFiles(drag->mimeData()).empty()) {
        drag->ignore();
      } else {
        // Copy, never move: the desktop must not delete what was dropped.
        drag->setDropAction(Qt::CopyAction);
        drag->accept();
      }
      return true;
    }
    case QEvent::Drop: {
      auto* drop = static_cast<QDropEvent*>(event);
      const std::vector<std::u16string> paths = LocalFiles(drop->mimeData());
      if (paths.empty()) {
        drop->ignore();
        return true;
      }
      drop->setDropAction(Qt::CopyAction);
      drop->accept();
      // The handler may close the window: nothing of `tag` is used after it.
      tag->dropHandler(tag, paths, tag->dropUser);
      return true;
    }
    default:
      return false;
  }
}

}  // namespace platqt

void Plat_AcceptFileDrops(PlatWindow window, PlatDropHandler handler, void* user) {
  PlatWindowTag* tag = platqt::Live(window);
  if (!tag || !Plat_IsMainThread() || !tag->widget->isWindow()) return;
  tag->dropHandler = handler;
  tag->dropUser = user;
  // Children that take no drops hand them up to the window.
  tag->widget->setAcceptDrops(handler != nullptr);
}

bool Plat_TestDropFiles(PlatWindow window, const std::vector<std::u16string>& paths, int x, int y) {
  PlatWindowTag* tag = platqt::Live(window);
  if (!tag || !tag->widget->isWindow() || !tag->widget->windowHandle()) return false;
  QMimeData data;
  QList<QUrl> urls;
  for (const std::u16string& path : paths)
    urls.append(QUrl::fromLocalFile(platqt::ToQString(path)));
  data.setUrls(urls);
  // Delivered to the native window as the window system's drags are: Qt
  // finds the widget under the point that takes drops.
  QWindow* native = tag->widget->windowHandle();
  const QPoint at(x, y);
  const Qt::DropActions actions = Qt::CopyAction | Qt::MoveAction | Qt::LinkAction;
  QDragEnterEvent enter(at, actions, &data, Qt::LeftButton, Qt::NoModifier);
  QApplication::sendEvent(native, &enter);
  QDragMoveEvent move(at, actions, &data, Qt::LeftButton, Qt::NoModifier);
  QApplication::sendEvent(native, &move);
  if (!move.isAccepted()) {
    QDragLeaveEvent leave;
    QApplication::sendEvent(native, &leave);
    return false;
  }
  QDropEvent drop(QPointF(at), actions, &data, Qt::LeftButton, Qt::NoModifier);
  QApplication::sendEvent(native, &drop);
  return drop.isAccepted();
}
