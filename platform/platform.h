// The platform surface: native windows, their messages, the message loop,
// posting between threads, painting, text metrics, file dialogs and the
// desktop's document opener. Shaped after Win32 so that a Win32 binding can
// sit behind the same functions; the Qt binding (qt_*.cpp) is the only code
// that includes Qt. No platform type appears here.
//
// Threads: the main thread (the one that called Plat_Startup) owns every
// window, and every function must be called on it except these, which any
// thread may call: Plat_Post*, Plat_IsMainThread, Plat_IsWindow, the text
// metric queries, Plat_OuterRect and Plat_ClientRect (off the main thread
// they answer from the geometry the main thread last saw), Plat_Invalidate
// and Plat_RepaintNow (off the main thread a posted repaint).
#pragma once

#include <cstdint>
#include <string>
#include <vector>

// A native window (top-level or child). Opaque; never null while the window
// lives. Using a destroyed window is harmless: functions check it first.
struct PlatWindowTag;
using PlatWindow = PlatWindowTag*;

// Message numbers: the Win32 values, so a Win32 binding passes its own.
enum PlatMessageId : std::uint32_t {
  kPlatMove = 0x0003,
  kPlatSize = 0x0005,
  kPlatActivate = 0x0006,  // wParam 1 active, 0 inactive
  kPlatSetFocus = 0x0007,
  kPlatKillFocus = 0x0008,
  kPlatPaint = 0x000F,
  kPlatClose = 0x0010,
  kPlatKeyDown = 0x0100,
  kPlatKeyUp = 0x0101,
  kPlatChar = 0x0102,
  kPlatCommand = 0x0111,  // from a control: lParam its PlatWindow, wParam the notification;
                          // from a menu or accelerator: lParam 0, wParam the command
  kPlatTimer = 0x0113,
  kPlatMouseMove = 0x0200,
  kPlatLButtonDown = 0x0201,
  kPlatLButtonUp = 0x0202,
  kPlatLButtonDblClk = 0x0203,
  kPlatRButtonDown = 0x0204,
  kPlatRButtonUp = 0x0205,
  kPlatRButtonDblClk = 0x0206,
  kPlatMButtonDown = 0x0207,
  kPlatMButtonUp = 0x0208,
  kPlatMButtonDblClk = 0x0209,
  kPlatMouseWheel = 0x020A,  // delta in PlatMessage::wheelDelta (120 per notch)
  kPlatMouseLeave = 0x02A3,
  kPlatTrayIcon = 0x8001,  // wParam: tray icon number; lParam: the mouse message
  kPlatUser = 0x0400,      // first number free for posted messages
};

// wParam of kPlatSize.
enum PlatSizeKind : int { kPlatSizeRestored = 0, kPlatSizeMinimized = 1, kPlatSizeMaximized = 2 };

// Commands the platform sends for Tab and Shift+Tab (the focus-moving keys).
inline constexpr std::intptr_t kPlatCommandNextControl = 0xFFF0;
inline constexpr std::intptr_t kPlatCommandPreviousControl = 0xFFF1;

// Mouse buttons and modifier keys, as the runtime reports them.
enum : int { kPlatButtonLeft = 1, kPlatButtonRight = 2, kPlatButtonMiddle = 4 };
enum : int { kPlatModShift = 1, kPlatModAlt = 2, kPlatModControl = 4 };

struct PlatMessage {
  std::uint32_t id = 0;
  PlatWindow window = nullptr;
  std::intptr_t wParam = 0;
  std::intptr_t lParam = 0;
  // Decoded parameters, filled where they apply.
  int x = 0, y = 0;        // mouse position in client coordinates; new size for kPlatSize
  int buttons = 0;         // buttons held after the message (kPlatButton*)
  int modifiers = 0;       // kPlatMod*
  int key = 0;             // virtual-key code (Win32 VK_ numbering)
  int wheelDelta = 0;      // kPlatMouseWheel, 120 per notch
  char32_t character = 0;  // kPlatChar
};

// A window procedure. Its result is returned to the caller of Plat_Send.
// `user` is the pointer given at creation.
using PlatWindowProc = std::intptr_t (*)(const PlatMessage& message, void* user);

// --- start-up -------------------------------------------------------------

// Creates the application object on the calling thread, which becomes the
// main thread. Idempotent; returns false when no display can be opened
// (tested before the window system is asked, which would end the process).
bool Plat_Startup();
// Why the last Plat_Startup failed (one line of German text); empty after a
// success.
std::string Plat_StartupError();
// Destroys every window still open and the application object.
void Plat_Shutdown();
bool Plat_IsStarted();
bool Plat_IsMainThread();

// --- windows --------------------------------------------------------------

enum PlatWindowStyle : std::uint32_t {
  kPlatStyleTitle = 0x1,  // title bar (top-level)
  kPlatStyleSystemMenu = 0x2,
  kPlatStyleMinimizeBox = 0x4,
  kPlatStyleMaximizeBox = 0x8,
  kPlatStyleSizable = 0x10,
  kPlatStyleTool = 0x20,  // tool window
  kPlatStyleBorderless = 0x40,
  kPlatStyleClientEdge = 0x80,  // child: sunken 2-pixel edge inside the window
  kPlatStyleTabStop = 0x100,    // child: takes the focus by Tab and by click
  kPlatStyleClipChildren = 0x200,
  kPlatStyleStayOnTop = 0x400,
  kPlatStyleChild = 0x1000,  // a child window inside the parent's client area
};

// Kinds of child control. Plain windows are drawn by their window procedure
// (kPlatPaint); the native kinds are filled in by the control library.
enum class PlatControlKind : int {
  kPlain = 0,
  kButton = 1,
  kLabel = 2,
  kProgressBar = 3,
  // The rest of the control library (platform/controls.h).
  kCheckBox,
  kOption,
  kString,
  kShortcut,
  kImage,
  kButtonImage,
  kListView,
  kListIcon,
  kTree,
  kComboBox,
  kCalendar,
  kDate,
  kExplorerCombo,
  kExplorerList,
  kExplorerTree,
  kEditor,
  kHyperLink,
  kIpAddress,
  kScrollBar,
  kTrackBar,
  kSpin,
  kWeb,
  kContainer,  // a plain area that holds child controls
  kFrame,      // a captioned frame drawn behind its neighbours
  kPanel,      // tabbed pages
  kScrollArea,
  kSplitter,
  kPage,  // an inner area of a panel, scroll area or splitter; holds child controls
};

struct PlatWindowSpec {
  PlatWindow parent = nullptr;  // child style: the parent; else the owner (may be null)
  PlatControlKind kind = PlatControlKind::kPlain;
  std::uint32_t style = 0;        // PlatWindowStyle bits
  int x = 0, y = 0;               // top-level: outer position; child: in the parent's client
  int width = 0, height = 0;      // top-level: inner (client) size; child: outer size
  bool platformPosition = false;  // let the window system place the top-level window
  std::u16string text;
  PlatWindowProc proc = nullptr;
  void* user = nullptr;
  std::uint32_t options = 0;  // controls: PlatControlOption bits (platform/controls.h)
};

// Creates the window hidden. Null when the platform refuses.
PlatWindow Plat_CreateWindow(const PlatWindowSpec& desc);
// Destroys the window and its children; no message is sent.
void Plat_DestroyWindow(PlatWindow window);
bool Plat_IsWindow(PlatWindow window);
PlatWindow Plat_Parent(PlatWindow window);  // null for a top-level window
PlatWindow Plat_TopLevel(PlatWindow window);
// Sends a message to the window procedure at once (main thread).
std::intptr_t Plat_Send(PlatWindow window, const PlatMessage& message);

// Named integer properties ("KX_WindowID", "KX_Gadget", ...); 0 when unset.
void Plat_SetProperty(PlatWindow window, const char* name, std::intptr_t value);
std::intptr_t Plat_GetProperty(PlatWindow window, const char* name);

void Plat_SetText(PlatWindow window, const std::u16string& text);
std::u16string Plat_GetText(PlatWindow window);

struct PlatRect {
  int x = 0, y = 0, width = 0, height = 0;
};
// Outer rectangle: top-level in screen coordinates including the frame;
// child in the parent's client coordinates.
PlatRect Plat_OuterRect(PlatWindow window);
// Client size (and the client's origin on the screen).
PlatRect Plat_ClientRect(PlatWindow window);
// Frame thickness a top-level window adds to its client size (0 for a child).
void Plat_FrameExtents(PlatWindow window, int* extraWidth, int* extraHeight);
// Moves/sizes by outer rectangle; child sizes are outer sizes.
void Plat_SetOuterRect(PlatWindow window, int x, int y, int width, int height);
void Plat_SetClientSize(PlatWindow window, int width, int height);
// The screen area windows may use (without task bars).
PlatRect Plat_WorkArea();
// Centres a top-level window on another window, or on the screen when null.
void Plat_Center(PlatWindow window, PlatWindow on);
// Bounds in outer size; 0 means none.
void Plat_SetSizeBounds(PlatWindow window, int minWidth, int minHeight, int maxWidth,
                        int maxHeight);

enum class PlatShow : int { kHide, kNormal, kNoActivate, kMinimized, kMaximized };
void Plat_Show(PlatWindow window, PlatShow how);
bool Plat_IsVisible(PlatWindow window);
bool Plat_IsMinimized(PlatWindow window);
bool Plat_IsMaximized(PlatWindow window);
void Plat_Enable(PlatWindow window, bool enabled);
bool Plat_IsEnabled(PlatWindow window);
void Plat_SetFocus(PlatWindow window);
PlatWindow Plat_Focus();         // the window with the keyboard focus, or null
PlatWindow Plat_ActiveWindow();  // the active top-level window, or null
void Plat_Activate(PlatWindow window);
// Moves the focus to the next (or previous) tab stop inside the top-level window.
void Plat_FocusNext(PlatWindow window, bool forward);
// The window a client point of `window` lies in (a descendant or itself).
PlatWindow Plat_ChildAt(PlatWindow window, int x, int y);

// --- mouse ----------------------------------------------------------------

void Plat_SetCapture(PlatWindow window);
void Plat_ReleaseCapture();
PlatWindow Plat_Capture();
// Keeps the pointer inside the window's client area; null frees it.
void Plat_ConfineCursor(PlatWindow window);
PlatWindow Plat_ConfinedTo();
// Standard cursors 0..11 (arrow, cross, I-beam, hand, wait, no, size-all,
// size-we, size-ns, size-nwse, size-nesw, hidden).
void Plat_SetCursorShape(PlatWindow window, int shape);
// Pointer position in the window's client coordinates.
void Plat_CursorPos(PlatWindow window, int* x, int* y);

// --- painting -------------------------------------------------------------

// Asks for a paint message soon (any thread).
void Plat_Invalidate(PlatWindow window);
// Paints now: the window procedure gets kPlatPaint before this returns
// (main thread). From another thread the same as Plat_Invalidate.
void Plat_RepaintNow(PlatWindow window);
// While handling kPlatPaint: copy a 24-bit bottom-up BGR bitmap (stride in
// bytes, rows padded to 4) to the window's client at x, y; fill a rectangle
// with a 0xRRGGBB colour; draw a dotted focus rectangle.
void Plat_PaintBitmap(PlatWindow window, const void* pixels, int width, int height, int stride,
                      int x, int y);
void Plat_PaintFill(PlatWindow window, int x, int y, int width, int height, std::uint32_t rgb);
void Plat_PaintFocusRect(PlatWindow window, int x, int y, int width, int height);
// What the screen shows of the window's client area (what was last painted
// and flushed), as 24-bit bottom-up BGR rows with a stride of width * 3
// rounded up to 4. False when it cannot be had.
bool Plat_GrabWindow(PlatWindow window, std::vector<std::uint8_t>* pixels, int* width, int* height);

// --- text metrics ---------------------------------------------------------

// Extent of `text` in the window's font: one line, or each line break
// starting a new line when multiLine is set.
void Plat_TextExtent(PlatWindow window, const std::u16string& text, bool multiLine, int* width,
                     int* height);
// System metrics (Win32 SM_ numbering for those used).
enum class PlatMetric : int { kEdgeX = 45, kEdgeY = 46 };
int Plat_Metric(PlatMetric metric);

// --- message loop ---------------------------------------------------------

// Waits for and dispatches what is pending: -1 waits until at least one
// message reached a window procedure, 0 does not wait, n waits up to n ms.
// Returns the number of the last message handed to a window procedure, 0
// when none came in time.
std::uint32_t Plat_WaitMessage(int timeoutMs);
// Delivers `message` to the window's procedure on the main thread later
// (any thread). A message whose window is gone by then is dropped and
// `drop` (if set) is called with `dropData` so that owned data can be freed.
void Plat_PostMessage(PlatWindow window, const PlatMessage& message,
                      void (*drop)(void* data) = nullptr, void* dropData = nullptr);
// Runs fn(data) on the main thread later (any thread); counts as a message.
// False (and nothing queued, nothing called) when the platform is not
// running: data stays the caller's. True means exactly one of two calls will
// be made: fn(data) on the main thread, or, when Plat_Shutdown comes first,
// drop(data) (if set) on the thread shutting down, so that owned data is
// released. An accepted task never just vanishes.
bool Plat_PostTask(void (*fn)(void* data), void* data, void (*drop)(void* data) = nullptr);

// --- dialogs and the desktop ----------------------------------------------

struct PlatFileDialogSpec {
  bool save = false;
  bool multiSelect = false;
  std::u16string title;
  std::u16string directory;  // initial folder; empty: the dialog's choice
  std::u16string fileName;   // initial name; empty: none
  // (description, filters) pairs; filters separated by ';'.
  std::vector<std::pair<std::u16string, std::u16string>> filters;
  int filterIndex = 1;  // 1-based preselected pair
  PlatWindow owner = nullptr;
};

struct PlatFileDialogResult {
  bool ok = false;  // false: cancelled
  // One element: the full path. More: the folder, then the file names.
  std::vector<std::u16string> parts;
  int filterIndex = 0;  // 1-based pair the user picked
};

PlatFileDialogResult Plat_FileDialog(const PlatFileDialogSpec& desc);

// A yes/no question; true for yes.
bool Plat_AskYesNo(PlatWindow owner, const std::u16string& title, const std::u16string& text);

// Opens a file with the program the desktop associates with it; never runs
// the file itself. False when the desktop refuses.
bool Plat_OpenDocument(const std::u16string& path);

// Files dropped onto a top-level window (or any of its children that takes
// no drops itself): their full paths, in the order the desktop gave them.
// Only local files count; a drag without one is refused. Main thread, while
// the drop is delivered.
using PlatDropHandler = void (*)(PlatWindow window, const std::vector<std::u16string>& paths,
                                 void* user);
// The window takes file drops from now on; a null handler stops it.
void Plat_AcceptFileDrops(PlatWindow window, PlatDropHandler handler, void* user);
