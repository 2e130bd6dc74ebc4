// The numbered object table behind every runtime library (images, files,
// archives, windows, gadgets, dialogs, XML documents, ...).
//
// A fixed number (0 and up, chosen by the caller) indexes a growable array of
// record pointers; KX_Any makes a dynamic record whose number is the record's
// address. A record is live while its `handle` member is non-zero. One
// recursive lock guards the table; the records themselves are not locked:
// an object is used by one thread at a time.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <mutex>
#include <unordered_map>
#include <utility>
#include <vector>

#include "runtime/data/handle.h"

// The live test: a record is an object while its native handle is set.
// Works for integer, pointer and smart-pointer handles alike.
template <class Record>
inline bool ObjectIsLive(const Record& record) {
  return static_cast<bool>(record.handle);
}

template <class Record>
class ObjectTable {
 public:
  // Frees the object with this number (the library's own free operation,
  // e.g. Img_Free). It is called with the table lock held; the lock is
  // recursive so the callback may Release() the number itself.
  using FreeCallback = void (*)(ObjectHandle number);

  // Fixed numbers above this are refused instead of growing the array to
  // gigabytes for a number that is almost certainly a stale address.
  static constexpr ObjectHandle kMaxFixedNumber = (1 << 20) - 1;

  explicit ObjectTable(std::size_t initialSlots = 16, std::size_t growth = 16,
                       FreeCallback onFree = nullptr)
      : growth_(growth), onFree_(onFree), slots_(initialSlots) {}

  ObjectTable(const ObjectTable&) = delete;
  ObjectTable& operator=(const ObjectTable&) = delete;

  void SetFreeCallback(FreeCallback onFree) {
    std::lock_guard lock(mutex_);
    onFree_ = onFree;
  }

  // Takes the record for `number` and returns it value-initialised.
  // KX_Any: a new dynamic record; *assigned receives its address as number.
  // A fixed number grows the array (to number + growth) when needed and first
  // frees a live object that holds the number. nullptr for an unusable number.
  Record* Allocate(ObjectHandle number, ObjectHandle* assigned = nullptr) {
    std::lock_guard lock(mutex_);
    if (number == KX_Any) {
      auto record = std::make_unique<Record>();
      Record* raw = record.get();
      const ObjectHandle dynamicNumber = AddressOf(raw);
      dynamic_.emplace(dynamicNumber, std::move(record));
      if (assigned) *assigned = dynamicNumber;
      return raw;
    }
    if (number < 0 || number > kMaxFixedNumber) return nullptr;
    const auto index = static_cast<std::size_t>(number);
    if (index >= slots_.size()) slots_.resize(index + growth_);
    if (slots_[index] && ObjectIsLive(*slots_[index]) && onFree_) onFree_(number);
    // The callback may have grown the array; index again.
    auto& slot = slots_[index];
    if (slot)
      *slot = Record{};
    else
      slot = std::make_unique<Record>();
    if (assigned) *assigned = number;
    return slot.get();
  }

  // The live record a number names, nullptr when it names none. Dynamic
  // numbers are checked against the table, so a stale or made-up number is
  // harmless.
  Record* Find(ObjectHandle number) {
    std::lock_guard lock(mutex_);
    Record* record = FindAny(number);
    return record && ObjectIsLive(*record) ? record : nullptr;
  }

  bool IsObject(ObjectHandle number) { return Find(number) != nullptr; }

  // Fixed numbers: the record is reset and the slot kept. Dynamic numbers:
  // the record is destroyed.
  void Release(ObjectHandle number) {
    std::lock_guard lock(mutex_);
    if (number >= 0 && static_cast<std::size_t>(number) < slots_.size()) {
      if (slots_[static_cast<std::size_t>(number)])
        *slots_[static_cast<std::size_t>(number)] = Record{};
      return;
    }
    dynamic_.erase(number);
  }

  // Frees every live object through the free callback (without one, just
  // drops the records), then forgets every dynamic record.
  void FreeAll() {
    std::lock_guard lock(mutex_);
    for (ObjectHandle number : LiveNumbers()) {
      if (onFree_)
        onFree_(number);
      else
        Release(number);
    }
    dynamic_.clear();
  }

  // Calls fn(number, record) for every live object, fixed numbers first in
  // ascending order, under the table lock.
  template <class Fn>
  void ForEach(Fn&& fn) {
    std::lock_guard lock(mutex_);
    for (ObjectHandle number : LiveNumbers()) {
      if (Record* record = FindAny(number); record && ObjectIsLive(*record)) fn(number, *record);
    }
  }

  std::size_t LiveCount() {
    std::lock_guard lock(mutex_);
    return LiveNumbers().size();
  }

  // The table's lock, for operations that must keep a record stable across
  // several steps (e.g. look up, then read two fields).
  std::recursive_mutex& Mutex() { return mutex_; }

  // What a creating call returns: the dynamic number for KX_Any, otherwise
  // the object's native handle.
  static ObjectHandle CreateResult(ObjectHandle requested, ObjectHandle assigned,
                                   ObjectHandle nativeHandle) {
    return requested == KX_Any ? assigned : nativeHandle;
  }

 private:
  static ObjectHandle AddressOf(const Record* record) {
    return static_cast<ObjectHandle>(reinterpret_cast<std::uintptr_t>(record));
  }

  Record* FindAny(ObjectHandle number) {
    if (number >= 0 && static_cast<std::size_t>(number) < slots_.size())
      return slots_[static_cast<std::size_t>(number)].get();
    auto it = dynamic_.find(number);
    return it == dynamic_.end() ? nullptr : it->second.get();
  }

  std::vector<ObjectHandle> LiveNumbers() const {
    std::vector<ObjectHandle> numbers;
    for (std::size_t i = 0; i < slots_.size(); ++i)
      if (slots_[i] && ObjectIsLive(*slots_[i])) numbers.push_back(static_cast<ObjectHandle>(i));
    for (const auto& [number, record] : dynamic_)
      if (ObjectIsLive(*record)) numbers.push_back(number);
    return numbers;
  }

  std::recursive_mutex mutex_;
  std::size_t growth_;
  FreeCallback onFree_;
  std::vector<std::unique_ptr<Record>> slots_;
  std::unordered_map<ObjectHandle, std::unique_ptr<Record>> dynamic_;
};
