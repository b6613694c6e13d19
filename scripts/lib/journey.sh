# shellcheck shell=bash
# A librarian's day at a real desk window on the virtual X display, worked
# through the X server's own pointer and keyboard: the real pointer clicks at
# the middle of a control (its rectangle in res/quorvelp.rc, in the dialog's
# base units, which the size of the window's client area gives), scans and
# keys go to the window that has the keyboard, each message box is answered,
# and the day's file is compared byte for byte. The Qt desk (scripts/test-desk)
# and quorvelp.exe under wine (scripts/test-windows) go through the same day.
# Source it after scripts/lib/windows.sh; it defines functions only.
#
# The caller sets QUORVEL_DESK_INSTALL, the installation folder (with
# journey_settings applied to its settings file), and defines:
#   desk_start              starts the program in the background, sets desk_pid
#   desk_client             prints the main window's client area as "WIDTH
#                           HEIGHT LEFT TOP": its size and its offset in its X
#                           window, in pixels
#   desk_keyboard NAME      succeeds when the window NAME has the keyboard
#   desk_keys NAME KEY...   presses xdotool keys in the window NAME
#   desk_type NAME TEXT     types TEXT in the window NAME
#   desk_close              gives the main window its close command

readonly journey_patron=12345674   # patron card of the demonstration settings
readonly journey_item=4006381333931 # EAN-13 item
readonly journey_book=9780306406157 # another EAN-13 item

journey_fail() {
    echo "error: $*" >&2
    exit 1
}

# journey_settings FILE: the demonstration settings with mnemonics on the
# return and request buttons ("&DEVOLUCIÓN", "PE&TICIÓN").
journey_settings() {
    LC_ALL=C sed -i 's|text="DEVOLUCI|text="\&DEVOLUCI|; s|text="PETICI|text="PE\&TICI|' "$1"
}

# journey_point CONTROL: where a librarian clicks the control (its IDC_ name)
# in the main window's X window: the middle of its template rectangle. The
# client area is 391 by 270 dialog units, so its size gives the base units
# (the pixels of 4 and of 8 dialog units), and they convert as Windows does.
journey_point() {
    local x y cx cy base_x base_y
    read -r x y cx cy < <(LC_ALL=C awk -F, -v id="$1" '$2 == id { print $5, $6, $7, $8; exit }' \
        res/quorvelp.rc)
    [ -n "${cy:-}" ] || journey_fail "no control $1 in res/quorvelp.rc"
    base_x=$(((client_width * 4 + 195) / 391))
    base_y=$(((client_height * 8 + 135) / 270))
    echo "$((client_left + ((x + cx / 2) * base_x + 2) / 4))" \
        "$((client_top + ((y + cy / 2) * base_y + 4) / 8))"
}

# journey_click CONTROL: a click on it; then the pointer rests in the
# screen's corner, off the window, so that no key finds its way there through
# the pointer.
journey_click() {
    local point width height
    point=$(journey_point "$1")
    # shellcheck disable=SC2086 # two numbers
    quorvel_click QuorvelP $point || journey_fail "no main window to click $1 in"
    read -r width height < <(xdotool getdisplaygeometry)
    xdotool mousemove --sync $((width - 1)) $((height - 1))
}

journey_scan() {
    desk_type QuorvelP "$1"
    desk_keys QuorvelP Return
}

# journey_answer: the open message box, answered with Enter; then the desk
# has the keyboard again.
journey_answer() {
    quorvel_wait_for 30 quorvel_window quorvelp >/dev/null || journey_fail "no message box"
    quorvel_wait_for 10 desk_keyboard quorvelp || journey_fail "the message box has no keyboard"
    desk_keys quorvelp Return
    quorvel_wait_for 30 quorvel_no_window quorvelp || journey_fail "the message box stayed"
    quorvel_wait_for 10 desk_keyboard QuorvelP || journey_fail "the desk did not take the keyboard back"
}

# journey_start: the program started, its greeting answered, its window up.
journey_start() {
    desk_start
    quorvel_wait_for 60 quorvel_window quorvelp >/dev/null || journey_fail "no greeting"
    journey_answer
    quorvel_wait_for 30 quorvel_window QuorvelP >/dev/null || journey_fail "no main window"
    read -r client_width client_height client_left client_top < <(desk_client)
    [ -n "${client_top:-}" ] || journey_fail "no client area of the main window"
}

journey_close() {
    desk_close
    quorvel_wait_for 30 quorvel_no_window QuorvelP || journey_fail "the window did not close"
    wait "$desk_pid" || journey_fail "the program ended with status $?"
}

# journey_recorded N: waits until the day's file holds N operations.
journey_recorded() {
    quorvel_wait_for 30 quorvel_file_size_is "$journey_day" $(($1 * 132)) ||
        journey_fail "operation $1 was not recorded: $(od -c "$journey_day" | tail -n 3)"
}

# journey_check_day RECORD...: the day's file is exactly these records, each
# "NUMBER PATRON ITEM LETTER" (a return's patron -), with today's date, a
# valid time and CR LF.
journey_check_day() {
    local expected="" line number who what mode date time
    date=$(basename "$journey_day" .qvp)
    date="${date:0:4}-${date:4:2}-${date:6:2}"
    for line in "$@"; do
        read -r number who what mode <<<"$line"
        [ "$who" = - ] && who=""
        time=$(LC_ALL=C head -c $((${#expected} + 19)) "$journey_day" | tail -c 8)
        [[ $time =~ ^([01][0-9]|2[0-3]):[0-5][0-9]:[0-5][0-9]$ ]] || journey_fail "bad time '$time'"
        expected+=$(printf '%s %s %s %-50s %-50s %s' "$date" "$time" "$number" "$who" "$what" \
            "$mode")$'\r\n'
    done
    cmp <(printf '%s' "$expected") "$journey_day" ||
        journey_fail "the day's file differs: $(od -c "$journey_day")"
}

quorvel_desk_journey() {
    local p=$journey_patron i=$journey_item b=$journey_book
    journey_start
    journey_day=$(ls "$QUORVEL_DESK_INSTALL"/Work/*.qvp)
    [ "$(stat -c %s "$journey_day")" -eq 0 ] || journey_fail "today's file is not created empty"
    # A loan in the scanner's rhythm.
    journey_scan "$p"
    journey_scan "$i"
    journey_recorded 1
    # A return: its button, the item field, a scan; a card left in the
    # patron field is not the return's.
    desk_type QuorvelP 87654325
    journey_click IDC_RADIO_RETURN
    journey_click IDC_EDIT_ITEM
    journey_scan "$b"
    journey_recorded 2
    # A request likewise.
    journey_click IDC_RADIO_REQUEST
    journey_click IDC_EDIT_PATRON
    journey_scan "$p"
    journey_scan "$i"
    journey_recorded 3
    # A loan: the fields clicked in the other order, the mode chosen last.
    journey_click IDC_EDIT_ITEM
    desk_type QuorvelP "$i"
    journey_click IDC_EDIT_PATRON
    desk_type QuorvelP "$p"
    journey_click IDC_RADIO_LOAN
    desk_keys QuorvelP Return
    journey_recorded 4
    # Each refusal answered: both missing, a wrong patron card (the next scan
    # replaces it), the item missing, a wrong item.
    desk_keys QuorvelP Return
    journey_answer
    journey_scan 12345675
    journey_answer
    journey_scan "$p"
    desk_keys QuorvelP Return
    journey_answer
    journey_scan 4006381333932
    journey_answer
    journey_scan "$i"
    journey_recorded 5
    # Escape empties the entry.
    desk_type QuorvelP junk
    desk_keys QuorvelP Escape
    # Arrows from the request button go round to loan, then to return; Enter
    # on the button asks for the item.
    journey_click IDC_RADIO_REQUEST
    desk_keys QuorvelP Right Right Return
    journey_answer
    journey_scan "$b"
    journey_recorded 6
    # A mnemonic: Alt+T is "PE&TICIÓN"; Escape goes to the patron field.
    desk_keys QuorvelP alt+t Escape
    journey_scan "$p"
    journey_scan "$i"
    journey_recorded 7
    journey_close
    local day=("000001 $p $i P" "000002 - $b D" "000003 $p $i T" "000004 $p $i P"
        "000005 $p $i P" "000006 - $b D" "000007 $p $i T")
    journey_check_day "${day[@]}"
    # Started again: the numbering goes on.
    journey_start
    journey_scan "$p"
    journey_scan "$i"
    journey_recorded 8
    journey_close
    journey_check_day "${day[@]}" "000008 $p $i P"
}
