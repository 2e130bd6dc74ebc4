// The per-thread event queue, raising, waiting and the current-event
// accessors.
#include <atomic>
#include <deque>
#include <mutex>

#include "platform/platform.h"
#include "runtime/system/event.h"
#include "runtime/system/event_internal.h"

namespace {

struct EventNode {
  int type = 0;
  ObjectHandle object = 0;
  ObjectHandle window = -1;
  std::int64_t subType = 0;
  int flags = 0;
  void* data = nullptr;
  EventDataFree freeData = nullptr;
};

struct CurrentEvent {
  int type = 0;
  ObjectHandle window = -1;
  ObjectHandle object = 0;
  std::int64_t subType = 0;
  void* data = nullptr;
  EventDataFree freeData = nullptr;  // set when the current event owns data
};

// One per thread, made on first use, released with the thread.
struct EventState {
  std::mutex lock;  // the queue; other threads never touch it, but Win_Close may run nested
  std::deque<EventNode> queue;
  int suspended = 0;
  CurrentEvent current;
  std::intptr_t wParam = 0, lParam = 0;

  ~EventState() {
    ReleaseCurrent();
    for (EventNode& node : queue)
      if (node.freeData && node.data) node.freeData(node.data);
  }

  void ReleaseCurrent() {
    if (current.freeData && current.data) current.freeData(current.data);
    current.data = nullptr;
    current.freeData = nullptr;
  }
};

EventState& State() {
  thread_local EventState state;
  return state;
}

std::atomic<int> gWaiting{0};

void RunHandlers(EventState& state, const EventNode& event) {
  CurrentEvent saved = state.current;
  state.current = {event.type, event.window, event.object, event.subType, event.data, nullptr};
  EventBindings_Run(event.type, event.window, event.object, event.subType);
  // A handler's own Evt_Wait may have taken an event that owns its data.
  state.ReleaseCurrent();
  state.current = saved;
}

}  // namespace

void Evt_Raise(int type, ObjectHandle object, ObjectHandle window, std::int64_t subType, void* data,
               EventDataFree freeData, int flags) {
  EventState& state = State();
  bool queued = false;
  EventNode node{type, object, window, subType, flags, data, freeData};
  {
    std::lock_guard lock(state.lock);
    if (state.suspended > 0 && !(flags & kEventPosted)) {
      if (freeData && data) freeData(data);
      return;
    }
    const bool deferred = flags & kEventDeferred;
    const bool same = !state.queue.empty() && state.queue.back().type == type &&
                      state.queue.back().object == object && state.queue.back().window == window &&
                      state.queue.back().subType == subType;
    if (!(same && type <= 65535 && !deferred)) {
      state.queue.push_back(node);
      queued = true;
    }
  }
  if (!(flags & kEventDeferred)) RunHandlers(state, node);
  // A coalesced event owns its data only while its handlers run.
  if (!queued && freeData && data) freeData(data);
}

int Evt_Wait(int timeoutMs) {
  EventState& state = State();
  ++gWaiting;
  struct Leave {
    ~Leave() { --gWaiting; }
  } leave;

  EventNode node;
  bool have = false;
  {
    std::lock_guard lock(state.lock);
    if (!state.queue.empty()) {
      node = state.queue.front();
      state.queue.pop_front();
      have = true;
    }
  }
  if (have) {
    state.ReleaseCurrent();
    state.current = {node.type, node.window, node.object, node.subType, node.data, node.freeData};
    state.wParam = 0;
    state.lParam = 0;
    if (node.flags & kEventDeferred) RunHandlers(state, node);
    return node.type;
  }
  const std::uint32_t message = Plat_WaitMessage(timeoutMs < 0 ? -1 : timeoutMs);
  return static_cast<int>(message);
}

int Evt_Type() { return State().current.type; }
ObjectHandle Evt_Window() { return State().current.window; }
ObjectHandle Evt_Gadget() { return State().current.object; }
std::int64_t Evt_SubType() { return State().current.subType; }
void* Evt_Data() { return State().current.data; }
std::intptr_t Evt_WParam() { return State().wParam; }
std::intptr_t Evt_LParam() { return State().lParam; }
bool Evt_IsWaiting() { return gWaiting.load() > 0; }

void Evt_Suspend() { ++State().suspended; }

void Evt_Resume() {
  EventState& state = State();
  if (state.suspended > 0) --state.suspended;
}

int Evt_QueueLength() {
  EventState& state = State();
  std::lock_guard lock(state.lock);
  return static_cast<int>(state.queue.size());
}

namespace {

template <class Pred>
void DropQueued(Pred pred) {
  EventState& state = State();
  std::deque<EventNode> dropped;
  {
    std::lock_guard lock(state.lock);
    std::deque<EventNode> kept;
    for (EventNode& node : state.queue) (pred(node) ? dropped : kept).push_back(node);
    state.queue.swap(kept);
  }
  for (EventNode& node : dropped) {
    if (!node.freeData || !node.data) continue;
    // The event whose handlers run now: its run releases the data at the end.
    if (node.data == state.current.data && !state.current.freeData)
      state.current.freeData = node.freeData;
    else
      node.freeData(node.data);
  }
}

struct PostBlock {
  int type;
  ObjectHandle object, window;
  std::int64_t subType;
  void* data;
  EventDataFree freeData;
};

}  // namespace

void Evt_ForgetWindow(ObjectHandle window) {
  DropQueued([window](const EventNode& n) { return n.window == window; });
  EventBindings_ForgetWindow(window);
}

void Evt_DropSizeEvents(ObjectHandle window) {
  DropQueued(
      [window](const EventNode& n) { return n.window == window && n.type == KX_Event_SizeWindow; });
}

void Evt_Post(int type, ObjectHandle object, ObjectHandle window, std::int64_t subType, void* data,
              EventDataFree freeData) {
  auto* block = new PostBlock{type, object, window, subType, data, freeData};
  // Never raised (refused, or dropped at shut-down): the event's data is freed.
  const auto drop = [](void* p) {
    auto* b = static_cast<PostBlock*>(p);
    if (b->freeData && b->data) b->freeData(b->data);
    delete b;
  };
  const bool posted = Plat_PostTask(
      [](void* p) {
        auto* b = static_cast<PostBlock*>(p);
        Evt_Raise(b->type, b->object, b->window, b->subType, b->data, b->freeData, kEventPosted);
        delete b;
      },
      block, drop);
  if (!posted) drop(block);
}
