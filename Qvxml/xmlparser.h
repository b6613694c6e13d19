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
// The Report forms of the two entry points also say where and why: which
// tokens were dropped and where, where a malformed document stopped the
// parse, and why a file gave no document. They build exactly the tree, flags,
// results and traces of the plain forms, which are the Report forms without a
// report.
//
// Not thread-safe: the scanner's tag readers share process-wide buffers, so
// only one parse may run at a time.
#pragma once

#include "Qvxml/xmldoc.h"

// What went wrong at one place of the input.
enum {
    XML_PROBLEM_NONE = 0,
    // A token dropped; the parse goes on with the error flag set.
    XML_PROBLEM_END_TAG_MISMATCH = 1,   // an end tag that does not name the open element
    XML_PROBLEM_END_TAG_UNOPENED = 2,   // an end tag while no element is open
    XML_PROBLEM_TEXT_OUTSIDE = 3,       // text outside every element
    XML_PROBLEM_CDATA_OUTSIDE = 4,      // a CDATA section outside every element
    XML_PROBLEM_BEFORE_DECLARATION = 5, // an element before the XML declaration
    XML_PROBLEM_NO_MEMORY = 6,          // a node that could not be created
    // The parse stopped with -2. For the BAD_ kinds the place is the
    // character at which the scanner gave up; the kind is what the token
    // began as.
    XML_PROBLEM_BAD_TAG = 7,          // a start or empty-element tag
    XML_PROBLEM_BAD_END_TAG = 8,      // "</"
    XML_PROBLEM_BAD_COMMENT = 9,      // "<!-"
    XML_PROBLEM_BAD_CDATA = 10,       // "<!["
    XML_PROBLEM_BAD_DOCTYPE = 11,     // "<!D"
    XML_PROBLEM_BAD_PI = 12,          // "<?"
    XML_PROBLEM_BAD_MARKUP = 13,      // any other "<"
    XML_PROBLEM_BAD_TEXT = 14,        // character data: a bad reference or UTF-8 sequence
    XML_PROBLEM_DOCTYPE_FIRST = 15,   // a DOCTYPE before the XML declaration
    XML_PROBLEM_BAD_DECLARATION = 16, // a first processing instruction that is not one
    // XmlParserFileReport: the file ends inside this token, which is dropped.
    XML_PROBLEM_UNFINISHED = 17
};

// How XmlParserFileReport ended.
enum {
    XML_OUTCOME_DOCUMENT = 0,  // a document was returned
    XML_OUTCOME_UNOPENED = 1,  // the file cannot be opened (a folder cannot)
    XML_OUTCOME_NO_MEMORY = 2, // the document or its buffer could not be had
    XML_OUTCOME_MALFORMED = 3  // the parse stopped with -2: see failure
};

// Raw bytes of input an excerpt holds at most, and the room it takes once
// converted to the target encoding (ISO-8859-1 to UTF-8 may double them).
constexpr int XML_EXCERPT_BYTES = 32;
constexpr int XML_EXCERPT_SIZE = 2 * XML_EXCERPT_BYTES + 1;
// Dropped tokens a report lists; it counts every one.
constexpr int XML_REPORT_DROPPED = 32;

// Lines count from 1 and go up at each LF (a file's CR LF arrive as LF, see
// XmlParserFile), so they are an editor's lines. Columns count from 1 in
// characters: while the source encoding is UTF-8 a whole multi-byte sequence
// is one column, otherwise each byte is; a byte-order mark that is skipped
// takes none.
struct XmlProblem {
    int code;   // XML_PROBLEM_*; XML_PROBLEM_NONE when nothing was recorded
    int line;   // where the token begins (for the BAD_ kinds: the bad character)
    int column; //
    // The input from there to the end of its line (of a dropped token: of
    // the token; of the others: of the input at hand), NUL-terminated: at
    // most XML_EXCERPT_BYTES bytes (a UTF-8 sequence that limit cuts is left
    // out), stopped by a NUL, converted to the target encoding as the node
    // factory converts names.
    char excerpt[XML_EXCERPT_SIZE];
};

struct XmlParseReport {
    int outcome;                            // XML_OUTCOME_*, set by XmlParserFileReport only
    int systemError;                        // the errno of XML_OUTCOME_UNOPENED, else 0
    int line;                               // where the next byte to be parsed stands: after the
    int column;                             // last call, the unfinished token or the input's end
    XmlProblem failure;                     // what ended the parse with -2; code 0 when nothing did
    XmlProblem unfinished;                  // the token a file ended inside; code 0 when none
    int droppedCount;                       // every dropped token, listed or not
    XmlProblem dropped[XML_REPORT_DROPPED]; // the first ones, in input order
};

// An empty report at line 1, column 1: outcome XML_OUTCOME_DOCUMENT, no
// problem. Call it before the first XmlParserBufferReport of a document.
void XmlReportInit(XmlParseReport* report);

// What the problem code means, in a few words of English ("an end tag that
// does not match the open element"); the empty text for codes outside the
// list. The text is constant.
const char* XmlProblemText(int code);

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
// The same, recording into report (when not null) every token it drops and
// what ended it with -2, and advancing the report's line and column over the
// bytes it consumed; for result 1 they stop where the unfinished token
// begins, so the next call goes on from there. A -1 records nothing.
int XmlParserBufferReport(XmlDoc* doc, int count, int* lossy, XmlParseReport* report);

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
// The same, with report (when not null) initialised and filled: the outcome
// (the system's errno for a file that cannot be opened), every dropped token,
// the failure of a malformed file, and the token a file ends inside.
XmlDoc* XmlParserFileReport(const char* path, XmlParseReport* report);
