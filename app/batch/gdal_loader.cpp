// Finds and loads librelivox-gdal.so: beside the program (the build tree),
// else in its installed folder, named relative to the program's so that the
// package can live under any prefix.
#include <dlfcn.h>
#include <unistd.h>

#include <climits>
#include <string>

#include "app/batch/gdal_module.h"

#ifndef RELIVOX_GDAL_MODULE_FROM_BIN
#define RELIVOX_GDAL_MODULE_FROM_BIN "../lib/relivox/gdal"
#endif

namespace {

constexpr const char* kModuleName = "librelivox-gdal.so";

std::string ProgramFolder() {
  char path[PATH_MAX];
  const ssize_t length = ::readlink("/proc/self/exe", path, sizeof path - 1);
  if (length <= 0) return {};
  const std::string program(path, static_cast<std::size_t>(length));
  return program.substr(0, program.rfind('/'));
}

const GdalModule* Load(std::string* reason) {
  const std::string folder = ProgramFolder();
  std::string errors;
  for (const std::string& candidate :
       {folder + "/" + kModuleName, folder + "/" RELIVOX_GDAL_MODULE_FROM_BIN "/" + kModuleName}) {
    // RTLD_NOW: a module that cannot be bound fails here, not in the middle of a write.
    void* library = ::dlopen(candidate.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (!library) {
      if (const char* error = ::dlerror()) errors += (errors.empty() ? "" : "; ") + std::string(error);
      continue;
    }
    using Entry = const GdalModule* (*)();
    const auto entry = reinterpret_cast<Entry>(::dlsym(library, "RelivoxGdalModule"));
    const GdalModule* module = entry ? entry() : nullptr;
    if (module && module->abi == kGdalModuleAbi) return module;
    errors += (errors.empty() ? "" : "; ") + candidate + " belongs to another build of relivox-batch";
    ::dlclose(library);
  }
  *reason = "GDAL outputs are not available: " + errors;
  return nullptr;
}

}  // namespace

const GdalModule* LoadGdalModule(std::string* reason) {
  // Loaded once and kept to the end of the process: the library is process state.
  static std::string failure;
  static const GdalModule* const module = Load(&failure);
  if (!module) *reason = failure;
  return module;
}
