// Qt binding: values, ranges, colours and items of the controls.
#include <QAbstractButton>
#include <QApplication>
#include <QButtonGroup>
#include <QCalendarWidget>
#include <QCheckBox>
#include <QComboBox>
#include <QFileSystemModel>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QProgressBar>
#include <QScrollBar>
#include <QSlider>
#include <QSpinBox>
#include <QTabWidget>
#include <QTreeWidget>

#include "platform/qt_control_internal.h"

namespace {

using platqt::ControlOf;
using platqt::KindOf;

int Clamp32(std::int64_t v) {
  return static_cast<int>(std::clamp<std::int64_t>(v, INT32_MIN, INT32_MAX));
}

// An IP address as the 32-bit number a.b.c.d = a << 24 | b << 16 | c << 8 | d.
std::int64_t IpValue(const QString& text) {
  const QStringList parts = text.split(QLatin1Char('.'));
  std::int64_t value = 0;
  for (int i = 0; i < 4; ++i)
    value = (value << 8) | (i < parts.size() ? (parts[i].trimmed().toInt() & 0xFF) : 0);
  return value;
}

QString IpText(std::int64_t v) {
  return QStringLiteral("%1.%2.%3.%4")
      .arg((v >> 24) & 0xFF)
      .arg((v >> 16) & 0xFF)
      .arg((v >> 8) & 0xFF)
      .arg(v & 0xFF);
}

// The progress bar keeps its range aside: the busy animation needs (0, 0).
void ProgressRange(QProgressBar* bar, std::int64_t* low, std::int64_t* high) {
  *low = bar->property("plat_low").toLongLong();
  *high = bar->property("plat_high").toLongLong();
}

}  // namespace

void PlatCtl_SetValue(PlatWindow control, std::int64_t value) {
  QWidget* w = ControlOf(control);
  if (!w) return;
  switch (KindOf(w)) {
    case PlatControlKind::kButton:
    case PlatControlKind::kButtonImage:
      static_cast<QAbstractButton*>(w)->setChecked(value != 0);
      break;
    case PlatControlKind::kOption: {
      // An exclusive group keeps one button checked; the program may still
      // clear it.
      auto* button = static_cast<QAbstractButton*>(w);
      QButtonGroup* group = button->group();
      const bool exclusive = group && group->exclusive();
      if (exclusive && !value) group->setExclusive(false);
      button->setChecked(value != 0);
      if (exclusive && !value) group->setExclusive(true);
      break;
    }
    case PlatControlKind::kCheckBox: {
      auto* box = static_cast<QCheckBox*>(w);
      box->setCheckState(value == 2 && box->isTristate() ? Qt::PartiallyChecked
                         : value                         ? Qt::Checked
                                                         : Qt::Unchecked);
      break;
    }
    case PlatControlKind::kProgressBar: {
      auto* bar = static_cast<QProgressBar*>(w);
      if (bar->maximum() == bar->minimum() && bar->property("plat_marquee").toBool()) break;
      bar->setValue(std::clamp(Clamp32(value), bar->minimum(), bar->maximum()));
      break;
    }
    case PlatControlKind::kScrollBar:
    case PlatControlKind::kTrackBar:
      static_cast<QAbstractSlider*>(w)->setValue(Clamp32(value));
      break;
    case PlatControlKind::kSpin:
      static_cast<QSpinBox*>(w)->setValue(Clamp32(value));
      break;
    case PlatControlKind::kComboBox:
    case PlatControlKind::kExplorerCombo:
      static_cast<QComboBox*>(w)->setCurrentIndex(Clamp32(value));
      break;
    case PlatControlKind::kListView:
      static_cast<QListWidget*>(w)->setCurrentRow(Clamp32(value));
      break;
    case PlatControlKind::kListIcon:
    case PlatControlKind::kTree: {
      auto* tree = static_cast<QTreeWidget*>(w);
      QTreeWidgetItemIterator it(tree);
      for (std::int64_t i = 0; *it && i < value; ++i) ++it;
      tree->setCurrentItem(value >= 0 ? *it : nullptr);
      break;
    }
    case PlatControlKind::kPanel:
      static_cast<QTabWidget*>(w)->setCurrentIndex(Clamp32(value));
      break;
    case PlatControlKind::kIpAddress:
      static_cast<QLineEdit*>(w)->setText(IpText(value));
      break;
    case PlatControlKind::kCalendar:
      // Days since 1970-01-01.
      static_cast<QCalendarWidget*>(w)->setSelectedDate(QDate(1970, 1, 1).addDays(value));
      break;
    default:
      break;
  }
}

std::int64_t PlatCtl_Value(PlatWindow control) {
  QWidget* w = ControlOf(control);
  if (!w) return 0;
  switch (KindOf(w)) {
    case PlatControlKind::kButton:
    case PlatControlKind::kButtonImage:
    case PlatControlKind::kOption:
      return static_cast<QAbstractButton*>(w)->isChecked() ? 1 : 0;
    case PlatControlKind::kCheckBox: {
      const Qt::CheckState state = static_cast<QCheckBox*>(w)->checkState();
      return state == Qt::Checked ? 1 : state == Qt::PartiallyChecked ? 2 : 0;
    }
    case PlatControlKind::kProgressBar:
      return static_cast<QProgressBar*>(w)->value();
    case PlatControlKind::kScrollBar:
    case PlatControlKind::kTrackBar:
      return static_cast<QAbstractSlider*>(w)->value();
    case PlatControlKind::kSpin:
      return static_cast<QSpinBox*>(w)->value();
    case PlatControlKind::kComboBox:
    case PlatControlKind::kExplorerCombo:
      return static_cast<QComboBox*>(w)->currentIndex();
    case PlatControlKind::kListView:
      return static_cast<QListWidget*>(w)->currentRow();
    case PlatControlKind::kListIcon:
    case PlatControlKind::kTree: {
      auto* tree = static_cast<QTreeWidget*>(w);
      std::int64_t i = 0;
      for (QTreeWidgetItemIterator it(tree); *it; ++it, ++i)
        if (*it == tree->currentItem()) return i;
      return -1;
    }
    case PlatControlKind::kPanel:
      return static_cast<QTabWidget*>(w)->currentIndex();
    case PlatControlKind::kIpAddress:
      return IpValue(static_cast<QLineEdit*>(w)->text());
    case PlatControlKind::kCalendar:
      return QDate(1970, 1, 1).daysTo(static_cast<QCalendarWidget*>(w)->selectedDate());
    default:
      return 0;
  }
}

void PlatCtl_SetRange(PlatWindow control, std::int64_t low, std::int64_t high) {
  QWidget* w = ControlOf(control);
  if (!w) return;
  switch (KindOf(w)) {
    case PlatControlKind::kProgressBar: {
      auto* bar = static_cast<QProgressBar*>(w);
      bar->setProperty("plat_low", static_cast<qlonglong>(Clamp32(low)));
      bar->setProperty("plat_high", static_cast<qlonglong>(Clamp32(high)));
      if (!bar->property("plat_marquee").toBool()) bar->setRange(Clamp32(low), Clamp32(high));
      break;
    }
    case PlatControlKind::kScrollBar:
    case PlatControlKind::kTrackBar:
      static_cast<QAbstractSlider*>(w)->setRange(Clamp32(low), Clamp32(high));
      break;
    case PlatControlKind::kSpin:
      static_cast<QSpinBox*>(w)->setRange(Clamp32(low), Clamp32(high));
      break;
    default:
      break;
  }
}

void PlatCtl_Range(PlatWindow control, std::int64_t* low, std::int64_t* high) {
  std::int64_t l = 0, h = 0;
  QWidget* w = ControlOf(control);
  switch (w ? KindOf(w) : PlatControlKind::kPlain) {
    case PlatControlKind::kProgressBar:
      ProgressRange(static_cast<QProgressBar*>(w), &l, &h);
      break;
    case PlatControlKind::kScrollBar:
    case PlatControlKind::kTrackBar:
      l = static_cast<QAbstractSlider*>(w)->minimum();
      h = static_cast<QAbstractSlider*>(w)->maximum();
      break;
    case PlatControlKind::kSpin:
      l = static_cast<QSpinBox*>(w)->minimum();
      h = static_cast<QSpinBox*>(w)->maximum();
      break;
    default:
      break;
  }
  if (low) *low = l;
  if (high) *high = h;
}

void PlatCtl_SetPage(PlatWindow control, int page) {
  QWidget* w = ControlOf(control);
  if (w && KindOf(w) == PlatControlKind::kScrollBar)
    static_cast<QScrollBar*>(w)->setPageStep(std::max(page, 1));
}

void PlatCtl_SetMarquee(PlatWindow control, bool on, int intervalMs) {
  QWidget* w = ControlOf(control);
  if (!w || KindOf(w) != PlatControlKind::kProgressBar) return;
  auto* bar = static_cast<QProgressBar*>(w);
  bar->setProperty("plat_marquee", on);
  bar->setProperty("plat_marquee_interval", intervalMs);
  std::int64_t low = 0, high = 0;
  ProgressRange(bar, &low, &high);
  // A (0, 0) range is the platform's busy animation.
  if (on)
    bar->setRange(0, 0);
  else
    bar->setRange(Clamp32(low), Clamp32(high));
}

bool PlatCtl_IsMarquee(PlatWindow control) {
  QWidget* w = ControlOf(control);
  return w && KindOf(w) == PlatControlKind::kProgressBar && w->property("plat_marquee").toBool();
}

void PlatCtl_SetColors(PlatWindow control, std::int64_t bar, std::int64_t background) {
  QWidget* w = ControlOf(control);
  if (!w) return;
  // -1 goes back to the application's own colour.
  const QPalette standard = QApplication::palette(w);
  QPalette palette = w->palette();
  palette.setColor(QPalette::Highlight,
                   bar == -1 ? standard.color(QPalette::Highlight) : platqt::FromColorRef(bar));
  for (auto role : {QPalette::Base, QPalette::Window, QPalette::Button})
    palette.setColor(role,
                     background == -1 ? standard.color(role) : platqt::FromColorRef(background));
  w->setPalette(palette);
}

void PlatCtl_SetTextColor(PlatWindow control, std::int64_t color) {
  QWidget* w = ControlOf(control);
  if (!w) return;
  QPalette palette = w->palette();
  palette.setColor(QPalette::WindowText, platqt::FromColorRef(color));
  palette.setColor(QPalette::Text, platqt::FromColorRef(color));
  w->setPalette(palette);
}

int PlatCtl_AddItem(PlatWindow control, int index, const std::u16string& text, int parent) {
  QWidget* w = ControlOf(control);
  if (!w) return -1;
  const QString t = platqt::ToQString(text);
  switch (KindOf(w)) {
    case PlatControlKind::kListView: {
      auto* list = static_cast<QListWidget*>(w);
      const int at = index < 0 || index > list->count() ? list->count() : index;
      list->insertItem(at, t);
      return at;
    }
    case PlatControlKind::kComboBox: {
      auto* combo = static_cast<QComboBox*>(w);
      const int at = index < 0 || index > combo->count() ? combo->count() : index;
      combo->insertItem(at, t);
      return at;
    }
    case PlatControlKind::kListIcon:
    case PlatControlKind::kTree: {
      auto* tree = static_cast<QTreeWidget*>(w);
      QTreeWidgetItem* above = nullptr;
      if (parent >= 0 && KindOf(w) == PlatControlKind::kTree) {
        QTreeWidgetItemIterator it(tree);
        for (int i = 0; *it && i < parent; ++i) ++it;
        above = *it;
      }
      auto* item = new QTreeWidgetItem(QStringList(t));
      if (tree->property("plat_checkboxes").toBool()) item->setCheckState(0, Qt::Unchecked);
      if (above)
        above->addChild(item);
      else if (index < 0 || index > tree->topLevelItemCount())
        tree->addTopLevelItem(item);
      else
        tree->insertTopLevelItem(index, item);
      if (above) above->setExpanded(true);
      int i = 0;
      for (QTreeWidgetItemIterator it(tree); *it; ++it, ++i)
        if (*it == item) return i;
      return -1;
    }
    default:
      return -1;
  }
}

void PlatCtl_ClearItems(PlatWindow control) {
  QWidget* w = ControlOf(control);
  if (!w) return;
  if (auto* list = qobject_cast<QListWidget*>(w)) list->clear();
  if (auto* combo = qobject_cast<QComboBox*>(w); combo && KindOf(w) == PlatControlKind::kComboBox)
    combo->clear();
  if (auto* tree = qobject_cast<QTreeWidget*>(w)) tree->clear();
}

int PlatCtl_ItemCount(PlatWindow control) {
  QWidget* w = ControlOf(control);
  if (!w) return 0;
  if (auto* list = qobject_cast<QListWidget*>(w)) return list->count();
  if (auto* combo = qobject_cast<QComboBox*>(w)) return combo->count();
  if (auto* tree = qobject_cast<QTreeWidget*>(w)) {
    int n = 0;
    for (QTreeWidgetItemIterator it(tree); *it; ++it) ++n;
    return n;
  }
  if (auto* tabs = qobject_cast<QTabWidget*>(w)) return tabs->count();
  // Explorer views: the entries of the folder shown (read in the background).
  if (auto* view = qobject_cast<QAbstractItemView*>(w))
    if (auto* model = qobject_cast<QFileSystemModel*>(view->model()))
      return model->rowCount(view->rootIndex());
  return 0;
}

std::u16string PlatCtl_ItemText(PlatWindow control, int index) {
  QWidget* w = ControlOf(control);
  QString t;
  if (!w || index < 0) return {};
  if (auto* list = qobject_cast<QListWidget*>(w)) {
    if (auto* item = list->item(index)) t = item->text();
  } else if (auto* combo = qobject_cast<QComboBox*>(w)) {
    t = combo->itemText(index);
  } else if (auto* tree = qobject_cast<QTreeWidget*>(w)) {
    QTreeWidgetItemIterator it(tree);
    for (int i = 0; *it && i < index; ++i) ++it;
    if (*it) t = (*it)->text(0);
  } else if (auto* tabs = qobject_cast<QTabWidget*>(w)) {
    t = tabs->tabText(index);
  }
  return platqt::FromQString(t);
}

int PlatCtl_RowHeight(PlatWindow control) {
  QWidget* w = ControlOf(control);
  auto* view = qobject_cast<QAbstractItemView*>(w);
  if (!view) return 0;
  const int hint = view->sizeHintForRow(0);
  return hint > 0 ? hint : view->fontMetrics().height() + 2;
}
