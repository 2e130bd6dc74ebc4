// The gadgets of dialog elements: each element kind to its control.
#include "controls/control_common.h"
#include "controls/controls.h"
#include "dialog/dialog.h"
#include "dialog/dlg_element.h"
#include "imaging/canvas.h"

namespace {

int KindId(DlgKind kind) {
  switch (kind) {
    case DlgKind::Button:
      return kCtlButton;
    case DlgKind::CheckBox:
      return kCtlCheckBox;
    case DlgKind::Option:
      return kCtlOption;
    case DlgKind::Text:
      return kCtlText;
    case DlgKind::String:
      return kCtlString;
    case DlgKind::Shortcut:
      return kCtlShortcut;
    case DlgKind::Image:
      return kCtlImage;
    case DlgKind::ButtonImage:
      return kCtlButtonImage;
    case DlgKind::ListView:
      return kCtlListView;
    case DlgKind::ListIcon:
      return kCtlListIcon;
    case DlgKind::Tree:
      return kCtlTree;
    case DlgKind::ComboBox:
      return kCtlComboBox;
    case DlgKind::Calendar:
      return kCtlCalendar;
    case DlgKind::Date:
      return kCtlDate;
    case DlgKind::ExplorerCombo:
      return kCtlExplorerCombo;
    case DlgKind::ExplorerList:
      return kCtlExplorerList;
    case DlgKind::ExplorerTree:
      return kCtlExplorerTree;
    case DlgKind::Editor:
      return kCtlEditor;
    case DlgKind::HyperLink:
      return kCtlHyperLink;
    case DlgKind::IpAddress:
      return kCtlIpAddress;
    case DlgKind::Scintilla:
      return kCtlScintilla;
    case DlgKind::ScrollBar:
      return kCtlScrollBar;
    case DlgKind::ProgressBar:
      return kCtlProgressBar;
    case DlgKind::TrackBar:
      return kCtlTrackBar;
    case DlgKind::Spin:
      return kCtlSpin;
    case DlgKind::Web:
      return kCtlWeb;
    case DlgKind::Container:
      return kCtlContainer;
    case DlgKind::Frame:
      return kCtlFrame;
    case DlgKind::Panel:
      return kCtlPanel;
    case DlgKind::ScrollArea:
      return kCtlScrollArea;
    case DlgKind::Splitter:
      return kCtlSplitter;
    default:
      return 0;
  }
}

ObjectHandle Made(const ControlRequest& r, ObjectHandle result) {
  const ObjectHandle number = CtlNumberOf(r.number, result);
  return number == 0 ? -1 : number;
}

ObjectHandle Create(DlgElement& element) {
  if (element.kind == DlgKind::Canvas) {
    const ObjectHandle made = Canvas_Create(element.requestedId, 0, 0, 0, 0, element.flags);
    return made == 0 ? -1 : CtlNumberOf(element.requestedId, made);
  }
  ControlRequest r;
  r.kind = KindId(element.kind);
  if (!r.kind) return -1;
  r.number = element.requestedId;
  r.flags = element.flags;
  // Texts that the kind shows at creation; value kinds take theirs later.
  r.text = element.text.value_or(u"");
  if (const auto* gadget = dynamic_cast<const DlgGadget*>(&element)) {
    r.minimum = gadget->minimum;
    r.maximum = gadget->maximum;
    r.page = gadget->page;
    r.color = gadget->color;
  }
  if (element.kind == DlgKind::Splitter) {
    // Two plain containers first, each list closed again, then the
    // splitter joining them.
    auto& splitter = static_cast<DlgSplitter&>(element);
    for (int side = 0; side < 2; ++side) {
      ControlRequest pane;
      pane.kind = kCtlContainer;
      const ObjectHandle made = Ctl_Create(pane);
      if (made) Gad_CloseList();
      splitter.containers[static_cast<std::size_t>(side)] = made ? made : -1;
    }
    r.first = splitter.containers[0];
    r.second = splitter.containers[1];
  }
  return Made(r, Ctl_Create(r));
}

const DlgGadgetLibrary kLibrary = {
    .create = Create,
    .startRadioGroup = [] { Gad_Free(Ctl_Text(KX_Any, 0, 0, 0, 0, u"")); },
    .addPanelPage = [](ObjectHandle panel, int index,
                       const std::u16string& title) { Ctl_AddPanelPage(panel, index, title); },
    .closePanel = Ctl_ClosePanel,
    .panelTabHeight = Ctl_PanelTabHeight,
    .panelPageSize = Ctl_PanelPageSize,
    .setScrollAreaSize = Ctl_SetScrollAreaSize,
    .setSplitterMinimum = Ctl_SetSplitterMinimum,
};

}  // namespace

void Ctl_UseInDialogs() { Dlg_UseGadgetLibrary(&kLibrary); }
