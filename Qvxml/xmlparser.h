// Parser driver of the XML library: turns XML text into the document tree of
// xmldoc.h, one token at a time.
//
// Tokens come from the markup scanner (xmlscan.h); the driver decides what
// each becomes, keeps the cursor of the open element, reads the XML
// declaration and reports through its result, the document's error flag and
// error text, and traces for the module "xml#xmlpar". References are not
// decoded here: text and attribute values enter the tree as written.
//
// Elements and the DOCTYPE are accepted only after the XML declaration, which
// must be the first processing instruction. An end tag that does not match,
// text or CDATA outside any element, an element before the declaration or a
// node that cannot be created drop that token and set the error flag; the
// parse goes on. Elements still open at the end stay in the tree.
//
// Not thread-safe: the scanner's tag readers share process-wide buffers, so
// only one parse may run at a time.
#pragma once

#include "Qvxml/xmldoc.h"

// Parses the pending input of doc. Before the call the caller has written
// count new bytes at the position XmlBufferReserve returned for at least that
// many. A UTF-8 byte-order mark at the start of the pending bytes (looked for
// at every call) is skipped and makes the source encoding 0. Results:
//    0  every pending byte consumed; read position at the buffer start,
//       pending 0;
//    1  the input ends inside a token, whose bytes now stand at the buffer
//       start (read position there, pending their count), to be scanned again
//       once more bytes have been committed;
//   -1  count does not fit in the capacity (or doc is null); nothing changed;
//   -2  malformed input (a token the scanner rejects, a DOCTYPE before the
//       declaration, or a first processing instruction that is not a valid
//       declaration); error flag set, buffer as it was. Do not go on.
// lossy, when not null, is set to 1 when an element name, attribute name or
// value, or CDATA content has a character without an ISO-8859-1 form.
int XmlParserBuffer(XmlDoc* doc, int count, int* lossy);
int XmlParserBuffer(XmlDoc* doc, int count);

// A new document (target encoding XmlDefaultTargetEncoding) holding the tree
// of the file at path, or null when the file cannot be opened (a folder
// cannot), memory runs out, or the parse ended with -2. The file is read in chunks of
// XML_BUFFER_STEP bytes as in a text mode: each CR LF pair arrives as LF (also
// when a chunk boundary splits it), a lone CR stays, and a byte 1A ends the
// input. On success the input buffer is gone (buffer, read position, capacity
// and pending cleared), complete is 1, and clean end is 1 when every byte was
// consumed and the declaration was seen; a file ending inside a token is
// returned without that token and with clean end 0. Traces "XmlParserFile ->
// '<path>'" at level 8 on entry, "XmlParserFile <- (1)" to "(4)" at level 1
// for open, document, buffer and growth failures, "XmlParserFile <- (5)" at
// level 8 for malformed input and "XmlParserFile <- " at level 8 on success.
XmlDoc* XmlParserFile(const char* path);
