// The dialog registry: Dlg_Create, Dlg_Open, lookups and Dlg_Free.
#include <memory>
#include <string>

#include "dialog/dialog.h"
#include "dialog/dlg_build.h"
#include "dialog/dlg_live_host.h"
#include "dialog/xml.h"
#include "runtime/data/object_table.h"
#include "runtime/data/utf.h"
#include "runtime/system/window.h"

namespace {

struct DialogRecord {
  std::uintptr_t handle = 0;  // the record's address while live
  std::unique_ptr<DlgLiveHost> host;
  std::unique_ptr<DlgWindow> root;  // null while nothing is open
  std::string error;                // the first error of the last open
};

void FreeDialog(ObjectHandle number);

ObjectTable<DialogRecord>& Table() {
  static ObjectTable<DialogRecord> table(16, 16, FreeDialog);
  return table;
}

// Destroys the tree, its gadgets and its window; the record stays.
void CloseTree(DialogRecord& dialog) {
  if (dialog.root) DlgDestroy(std::move(dialog.root));
  dialog.root.reset();
  if (dialog.host) {
    dialog.host->FreeGadgets();
    dialog.host->CloseWindow();
    dialog.host.reset();
  }
}

void FreeDialog(ObjectHandle number) {
  auto& table = Table();
  std::lock_guard lock(table.Mutex());
  DialogRecord* dialog = table.Find(number);
  if (!dialog) return;
  CloseTree(*dialog);
  table.Release(number);
}

}  // namespace

ObjectHandle Dlg_Create(ObjectHandle number) {
  auto& table = Table();
  std::lock_guard lock(table.Mutex());
  ObjectHandle assigned = 0;
  DialogRecord* dialog = table.Allocate(number, &assigned);
  if (!dialog) return 0;
  dialog->handle = reinterpret_cast<std::uintptr_t>(dialog);
  return ObjectTable<DialogRecord>::CreateResult(number, assigned,
                                                 static_cast<ObjectHandle>(dialog->handle));
}

int Dlg_Open(ObjectHandle number, ObjectHandle xml, const std::u16string& name, int x, int y,
             int width, int height, ObjectHandle parent) {
  DialogRecord* dialog = Table().Find(number);
  if (!dialog) return 0;
  dialog->error.clear();
  // A second open replaces the first tree instead of leaking it.
  CloseTree(*dialog);

  auto host = std::make_unique<DlgLiveHost>(x, y, parent);
  DlgContext context(host.get());
  const XmlNode* node = DlgSelectWindow(Xml_MainNode(xml), name);
  if (!node) {
    context.Fail(kErrWindowNotFound);
    dialog->error = context.Error();
    return 0;
  }
  std::unique_ptr<DlgWindow> root = DlgBuildWindow(*node, context);
  if (!root || context.Failed() || !Win_IsWindow(host->Window())) {
    if (root) DlgDestroy(std::move(root));
    host->FreeGadgets();
    host->CloseWindow();
    dialog->error = context.Error();
    return 0;
  }
  dialog->host = std::move(host);
  dialog->root = std::move(root);

  DlgWindow& window = *dialog->root;
  DlgLayoutOpen(window, width, height);
  const std::uint32_t flags = window.windowFlags;
  if (flags & KX_Window_ScreenCentered)
    Win_Center(window.window);
  else if (flags & KX_Window_WindowCentered)
    Win_Center(window.window, parent);
  if (!(flags & KX_Window_Invisible)) Win_Show(window.window, true);
  return 1;
}

ObjectHandle Dlg_Window(ObjectHandle number) {
  DialogRecord* dialog = Table().Find(number);
  return dialog && dialog->root ? dialog->root->window : -1;
}

ObjectHandle Dlg_Gadget(ObjectHandle number, const std::u16string& name) {
  DialogRecord* dialog = Table().Find(number);
  if (!dialog || !dialog->root) return -1;
  DlgElement* element = dialog->root->FindByName(name);
  return element ? element->gadget : -1;
}

int Dlg_IsDialog(ObjectHandle number) { return Table().IsObject(number) ? 1 : 0; }

std::u16string Dlg_Error(ObjectHandle number) {
  DialogRecord* dialog = Table().Find(number);
  return dialog ? Utf8ToUtf16(dialog->error) : std::u16string();
}

void Dlg_Free(ObjectHandle number) {
  if (number == KX_Any)
    Table().FreeAll();
  else
    FreeDialog(number);
}
