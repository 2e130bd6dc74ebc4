// The main window, as the dialog engine builds it. Between the tags stand
// the two characters backslash and n (not a line feed) and two blanks per
// nesting level; the engine skips that text.
#pragma once

inline constexpr char16_t kMainWindowDescription[] =
    u"<?xml version='1.0' encoding='UTF-8' ?>\n"
    u"<dialogs>"
    u"\\n  <window id='#KX_ANY' name='main' text='Relivox' minwidth='600' minheight='400' "
    u"flags='#KX_Window_SystemMenu|#KX_Window_MinimizeGadget|#KX_Window_MaximizeGadget|"
    u"#KX_Window_SizeGadget|#KX_Window_ScreenCentered'>"
    u"\\n    <vbox expand='item:2'>"
    u"\\n      <hbox expand='item:3'>"
    u"\\n        <button name='open' text='XYZ öffnen' />"
    u"\\n        <button name='save' text='PNG speichern' disabled='no' />"
    u"\\n        <empty />"
    u"\\n      </hbox>"
    u"\\n      <canvas name='image' />"
    u"\\n      <text name='queue' text=' ' />"
    u"\\n      <hbox expand='equal'>"
    u"\\n        <text name='text' text=' ' />"
    u"\\n        <progressbar name='progress' min='0' max='100' value='0' />"
    u"\\n      </hbox>"
    u"\\n    </vbox>"
    u"\\n  </window>"
    u"\\n</dialogs>";
