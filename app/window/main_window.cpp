#include "app/window/main_window.h"

#include "app/window/dropped_files.h"
#include "app/window/main_window_description.h"
#include "app/window/resize_redraw.h"
#include "app/window/window_face.h"
#include "dialog/dialog.h"
#include "dialog/xml.h"
#include "runtime/data/str.h"
#include "runtime/system/event.h"
#include "runtime/system/window.h"

namespace {

void OnCloseEvent() { OnCloseWindow(); }
void OnSizeEvent() { OnWindowResized(); }

void TakeWindowApart() {
  AppState& app = App();
  Win_Close(app.mainWindow);
  Dlg_Free(app.mainDialog);
  Xml_Free(app.xmlDocument);
}

}  // namespace

bool CreateMainWindow(CanCloseHandler canClose, ExitHandler onExit, ButtonHandler onOpen,
                      ButtonHandler onSave, std::u16string* error) {
  return CreateMainWindowFrom(kMainWindowDescription, canClose, onExit, onOpen, onSave, error);
}

bool CreateMainWindowFrom(const std::u16string& description, CanCloseHandler canClose,
                          ExitHandler onExit, ButtonHandler onOpen, ButtonHandler onSave,
                          std::u16string* error) {
  AppState& app = App();
  app.canCloseHandler = canClose;
  app.exitHandler = onExit;
  error->clear();
  app.xmlDocument = Xml_CatchMemory(KX_Any, description);
  app.mainDialog = Dlg_Create(KX_Any);
  if (!app.xmlDocument || Xml_Error(app.xmlDocument) != 0) {
    // A damaged description would still give a partial window: none is built.
    *error = u"Fehler in der Fensterbeschreibung";
    if (app.xmlDocument)
      *error += u" (Zeile " + Str_FromInteger(Xml_ErrorLine(app.xmlDocument)) + u"): " +
                Xml_ErrorMessage(app.xmlDocument);
    return false;
  }
  if (!app.mainDialog || !Dlg_Open(app.mainDialog, app.xmlDocument, u"main")) {
    *error = app.mainDialog ? Dlg_Error(app.mainDialog) : std::u16string();
    if (error->empty()) *error = u"Das Hauptfenster konnte nicht geöffnet werden";
    return false;
  }
  app.mainWindow = Dlg_Window(app.mainDialog);
  // After Dlg_Open bound its relayout: handlers of one key run newest first,
  // so the preview scales to the canvas size of before the resize.
  Evt_Bind(KX_Event_CloseWindow, &OnCloseEvent, app.mainWindow);
  Evt_Bind(KX_Event_SizeWindow, &OnSizeEvent, app.mainWindow);
  Evt_BindGadget(Dlg_Gadget(app.mainDialog, u"open"), onOpen);
  Evt_BindGadget(Dlg_Gadget(app.mainDialog, u"save"), onSave);
  AttachWindowFace();
  AcceptDroppedFiles(app.mainWindow);
  return true;
}

int OnCloseWindow() {
  AppState& app = App();
  if (app.canCloseHandler && app.canCloseHandler()) {
    CloseWindowFace(&TakeWindowApart);
    if (app.exitHandler) app.exitHandler();
  }
  return 0;
}

int OnWindowResized() {
  RedrawWindowPreview();
  // The relayout has not yet resized the canvas: draw again once it has.
  RedrawAfterResize();
  return 0;
}

int CanCloseMainWindow() { return 1; }
