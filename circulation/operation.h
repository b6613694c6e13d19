// The operation mode the desk works in, shared by the entry rules, the
// transaction record and the dialog that holds it.
#pragma once

#include <cstdint>

// 0 loan, 1 return, 2 request; other values can be held and are treated as
// the rules below say.
using OperationMode = std::int16_t;

enum : OperationMode {
    OPERATION_LOAN = 0,
    OPERATION_RETURN = 1,
    OPERATION_REQUEST = 2
};

// Loans and requests name a patron; every other mode (in practice a return)
// works on the item alone.
constexpr bool ModeNeedsPatron(OperationMode mode) {
    return mode == OPERATION_LOAN || mode == OPERATION_REQUEST;
}
