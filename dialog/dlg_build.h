// Turning a parsed description into an element tree: window selection,
// attribute reading, the first-error rule, and the layout entry points used
// when a window opens and when it is resized.
#pragma once

#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "dialog/dlg_element.h"

struct XmlNode;

// The five messages of the description (printf formats, narrow arguments).
inline constexpr char kErrWindowNotFound[] = "Dialog window not found";
inline constexpr char kErrFlag[] = "'#%s' flag is not supported for the following gadget: %s";
inline constexpr char kErrConstant[] = "'%s' constant is not found or not declared as runtime%s.";
inline constexpr char kErrEvent[] = "'%s' is not supported for the following gadget: %s";
inline constexpr char kErrProcedure[] = "'%s' is not a runtime procedure.";
// Beyond the fixed tables of the layout (100 children, 70 grid rows) and
// beyond the nesting the builder follows.
inline constexpr char kErrTooMany[] = "Too many elements in the following gadget: %s";
inline constexpr char kErrTooDeep[] = "Elements nested too deep: %s";

inline constexpr int kDlgMaxDepth = 200;

// State of one build: the host, the first error, the panel stack.
class DlgContext {
 public:
  explicit DlgContext(DlgHost* host) : host(host) {}

  // Records a message unless one is recorded already. Arguments are wide
  // and converted to UTF-8; the message is cut to 511 bytes.
  void Fail(const char* format, const std::u16string& first = {},
            const std::u16string& second = {});
  bool Failed() const { return failed_; }
  const std::string& Error() const { return error_; }

  DlgHost* host;
  // Open panels, innermost last, with the pages added so far.
  std::vector<DlgPanel*> panels;
  int depth = 0;

 private:
  bool failed_ = false;
  std::string error_;
};

// The `window` element to open: the first one for an empty name, else the
// first whose NAME equals `name` ignoring case; `main` is the document's
// main node (a `window` or a `dialogs`). nullptr when none matches.
const XmlNode* DlgSelectWindow(const XmlNode* main, const std::u16string& name);

// Reads the common attributes, then the kind's own ones.
void DlgReadAttributes(DlgElement& element, const XmlNode& node, DlgContext& context);

// Value syntaxes of the description.
bool DlgIsYes(const std::u16string& value);
// The registered value when the whole value is a registered name, else an integer.
std::int64_t DlgConstantOrInteger(const std::u16string& value);
// The FLAGS list; raises the flag error on an unknown item.
std::uint32_t DlgParseFlags(DlgKind kind, const std::u16string& value, DlgContext& context);

// Builds the window element of `node` and everything beneath it: attributes,
// host->OpenWindow, then the children. nullptr (and an error in `context`)
// when building failed; what was built is destroyed then.
std::unique_ptr<DlgWindow> DlgBuildWindow(const XmlNode& node, DlgContext& context);

// Builds the children of `node` into `parent`, in document order, while no
// error is recorded.
void DlgBuildChildren(DlgElement& parent, const XmlNode& node, DlgContext& context);

// Lays a window out when it opens: its required size against the requested
// one (the larger of each), then Resize at (0, 0), then the window's inner
// size is set to that size. Returns the inner size.
std::pair<int, int> DlgLayoutOpen(DlgWindow& window, int width, int height);
// On a size event: Resize with the given inner size, or with the window's
// current one; the required sizes stay those of the last CalcSize.
void DlgLayoutRelayout(DlgWindow& window, int innerWidth, int innerHeight);
void DlgLayoutRelayout(DlgWindow& window);
