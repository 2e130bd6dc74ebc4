// Doubly linked lists with a current element. Elements are stored inline
// behind a 16-byte node header, in cells of a shared pool, and never move
// while they are in the list. A list is not locked: one thread at a time,
// or its users hold a mutex of their own.
#pragma once

#include <cstddef>
#include <cstdint>

#include "runtime/data/element_layout.h"

struct ListHeader;

// The variable a list keeps up to date: the list and the data of its current
// element (nullptr when there is none).
struct ListVariable {
  ListHeader* list = nullptr;
  void* current = nullptr;
};

// A new empty list of `elementSize`-byte elements. `variable` may be
// nullptr (the list then keeps its own). `layout` names the fields the
// elements own, or nullptr. `kind` is stored and not interpreted.
// nullptr when memory runs out.
ListHeader* List_New(std::size_t elementSize, ListVariable* variable, const LayoutEntry* layout,
                     int kind);

// Removes every element (freeing what the layout names), clears the variable
// and frees the list.
void List_Free(ListHeader* list);

// Inserts a zeroed element after the current one (at the front when there is
// none), makes it current and returns its data; nullptr when no memory can
// be had (the list is then unchanged).
void* List_Add(ListHeader* list);

// A walk of the caller's own from the first element to the last, leaving
// the list's current element alone. Start with a value-initialised ListWalk;
// the list must not lose elements while a walk is in progress.
struct ListWalk {
  const void* node = nullptr;
  bool started = false;
};
// The next element of the walk, or nullptr at its end.
void* List_Step(const ListHeader* list, ListWalk* walk);

// Number of elements. May be read by another thread while the owner adds.
std::int64_t List_Size(const ListHeader* list);

// No current element; the next List_Next returns the first element.
void List_Reset(ListHeader* list);

// Moves to the next element and returns its data; nullptr at the end, where
// the last element stays current.
void* List_Next(ListHeader* list);

void* List_First(ListHeader* list);
void* List_Last(ListHeader* list);

// Makes element `index` (0-based) current and returns its data. An index
// outside 0..count-1 leaves no current element and returns nullptr.
void* List_Select(ListHeader* list, std::int64_t index);

// Removes the current element; the previous one becomes current. Returns the
// new current element's data, or nullptr.
void* List_Delete(ListHeader* list);

// Removes every element; no current element.
void List_Clear(ListHeader* list);

// Data of the current element, or nullptr.
void* List_Current(const ListHeader* list);

// Index of the current element, or -1 when there is none.
std::int64_t List_Index(ListHeader* list);

// The kind code given at creation.
int List_Kind(const ListHeader* list);
