#include "runtime/data/list.h"

#include <atomic>
#include <cstring>
#include <new>

#include "runtime/data/cell_pool.h"

namespace {

// Node header in front of every element; element data starts right after.
struct ListNode {
  ListNode* next;
  ListNode* prev;
};
static_assert(sizeof(ListNode) == 16);

void* DataOf(ListNode* node) { return node ? node + 1 : nullptr; }

}  // namespace

struct ListHeader {
  ListNode* first = nullptr;
  ListNode* last = nullptr;
  ListNode* current = nullptr;
  ListVariable* variable = nullptr;
  // Written only by the thread that owns the list, but read without a lock
  // by threads that poll for work (the job queue's worker).
  std::atomic<std::int64_t> count{0};
  std::int64_t index = 0;
  const LayoutEntry* layout = nullptr;
  CellPool* pool = nullptr;
  std::size_t elementSize = 0;
  std::size_t cellBytes = 0;  // node header and data, zeroed on insertion
  bool indexInvalid = true;
  bool needsInit = false;
  bool ownsVariable = false;
  int kind = 0;
  ListVariable ownVariable;
};

namespace {

void SetCurrent(ListHeader* list, ListNode* node, std::int64_t index) {
  list->current = node;
  list->index = index;
  list->indexInvalid = node == nullptr;
  list->variable->current = DataOf(node);
}

void AddToCount(ListHeader* list, std::int64_t delta) {
  list->count.store(list->count.load(std::memory_order_relaxed) + delta, std::memory_order_relaxed);
}

void FreeNode(ListHeader* list, ListNode* node) {
  if (list->layout) Layout_FreeElement(DataOf(node), list->layout);
  CellPool_Release(node);
}

}  // namespace

ListHeader* List_New(std::size_t elementSize, ListVariable* variable, const LayoutEntry* layout,
                     int kind) {
  if (elementSize > (std::size_t{1} << 32)) return nullptr;
  auto* list = new (std::nothrow) ListHeader;
  if (!list) return nullptr;
  list->pool = CellPool_New(elementSize + sizeof(ListNode), kPoolShared);
  if (!list->pool) {
    delete list;
    return nullptr;
  }
  list->elementSize = elementSize;
  list->cellBytes = CellPool_CellBytes(elementSize + sizeof(ListNode)) - sizeof(void*);
  list->layout = layout;
  list->needsInit = Layout_NeedsInit(layout);
  list->kind = kind;
  list->ownsVariable = variable == nullptr;
  list->variable = variable ? variable : &list->ownVariable;
  list->variable->list = list;
  list->variable->current = nullptr;
  return list;
}

void List_Free(ListHeader* list) {
  if (!list) return;
  List_Clear(list);
  CellPool_Free(list->pool);
  if (!list->ownsVariable) *list->variable = ListVariable{};
  delete list;
}

void* List_Add(ListHeader* list) {
  if (!list) return nullptr;
  auto* node = static_cast<ListNode*>(CellPool_Alloc(list->pool));
  if (!node) return nullptr;
  std::memset(node, 0, list->cellBytes);
  if (list->needsInit) Layout_InitElement(DataOf(node), list->layout);
  AddToCount(list, 1);

  ListNode* current = list->current;
  if (current) {
    node->prev = current;
    node->next = current->next;
    if (node->next) node->next->prev = node;
    current->next = node;
    if (!list->indexInvalid) list->index += 1;
  } else {
    node->next = list->first;
    if (node->next) node->next->prev = node;
    list->index = 0;
    list->indexInvalid = false;
  }
  list->current = node;
  if (!node->prev) list->first = node;
  if (!node->next) list->last = node;
  list->variable->current = DataOf(node);
  return DataOf(node);
}

void* List_Step(const ListHeader* list, ListWalk* walk) {
  if (!list || !walk) return nullptr;
  const auto* at = static_cast<const ListNode*>(walk->node);
  ListNode* next = walk->started ? (at ? at->next : nullptr) : list->first;
  walk->started = true;
  walk->node = next;
  return DataOf(next);
}

std::int64_t List_Size(const ListHeader* list) {
  return list ? list->count.load(std::memory_order_relaxed) : 0;
}

void List_Reset(ListHeader* list) {
  if (list) SetCurrent(list, nullptr, 0);
}

void* List_Next(ListHeader* list) {
  if (!list) return nullptr;
  if (!list->current) {
    if (!list->first) return nullptr;
    SetCurrent(list, list->first, 0);
    return DataOf(list->current);
  }
  ListNode* next = list->current->next;
  if (!next) return nullptr;
  list->current = next;
  if (!list->indexInvalid) list->index += 1;
  list->variable->current = DataOf(next);
  return DataOf(next);
}

void* List_First(ListHeader* list) {
  if (!list || !list->first) return nullptr;
  SetCurrent(list, list->first, 0);
  return DataOf(list->first);
}

void* List_Last(ListHeader* list) {
  if (!list || !list->last) return nullptr;
  SetCurrent(list, list->last, List_Size(list) - 1);
  return DataOf(list->last);
}

void* List_Select(ListHeader* list, std::int64_t index) {
  if (!list) return nullptr;
  const std::int64_t count = List_Size(list);
  if (index < 0 || index >= count) {
    SetCurrent(list, nullptr, 0);
    return nullptr;
  }
  // Walk from whichever known position is nearest.
  ListNode* node = list->first;
  std::int64_t at = 0;
  if (count - 1 - index < index) {
    node = list->last;
    at = count - 1;
  }
  if (list->current && !list->indexInvalid) {
    const std::int64_t fromCurrent =
        list->index > index ? list->index - index : index - list->index;
    const std::int64_t fromBest = at > index ? at - index : index - at;
    if (fromCurrent < fromBest) {
      node = list->current;
      at = list->index;
    }
  }
  for (; at < index; ++at) node = node->next;
  for (; at > index; --at) node = node->prev;
  SetCurrent(list, node, index);
  return DataOf(node);
}

void* List_Delete(ListHeader* list) {
  if (!list || !list->current) return nullptr;
  ListNode* node = list->current;
  ListNode* p = node->prev;
  ListNode* q = node->next;
  if (p && q) {
    p->next = q;
    q->prev = p;
    SetCurrent(list, p, list->index - 1);
  } else if (p) {
    p->next = nullptr;
    list->last = p;
    SetCurrent(list, p, list->index - 1);
  } else if (q) {
    // The first element went: nothing is before it, so nothing is current
    // and the next List_Next yields the new first element.
    q->prev = nullptr;
    list->first = q;
    SetCurrent(list, nullptr, 0);
  } else {
    list->first = list->last = nullptr;
    SetCurrent(list, nullptr, 0);
  }
  AddToCount(list, -1);
  FreeNode(list, node);
  return DataOf(list->current);
}

void List_Clear(ListHeader* list) {
  if (!list) return;
  ListNode* node = list->first;
  list->first = list->last = nullptr;
  SetCurrent(list, nullptr, 0);
  list->count.store(0, std::memory_order_relaxed);
  while (node) {
    ListNode* next = node->next;
    FreeNode(list, node);
    node = next;
  }
}

void* List_Current(const ListHeader* list) { return list ? DataOf(list->current) : nullptr; }

std::int64_t List_Index(ListHeader* list) {
  if (!list || !list->current) return -1;
  if (list->indexInvalid) {
    std::int64_t index = 0;
    for (ListNode* node = list->first; node != list->current; node = node->next) ++index;
    list->index = index;
    list->indexInvalid = false;
  }
  return list->index;
}

int List_Kind(const ListHeader* list) { return list ? list->kind : 0; }
