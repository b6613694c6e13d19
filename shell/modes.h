// What each operation mode shows: the text on the operation group box, the
// colour of the dialog surface, whether the patron edit takes input.
//
// Window-free rules; the dialog applies them to its controls. The three
// looks are indexed loan 0, return 1, request 2. A mode outside 0..2 cannot
// be chosen at the desk, but the rules still answer for it, each in its own
// way (the text falls back to return, the colour to request).
#pragma once

#include "circulation/operation.h"
#include "platform/types.h"

enum {
    MODE_LOOK_LOAN = 0,
    MODE_LOOK_RETURN = 1,
    MODE_LOOK_REQUEST = 2,
    MODE_LOOK_COUNT = 3
};

// Surface colours: red, light green, light blue.
inline constexpr COLORREF kModeColours[MODE_LOOK_COUNT] = {
    RGB(220, 0, 0),
    RGB(138, 211, 138),
    RGB(138, 138, 211),
};

// The text naming the mode: loan and request their own, any other the
// return text.
constexpr int ModeTextLook(OperationMode mode) {
    return mode == OPERATION_LOAN      ? MODE_LOOK_LOAN
           : mode == OPERATION_REQUEST ? MODE_LOOK_REQUEST
                                       : MODE_LOOK_RETURN;
}

// The surface colour: loan and return their own, any other the request colour.
constexpr int ModeColourLook(OperationMode mode) {
    return mode == OPERATION_LOAN     ? MODE_LOOK_LOAN
           : mode == OPERATION_RETURN ? MODE_LOOK_RETURN
                                      : MODE_LOOK_REQUEST;
}

// The patron edit takes input, and gets the focus after an entry is cleared
// or recorded, exactly in the modes that name a patron.
constexpr bool ModePatronEnabled(OperationMode mode) {
    return ModeNeedsPatron(mode);
}
