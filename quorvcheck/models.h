// Which barcode models a desk can never reach: the matcher tries the models
// in order and stops at the first that matches a barcode or refuses its
// check character, so a model that comes after one deciding every barcode it
// matches is dead weight, and usually a sign that the order is wrong.
//
// Decided from the patterns alone, by the matcher's own rules (barcode.h):
// every pattern matches barcodes of a few lengths, and at each place a set of
// characters. Only one earlier model is compared with a later one at a time,
// so a model that two earlier ones cover between them is not found.
#pragma once

#include "circulation/barcode.h"

// For model, which must be in g_barcodeModels: the place (1 for the first)
// of the first model before it that decides every barcode model matches,
// 0 when none does, -1 when model matches no barcode at all (a pattern that
// cannot be used up, such as one ending in a lone "\").
int EarlierModelCovering(const BarcodeModel* model);
