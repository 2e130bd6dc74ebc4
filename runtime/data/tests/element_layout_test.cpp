#include "runtime/data/element_layout.h"

#include <gtest/gtest.h>

#include <cstddef>
#include <cstdint>
#include <string>

#include "runtime/data/list.h"
#include "runtime/data/map.h"

namespace {

// Untyped records as a caller without the typed front would describe them.
struct Inner {
  std::int64_t id;
  RtString label;
};

struct Outer {
  RtString name;
  Inner single;
  Inner pair[2];
  ElementArray* extra;
  ListVariable children;  // list of Inner
  MapHeader* index;       // map of Inner
};

const LayoutEntry kInnerLayout[] = {
    {LayoutKind::String, offsetof(Inner, label)},
    {LayoutKind::End},
};

const LayoutEntry kOuterLayout[] = {
    {LayoutKind::String, offsetof(Outer, name)},
    {LayoutKind::Struct, offsetof(Outer, single), sizeof(Inner), 0, kInnerLayout},
    {LayoutKind::FixedArray, offsetof(Outer, pair), sizeof(Inner), 2, kInnerLayout},
    {LayoutKind::DynamicArray, offsetof(Outer, extra), sizeof(Inner), 0, kInnerLayout},
    {LayoutKind::List, offsetof(Outer, children), sizeof(Inner), 0, kInnerLayout},
    {LayoutKind::Map, offsetof(Outer, index), sizeof(Inner), 64, kInnerLayout},
    {LayoutKind::End},
};

const std::u16string kLong = u"long enough to live on the heap, not in the string";

TEST(ElementLayoutTest, StringsHoldCopiesAndOnlyNestedContainersNeedInit) {
  RtString field = nullptr;
  EXPECT_EQ(Field_String(&field), u"");
  std::u16string text = kLong;
  ASSERT_TRUE(Field_SetString(&field, text));
  text[0] = u'X';
  EXPECT_EQ(Field_String(&field), kLong);
  ASSERT_TRUE(Field_SetString(&field, u""));
  EXPECT_EQ(field, nullptr);
  EXPECT_FALSE(Field_SetString(nullptr, u"x"));
  EXPECT_EQ(Field_String(nullptr), u"");

  EXPECT_FALSE(Layout_NeedsInit(nullptr));
  EXPECT_FALSE(Layout_NeedsInit(kInnerLayout));
  EXPECT_TRUE(Layout_NeedsInit(kOuterLayout));
  const LayoutEntry wrapped[] = {{LayoutKind::Struct, 0, sizeof(Outer), 0, kOuterLayout},
                                 {LayoutKind::End}};
  EXPECT_TRUE(Layout_NeedsInit(wrapped));
}

TEST(ElementLayoutTest, ListElementsWithNestedContainersFreeEverything) {
  ListHeader* list = List_New(sizeof(Outer), nullptr, kOuterLayout, 7);
  for (int n = 0; n < 3; ++n) {
    auto* outer = static_cast<Outer*>(List_Add(list));
    ASSERT_NE(outer, nullptr);
    // Nested containers are made when the element is.
    ASSERT_NE(outer->children.list, nullptr);
    ASSERT_NE(outer->index, nullptr);
    EXPECT_EQ(outer->extra, nullptr);
    ASSERT_TRUE(Field_SetString(&outer->name, kLong));
    ASSERT_TRUE(Field_SetString(&outer->single.label, kLong));
    ASSERT_TRUE(Field_SetString(&outer->pair[1].label, kLong));
    ASSERT_TRUE(ElementArray_Resize(&outer->extra, kOuterLayout[3], 3));
    auto* third = static_cast<Inner*>(ElementArray_At(outer->extra, 2));
    ASSERT_NE(third, nullptr);
    EXPECT_EQ(third->label, nullptr);
    ASSERT_TRUE(Field_SetString(&third->label, kLong));
    for (int i = 0; i < 4; ++i) {
      auto* child = static_cast<Inner*>(List_Add(outer->children.list));
      ASSERT_TRUE(Field_SetString(&child->label, kLong));
      auto* entry = static_cast<Inner*>(Map_Add(outer->index, u"k" + std::u16string(1, u'0' + i)));
      ASSERT_TRUE(Field_SetString(&entry->label, kLong));
    }
    EXPECT_EQ(outer->children.current, List_Current(outer->children.list));
  }
  EXPECT_EQ(ElementArray_At(static_cast<Outer*>(List_Current(list))->extra, 3), nullptr);
  // Shrinking the dynamic array frees the dropped element's string.
  auto* current = static_cast<Outer*>(List_Current(list));
  ASSERT_TRUE(ElementArray_Resize(&current->extra, kOuterLayout[3], 1));
  EXPECT_EQ(current->extra->count, 1);
  List_Delete(list);
  EXPECT_EQ(List_Size(list), 2);
  // The rest goes with the list; the sanitizer build reports anything left.
  List_Free(list);

  MapHeader* map = Map_New(sizeof(Inner), 7, kInnerLayout, nullptr, 512);
  for (int i = 0; i < 50; ++i) {
    auto* inner = static_cast<Inner*>(Map_Add(map, u"path" + std::u16string(1, u'A' + i)));
    ASSERT_TRUE(Field_SetString(&inner->label, kLong));
  }
  ASSERT_NE(Map_Find(map, u"pathC"), nullptr);
  Map_DeleteCurrent(map);
  Map_Free(map);
}

TEST(ElementLayoutTest, DynamicArrayRejectsBadCounts) {
  ElementArray* array = nullptr;
  EXPECT_FALSE(ElementArray_Resize(&array, kOuterLayout[3], -1));
  EXPECT_FALSE(ElementArray_Resize(&array, kOuterLayout[3], std::int64_t{1} << 60));
  EXPECT_EQ(array, nullptr);
  EXPECT_TRUE(ElementArray_Resize(&array, kOuterLayout[3], 0));
  EXPECT_EQ(ElementArray_At(array, 0), nullptr);
}

}  // namespace
