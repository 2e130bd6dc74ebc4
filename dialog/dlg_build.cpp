// Building the element tree from the XML tree, and the layout entry points.
#include "dialog/dlg_build.h"

#include <algorithm>

#include "dialog/dlg_text.h"
#include "dialog/runtime_registry.h"
#include "dialog/xml.h"
#include "runtime/system/gadget.h"

namespace {

bool HasGadget(DlgKind kind) {
  switch (kind) {
    case DlgKind::Container:
    case DlgKind::Frame:
    case DlgKind::Panel:
    case DlgKind::ScrollArea:
    case DlgKind::Splitter:
    case DlgKind::Canvas:
      return true;
    default:
      return DlgIsPlainGadget(kind);
  }
}

bool WindowMatches(const XmlNode& window, const std::u16string& name) {
  if (name.empty()) return true;
  const std::u16string* own = Xml_Attribute(window, u"NAME");
  return own && EqualsNoCase(*own, name);
}

bool IsElement(const XmlNode& node, std::u16string_view name) {
  return node.kind == XmlNodeKind::Element && EqualsNoCase(node.name, name);
}

std::u16string KindName(DlgKind kind) { return std::u16string(DlgKindInfoOf(kind).name); }

void ApplyStartState(ObjectHandle gadget, bool disabled, bool invisible) {
  if (gadget == -1) return;
  if (disabled) Gad_Disable(gadget, true);
  if (invisible) Gad_Hide(gadget, true);
}

void ReadEvents(DlgElement& element, const XmlNode& node, DlgContext& context) {
  const DlgKindInfo& info = DlgKindInfoOf(element.kind);
  for (const auto& [key, value] : node.attributes) {
    if (context.Failed()) return;
    const DlgEventAttribute* event = DlgEventFromName(key);
    if (!event) continue;
    if (!(info.events & event->bit)) {
      context.Fail(kErrEvent, key, KindName(element.kind));
      return;
    }
    std::int64_t procedure = 0;
    if (value.empty() || !Registry_Find(value, &procedure)) {
      context.Fail(kErrProcedure, value);
      return;
    }
    context.host->BindGadgetEvent(element.gadget, event->subtype, procedure);
  }
}

// Makes the deferred options of `parent` group by group, each group after
// a break in the radio group.
void CreateDeferredOptions(DlgElement& parent, DlgContext& context) {
  auto& pending = parent.deferredOptions;
  if (context.Failed()) pending.clear();  // the tree is about to go
  while (!pending.empty()) {
    const std::int64_t group = pending.front().group;
    context.host->StartRadioGroup();
    for (auto& option : pending) {
      if (option.group != group) continue;
      option.element->gadget = context.host->CreateGadget(*option.element);
      ApplyStartState(option.element->gadget, option.element->disabled, option.element->invisible);
    }
    std::erase_if(pending, [group](const auto& option) { return option.group == group; });
  }
  pending.shrink_to_fit();
}

}  // namespace

const XmlNode* DlgSelectWindow(const XmlNode* main, const std::u16string& name) {
  if (!main) return nullptr;
  if (IsElement(*main, u"window")) return WindowMatches(*main, name) ? main : nullptr;
  if (!IsElement(*main, u"dialogs")) return nullptr;
  for (const XmlNode* node = main->firstChild; node; node = node->next)
    if (IsElement(*node, u"window") && WindowMatches(*node, name)) return node;
  return nullptr;
}

void DlgBuildChildren(DlgElement& parent, const XmlNode& node, DlgContext& context) {
  if (++context.depth > kDlgMaxDepth) {
    context.Fail(kErrTooDeep, KindName(parent.kind));
    --context.depth;
    return;
  }
  for (const XmlNode* n = node.firstChild; n && !context.Failed(); n = n->next) {
    DlgKind kind;
    if (n->kind != XmlNodeKind::Element || !DlgKindFromName(n->name, &kind)) continue;
    if (kind == DlgKind::Window) continue;  // windows stand only at the top

    // A splitter's two children are made inside its two containers.
    const int side = static_cast<int>(parent.Children().size());
    const bool splitterSide = parent.kind == DlgKind::Splitter && side < 2;
    if (splitterSide) context.host->OpenSplitterSide(parent, side);

    std::unique_ptr<DlgElement> element = DlgNewElement(kind, context.host);
    element->parent = &parent;
    DlgReadAttributes(*element, *n, context);
    if (context.Failed()) {
      DlgDestroy(std::move(element));
      if (splitterSide) context.host->CloseSplitterSide(parent, side);
      break;
    }

    if (kind == DlgKind::Tab && !context.panels.empty()) {
      DlgPanel* panel = context.panels.back();
      context.host->AddPanelPage(*panel, panel->pagesAdded, element->text.value_or(u""));
      ++panel->pagesAdded;
    }
    const auto* gadget = dynamic_cast<DlgGadget*>(element.get());
    const bool deferred = kind == DlgKind::Option && gadget && gadget->group;
    if (HasGadget(kind) && !deferred) element->gadget = context.host->CreateGadget(*element);
    if (kind == DlgKind::Panel) context.panels.push_back(static_cast<DlgPanel*>(element.get()));
    const bool eventsRead =
        kind == DlgKind::Panel ||
        ((DlgIsPlainGadget(kind) || kind == DlgKind::Canvas) && element->gadget != -1);
    if (eventsRead) ReadEvents(*element, *n, context);

    if (!context.Failed()) DlgBuildChildren(*element, *n, context);
    CreateDeferredOptions(*element, context);
    element->Finish(context);

    DlgElement* raw = element.get();
    const ObjectHandle number = raw->gadget;
    const bool disabled = raw->disabled, invisible = raw->invisible;
    const bool added = parent.AddChild(std::move(element), n);
    if (splitterSide) context.host->CloseSplitterSide(parent, side);
    if (!added) {
      context.Fail(kErrTooMany, KindName(parent.kind));
      break;
    }
    const bool kept = !parent.Children().empty() && parent.Children().back().get() == raw;
    if (deferred && kept) parent.deferredOptions.push_back({raw, *gadget->group, n});
    if (!deferred) ApplyStartState(number, disabled, invisible);
  }
  --context.depth;
}

std::unique_ptr<DlgWindow> DlgBuildWindow(const XmlNode& node, DlgContext& context) {
  auto window = std::make_unique<DlgWindow>(context.host);
  DlgReadAttributes(*window, node, context);
  if (!context.Failed()) {
    window->window = context.host->OpenWindow(*window);
    DlgBuildChildren(*window, node, context);
    CreateDeferredOptions(*window, context);
  }
  if (context.Failed()) {
    DlgDestroy(std::move(window));
    return nullptr;
  }
  return window;
}

std::pair<int, int> DlgLayoutOpen(DlgWindow& window, int width, int height) {
  int requiredWidth = 0, requiredHeight = 0;
  window.GetSize(&requiredWidth, &requiredHeight);
  const int w = std::max(requiredWidth, width), h = std::max(requiredHeight, height);
  window.Resize(0, 0, w, h);
  window.host->SetWindowInnerSize(window, w, h);
  return {w, h};
}

void DlgLayoutRelayout(DlgWindow& window, int innerWidth, int innerHeight) {
  window.Resize(0, 0, innerWidth, innerHeight);
}

void DlgLayoutRelayout(DlgWindow& window) {
  int w = 0, h = 0;
  window.host->WindowInnerSize(window, &w, &h);
  window.Resize(0, 0, w, h);
}
