// Qt binding: the text of each control kind (caption, content, title, path
// or address, whichever the kind has).
#include <QCheckBox>
#include <QComboBox>
#include <QDateEdit>
#include <QDir>
#include <QFileSystemModel>
#include <QGroupBox>
#include <QKeySequenceEdit>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QRadioButton>
#include <QSpinBox>
#include <QTabWidget>
#include <QTextBrowser>
#include <QTreeView>
#include <QTreeWidget>

#include "platform/qt_control_internal.h"

namespace platqt {

namespace {

QFileSystemModel* FileModel(QWidget* w) {
  auto* view = qobject_cast<QAbstractItemView*>(w);
  return view ? qobject_cast<QFileSystemModel*>(view->model()) : nullptr;
}

void SetExplorerPath(QWidget* w, const QString& path) {
  const QString folder = path.isEmpty() ? QDir::homePath() : path;
  w->setProperty("plat_path", folder);
  if (auto* combo = qobject_cast<QComboBox*>(w)) {
    // The folder and the folders above it.
    combo->clear();
    QDir dir(folder);
    for (;;) {
      combo->addItem(QDir::toNativeSeparators(dir.absolutePath()));
      if (!dir.cdUp()) break;
    }
    combo->setCurrentIndex(0);
    return;
  }
  QFileSystemModel* model = FileModel(w);
  if (!model) return;
  const QModelIndex root = model->setRootPath(folder);
  auto* view = static_cast<QAbstractItemView*>(w);
  if (qobject_cast<QListView*>(w))
    view->setRootIndex(root);
  else
    view->setRootIndex(model->index(QDir::rootPath()));
  if (auto* tree = qobject_cast<QTreeView*>(w)) {
    tree->expand(root);
    tree->setCurrentIndex(root);
  }
}

}  // namespace

void SetControlText(QWidget* w, const std::u16string& text) {
  const QString t = ToQString(text);
  switch (KindOf(w)) {
    case PlatControlKind::kButton:
      static_cast<CaptionButton*>(w)->SetCaption(t);
      break;
    case PlatControlKind::kCheckBox:
    case PlatControlKind::kOption:
      static_cast<QAbstractButton*>(w)->setText(t);
      break;
    case PlatControlKind::kLabel:
    case PlatControlKind::kHyperLink:
      static_cast<QLabel*>(w)->setText(t);
      break;
    case PlatControlKind::kString:
    case PlatControlKind::kIpAddress:
      static_cast<QLineEdit*>(w)->setText(t);
      break;
    case PlatControlKind::kShortcut:
      static_cast<QKeySequenceEdit*>(w)->setKeySequence(QKeySequence(t));
      break;
    case PlatControlKind::kEditor:
      static_cast<QPlainTextEdit*>(w)->setPlainText(t);
      break;
    case PlatControlKind::kComboBox: {
      auto* combo = static_cast<QComboBox*>(w);
      if (combo->isEditable())
        combo->setEditText(t);
      else if (const int index = combo->findText(t); index >= 0)
        combo->setCurrentIndex(index);
      break;
    }
    case PlatControlKind::kSpin: {
      bool ok = false;
      const int value = t.trimmed().toInt(&ok);
      if (ok) static_cast<QSpinBox*>(w)->setValue(value);
      break;
    }
    case PlatControlKind::kDate:
      // The text is the display mask.
      if (!t.isEmpty()) static_cast<QDateEdit*>(w)->setDisplayFormat(t);
      break;
    case PlatControlKind::kWeb: {
      auto* browser = static_cast<QTextBrowser*>(w);
      browser->setProperty("plat_address", t);
      browser->setPlainText(t);
      break;
    }
    case PlatControlKind::kExplorerCombo:
    case PlatControlKind::kExplorerList:
    case PlatControlKind::kExplorerTree:
      SetExplorerPath(w, t);
      break;
    case PlatControlKind::kFrame:
      static_cast<QGroupBox*>(w)->setTitle(t);
      break;
    case PlatControlKind::kListIcon:
      static_cast<QTreeWidget*>(w)->setHeaderLabel(t);
      break;
    case PlatControlKind::kButtonImage:
    case PlatControlKind::kImage:
      w->setToolTip(t);
      break;
    default:
      w->setProperty("plat_text", t);
      break;
  }
}

std::u16string ControlText(const QWidget* w) {
  QString t;
  switch (KindOf(w)) {
    case PlatControlKind::kButton:
      t = static_cast<const CaptionButton*>(w)->Caption();
      break;
    case PlatControlKind::kCheckBox:
    case PlatControlKind::kOption:
      t = static_cast<const QAbstractButton*>(w)->text();
      break;
    case PlatControlKind::kLabel:
    case PlatControlKind::kHyperLink:
      t = static_cast<const QLabel*>(w)->text();
      break;
    case PlatControlKind::kString:
    case PlatControlKind::kIpAddress:
      t = static_cast<const QLineEdit*>(w)->text();
      break;
    case PlatControlKind::kShortcut:
      t = static_cast<const QKeySequenceEdit*>(w)->keySequence().toString();
      break;
    case PlatControlKind::kEditor:
      t = static_cast<const QPlainTextEdit*>(w)->toPlainText();
      break;
    case PlatControlKind::kComboBox:
      t = static_cast<const QComboBox*>(w)->currentText();
      break;
    case PlatControlKind::kSpin:
      t = static_cast<const QSpinBox*>(w)->text();
      break;
    case PlatControlKind::kDate:
      t = static_cast<const QDateEdit*>(w)->text();
      break;
    case PlatControlKind::kWeb:
      t = w->property("plat_address").toString();
      break;
    case PlatControlKind::kExplorerCombo:
    case PlatControlKind::kExplorerList:
    case PlatControlKind::kExplorerTree:
      t = w->property("plat_path").toString();
      break;
    case PlatControlKind::kFrame:
      t = static_cast<const QGroupBox*>(w)->title();
      break;
    case PlatControlKind::kListIcon:
      t = static_cast<const QTreeWidget*>(w)->headerItem()->text(0);
      break;
    case PlatControlKind::kListView:
      if (auto* item = static_cast<const QListWidget*>(w)->currentItem()) t = item->text();
      break;
    case PlatControlKind::kTree:
      if (auto* item = static_cast<const QTreeWidget*>(w)->currentItem()) t = item->text(0);
      break;
    case PlatControlKind::kPanel: {
      auto* tabs = static_cast<const QTabWidget*>(w);
      t = tabs->tabText(tabs->currentIndex());
      break;
    }
    case PlatControlKind::kButtonImage:
    case PlatControlKind::kImage:
      t = w->toolTip();
      break;
    default:
      t = w->property("plat_text").toString();
      break;
  }
  return FromQString(t);
}

}  // namespace platqt
