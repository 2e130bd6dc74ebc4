#include "runtime/data/element_layout.h"

#include <cstdlib>
#include <cstring>
#include <new>

#include "runtime/data/list.h"
#include "runtime/data/map.h"

namespace {

// Element data of a dynamic array starts here, keeping malloc's alignment.
constexpr std::size_t kArrayHeaderBytes = (sizeof(ElementArray) + 15) / 16 * 16;

unsigned char* At(void* base, std::size_t offset) {
  return static_cast<unsigned char*>(base) + offset;
}

unsigned char* ArrayData(ElementArray* array) {
  return reinterpret_cast<unsigned char*>(array) + kArrayHeaderBytes;
}

void InitElements(unsigned char* first, std::size_t size, std::int64_t count,
                  const LayoutEntry* layout) {
  if (!Layout_NeedsInit(layout)) return;
  for (std::int64_t i = 0; i < count; ++i)
    Layout_InitElement(first + static_cast<std::size_t>(i) * size, layout);
}

void FreeElements(unsigned char* first, std::size_t size, std::int64_t count,
                  const LayoutEntry* layout) {
  if (!layout) return;
  for (std::int64_t i = 0; i < count; ++i)
    Layout_FreeElement(first + static_cast<std::size_t>(i) * size, layout);
}

}  // namespace

std::u16string Field_String(const void* field) {
  if (!field) return {};
  RtString text;
  std::memcpy(&text, field, sizeof text);
  return text ? *text : std::u16string();
}

bool Field_SetString(void* field, const std::u16string& text) {
  if (!field) return false;
  RtString old;
  std::memcpy(&old, field, sizeof old);
  RtString copy = nullptr;
  if (!text.empty()) {
    copy = new (std::nothrow) std::u16string;
    if (!copy) return false;
    try {
      *copy = text;
    } catch (const std::bad_alloc&) {
      delete copy;
      return false;
    }
  }
  std::memcpy(field, &copy, sizeof copy);
  delete old;
  return true;
}

void* ElementArray_At(ElementArray* array, std::int64_t index) {
  if (!array || index < 0 || index >= array->count) return nullptr;
  return ArrayData(array) + static_cast<std::size_t>(index) * array->elementSize;
}

bool ElementArray_Resize(void* field, const LayoutEntry& entry, std::int64_t count) {
  if (!field || count < 0) return false;
  ElementArray* array;
  std::memcpy(&array, field, sizeof array);
  const std::int64_t oldCount = array ? array->count : 0;
  if (count == oldCount) return true;
  if (count > 0 && entry.size > 0 &&
      static_cast<std::uint64_t>(count) > (std::uint64_t{1} << 40) / entry.size)
    return false;

  ElementArray* resized = nullptr;
  if (count > 0) {
    const std::size_t bytes = kArrayHeaderBytes + static_cast<std::size_t>(count) * entry.size;
    resized = static_cast<ElementArray*>(std::malloc(bytes));
    if (!resized) return false;
    resized->count = count;
    resized->elementSize = entry.size;
    resized->layout = entry.sub;
    const std::int64_t kept = count < oldCount ? count : oldCount;
    const std::size_t keptBytes = static_cast<std::size_t>(kept) * entry.size;
    // Elements never hold pointers into themselves, so a byte copy moves them.
    if (kept > 0) std::memcpy(ArrayData(resized), ArrayData(array), keptBytes);
    std::memset(ArrayData(resized) + keptBytes, 0, bytes - kArrayHeaderBytes - keptBytes);
    InitElements(ArrayData(resized) + keptBytes, entry.size, count - kept, entry.sub);
  }
  if (array) {
    if (count < oldCount)
      FreeElements(ArrayData(array) + static_cast<std::size_t>(count) * entry.size, entry.size,
                   oldCount - count, entry.sub);
    std::free(array);
  }
  std::memcpy(field, &resized, sizeof resized);
  return true;
}

bool Layout_NeedsInit(const LayoutEntry* layout) {
  for (const LayoutEntry* e = layout; e && e->kind != LayoutKind::End; ++e) {
    switch (e->kind) {
      case LayoutKind::List:
      case LayoutKind::Map:
      case LayoutKind::Object:
        return true;
      case LayoutKind::Struct:
      case LayoutKind::FixedArray:
        if (Layout_NeedsInit(e->sub)) return true;
        break;
      default:
        break;
    }
  }
  return false;
}

void Layout_InitElement(void* element, const LayoutEntry* layout) {
  for (const LayoutEntry* e = layout; e && e->kind != LayoutKind::End; ++e) {
    unsigned char* field = At(element, e->offset);
    switch (e->kind) {
      case LayoutKind::Struct:
        Layout_InitElement(field, e->sub);
        break;
      case LayoutKind::FixedArray:
        InitElements(field, e->size, static_cast<std::int64_t>(e->count), e->sub);
        break;
      case LayoutKind::List:
        // On failure the field stays a zero variable, which every list
        // operation treats as an empty list.
        List_New(e->size, reinterpret_cast<ListVariable*>(field), e->sub, 0);
        break;
      case LayoutKind::Map:
        Map_New(e->size, 0, e->sub, reinterpret_cast<MapHeader**>(field),
                static_cast<std::int64_t>(e->count));
        break;
      case LayoutKind::Object:
        if (e->construct) e->construct(field);
        break;
      default:
        break;
    }
  }
}

void Layout_FreeElement(void* element, const LayoutEntry* layout) {
  for (const LayoutEntry* e = layout; e && e->kind != LayoutKind::End; ++e) {
    unsigned char* field = At(element, e->offset);
    switch (e->kind) {
      case LayoutKind::String: {
        RtString text;
        std::memcpy(&text, field, sizeof text);
        delete text;
        std::memset(field, 0, sizeof text);
        break;
      }
      case LayoutKind::Struct:
        Layout_FreeElement(field, e->sub);
        break;
      case LayoutKind::FixedArray:
        FreeElements(field, e->size, static_cast<std::int64_t>(e->count), e->sub);
        break;
      case LayoutKind::DynamicArray:
        ElementArray_Resize(field, *e, 0);
        break;
      case LayoutKind::List: {
        auto* variable = reinterpret_cast<ListVariable*>(field);
        if (variable->list) List_Free(variable->list);
        break;
      }
      case LayoutKind::Map: {
        MapHeader* map;
        std::memcpy(&map, field, sizeof map);
        if (map) Map_Free(map);
        break;
      }
      case LayoutKind::Object:
        if (e->destroy) e->destroy(field);
        break;
      default:
        break;
    }
  }
}
