#include <algorithm>
#include <vector>

#include "runtime/system/gadget.h"

namespace {

// Each thread builds its own windows' gadgets; the stack is per thread.
std::vector<void*>& Lists() {
  thread_local std::vector<void*> lists;
  return lists;
}

}  // namespace

void* Gad_CurrentList() { return Lists().empty() ? nullptr : Lists().back(); }

void Gad_UseList(void* window) {
  Lists().clear();
  if (window) Lists().push_back(window);
}

void Gad_OpenList(void* container) {
  if (container) Lists().push_back(container);
}

void Gad_CloseList() {
  if (!Lists().empty()) Lists().pop_back();
}

void Gad_ForgetList(void* window) {
  auto& lists = Lists();
  lists.erase(std::remove(lists.begin(), lists.end(), window), lists.end());
}
