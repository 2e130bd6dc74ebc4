// The binding table: handlers bound to an event key, run newest first.
#include <cstdio>
#include <list>
#include <memory>
#include <string>
#include <unordered_map>

#include "runtime/system/event.h"
#include "runtime/system/event_internal.h"
#include "runtime/system/gadget.h"
#include "runtime/system/window.h"

namespace {

struct HandlerNode {
  EventHandler handler = nullptr;
  bool active = true;
};

// Newest first. A list being run is kept alive by the run itself, so a
// handler may unbind, rebind or close its window while its list runs.
struct BindingList {
  std::list<HandlerNode> nodes;
  int running = 0;
};

struct BindingEntry {
  std::shared_ptr<BindingList> list;
  ObjectHandle window = -1;
};

// The table belongs to the main thread (handlers are bound and run there).
std::unordered_map<std::u16string, BindingEntry>& Table() {
  static std::unordered_map<std::u16string, BindingEntry> table;
  return table;
}

std::u16string Key(int type, ObjectHandle window, ObjectHandle object, std::int64_t subType) {
  char text[96];
  std::snprintf(text, sizeof text, "%d:%lld:%lld:%lld", type, static_cast<long long>(window),
                static_cast<long long>(object), static_cast<long long>(subType));
  return std::u16string(text, text + std::char_traits<char>::length(text));
}

// Drops inactive nodes, and the entry when its list is empty, unless a run
// of that list is still in progress (that run tidies up when it ends).
void Tidy(const std::u16string& key) {
  auto& table = Table();
  auto it = table.find(key);
  if (it == table.end() || it->second.list->running > 0) return;
  it->second.list->nodes.remove_if([](const HandlerNode& n) { return !n.active; });
  if (it->second.list->nodes.empty()) table.erase(it);
}

void RunKey(const std::u16string& key) {
  auto& table = Table();
  auto it = table.find(key);
  if (it == table.end()) return;
  std::shared_ptr<BindingList> list = it->second.list;
  ++list->running;
  for (auto node = list->nodes.begin(); node != list->nodes.end(); ++node)
    if (node->active && node->handler) node->handler();
  --list->running;
  // The entry may have been replaced while the list ran; tidy what we ran.
  if (list->running == 0) {
    list->nodes.remove_if([](const HandlerNode& n) { return !n.active; });
    auto again = table.find(key);
    if (list->nodes.empty() && again != table.end() && again->second.list == list)
      table.erase(again);
  }
}

}  // namespace

int Evt_Bind(int type, EventHandler handler, ObjectHandle window, ObjectHandle object,
             std::int64_t subType) {
  if (!handler) return 0;
  BindingEntry& entry = Table()[Key(type, window, object, subType)];
  if (!entry.list) entry.list = std::make_shared<BindingList>();
  entry.window = window;
  entry.list->nodes.push_front(HandlerNode{handler, true});
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
  auto& table = Table();
  auto it = table.find(key);
  if (it == table.end()) return 0;
  for (HandlerNode& node : it->second.list->nodes) {
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
  auto& table = Table();
  for (auto it = table.begin(); it != table.end();) {
    if (it->second.window != window) {
      ++it;
      continue;
    }
    for (HandlerNode& node : it->second.list->nodes) node.active = false;
    if (it->second.list->running > 0) {
      ++it;  // its run removes it
    } else {
      it = table.erase(it);
    }
  }
}
