#include "runtime/data/pack.h"

#include <mutex>
#include <vector>

#include "runtime/data/object_table.h"
#include "runtime/data/pack_plugin.h"

namespace {

struct PackerPlugin {
  std::uint32_t id;
  const PackerOperations* operations;
};

// Registration may come from any thread, so the registry has its own lock.
std::mutex gPluginMutex;
std::vector<PackerPlugin>& Plugins() {
  static std::vector<PackerPlugin> plugins;
  return plugins;
}

const PackerOperations* FindPlugin(int id) {
  std::lock_guard lock(gPluginMutex);
  const auto& plugins = Plugins();
  if (plugins.empty()) return nullptr;
  if (id == -1) return plugins.front().operations;
  for (const auto& plugin : plugins)
    if ((plugin.id & 0xFFFF) == (static_cast<std::uint32_t>(id) & 0xFFFF)) return plugin.operations;
  return nullptr;
}

void FreeArchive(ObjectHandle number);

ObjectTable<PackerRecord>& Table() {
  static ObjectTable<PackerRecord> table(16, 16, FreeArchive);
  return table;
}

void FreeArchive(ObjectHandle number) {
  auto& table = Table();
  std::lock_guard lock(table.Mutex());
  PackerRecord* record = table.Find(number);
  if (!record) return;
  if (record->operations && record->operations->close) record->operations->close(*record);
  table.Release(number);
}

// The open archive behind a number and the plugin's operation for `slot`,
// or nullptr when either is missing.
template <class Slot>
PackerRecord* Lookup(ObjectHandle archive, Slot PackerOperations::*slot) {
  PackerRecord* record = Table().Find(archive);
  if (!record || !record->operations || !(record->operations->*slot)) return nullptr;
  return record;
}

}  // namespace

void Pack_RegisterPlugin(std::uint32_t id, const PackerOperations* operations) {
  if (!operations) return;
  std::lock_guard lock(gPluginMutex);
  auto& plugins = Plugins();
  for (const auto& plugin : plugins)
    if ((plugin.id & 0xFFFF) == (id & 0xFFFF)) return;
  plugins.push_back({id, operations});
}

int Pack_UseZip() {
  Pack_RegisterPlugin(1, &ZipPackerOperations());
  return 1;
}

namespace {

// Takes the number (closing a live archive there first) and has the plugin
// open the archive into it with `open`.
template <class Open>
ObjectHandle OpenArchive(ObjectHandle archive, int plugin, Open open) {
  auto& table = Table();
  // Held across the plugin's open so nobody sees the half-made record.
  std::lock_guard lock(table.Mutex());
  ObjectHandle number = 0;
  PackerRecord* record = table.Allocate(archive, &number);
  if (!record) return 0;
  const PackerOperations* operations = FindPlugin(plugin);
  if (!operations || !open(*operations, *record) || !record->handle) {
    table.Release(number);
    return 0;
  }
  record->operations = operations;
  return ObjectTable<PackerRecord>::CreateResult(
      archive, number, static_cast<ObjectHandle>(reinterpret_cast<std::uintptr_t>(record->handle)));
}

}  // namespace

ObjectHandle Pack_Open(ObjectHandle archive, const std::u16string& path, int plugin) {
  return OpenArchive(archive, plugin,
                     [&](const PackerOperations& operations, PackerRecord& record) {
                       return operations.openRead && operations.openRead(record, path);
                     });
}

ObjectHandle Pack_Create(ObjectHandle archive, const std::u16string& path, int level, int plugin) {
  return OpenArchive(archive, plugin,
                     [&](const PackerOperations& operations, PackerRecord& record) {
                       return operations.create && operations.create(record, path, level);
                     });
}

int Pack_AddFile(ObjectHandle archive, const std::u16string& file, const std::u16string& name) {
  PackerRecord* record = Lookup(archive, &PackerOperations::addFile);
  return record ? record->operations->addFile(*record, file, name) : 0;
}

int Pack_AddMemory(ObjectHandle archive, const void* data, std::int64_t size,
                   const std::u16string& name) {
  PackerRecord* record = Lookup(archive, &PackerOperations::addMemory);
  return record ? record->operations->addMemory(*record, data, size, name) : 0;
}

std::int64_t Pack_ExtractToMemory(ObjectHandle archive, void* buffer, std::int64_t size,
                                  const std::u16string& entryName) {
  PackerRecord* record = Lookup(archive, &PackerOperations::extractToMemory);
  return record ? record->operations->extractToMemory(*record, buffer, size, entryName) : -1;
}

std::int64_t Pack_CompressMemory(const void* in, std::int64_t inSize, void* out,
                                 std::int64_t outSize, int level, int plugin) {
  const PackerOperations* operations = FindPlugin(plugin);
  if (!operations || !operations->compressMemory) return 0;
  return operations->compressMemory(in, inSize, out, outSize, level);
}

std::int64_t Pack_UncompressMemory(const void* in, std::int64_t inSize, void* out,
                                   std::int64_t outSize, int plugin) {
  const PackerOperations* operations = FindPlugin(plugin);
  if (!operations || !operations->uncompressMemory) return -1;
  return operations->uncompressMemory(in, inSize, out, outSize);
}

int Pack_Examine(ObjectHandle archive) {
  PackerRecord* record = Lookup(archive, &PackerOperations::examine);
  return record ? record->operations->examine(*record) : 0;
}

int Pack_NextEntry(ObjectHandle archive) {
  PackerRecord* record = Lookup(archive, &PackerOperations::nextEntry);
  return record ? record->operations->nextEntry(*record) : 0;
}

std::u16string Pack_EntryName(ObjectHandle archive) {
  PackerRecord* record = Lookup(archive, &PackerOperations::entryName);
  return record ? record->operations->entryName(*record) : std::u16string();
}

int Pack_EntryType(ObjectHandle archive) {
  PackerRecord* record = Lookup(archive, &PackerOperations::entryType);
  return record ? record->operations->entryType(*record) : -1;
}

std::int64_t Pack_EntrySize(ObjectHandle archive, int which) {
  PackerRecord* record = Lookup(archive, &PackerOperations::entrySize);
  return record ? record->operations->entrySize(*record, which) : -1;
}

std::int64_t Pack_ExtractToFile(ObjectHandle archive, const std::u16string& target,
                                const std::u16string& entryName, PackWrite write) {
  PackerRecord* record = Lookup(archive, &PackerOperations::extractToFile);
  return record ? record->operations->extractToFile(*record, target, entryName,
                                                    write == PackWrite::kDurable)
                : -1;
}

void Pack_Close(ObjectHandle archive) {
  if (archive == KX_Any)
    Table().FreeAll();
  else
    FreeArchive(archive);
}
