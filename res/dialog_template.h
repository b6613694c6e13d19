// The main dialog's template as data: the frame and every control with its id,
// kind, template text, style and rectangle in dialog units.
//
// Both window backends build the dialog from this table; res/quorvelp.rc
// carries the same template for the Windows build, and a test keeps the two
// alike. The controls are in template order, which is also their tab order
// and their stacking order (the first lies on top). Texts are ISO-8859-1.
#pragma once

#include "platform/types.h"

#include <cstddef>

namespace res {

enum class ControlKind {
    GroupBox,    // "Button" with BS_GROUPBOX
    Label,       // "Static" text
    Edit,        // "Edit", single line
    RadioButton, // "Button" with BS_AUTORADIOBUTTON
    TabPanel,    // "SysTabControl32" without tabs: a raised panel
    ListView,    // "SysListView32"
    Picture,     // "Static" with SS_BITMAP, sized to its bitmap
};

struct TemplateControl {
    int id;           // IDC_STATIC (-1) for controls the program never addresses
    ControlKind kind; //
    const char* text; // template text; empty for pictures
    DWORD style;      // WS_/BS_/SS_/ES_/LVS_ bits, without WS_CHILD and WS_VISIBLE
    DWORD exStyle;    // WS_EX_ bits
    int x, y, cx, cy; // rectangle in dialog units
    UINT bitmapId;    // the picture of a Picture, 0 for every other kind
};

struct DialogTemplate {
    UINT id;
    const char* caption;
    const char* fontName;
    int fontPoints;
    DWORD style;
    DWORD exStyle;
    int cx, cy; // size in dialog units
    const TemplateControl* controls;
    std::size_t controlCount;
};

// The template with that id, or null when the program has none.
const DialogTemplate* FindDialogTemplate(UINT id);

// The Windows class name that the resource script uses for a kind.
const char* WindowClassName(ControlKind kind);

} // namespace res
