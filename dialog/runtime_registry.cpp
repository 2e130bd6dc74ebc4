// The registry is one runtime map of 1024 buckets with case-blind keys. Its
// elements hold the value's type and value; a string value is an owned
// string field, which the map frees with the element.
#include "dialog/runtime_registry.h"

#include <cmath>
#include <cstddef>
#include <cstdint>
#include <limits>
#include <mutex>

#include "runtime/data/element_layout.h"
#include "runtime/data/map.h"

namespace {

struct RegistryEntry {
  std::int64_t integer;  // integers and procedure addresses
  double real;
  RtString text;
  RegistryType type;
};

constexpr LayoutEntry kEntryLayout[] = {
    {LayoutKind::String, offsetof(RegistryEntry, text)},
    {LayoutKind::End},
};

constexpr std::int64_t kBuckets = 1024;

std::mutex gLock;
// Made on first use and kept for the life of the process: other statics
// (the map's cell pools) may be gone by the time destructors would run.
MapHeader* gMap = nullptr;  // guarded by gLock

MapHeader* Registry() {
  if (!gMap) Map_New(sizeof(RegistryEntry), 0, kEntryLayout, &gMap, kBuckets, kMapNoCase);
  return gMap;
}

// The entry for a name, made when missing, with any old value dropped.
RegistryEntry* Fresh(const std::u16string& name) {
  MapHeader* map = Registry();
  if (!map) return nullptr;
  auto* entry = static_cast<RegistryEntry*>(Map_Add(map, name));
  if (!entry) return nullptr;
  Field_SetString(&entry->text, u"");
  entry->integer = 0;
  entry->real = 0;
  return entry;
}

RegistryEntry* Lookup(const std::u16string& name) {
  MapHeader* map = Registry();
  return map ? static_cast<RegistryEntry*>(Map_Find(map, name)) : nullptr;
}

std::int64_t Truncate(double value) {
  if (std::isnan(value)) return 0;
  constexpr double kLimit = 9223372036854775807.0;  // 2^63
  if (value >= kLimit) return std::numeric_limits<std::int64_t>::max();
  if (value <= -kLimit) return std::numeric_limits<std::int64_t>::min();
  return static_cast<std::int64_t>(value);
}

}  // namespace

void Registry_SetInteger(const std::u16string& name, std::int64_t value) {
  std::lock_guard lock(gLock);
  if (RegistryEntry* e = Fresh(name)) {
    e->type = RegistryType::Integer;
    e->integer = value;
  }
}

void Registry_SetFloat(const std::u16string& name, double value) {
  std::lock_guard lock(gLock);
  if (RegistryEntry* e = Fresh(name)) {
    e->type = RegistryType::Float;
    e->real = value;
  }
}

void Registry_SetString(const std::u16string& name, const std::u16string& value) {
  std::lock_guard lock(gLock);
  if (RegistryEntry* e = Fresh(name)) {
    e->type = Field_SetString(&e->text, value) ? RegistryType::String : RegistryType::None;
    if (e->type == RegistryType::None) Map_DeleteCurrent(gMap);
  }
}

void Registry_SetProcedure(const std::u16string& name, void* procedure) {
  std::lock_guard lock(gLock);
  if (RegistryEntry* e = Fresh(name)) {
    e->type = RegistryType::Procedure;
    e->integer = static_cast<std::int64_t>(reinterpret_cast<std::uintptr_t>(procedure));
  }
}

RegistryType Registry_Type(const std::u16string& name) {
  std::lock_guard lock(gLock);
  const RegistryEntry* e = Lookup(name);
  return e ? e->type : RegistryType::None;
}

bool Registry_Find(const std::u16string& name, std::int64_t* value) {
  std::lock_guard lock(gLock);
  const RegistryEntry* e = Lookup(name);
  if (!e) return false;
  switch (e->type) {
    case RegistryType::Float:
      *value = Truncate(e->real);
      break;
    case RegistryType::String:
      // A string field is never null once set; its text lives in the map.
      *value = e->text
                   ? static_cast<std::int64_t>(reinterpret_cast<std::uintptr_t>(e->text->c_str()))
                   : 0;
      break;
    default:
      *value = e->integer;
      break;
  }
  return true;
}

std::u16string Registry_String(const std::u16string& name) {
  std::lock_guard lock(gLock);
  const RegistryEntry* e = Lookup(name);
  return e && e->type == RegistryType::String ? Field_String(&e->text) : std::u16string();
}

void Registry_Remove(const std::u16string& name) {
  std::lock_guard lock(gLock);
  if (Lookup(name)) Map_DeleteCurrent(gMap);
}

void Registry_Clear() {
  std::lock_guard lock(gLock);
  if (gMap) Map_Clear(gMap);
}
