// Element layout descriptions: which fields of a container element own
// resources. Removing an element frees its strings and nested containers;
// creating one zeroes it and sets up the nested containers.
//
// A description is an array of LayoutEntry ended by an entry of kind
// LayoutKind::End. Field types by kind:
//   String        RtString (owned std::u16string*, nullptr is the empty string)
//   Struct        a sub-structure described by `sub`, `size` bytes
//   FixedArray    `count` sub-structures of `size` bytes each, described by `sub`
//   DynamicArray  ElementArray* of elements of `size` bytes described by `sub`
//   List          ListVariable of a list of `size`-byte elements described by `sub`
//   Map           MapHeader* of a map of `size`-byte elements described by `sub`,
//                 with `count` buckets
//   Object        a C++ object made by `construct` and ended by `destroy`
//                 (the typed container front uses this for its element type)
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

enum class LayoutKind : std::uint8_t {
  End,
  String,
  Struct,
  FixedArray,
  DynamicArray,
  List,
  Map,
  Object,
};

struct LayoutEntry {
  LayoutKind kind;
  std::size_t offset = 0;
  std::size_t size = 0;                // sub-element size
  std::size_t count = 0;               // fixed array length / map bucket count
  const LayoutEntry* sub = nullptr;    // description of the sub-elements, or none
  void (*construct)(void*) = nullptr;  // Object only
  void (*destroy)(void*) = nullptr;    // Object only
};

// A string field: an owned heap string, nullptr when empty.
using RtString = std::u16string*;

// The text of a string field.
std::u16string Field_String(const void* field);
// Replaces the text of a string field; false when memory runs out.
bool Field_SetString(void* field, const std::u16string& text);

// A dynamic array field points to one of these (or is nullptr when empty).
struct ElementArray {
  std::int64_t count;
  std::size_t elementSize;
  const LayoutEntry* layout;
  // `count` elements of `elementSize` bytes follow, 16-aligned.
};

// Data of element `index`, or nullptr when out of range.
void* ElementArray_At(ElementArray* array, std::int64_t index);
// Resizes the dynamic array at `field` (an ElementArray*) as `entry`
// describes it: kept elements stay, dropped ones are freed, new ones are
// zeroed and set up. Count 0 frees the array. False when memory runs out
// (the array is then unchanged).
bool ElementArray_Resize(void* field, const LayoutEntry& entry, std::int64_t count);

// True when creating an element must do more than zero it.
bool Layout_NeedsInit(const LayoutEntry* layout);
// Sets up a zeroed element: nested containers and objects.
void Layout_InitElement(void* element, const LayoutEntry* layout);
// Frees what the element owns; the element's memory itself is left alone.
void Layout_FreeElement(void* element, const LayoutEntry* layout);
