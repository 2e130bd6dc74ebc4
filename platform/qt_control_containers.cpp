// Qt binding: the containers' inner areas (panel pages, the scroll area's
// page, the splitter's panes) and the image controls.
#include <QImage>
#include <QLabel>
#include <QPixmap>
#include <QPushButton>
#include <QScrollArea>
#include <QSplitter>
#include <QTabBar>
#include <QTabWidget>

#include "platform/qt_control_internal.h"

namespace {

using platqt::ControlOf;
using platqt::KindOf;

// A page window inside `owner`, made like every other window.
PlatWindow MakePage(PlatWindow owner) {
  PlatWindowSpec desc;
  desc.parent = owner;
  desc.kind = PlatControlKind::kPage;
  desc.style = kPlatStyleChild;
  return Plat_CreateWindow(desc);
}

}  // namespace

PlatWindow PlatCtl_AddPage(PlatWindow panel, int index, const std::u16string& title) {
  QWidget* w = ControlOf(panel);
  if (!w || KindOf(w) != PlatControlKind::kPanel) return nullptr;
  PlatWindow page = MakePage(panel);
  QWidget* pageWidget = ControlOf(page);
  if (!pageWidget) return nullptr;
  auto* tabs = static_cast<QTabWidget*>(w);
  tabs->insertTab(index < 0 ? tabs->count() : index, pageWidget, platqt::ToQString(title));
  pageWidget->show();
  return page;
}

void PlatCtl_PageArea(PlatWindow panel, int* width, int* height) {
  QWidget* w = ControlOf(panel);
  QSize size;
  if (w && KindOf(w) == PlatControlKind::kPanel) {
    auto* tabs = static_cast<QTabWidget*>(w);
    // The page area is what the tab strip and the frame leave.
    const int strip = tabs->tabBar()->sizeHint().height();
    size = QSize(std::max(tabs->width() - 4, 0), std::max(tabs->height() - strip - 4, 0));
    if (QWidget* current = tabs->currentWidget(); current && tabs->isVisible())
      size = current->size();
  }
  if (width) *width = size.width();
  if (height) *height = size.height();
}

int PlatCtl_TabHeight(PlatWindow panel) {
  QWidget* w = ControlOf(panel);
  if (!w || KindOf(w) != PlatControlKind::kPanel) return 0;
  return static_cast<QTabWidget*>(w)->tabBar()->sizeHint().height();
}

PlatWindow PlatCtl_ScrollPage(PlatWindow scrollArea) {
  QWidget* w = ControlOf(scrollArea);
  if (!w || KindOf(w) != PlatControlKind::kScrollArea) return nullptr;
  auto existing = reinterpret_cast<PlatWindow>(w->property("plat_page").value<qulonglong>());
  if (Plat_IsWindow(existing)) return existing;
  PlatWindow page = MakePage(scrollArea);
  QWidget* pageWidget = ControlOf(page);
  if (!pageWidget) return nullptr;
  static_cast<QScrollArea*>(w)->setWidget(pageWidget);
  pageWidget->show();
  w->setProperty("plat_page", QVariant::fromValue(reinterpret_cast<qulonglong>(page)));
  return page;
}

void PlatCtl_SetScrollSize(PlatWindow scrollArea, int width, int height) {
  QWidget* w = ControlOf(scrollArea);
  if (!w || KindOf(w) != PlatControlKind::kScrollArea) return;
  if (QWidget* page = static_cast<QScrollArea*>(w)->widget())
    page->resize(width == -65535 ? page->width() : std::max(width, 0),
                 height == -65535 ? page->height() : std::max(height, 0));
}

void PlatCtl_SetSplitterPanes(PlatWindow splitter, PlatWindow first, PlatWindow second) {
  QWidget* w = ControlOf(splitter);
  PlatWindowTag* tag = platqt::Live(splitter);
  if (!w || KindOf(w) != PlatControlKind::kSplitter) return;
  auto* split = static_cast<QSplitter*>(w);
  for (PlatWindow pane : {first, second}) {
    PlatWindowTag* paneTag = platqt::Live(pane);
    if (!paneTag) continue;
    split->addWidget(paneTag->widget);
    paneTag->parent = tag;  // goes with the splitter now
    paneTag->widget->show();
  }
}

void PlatCtl_SetSplitterMinimum(PlatWindow splitter, int side, int size) {
  QWidget* w = ControlOf(splitter);
  if (!w || KindOf(w) != PlatControlKind::kSplitter || side < 0 || side > 1) return;
  auto* split = static_cast<QSplitter*>(w);
  if (QWidget* pane = split->widget(side)) {
    if (split->orientation() == Qt::Horizontal)
      pane->setMinimumWidth(std::max(size, 0));
    else
      pane->setMinimumHeight(std::max(size, 0));
  }
}

void PlatCtl_SetImage(PlatWindow control, const void* pixels, int width, int height, int stride) {
  QWidget* w = ControlOf(control);
  if (!w) return;
  QPixmap pixmap;
  if (pixels && width > 0 && height > 0) {
    // Bottom-up rows: mirror while copying.
    QImage image(static_cast<const uchar*>(pixels), width, height, stride, QImage::Format_ARGB32);
    pixmap = QPixmap::fromImage(image.mirrored(false, true));
  }
  if (KindOf(w) == PlatControlKind::kImage) {
    static_cast<QLabel*>(w)->setPixmap(pixmap);
  } else if (KindOf(w) == PlatControlKind::kButtonImage) {
    auto* button = static_cast<QPushButton*>(w);
    button->setIcon(QIcon(pixmap));
    button->setIconSize(pixmap.size());
  }
}
