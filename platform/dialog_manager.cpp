// Pointer and keyboard rules of Windows' dialog manager for the headless and
// Qt backends: hit testing over the template's stacking order, radio groups,
// Tab, arrows and mnemonics (see platform/dialog_manager.h).
//
// Everything goes through the window records, so that both backends share
// one set of rules; a backend only finds the control and delivers the input.
#include "platform/dialog_manager.h"

using platform_detail::Handle;

namespace dialog_manager {
namespace {

constexpr DWORD kButtonTypeMask = 0x0F;

bool IsAutoRadio(const res::TemplateControl& c) {
    return c.kind == res::ControlKind::RadioButton &&
           (c.style & kButtonTypeMask) == BS_AUTORADIOBUTTON;
}

// The controls whose text may carry a mnemonic: buttons and statics.
bool HasMnemonic(const res::TemplateControl& c) {
    return c.kind == res::ControlKind::RadioButton || c.kind == res::ControlKind::GroupBox ||
           c.kind == res::ControlKind::Label;
}

int IndexOf(const Dialog& d, HWND window) {
    for (std::size_t i = 0; i < d.controls.size(); ++i) {
        if (Handle(d.controls[i]) == window) {
            return static_cast<int>(i);
        }
    }
    return -1;
}

bool IsLetterOrDigit(WPARAM key) {
    return (key >= '0' && key <= '9') || (key >= 'A' && key <= 'Z');
}

// The next (or previous) enabled automatic radio button of the group of
// control `at`, wrapping round; `at` itself when there is no other.
std::size_t NextInGroup(const Dialog& d, std::size_t at, bool forward) {
    const res::TemplateControl* cs = d.layout.controls;
    const std::size_t n = d.layout.controlCount;
    std::size_t first = at;
    while (first > 0 && (cs[first].style & WS_GROUP) == 0) {
        --first;
    }
    std::size_t end = at + 1;
    while (end < n && (cs[end].style & WS_GROUP) == 0) {
        ++end;
    }
    const std::size_t size = end - first;
    for (std::size_t step = 1; step < size; ++step) {
        const std::size_t offset = forward ? step : size - step;
        const std::size_t i = first + (at - first + offset) % size;
        if (IsAutoRadio(cs[i]) && d.controls[i]->Enabled()) {
            return i;
        }
    }
    return at;
}

// The first enabled control with that mnemonic from `from` on, wrapping
// round, acted on; false when there is none.
bool Mnemonic(const Dialog& d, std::size_t from, char key) {
    const std::size_t n = d.controls.size();
    for (std::size_t step = 0; step < n; ++step) {
        const std::size_t i = (from + step) % n;
        const res::TemplateControl& c = d.layout.controls[i];
        if (!HasMnemonic(c) || !d.controls[i]->Enabled() ||
            MnemonicOf(d.controls[i]->Text()) != key) {
            continue;
        }
        if (IsAutoRadio(c)) {
            d.controls[i]->TakeFocus();
            ClickRadio(d, i);
        } else {
            FocusNextTabStop(d, static_cast<int>(i));
        }
        return true;
    }
    return false;
}

} // namespace

bool LetsClicksThrough(const res::TemplateControl& c) {
    switch (c.kind) {
    case res::ControlKind::GroupBox:
    case res::ControlKind::TabPanel:
        return true;
    case res::ControlKind::Label:
    case res::ControlKind::Picture:
        return (c.style & SS_NOTIFY) == 0;
    default:
        return false;
    }
}

int ControlAt(const Dialog& d, int x, int y) {
    for (std::size_t i = 0; i < d.controls.size(); ++i) {
        const res::TemplateControl& c = d.layout.controls[i];
        if (x < c.x || x >= c.x + c.cx || y < c.y || y >= c.y + c.cy || LetsClicksThrough(c)) {
            continue;
        }
        return d.controls[i]->Enabled() ? static_cast<int>(i) : -1;
    }
    return -1;
}

void ClickRadio(const Dialog& d, std::size_t at) {
    const res::TemplateControl* cs = d.layout.controls;
    std::size_t first = at;
    while (first > 0 && (cs[first].style & WS_GROUP) == 0) {
        --first;
    }
    for (std::size_t i = first; i < d.controls.size(); ++i) {
        if (i > first && (cs[i].style & WS_GROUP) != 0) {
            break;
        }
        if (IsAutoRadio(cs[i])) {
            d.controls[i]->SetCheck(i == at ? BST_CHECKED : BST_UNCHECKED);
        }
    }
    WindowRecord* clicked = d.controls[at];
    d.owner.OnCommand(MAKEWPARAM(static_cast<WORD>(clicked->id), BN_CLICKED),
                      reinterpret_cast<LPARAM>(Handle(clicked)));
}

void FocusNextTabStop(const Dialog& d, int from, bool backward) {
    const std::size_t n = d.controls.size();
    // As if the control before the first (after the last) had the focus.
    const std::size_t start = from >= 0 ? static_cast<std::size_t>(from) : backward ? 0 : n - 1;
    for (std::size_t step = 1; step <= n; ++step) {
        const std::size_t i = (start + (backward ? n - step : step)) % n;
        WindowRecord* c = d.controls[i];
        if ((d.layout.controls[i].style & WS_TABSTOP) == 0 || !c->Enabled()) {
            continue;
        }
        c->TakeFocus();
        if (d.layout.controls[i].kind == res::ControlKind::Edit) {
            c->SetSelection(0, static_cast<int>(c->Text().size()));
        }
        return;
    }
}

bool Keyboard(const Dialog& d, const MSG& msg, bool shift) {
    const int at = IndexOf(d, msg.hwnd);
    const bool onRadio = at >= 0 && IsAutoRadio(d.layout.controls[at]);
    if (msg.message == WM_KEYDOWN && msg.wParam == VK_TAB) {
        FocusNextTabStop(d, at, shift);
        return true;
    }
    if (msg.message == WM_KEYDOWN && msg.wParam >= VK_LEFT && msg.wParam <= VK_DOWN && onRadio) {
        const auto from = static_cast<std::size_t>(at);
        const std::size_t next =
            NextInGroup(d, from, msg.wParam == VK_RIGHT || msg.wParam == VK_DOWN);
        if (next != from) {
            d.controls[next]->TakeFocus();
            if (d.controls[next]->Check() != BST_CHECKED) {
                ClickRadio(d, next);
            }
        }
        return true;
    }
    const bool alt = msg.message == WM_SYSKEYDOWN;
    if (IsLetterOrDigit(msg.wParam) &&
        (alt || (msg.message == WM_KEYDOWN && (at < 0 || onRadio)))) {
        const bool used =
            Mnemonic(d, at < 0 ? 0 : static_cast<std::size_t>(at), static_cast<char>(msg.wParam));
        return used || alt;
    }
    return false;
}

char MnemonicOf(const std::string& text) {
    for (std::size_t i = 0; i + 1 < text.size(); ++i) {
        if (text[i] != '&') {
            continue;
        }
        if (text[i + 1] != '&') {
            const char c = text[i + 1];
            return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c;
        }
        ++i; // "&&": one ampersand, no mnemonic
    }
    return 0;
}

std::string WithoutMnemonicMarks(const std::string& text) {
    std::string shown;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '&') {
            ++i;
            if (i == text.size()) {
                break;
            }
        }
        shown += text[i];
    }
    return shown;
}

} // namespace dialog_manager
