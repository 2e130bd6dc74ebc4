// Qt binding of the native controls: one widget per control kind, wired so
// that user actions reach the top-level window as kPlatCommand.
#include <QAbstractItemView>
#include <QApplication>
#include <QButtonGroup>
#include <QCalendarWidget>
#include <QCheckBox>
#include <QComboBox>
#include <QDateEdit>
#include <QDir>
#include <QFileSystemModel>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeySequenceEdit>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QListWidget>
#include <QMouseEvent>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QRadioButton>
#include <QRegularExpressionValidator>
#include <QScrollArea>
#include <QScrollBar>
#include <QSlider>
#include <QSpinBox>
#include <QSplitter>
#include <QTabWidget>
#include <QTextBrowser>
#include <QTreeView>
#include <QTreeWidget>

#include "platform/qt_control_internal.h"

namespace platqt {

namespace {

Qt::Alignment Horizontal(std::uint32_t options, Qt::Alignment fallback) {
  if (options & kPlatOptAlignRight) return Qt::AlignRight;
  if (options & kPlatOptAlignLeft) return Qt::AlignLeft;
  if (options & kPlatOptAlignCenter) return Qt::AlignHCenter;
  return fallback;
}

template <class Sender, class Signal>
void Connect(Sender* sender, Signal signal, QWidget* control, int code) {
  QObject::connect(sender, signal, control, [control, code] { Notify(control, code); });
}

// Radio buttons made one after the other in the same parent form a group;
// any other control made in between (or the group option) starts a new one.
void JoinRadioGroup(QRadioButton* button, QWidget* parent, bool startNew) {
  auto* last = parent->property("plat_last_control").value<QObject*>();
  QButtonGroup* group = nullptr;
  if (!startNew)
    if (auto* previous = qobject_cast<QRadioButton*>(last)) group = previous->group();
  if (!group) {
    group = new QButtonGroup(parent);
    group->setExclusive(true);
  }
  group->addButton(button);
}

// Drag starts (the left button held and moved past the drag distance) and
// right double clicks of pictures, lists and trees; for item views the
// viewport takes the mouse, so the watcher sits there.
class MouseWatcher : public QObject {
 public:
  explicit MouseWatcher(QWidget* control) : QObject(control), control_(control) {}

  bool eventFilter(QObject*, QEvent* event) override {
    switch (event->type()) {
      case QEvent::MouseButtonPress: {
        auto* e = static_cast<QMouseEvent*>(event);
        if (e->button() == Qt::LeftButton) {
          pressed_ = e->position().toPoint();
          armed_ = true;
        }
        break;
      }
      case QEvent::MouseMove: {
        auto* e = static_cast<QMouseEvent*>(event);
        if (armed_ && (e->buttons() & Qt::LeftButton) &&
            (e->position().toPoint() - pressed_).manhattanLength() >=
                QApplication::startDragDistance()) {
          armed_ = false;
          Notify(control_, kPlatNotifyDragStart);
        }
        break;
      }
      case QEvent::MouseButtonRelease:
        armed_ = false;
        break;
      case QEvent::MouseButtonDblClick:
        // A picture's own window procedure reports its double clicks.
        if (static_cast<QMouseEvent*>(event)->button() == Qt::RightButton &&
            KindOf(control_) != PlatControlKind::kImage)
          Notify(control_, kPlatNotifyRightDoubleClick);
        break;
      default:
        break;
    }
    return false;
  }

 private:
  QWidget* control_;
  QPoint pressed_;
  bool armed_ = false;
};

void WatchMouse(QWidget* control) {
  auto* watcher = new MouseWatcher(control);
  auto* view = qobject_cast<QAbstractItemView*>(control);
  (view ? view->viewport() : control)->installEventFilter(watcher);
}

// Right clicks on a list or tree (its viewport takes the mouse).
void NotifyRightClicks(QAbstractItemView* view) {
  WatchMouse(view);
  view->setContextMenuPolicy(Qt::CustomContextMenu);
  QObject::connect(view, &QWidget::customContextMenuRequested, view,
                   [view] { Notify(view, kPlatNotifyRightClick); });
}

QWidget* MakeList(PlatControlKind kind, std::uint32_t options, QWidget* parent) {
  if (kind == PlatControlKind::kListView) {
    auto* list = new QListWidget(parent);
    if (options & kPlatOptMultiSelect) list->setSelectionMode(QAbstractItemView::ExtendedSelection);
    QObject::connect(list, &QListWidget::itemClicked, list, [list] { Notify(list, 0); });
    QObject::connect(list, &QListWidget::itemDoubleClicked, list, [list] { Notify(list, 2); });
    QObject::connect(list, &QListWidget::currentRowChanged, list,
                     [list] { Notify(list, kPlatNotifyChange); });
    return list;
  }
  auto* tree = new QTreeWidget(parent);
  if (kind == PlatControlKind::kListIcon) {
    tree->setRootIsDecorated(false);
    tree->setColumnCount(1);
    tree->header()->resizeSection(0, 300);
    if (options & kPlatOptGridLines) tree->setAlternatingRowColors(true);
    tree->setAllColumnsShowFocus(true);
  } else {
    tree->setHeaderHidden(true);
    if (options & kPlatOptNoButtons) tree->setRootIsDecorated(false);
    if (options & kPlatOptNoLines) tree->setIndentation(12);
  }
  if (options & kPlatOptMultiSelect) tree->setSelectionMode(QAbstractItemView::ExtendedSelection);
  tree->setProperty("plat_checkboxes", bool(options & kPlatOptCheckBoxes));
  NotifyRightClicks(tree);
  QObject::connect(tree, &QTreeWidget::itemClicked, tree, [tree] { Notify(tree, 0); });
  QObject::connect(tree, &QTreeWidget::itemDoubleClicked, tree, [tree] { Notify(tree, 2); });
  QObject::connect(tree, &QTreeWidget::currentItemChanged, tree,
                   [tree] { Notify(tree, kPlatNotifyChange); });
  QObject::connect(tree, &QTreeWidget::itemChanged, tree,
                   [tree] { Notify(tree, kPlatNotifyChange); });
  return tree;
}

// A folder view over the file system; double-clicking a folder enters it.
QWidget* MakeExplorer(PlatControlKind kind, std::uint32_t options, QWidget* parent) {
  if (kind == PlatControlKind::kExplorerCombo) {
    auto* combo = new QComboBox(parent);
    combo->setEditable(options & kPlatOptEditable);
    QObject::connect(combo, &QComboBox::activated, combo, [combo] {
      combo->setProperty("plat_path", combo->currentText());
      Notify(combo, kPlatNotifyChange);
    });
    return combo;
  }
  auto* model = new QFileSystemModel(parent);
  model->setFilter(QDir::AllDirs | QDir::NoDotAndDotDot |
                   ((options & kPlatOptNoFiles) ? QDir::Filters() : QDir::Files));
  QAbstractItemView* view = nullptr;
  if (kind == PlatControlKind::kExplorerList) {
    auto* list = new QListView(parent);
    list->setModel(model);
    view = list;
  } else {
    auto* tree = new QTreeView(parent);
    tree->setModel(model);
    tree->setHeaderHidden(true);
    for (int column = 1; column < model->columnCount(); ++column) tree->hideColumn(column);
    if (options & kPlatOptNoButtons) tree->setRootIsDecorated(false);
    view = tree;
  }
  model->setParent(view);
  if (options & kPlatOptMultiSelect) view->setSelectionMode(QAbstractItemView::ExtendedSelection);
  NotifyRightClicks(view);
  QObject::connect(view, &QAbstractItemView::clicked, view, [view] { Notify(view, 0); });
  QObject::connect(view, &QAbstractItemView::doubleClicked, view,
                   [view, model, kind](const QModelIndex& index) {
                     if (kind == PlatControlKind::kExplorerList && model->isDir(index)) {
                       view->setRootIndex(index);
                       view->setProperty("plat_path", model->filePath(index));
                     }
                     Notify(view, 2);
                   });
  QObject::connect(view->selectionModel(), &QItemSelectionModel::currentChanged, view,
                   [view] { Notify(view, kPlatNotifyChange); });
  return view;
}

QWidget* MakeValueControl(PlatControlKind kind, std::uint32_t options, QWidget* parent) {
  const Qt::Orientation orientation = (options & kPlatOptVertical) ? Qt::Vertical : Qt::Horizontal;
  switch (kind) {
    case PlatControlKind::kProgressBar: {
      auto* bar = new QProgressBar(parent);
      bar->setTextVisible(false);
      bar->setOrientation(orientation);
      bar->setRange(0, 100);
      bar->setValue(0);
      bar->setProperty("plat_low", 0);
      bar->setProperty("plat_high", 100);
      return bar;
    }
    case PlatControlKind::kScrollBar: {
      auto* bar = new QScrollBar(orientation, parent);
      Connect(bar, &QScrollBar::valueChanged, bar, kPlatNotifyChange);
      return bar;
    }
    case PlatControlKind::kTrackBar: {
      auto* slider = new QSlider(orientation, parent);
      slider->setRange(0, 10);
      if (options & kPlatOptTicks) slider->setTickPosition(QSlider::TicksBelow);
      Connect(slider, &QSlider::valueChanged, slider, kPlatNotifyChange);
      return slider;
    }
    case PlatControlKind::kSpin: {
      auto* spin = new QSpinBox(parent);
      spin->setRange(0, 100);
      spin->setReadOnly(options & kPlatOptReadOnly);
      Connect(spin, &QSpinBox::valueChanged, spin, kPlatNotifyChange);
      return spin;
    }
    default:
      return nullptr;
  }
}

QWidget* MakeContainer(PlatControlKind kind, std::uint32_t options, QWidget* parent) {
  switch (kind) {
    case PlatControlKind::kContainer: {
      auto* frame = new QFrame(parent);
      if (options & kPlatOptFlat)
        frame->setFrameStyle(QFrame::Box | QFrame::Plain);
      else if (options & kPlatOptRaised)
        frame->setFrameStyle(QFrame::Panel | QFrame::Raised);
      else if (options & kPlatOptBorder)
        frame->setFrameStyle(QFrame::Panel | QFrame::Sunken);
      return frame;
    }
    case PlatControlKind::kFrame:
      return new QGroupBox(parent);
    case PlatControlKind::kPanel: {
      auto* tabs = new QTabWidget(parent);
      QObject::connect(tabs, &QTabWidget::currentChanged, tabs,
                       [tabs] { Notify(tabs, kPlatNotifyChange); });
      return tabs;
    }
    case PlatControlKind::kScrollArea: {
      auto* area = new QScrollArea(parent);
      area->setWidgetResizable(false);
      if (options & kPlatOptBorderless) area->setFrameStyle(QFrame::NoFrame);
      if (options & kPlatOptAlignCenter) area->setAlignment(Qt::AlignCenter);
      return area;
    }
    case PlatControlKind::kSplitter: {
      auto* splitter =
          new QSplitter((options & kPlatOptVertical) ? Qt::Horizontal : Qt::Vertical, parent);
      splitter->setChildrenCollapsible(false);
      splitter->setHandleWidth((options & kPlatOptBorder) ? 7 : 4);
      return splitter;
    }
    case PlatControlKind::kPage:
      return new QWidget(parent);
    default:
      return nullptr;
  }
}

QWidget* MakeEdit(PlatControlKind kind, std::uint32_t options, QWidget* parent) {
  switch (kind) {
    case PlatControlKind::kString:
    case PlatControlKind::kIpAddress: {
      auto* edit = new QLineEdit(parent);
      if (kind == PlatControlKind::kIpAddress)
        edit->setValidator(new QRegularExpressionValidator(
            QRegularExpression(QStringLiteral("[0-9]{0,3}(\\.[0-9]{0,3}){0,3}")), edit));
      if (options & kPlatOptPassword) edit->setEchoMode(QLineEdit::Password);
      edit->setReadOnly(options & kPlatOptReadOnly);
      if (options & kPlatOptBorderless) edit->setFrame(false);
      if (options & kPlatOptNumeric)
        edit->setValidator(new QRegularExpressionValidator(QRegularExpression("[0-9]*"), edit));
      if (options & (kPlatOptLowerCase | kPlatOptUpperCase)) {
        const bool lower = options & kPlatOptLowerCase;
        QObject::connect(edit, &QLineEdit::textEdited, edit, [edit, lower](const QString& text) {
          const int at = edit->cursorPosition();
          edit->setText(lower ? text.toLower() : text.toUpper());
          edit->setCursorPosition(at);
        });
      }
      Connect(edit, &QLineEdit::textChanged, edit, kPlatNotifyChange);
      return edit;
    }
    case PlatControlKind::kEditor: {
      auto* edit = new QPlainTextEdit(parent);
      edit->setReadOnly(options & kPlatOptReadOnly);
      edit->setLineWrapMode((options & kPlatOptWordWrap) ? QPlainTextEdit::WidgetWidth
                                                         : QPlainTextEdit::NoWrap);
      Connect(edit, &QPlainTextEdit::textChanged, edit, kPlatNotifyChange);
      return edit;
    }
    case PlatControlKind::kShortcut: {
      auto* edit = new QKeySequenceEdit(parent);
      Connect(edit, &QKeySequenceEdit::keySequenceChanged, edit, kPlatNotifyChange);
      return edit;
    }
    case PlatControlKind::kComboBox: {
      auto* combo = new QComboBox(parent);
      combo->setEditable(options & kPlatOptEditable);
      if (combo->isEditable() && (options & (kPlatOptLowerCase | kPlatOptUpperCase))) {
        const bool lower = options & kPlatOptLowerCase;
        QObject::connect(combo->lineEdit(), &QLineEdit::textEdited, combo,
                         [combo, lower](const QString& text) {
                           combo->setEditText(lower ? text.toLower() : text.toUpper());
                         });
      }
      Connect(combo, &QComboBox::currentIndexChanged, combo, kPlatNotifyChange);
      return combo;
    }
    case PlatControlKind::kCalendar: {
      auto* calendar = new QCalendarWidget(parent);
      Connect(calendar, &QCalendarWidget::selectionChanged, calendar, kPlatNotifyChange);
      return calendar;
    }
    case PlatControlKind::kDate: {
      auto* date = new QDateEdit(QDate::currentDate(), parent);
      date->setCalendarPopup(!(options & kPlatOptUpDown));
      Connect(date, &QDateEdit::dateChanged, date, kPlatNotifyChange);
      return date;
    }
    case PlatControlKind::kWeb: {
      // No network: the browser shows the address it was given.
      auto* browser = new QTextBrowser(parent);
      browser->setOpenLinks(false);
      QObject::connect(browser, &QTextBrowser::anchorClicked, browser,
                       [browser] { Notify(browser, kPlatNotifyChange); });
      return browser;
    }
    default:
      return nullptr;
  }
}

QWidget* MakeCaptioned(PlatControlKind kind, std::uint32_t options, QWidget* parent) {
  switch (kind) {
    case PlatControlKind::kButton: {
      auto* button = new CaptionButton(options, parent);
      Connect(button, &QPushButton::clicked, button, kPlatNotifyClick);
      return button;
    }
    case PlatControlKind::kButtonImage: {
      auto* button = new QPushButton(parent);
      button->setCheckable(options & kPlatOptToggle);
      Connect(button, &QPushButton::clicked, button, kPlatNotifyClick);
      return button;
    }
    case PlatControlKind::kCheckBox: {
      auto* box = new QCheckBox(parent);
      box->setTristate(options & kPlatOptThreeState);
      if (options & kPlatOptAlignRight) box->setLayoutDirection(Qt::RightToLeft);
      Connect(box, &QCheckBox::clicked, box, kPlatNotifyClick);
      return box;
    }
    case PlatControlKind::kOption: {
      auto* button = new QRadioButton(parent);
      button->setAutoExclusive(false);  // the button group is exclusive instead
      JoinRadioGroup(button, parent, options & kPlatOptGroup);
      Connect(button, &QRadioButton::clicked, button, kPlatNotifyClick);
      return button;
    }
    case PlatControlKind::kLabel:
    case PlatControlKind::kHyperLink:
    case PlatControlKind::kImage: {
      auto* label = new QLabel(parent);
      // Text is shown as it is: no mnemonics, no rich text.
      label->setTextFormat(Qt::PlainText);
      label->setIndent(0);  // a frame would otherwise indent the text
      label->setAlignment(Horizontal(options, Qt::AlignLeft) | Qt::AlignTop);
      if (options & kPlatOptBorder) {
        label->setFrameStyle(QFrame::Panel | QFrame::Sunken);
        label->setLineWidth(2);
      } else if (options & kPlatOptRaised) {
        label->setFrameStyle(QFrame::Panel | QFrame::Raised);
        label->setLineWidth(2);
      }
      if (kind == PlatControlKind::kImage) WatchMouse(label);
      if (kind == PlatControlKind::kHyperLink) {
        label->setCursor(Qt::PointingHandCursor);
        if (options & kPlatOptUnderline) {
          QFont font = label->font();
          font.setUnderline(true);
          label->setFont(font);
        }
      }
      return label;
    }
    default:
      return nullptr;
  }
}

}  // namespace

QWidget* MakeControl(const PlatWindowSpec& desc, QWidget* parent) {
  const PlatControlKind kind = desc.kind;
  const std::uint32_t options = desc.options;
  QWidget* widget = MakeCaptioned(kind, options, parent);
  if (!widget) widget = MakeEdit(kind, options, parent);
  if (!widget) widget = MakeValueControl(kind, options, parent);
  if (!widget) widget = MakeContainer(kind, options, parent);
  if (!widget && (kind == PlatControlKind::kListView || kind == PlatControlKind::kListIcon ||
                  kind == PlatControlKind::kTree))
    widget = MakeList(kind, options, parent);
  if (!widget && (kind == PlatControlKind::kExplorerCombo ||
                  kind == PlatControlKind::kExplorerList || kind == PlatControlKind::kExplorerTree))
    widget = MakeExplorer(kind, options, parent);
  if (!widget) return nullptr;
  widget->setProperty("plat_kind", static_cast<int>(kind));
  widget->setProperty("plat_options", options);
  parent->setProperty("plat_last_control", QVariant::fromValue<QObject*>(widget));
  return widget;
}

bool IsControl(const QWidget* widget) { return widget && widget->property("plat_kind").isValid(); }

PlatControlKind KindOf(const QWidget* widget) {
  if (!IsControl(widget)) return PlatControlKind::kPlain;
  return static_cast<PlatControlKind>(widget->property("plat_kind").toInt());
}

QWidget* ControlOf(PlatWindow window) {
  PlatWindowTag* tag = Live(window);
  return tag && IsControl(tag->widget) ? tag->widget.data() : nullptr;
}

void Notify(QWidget* control, int code) {
  PlatWindowTag* tag = TagOf(control);
  if (!tag) return;
  PlatWindowTag* top = Live(Plat_TopLevel(tag));
  if (!top) return;
  PlatMessage m;
  m.id = kPlatCommand;
  m.wParam = code;
  m.lParam = reinterpret_cast<std::intptr_t>(tag);
  Deliver(top, m);
}

QColor FromColorRef(std::int64_t color) {
  return QColor(int(color & 0xFF), int((color >> 8) & 0xFF), int((color >> 16) & 0xFF));
}

CaptionButton::CaptionButton(std::uint32_t options, QWidget* parent) : QPushButton(parent) {
  setDefault(options & kPlatOptDefault);
  setAutoDefault(false);
  setCheckable(options & kPlatOptToggle);
  if (!(options & (kPlatOptAlignLeft | kPlatOptAlignRight | kPlatOptMultiLine))) return;
  label_ = new QLabel(this);
  label_->setTextFormat(Qt::PlainText);
  label_->setWordWrap(options & kPlatOptMultiLine);
  label_->setAlignment(Horizontal(options, Qt::AlignHCenter) | Qt::AlignVCenter);
  label_->setAttribute(Qt::WA_TransparentForMouseEvents);
  auto* layout = new QHBoxLayout(this);
  layout->setContentsMargins(6, 2, 6, 2);
  layout->addWidget(label_);
}

void CaptionButton::SetCaption(const QString& text) {
  if (label_)
    label_->setText(text);
  else
    setText(text);
}

QString CaptionButton::Caption() const { return label_ ? label_->text() : text(); }

}  // namespace platqt

PlatControlKind PlatCtl_Kind(PlatWindow control) {
  return platqt::KindOf(platqt::ControlOf(control));
}

void PlatCtl_Notify(PlatWindow control, int code) {
  if (QWidget* w = platqt::ControlOf(control)) platqt::Notify(w, code);
}

void PlatCtl_SizeHint(PlatWindow control, int* width, int* height) {
  QSize size;
  if (QWidget* w = platqt::ControlOf(control))
    size = w->sizeHint().expandedTo(w->minimumSizeHint());
  if (width) *width = std::max(size.width(), 0);
  if (height) *height = std::max(size.height(), 0);
}
