// Inside the window layer: where Windows sends a pointer click or a key press
// in a dialog built from a template, for the backends that have no dialog
// manager of their own (headless and Qt). The Windows backend has the real
// one, mended in the same way for the arrow keys.
//
// The rules, as Windows' dialog manager and its standard controls apply them:
// - A click goes to the topmost control under the pointer (the first in
//   template order) that does not let clicks through. Group boxes, tab
//   controls without tabs and statics without SS_NOTIFY let them through
//   (their hit test answers "transparent"), whatever they paint. A disabled
//   control stops the click, and nothing happens.
// - A click on an automatic radio button checks it, unchecks the other radio
//   buttons of its group (from a control with WS_GROUP up to the next one) and
//   sends the dialog BN_CLICKED.
// - Tab gives the focus to the next enabled tab stop in template order (with
//   Shift, the previous one), wrapping round; an edit reached so is all
//   selected.
// - An arrow key on an automatic radio button gives the focus to the next
//   (Right, Down) or previous (Left, Up) enabled radio button of its group,
//   wrapping round, and clicks it unless it is checked already. Windows steps
//   on every control of the group instead, so a group that runs on past its
//   radio buttons (the last group of a template does) leaves the focus on a
//   frame, a panel or a list, where no focus mark shows; here, and in the
//   Windows backend, the arrows stay among the radio buttons.
// - Mnemonics: in the text of a radio button, a label or a group box, the
//   letter after the first "&" that does not start "&&" (which stands for one
//   ampersand). Alt with a letter or digit, or the letter alone while the
//   focus is on a radio button (or on nothing), looks for the first enabled
//   control with that mnemonic from the focused one on, wrapping round: a
//   radio button takes the focus and is clicked; a label or a group box hands
//   the focus to the next tab stop after it. Alt with a letter or digit is
//   used up even when no control has that mnemonic: it never types.
#pragma once

#include "platform/backend.h"
#include "res/dialog_template.h"

#include <cstddef>
#include <string>
#include <vector>

namespace dialog_manager {

// A running dialog: its window, its template and the window of each template
// control, in template order (controls.size() == layout.controlCount).
struct Dialog {
    CDialog& owner;
    const res::DialogTemplate& layout;
    std::vector<WindowRecord*> controls;
};

// True for a control that lets pointer clicks through to what lies under it.
bool LetsClicksThrough(const res::TemplateControl& control);

// The index of the control that takes a click at (x, y), in dialog units
// from the dialog's top-left corner; -1 when the dialog itself gets it (no
// control there takes clicks, or a disabled one stops it).
int ControlAt(const Dialog& dialog, int x, int y);

// The click on the automatic radio button `at` (from the pointer, an arrow key
// or a mnemonic): the group's checks, then BN_CLICKED. The focus is the
// caller's.
void ClickRadio(const Dialog& dialog, std::size_t at);

// Gives the focus to the first enabled tab stop after control `from` (-1:
// from the first control), or with backward the first before it (-1: from
// the last), wrapping round; an edit is all selected. Nothing changes when
// there is no enabled tab stop.
void FocusNextTabStop(const Dialog& dialog, int from, bool backward = false);

// The dialog manager's handling of one key message (WM_KEYDOWN or
// WM_SYSKEYDOWN, hwnd the focused window), with shift telling whether Shift
// is held: Tab, the arrow keys on a radio button and the mnemonics as above.
// True when the key was used up; false leaves it to the focused control.
bool Keyboard(const Dialog& dialog, const MSG& msg, bool shift);

// The mnemonic of a control text: the character after the first "&" that
// does not start "&&", upper-cased when it is an ASCII letter; 0 when there
// is none.
char MnemonicOf(const std::string& text);

// The text as Windows draws it where "&" marks a mnemonic: each "&" that is
// not doubled is left out, and "&&" is one "&".
std::string WithoutMnemonicMarks(const std::string& text);

} // namespace dialog_manager
