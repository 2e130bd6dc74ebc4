// TEMPORARY until the runtime map lands: a plain list.
#include "dialog/runtime_registry.h"

#include <cmath>
#include <memory>
#include <mutex>
#include <vector>

#include "dialog/dlg_text.h"

namespace {
struct Entry {
  std::u16string name;
  RegistryType type = RegistryType::None;
  std::int64_t integer = 0;
  double real = 0;
  std::unique_ptr<std::u16string> text;
};
std::mutex gLock;
std::vector<Entry>& Entries() {
  static std::vector<Entry> entries;
  return entries;
}
Entry& Slot(const std::u16string& name) {
  for (auto& e : Entries())
    if (EqualsNoCase(e.name, name)) return e;
  Entries().emplace_back();
  Entries().back().name = name;
  return Entries().back();
}
Entry* FindEntry(const std::u16string& name) {
  for (auto& e : Entries())
    if (EqualsNoCase(e.name, name)) return &e;
  return nullptr;
}
}  // namespace

void Registry_SetInteger(const std::u16string& name, std::int64_t value) {
  std::lock_guard lock(gLock);
  Entry& e = Slot(name);
  e.type = RegistryType::Integer;
  e.integer = value;
}
void Registry_SetFloat(const std::u16string& name, double value) {
  std::lock_guard lock(gLock);
  Entry& e = Slot(name);
  e.type = RegistryType::Float;
  e.real = value;
}
void Registry_SetString(const std::u16string& name, const std::u16string& value) {
  std::lock_guard lock(gLock);
  Entry& e = Slot(name);
  e.type = RegistryType::String;
  e.text = std::make_unique<std::u16string>(value);
}
void Registry_SetProcedure(const std::u16string& name, void* procedure) {
  std::lock_guard lock(gLock);
  Entry& e = Slot(name);
  e.type = RegistryType::Procedure;
  e.integer = static_cast<std::int64_t>(reinterpret_cast<std::uintptr_t>(procedure));
}
RegistryType Registry_Type(const std::u16string& name) {
  std::lock_guard lock(gLock);
  Entry* e = FindEntry(name);
  return e ? e->type : RegistryType::None;
}
bool Registry_Find(const std::u16string& name, std::int64_t* value) {
  std::lock_guard lock(gLock);
  Entry* e = FindEntry(name);
  if (!e) return false;
  if (e->type == RegistryType::Float)
    *value = static_cast<std::int64_t>(e->real);
  else if (e->type == RegistryType::String)
    *value = static_cast<std::int64_t>(reinterpret_cast<std::uintptr_t>(e->text->c_str()));
  else
    *value = e->integer;
  return true;
}
std::u16string Registry_String(const std::u16string& name) {
  std::lock_guard lock(gLock);
  Entry* e = FindEntry(name);
  return e && e->type == RegistryType::String ? *e->text : std::u16string();
}
void Registry_Remove(const std::u16string& name) {
  std::lock_guard lock(gLock);
  std::erase_if(Entries(), [&](const Entry& e) { return EqualsNoCase(e.name, name); });
}
void Registry_Clear() {
  std::lock_guard lock(gLock);
  Entries().clear();
}
