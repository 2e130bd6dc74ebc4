// Typed fronts over the list and map engines. The element type's own
// constructor and destructor stand in for a layout description: an
// element is value-initialised when it is inserted and destroyed when it is
// removed, so a record holding a std::u16string frees it on removal.
// Plain types (trivial to create and destroy) go without a layout and cost
// no more than the untyped engine.
#pragma once

#include <cstdint>
#include <new>
#include <string>
#include <type_traits>
#include <utility>

#include "runtime/data/element_layout.h"
#include "runtime/data/list.h"
#include "runtime/data/map.h"

template <class T>
struct ElementLayoutOf {
  // Elements live at 8-byte aligned addresses and are never moved.
  static_assert(alignof(T) <= 8, "container elements are 8-byte aligned");
  static_assert(std::is_nothrow_default_constructible_v<T>);
  static_assert(std::is_nothrow_destructible_v<T>);

  static void Construct(void* data) { ::new (data) T(); }
  static void Destroy(void* data) { static_cast<T*>(data)->~T(); }

  static constexpr bool kPlain =
      std::is_trivially_default_constructible_v<T> && std::is_trivially_destructible_v<T>;
  static constexpr LayoutEntry kEntries[2] = {
      {LayoutKind::Object, 0, sizeof(T), 0, nullptr, &Construct, &Destroy},
      {LayoutKind::End},
  };
  static const LayoutEntry* Get() { return kPlain ? nullptr : kEntries; }
};

template <class T>
class List {
 public:
  explicit List(int kind = 0)
      : list_(List_New(sizeof(T), nullptr, ElementLayoutOf<T>::Get(), kind)) {}
  ~List() { List_Free(list_); }
  List(const List&) = delete;
  List& operator=(const List&) = delete;
  List(List&& other) noexcept : list_(std::exchange(other.list_, nullptr)) {}
  List& operator=(List&& other) noexcept {
    if (this != &other) {
      List_Free(list_);
      list_ = std::exchange(other.list_, nullptr);
    }
    return *this;
  }

  // False when the list could not be made (out of memory).
  bool Valid() const { return list_ != nullptr; }
  ListHeader* Handle() const { return list_; }

  T* Add() { return static_cast<T*>(List_Add(list_)); }
  // Appends after the last element, wherever the cursor stood; the new
  // element becomes current.
  T* AddLast() {
    List_Last(list_);
    return Add();
  }
  std::int64_t Size() const { return List_Size(list_); }
  void Reset() { List_Reset(list_); }
  T* Next() { return static_cast<T*>(List_Next(list_)); }
  T* First() { return static_cast<T*>(List_First(list_)); }
  T* Last() { return static_cast<T*>(List_Last(list_)); }
  T* Select(std::int64_t index) { return static_cast<T*>(List_Select(list_, index)); }
  T* Delete() { return static_cast<T*>(List_Delete(list_)); }
  void Clear() { List_Clear(list_); }
  T* Current() const { return static_cast<T*>(List_Current(list_)); }
  std::int64_t Index() { return List_Index(list_); }

  // Calls visit(element) for each element, first to last, without moving
  // the cursor. `visit` must not add or remove elements.
  template <class Visit>
  void ForEach(Visit&& visit) const {
    ListWalk walk;
    while (void* element = List_Step(list_, &walk)) visit(*static_cast<T*>(element));
  }

 private:
  ListHeader* list_;
};

template <class T>
class Map {
 public:
  explicit Map(std::int64_t buckets = 512, std::uint32_t flags = 0, int kind = 0)
      : map_(Map_New(sizeof(T), kind, ElementLayoutOf<T>::Get(), nullptr, buckets, flags)) {}
  ~Map() { Map_Free(map_); }
  Map(const Map&) = delete;
  Map& operator=(const Map&) = delete;
  Map(Map&& other) noexcept : map_(std::exchange(other.map_, nullptr)) {}
  Map& operator=(Map&& other) noexcept {
    if (this != &other) {
      Map_Free(map_);
      map_ = std::exchange(other.map_, nullptr);
    }
    return *this;
  }

  bool Valid() const { return map_ != nullptr; }
  MapHeader* Handle() const { return map_; }

  T* Add(const std::u16string& key) { return static_cast<T*>(Map_Add(map_, key)); }
  T* AddAbsent(const std::u16string& key) { return static_cast<T*>(Map_AddAbsent(map_, key)); }
  T* Find(const std::u16string& key) { return static_cast<T*>(Map_Find(map_, key)); }
  // Maps made with kMapIntegerKeys.
  T* AddInteger(std::int64_t key) { return static_cast<T*>(Map_AddInteger(map_, key)); }
  T* FindInteger(std::int64_t key) { return static_cast<T*>(Map_FindInteger(map_, key)); }
  std::int64_t BucketOf(const std::u16string& key) const { return Map_BucketOf(map_, key); }
  std::int32_t Size() const { return Map_Size(map_); }
  void Reset() { Map_Reset(map_); }
  T* Next() { return static_cast<T*>(Map_Next(map_)); }
  bool DeleteCurrent() { return Map_DeleteCurrent(map_) != 0; }
  void Clear() { Map_Clear(map_); }
  T* Current() const { return static_cast<T*>(Map_Current(map_)); }
  std::u16string Key() const { return Map_Key(map_); }
  std::int64_t IntegerKey() const { return Map_IntegerKey(map_); }

  // Calls visit(element) for each element in walk order (the order Next
  // gives) without moving the cursor. `visit` must not add or remove elements.
  template <class Visit>
  void ForEach(Visit&& visit) const {
    MapWalk walk;
    while (void* element = Map_Step(map_, &walk)) visit(*static_cast<T*>(element));
  }

 private:
  MapHeader* map_;
};
