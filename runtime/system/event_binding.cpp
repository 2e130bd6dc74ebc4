// The binding table: handlers bound to an event key, run newest first.
#include <cstdio>
#include <list>
#include <string>

#include "runtime/data/map.h"
#include "runtime/system/event.h"
#include "runtime/system/event_internal.h"
#include "runtime/system/gadget.h"
#include "runtime/system/window.h"

namespace {

struct HandlerNode {
  EventHandler handler = nullptr;
  bool active = true;
};

// Newest first. A list being run stays alive until its run ends, so a
// handler may unbind, rebind or close its window while its list runs: a
// list dropped from the map meanwhile is only marked orphaned, and the run
// deletes it.
struct BindingList {
  std::list<HandlerNode> nodes;
  int running = 0;
  bool orphaned = false;
};

// The map element.
struct BindingEntry {
  BindingList* list;
  ObjectHandle window;
};

// The table belongs to the main thread (handlers are bound and run there).
MapHeader* gTable = nullptr;

MapHeader* Table() {
  if (!gTable) Map_New(sizeof(BindingEntry), 0, nullptr, &gTable, 512);
  return gTable;
}

std::u16string Key(int type, ObjectHandle window, ObjectHandle object, std::int64_t subType) {
  char text[96];
  std::snprintf(text, sizeof text, "%d:%lld:%lld:%lld", type, static_cast<long long>(window),
                static_cast<long long>(object), static_cast<long long>(subType));
  return std::u16string(text, text + std::char_traits<char>::length(text));
}

void DropList(BindingList* list) {
  if (list->running > 0)
    list->orphaned = true;
  else
    delete list;
}

// Drops inactive nodes, and the map element when its list is empty, unless
// a run of the list is in progress (that run tidies up when it ends).
void Tidy(const std::u16string& key) {
  auto* entry = static_cast<BindingEntry*>(Map_Find(Table(), key));
  if (!entry || entry->list->running > 0) return;
  entry->list->nodes.remove_if([](const HandlerNode& n) { return !n.active; });
  if (entry->list->nodes.empty()) {
    delete entry->list;
    Map_DeleteCurrent(Table());
  }
}

void RunKey(const std::u16string& key) {
  auto* entry = static_cast<BindingEntry*>(Map_Find(Table(), key));
  if (!entry) return;
  BindingList* list = entry->list;
  ++list->running;
  for (auto node = list->nodes.begin(); node != list->nodes.end(); ++node)
    if (node->active && node->handler) node->handler();
  --list->running;
  if (list->running > 0) return;
  if (list->orphaned) {
    delete list;
    return;
  }
  Tidy(key);
}

}  // namespace

int Evt_Bind(int type, EventHandler handler, ObjectHandle window, ObjectHandle object,
             std::int64_t subType) {
  if (!handler) return 0;
  auto* entry = static_cast<BindingEntry*>(Map_Add(Table(), Key(type, window, object, subType)));
  if (!entry) return 0;
  if (!entry->list) {
    entry->list = new BindingList;
    entry->window = window;
  }
  entry->list->nodes.push_front(HandlerNode{handler, true});
  return 1;
}

int Evt_BindGadget(ObjectHandle gadget, EventHandler handler, std::int64_t subType) {
  GadgetRecord* record = Gad_Record(gadget);
  if (!record) return 0;
  return Evt_Bind(KX_Event_Gadget, handler, Win_FromNative(record->handle), gadget, subType);
}

int Evt_Unbind(int type, EventHandler handler, ObjectHandle window, ObjectHandle object,
               std::int64_t subType) {
  const std::u16string key = Key(type, window, object, subType);
  auto* entry = static_cast<BindingEntry*>(Map_Find(Table(), key));
  if (!entry) return 0;
  for (HandlerNode& node : entry->list->nodes) {
    if (node.active && node.handler == handler) {
      node.active = false;
      Tidy(key);
      return 1;
    }
  }
  return 0;
}

void EventBindings_Run(int type, ObjectHandle window, ObjectHandle object, std::int64_t subType) {
  const std::u16string keys[5] = {
      Key(type, window, object, subType), Key(type, window, object, -1),
      Key(type, window, -1, -1),          Key(type, -1, -1, -1),
      Key(type, -1, object, subType),
  };
  for (int i = 0; i < 5; ++i) {
    // An event without a window (or with "any" values) makes some lookups
    // name the same key; its handlers run once.
    bool seen = false;
    for (int j = 0; j < i; ++j) seen = seen || keys[j] == keys[i];
    if (!seen) RunKey(keys[i]);
  }
}

void EventBindings_ForgetWindow(ObjectHandle window) {
  MapHeader* table = Table();
  Map_Reset(table);
  while (auto* entry = static_cast<BindingEntry*>(Map_Next(table))) {
    if (entry->window != window) continue;
    for (HandlerNode& node : entry->list->nodes) node.active = false;
    DropList(entry->list);
    Map_DeleteCurrent(table);  // the walk goes on with the next element
  }
}

void EventBindings_Free() {
  if (!gTable) return;
  Map_Reset(gTable);
  while (auto* entry = static_cast<BindingEntry*>(Map_Next(gTable))) DropList(entry->list);
  Map_Free(gTable);
  gTable = nullptr;
}
