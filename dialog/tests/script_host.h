// Test support: a windowless host whose gadgets are scripted kinds in the
// common gadget table. Required sizes come from a script (by element name,
// then by kind); every placement is recorded.
#pragma once

#include <functional>
#include <map>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "dialog/dlg_build.h"
#include "dialog/dlg_element.h"
#include "dialog/xml.h"
#include "runtime/system/gadget.h"

namespace script {

struct Rect {
  int x = 0, y = 0, w = 0, h = 0;
  bool operator==(const Rect&) const = default;
};

inline std::ostream& operator<<(std::ostream& out, const Rect& r) {
  return out << "(" << r.x << ", " << r.y << ", " << r.w << " x " << r.h << ")";
}

// What a scripted gadget answers and what was done to it.
struct GadgetScript {
  int requiredWidth = 0, requiredHeight = 0;
  std::int64_t rowHeight = 0, captionHeight = 0;
  Rect placed;
  int resizes = 0;
  bool hidden = false, disabled = false;
  std::u16string text;
};

inline GadgetScript Sized(int width, int height) {
  GadgetScript script;
  script.requiredWidth = width;
  script.requiredHeight = height;
  return script;
}

inline std::map<ObjectHandle, GadgetScript>& Scripts() {
  static std::map<ObjectHandle, GadgetScript> scripts;
  return scripts;
}

inline GadgetScript& ScriptOf(GadgetRecord& g) { return Scripts()[g.number]; }

inline const GadgetKind kScriptedKind = {
    .id = 990,
    .free = [](GadgetRecord& g) { Scripts().erase(g.number); },
    .setText = [](GadgetRecord& g, const std::u16string& t) { ScriptOf(g).text = t; },
    .resize =
        [](GadgetRecord& g, int x, int y, int w, int h) {
          ScriptOf(g).placed = {x, y, w, h};
          ++ScriptOf(g).resizes;
        },
    .getAttribute = [](GadgetRecord& g, int attribute) -> std::int64_t {
      if (attribute == kGadgetRowHeight) return ScriptOf(g).rowHeight;
      if (attribute == kGadgetCaptionHeight) return ScriptOf(g).captionHeight;
      return 0;
    },
    .requiredSize =
        [](GadgetRecord& g, int* w, int* h) {
          *w = ScriptOf(g).requiredWidth;
          *h = ScriptOf(g).requiredHeight;
        },
    .disable = [](GadgetRecord& g, bool d) { ScriptOf(g).disabled = d; },
    .hide = [](GadgetRecord& g, bool h) { ScriptOf(g).hidden = h; },
};

inline int gWindowToken;

class Host : public DlgHost {
 public:
  ~Host() override {
    for (ObjectHandle g : made) Gad_Free(g);
  }

  // Scripts by element name (first) or kind.
  std::map<std::u16string, GadgetScript> byName;
  std::map<DlgKind, GadgetScript> byKind;

  std::vector<ObjectHandle> made;
  std::map<std::u16string, ObjectHandle> gadgetOf;  // by element name
  std::vector<std::tuple<ObjectHandle, int, std::int64_t>> bound;
  std::vector<std::pair<int, std::u16string>> pages;
  std::vector<std::u16string> log;  // construction calls in order
  struct Bounds {
    int minW, minH, maxW, maxH;
  };
  std::vector<Bounds> bounds;
  std::vector<Rect> scrollInner;
  std::vector<std::pair<int, int>> splitterMinimum;

  ObjectHandle OpenWindow(DlgWindow&) override { return 4242; }
  void WindowInnerSize(DlgWindow&, int* w, int* h) override {
    *w = inner.w;
    *h = inner.h;
  }
  void SetWindowInnerSize(DlgWindow&, int w, int h) override { inner = {0, 0, w, h}; }
  Rect inner;  // the scripted window's inner size

  ObjectHandle CreateGadget(DlgElement& element) override {
    ObjectHandle number = 0;
    if (!Gad_Register(KX_Any, &kScriptedKind, &gWindowToken, element.flags, &number)) return -1;
    GadgetScript script;
    if (auto it = byKind.find(element.kind); it != byKind.end()) script = it->second;
    if (element.name)
      if (auto it = byName.find(*element.name); it != byName.end()) script = it->second;
    Scripts()[number] = script;
    made.push_back(number);
    if (element.name) gadgetOf[*element.name] = number;
    log.push_back(u"create " + element.name.value_or(u"?"));
    return number;
  }

  void CloseGadgetList(DlgElement& element) override {
    log.push_back(u"close " + element.name.value_or(u"?"));
  }
  void AddPanelPage(DlgElement&, int index, const std::u16string& title) override {
    pages.emplace_back(index, title);
  }
  void OpenSplitterSide(DlgElement&, int side) override {
    log.push_back(side ? u"open 1" : u"open 0");
  }
  void CloseSplitterSide(DlgElement&, int side) override {
    log.push_back(side ? u"close 1" : u"close 0");
  }
  void ForgetWindow(DlgWindow&) override { ++forgotten; }
  int forgotten = 0;
  void StartRadioGroup() override { log.push_back(u"group"); }
  void BindGadgetEvent(ObjectHandle gadget, int subtype, std::int64_t procedure) override {
    bound.emplace_back(gadget, subtype, procedure);
  }
  void SetWindowBounds(DlgWindow&, int minW, int minH, int maxW, int maxH) override {
    bounds.push_back({minW, minH, maxW, maxH});
  }
  // Tabs are 20 high; a page is 4 narrower and 22 lower than its panel.
  int PanelTabHeight(ObjectHandle) override { return 20; }
  void PanelPageSize(ObjectHandle panel, int* w, int* h) override {
    *w = Scripts()[panel].placed.w - 4;
    *h = Scripts()[panel].placed.h - 22;
  }
  void SetScrollAreaInnerSize(ObjectHandle, int w, int h) override {
    scrollInner.push_back({0, 0, w, h});
  }
  void SetSplitterMinimum(ObjectHandle, int side, int size) override {
    splitterMinimum.emplace_back(side, size);
  }

  // Where the gadget of the element named `name` was placed last.
  Rect Placed(const std::u16string& name) { return Scripts()[gadgetOf.at(name)].placed; }
  GadgetScript& Script(const std::u16string& name) { return Scripts()[gadgetOf.at(name)]; }
};

// A parsed description and the window built from it.
struct Built {
  ObjectHandle document = 0;
  std::unique_ptr<Host> host = std::make_unique<Host>();
  std::unique_ptr<DlgContext> context = std::make_unique<DlgContext>(host.get());
  std::unique_ptr<DlgWindow> window;

  ~Built() {
    if (window) DlgDestroy(std::move(window));
    if (document) Xml_Free(document);
  }

  // Parses `xml` and builds the window named `name`; scripts set on the
  // host by `prepare` apply to the gadgets made.
  void Make(
      const std::u16string& xml, const std::u16string& name = u"",
      const std::function<void(Host&)>& prepare = [](Host&) {}) {
    document = Xml_CatchMemory(KX_Any, xml);
    prepare(*host);
    const XmlNode* node = DlgSelectWindow(Xml_MainNode(document), name);
    if (!node) {
      context->Fail(kErrWindowNotFound);
      return;
    }
    window = DlgBuildWindow(*node, *context);
  }
  std::string Error() const { return context->Error(); }
};

}  // namespace script
