// Barcode model settings: the models of the settings file's "mbarcode"
// element, registered once at start-up into g_barcodeModels (barcode.h).
// Reading the file is the XML library's business; matching, the matcher's.
#pragma once

#include "Qvxml/xmldoc.h"

// Registers, in document order, one model per element child of "mbarcode"
// (the root element itself when so named, else the root's first child element
// of that name; deeper ones are not found), whatever the child's name. Of its
// attributes, read with XmlGetValue as cut and decoded texts:
//   "model"        3 bytes at most; its first character is the kind
//   "value"        50 bytes at most; the pattern
//   "controlDigit" 4 bytes at most; its leading number (atoi) is the check
//                  method, values below 1 raised to 1
//   "optionalId"   4 bytes at most; its first character, "1" setting the flag
// A child whose "model" or "value" is missing or empty is skipped. Models
// registered before stay. Returns 1 when g_barcodeModels is non-empty
// afterwards, else 0 (also for a null document).
int LoadBarcodeModels(XmlDoc* document);
