// Document tree of the XML library and the queries that read it.
//
// An XmlDoc owns a tree of XmlNode records, the input buffer that the parser
// driver (xmlparser.h) fills and consumes, and the state of a parse in
// progress. Text in nodes is stored as written (references undecoded) in the
// document's target encoding; the node factory converts names and values
// from the source encoding. The readers below decode references when they
// take text out of the tree.
//
// Records live on the heap and are released with XmlFreeNode / XmlFreeDoc
// (std::free for texts that XmlReadValue allocates). Operations that take a
// node accept null and then do nothing and return null, -1 or the stated
// default. Names and values that the accessors and queries return point into
// the tree: the caller neither changes nor frees them, and they live until
// the node is freed. Walks over a subtree (free, element search, ID search,
// text gathering) are iterative, so the depth of a document is bounded only by
// memory.
//
// Not thread-safe: a document and its nodes belong to one thread at a time,
// and the linking operations keep one process-wide hint (see XmlAttachNode).
#pragma once

// Node kinds, the W3C DOM node type codes.
enum {
    XML_NODE_ELEMENT = 1,   // name: the tag name; no value
    XML_NODE_ATTRIBUTE = 2, // name: the attribute name; value: as written, without its quotes
    XML_NODE_TEXT = 3,      // "#text": character data as written
    XML_NODE_CDATA = 4,     // "#cdata-section": the content without its delimiters
    XML_NODE_PI = 7,        // "xml": everything between "<?" and "?>", the target included
    XML_NODE_COMMENT = 8,   // "#comment": the content without its delimiters
    XML_NODE_DOCTYPE = 10   // "#DocType": after the keyword and one blank, without the ">"
};

// Search scopes of XmlFindElement; every scope tests the start node first.
enum {
    XML_SCOPE_SELF = 0,     // the start node only
    XML_SCOPE_SUBTREE = 1,  // then each child's subtree in document order (any other code too)
    XML_SCOPE_CHILDREN = 2, // then its children, not their descendants
    XML_SCOPE_FOLLOWING = 3 // then its following siblings, not their descendants
};

// Result types of XmlReadValue.
enum {
    XML_VALUE_TEXT = 0,     // output: char buffer of at least maximum + 1 bytes
    XML_VALUE_NEW_TEXT = 1, // output: char**, replaced by a std::malloc'd text
    XML_VALUE_SHORT = 2,    // output: 16-bit integer
    XML_VALUE_INT = 3,      // output: 32-bit integer
    XML_VALUE_LONG = 4      // output: 32-bit integer
};

// The input buffer grows in steps of this many bytes.
constexpr int XML_BUFFER_STEP = 65535;
constexpr int XML_ERROR_TEXT_SIZE = 512;
constexpr int XML_VERSION_SIZE = 64;
// Scratch areas of XmlReadValue, terminator included: a decoded attribute
// text and a gathered element text are cut to fit.
constexpr int XML_ATTRIBUTE_SCRATCH_SIZE = 8192;
constexpr int XML_GATHER_SCRATCH_SIZE = 65535;

// The two integers stand together so that the record has no padding: a
// large document holds hundreds of thousands of nodes.
struct XmlNode {
    int kind;                 // XML_NODE_*
    int valueSize;            // bytes of value with its terminator; 0 without value
    char* name;               // owned, target encoding
    char* value;              // owned, target encoding; null for elements
    XmlNode* firstAttribute;  // attribute chain, linked by next/previous sibling
    XmlNode* top;             // first top-level node of the document; null for attributes
    XmlNode* firstChild;      // children in document order: first and last
    XmlNode* lastChild;       // child are both null or both set
    XmlNode* parent;          // null at top level and for attributes
    XmlNode* nextSibling;     // the siblings in document order, or for an
    XmlNode* previousSibling; // attribute its neighbours in the chain
};

struct XmlDoc {
    char* buffer;                        // owned input bytes not parsed yet; null when none
    char* readPosition;                  // where the unconsumed input begins in buffer
    int capacity;                        // allocated size of buffer
    int pending;                         // unconsumed bytes from readPosition on
    XmlNode* firstNode;                  // head of the top-level list
    XmlNode* current;                    // innermost open element while parsing; null at top
    int declarationSeen;                 // 1 once the XML declaration has been read
    char complete;                       // 1 when XmlParserFile has read the whole file
    char error;                          // 1 when a token was dropped or the parse failed
    char errorText[XML_ERROR_TEXT_SIZE]; // message of a rejected end tag
    char cleanEnd;                       // set by XmlParserFile
    void* auxiliary;                     // owned; never filled here, freed when set
    char version[XML_VERSION_SIZE];      // "1.0", or the declaration's version (63 bytes at most)
    int targetEncoding;                  // encoding index of the text in nodes
    int sourceEncoding;                  // encoding index of the input
    int standalone;                      // 1 for standalone="yes"
};

// The target encoding XmlNewDoc gives a document: 4 (ISO-8859-1).
extern int XmlDefaultTargetEncoding;

// --- creation and release ----------------------------------------------------

// A new zero-filled node (kind 0, every text and link null), or null when
// memory is exhausted. Traces "xmldoc::XmlNewNode: '<address>'" at level 8.
XmlNode* XmlNewNode();

// A new unlinked node of kind with converted copies of name (NUL-terminated;
// null stores no name) and of exactly valueLength bytes of value (null stores
// no value and leaves valueSize 0; a negative length counts as 0). Null when
// the node itself cannot be allocated; a name or value that cannot be
// allocated stays null and the node is still returned.
//   - A text node (kind 3) from an ISO-8859-1 source (4) loses the control
//     bytes 01 to 1F other than TAB, LF and CR from its value.
//   - Source 4, target 0: ISO-8859-1 to UTF-8 (XmlLatin1ToUtf8, which also
//     drops those control bytes). Source 0, target 4: UTF-8 to ISO-8859-1
//     (XmlUtf8ToLatin1), which sets *lossy to 1 for a character without an
//     ISO-8859-1 form; lossy may be null and is never cleared. Any other pair:
//     copied unchanged, all valueLength bytes. The two conversions stop at
//     a NUL among the bytes.
// valueSize is the number of bytes stored plus 1.
XmlNode* XmlCreateNode(int kind, const char* name, const char* value, int valueLength,
                       int sourceEncoding, int targetEncoding, int* lossy);
XmlNode* XmlCreateNode(int kind, const char* name, const char* value, int valueLength,
                       int sourceEncoding, int targetEncoding);

// Unlinks node from its parent and siblings and releases it with its name,
// value, attributes and whole subtree, in document order (the node, its
// attributes, then each child with its own attributes and children), tracing
// "xmldoc::XmlFreeNode: '<address>'" at level 8 for each. The document's
// top-level list head is not updated: a document's first top-level node is
// released only by XmlFreeDoc. XmlCreateNode places a node's name and value
// in the record's own allocation, so they go with it; a text that a caller
// stored in a node in their place (and the texts of an XmlNewNode record) is
// released on its own with std::free.
void XmlFreeNode(XmlNode* node);

// A new empty document with that target encoding, or null when memory is
// exhausted: version "1.0", source encoding 0, no buffer, no nodes, every flag
// 0, error text empty. Traces "xmldoc::XmlNewDocEncoded: ->" on entry, then
// "... <- (1)" on failure or "... <- [<address>]" on success, at level 8.
XmlDoc* XmlNewDocEncoded(int targetEncoding);
// XmlNewDocEncoded(XmlDefaultTargetEncoding).
XmlDoc* XmlNewDoc();

// Releases the buffer, every top-level node with its subtree (in list order),
// the auxiliary buffer and the record. Null does nothing.
void XmlFreeDoc(XmlDoc* doc);

// --- linking (used by the parser driver) -------------------------------------

// With a parent: node becomes parent's last child and takes parent's top;
// 0. Without a parent: node becomes the document's first top-level node (its
// own top, no parent), allowed only while the document has none; 0. -1 for a
// null node, or without a parent on a null document or one that already has a
// top-level node; nothing changes then.
int XmlAppendChild(XmlDoc* doc, XmlNode* parent, XmlNode* node);

// Links node directly after sibling, with sibling's parent and top; when
// sibling was the parent's last child, node becomes it. 0, or -1 when either
// is null.
int XmlInsertAfter(XmlNode* sibling, XmlNode* node);

// Places a node made during parsing (doc required): below the current
// element; else as the first top-level node; else after the last top-level
// node. The last top-level node found is remembered process-wide for the next
// call on the same document (forgotten when it is unlinked or its document
// freed), so attaching many top-level nodes stays linear.
void XmlAttachNode(XmlDoc* doc, XmlNode* node);

// Bridges node's siblings over it and, when it has a parent, moves the
// parent's first or last child off it. node's own links are left as they
// were; the document's top-level list head is not touched.
void XmlUnlinkNode(XmlNode* node);

// --- accessors ---------------------------------------------------------------

XmlNode* XmlFirstChild(XmlNode* node);
XmlNode* XmlNextSibling(XmlNode* node);
const char* XmlNodeName(XmlNode* node);

// The field, or 4 for a null document.
int XmlGetTargetEncoding(XmlDoc* doc);
int XmlGetSourceEncoding(XmlDoc* doc);
// Store the index and return the document; null does nothing.
XmlDoc* XmlSetTargetEncoding(XmlDoc* doc, int index);
XmlDoc* XmlSetSourceEncoding(XmlDoc* doc, int index);

// --- input buffer (doc required) ---------------------------------------------

// Makes room for n more bytes after the pending ones and returns buffer +
// pending, where the caller writes them. When capacity > pending + n already
// (strictly, so one byte beyond the room is always free) nothing changes.
// Otherwise the buffer grows by n rounded up to a multiple of
// XML_BUFFER_STEP and the read position moves with it. Null when it cannot
// grow (memory exhausted, or a capacity beyond the int range); the document is
// then unchanged. n <= 0 never grows the buffer and gives null when there is
// none. Callers reserve only while the read position is the buffer start.
char* XmlBufferReserve(XmlDoc* doc, int n);

// Counts n newly written bytes as pending: 0, or -1 (pending unchanged) when
// capacity < pending + n or n is negative.
int XmlBufferCommit(XmlDoc* doc, int n);

// --- queries -----------------------------------------------------------------

// The first element among the top-level nodes (descending into a node's
// children when the list ends there), or null.
XmlNode* XmlGetRootElement(XmlDoc* doc);

// The first element named name (byte for byte) in the scope's order, or null
// (also for a null node or name). Attributes are never searched.
XmlNode* XmlFindElement(XmlNode* node, const char* name, int scope);

// The first descendant of node in document order, depth first, whose "ID"
// attribute (read with XmlGetAttribute, so its "html" fallback applies) equals
// id; node itself is not tested. Null when none, or for a null node or id.
XmlNode* XmlFindById(XmlNode* node, const char* id);

// The stored (raw) value of element's first attribute named name. When none
// is, but an attribute named "html" is present and the first child is a CDATA
// node, that node's value. Otherwise null.
const char* XmlGetAttribute(XmlNode* element, const char* name);

// XmlGetAttribute(XmlFindElement(node, element, scope), attribute); null when
// either step finds nothing.
const char* XmlGetElementAttribute(XmlNode* node, const char* element, const char* attribute,
                                   int scope);

// The first following sibling / first child of that kind, or null.
XmlNode* XmlNextSiblingOfKind(XmlNode* node, int kind);
XmlNode* XmlFirstChildOfKind(XmlNode* node, int kind);
// Of kind element, element, and text.
XmlNode* XmlNextElement(XmlNode* node);
XmlNode* XmlFirstChildElement(XmlNode* node);
XmlNode* XmlFirstTextChild(XmlNode* node);

// --- text ----------------------------------------------------------------------

// Writes source decoded at destination with its terminator and returns the
// terminator's position. "&lt;" "&gt;" "&amp;" "&quot;" become < > & ",
// "&nbsp;" a blank, "&#N;" and "&#xH;" (either case) the byte N or H when it is
// 1 to 255; any other "&" is copied and the bytes after it are read as plain
// text. TAB and LF written as themselves are dropped, CR is kept. The output
// is never longer than the input, so destination may be source. A null source
// writes the empty text; a null destination writes nothing and gives null.
char* XmlDecodeEntities(const char* source, char* destination);
// The same, writing at most size - 1 bytes and the terminator (nothing for
// size <= 0, returning destination): a reference is written whole or not at
// all, and the text is cut where the room ends.
char* XmlDecodeEntitiesN(const char* source, char* destination, int size);

// Writes the decoded text of node's subtree at destination, terminated, and
// returns the terminator's position: the values of text nodes in document
// order, with "[NL]" after the content of each element named "nl". CDATA,
// comments, processing instructions and attributes contribute nothing. A null
// node writes the empty text. Unbounded: destination must hold the whole text.
char* XmlGatherText(XmlNode* node, char* destination);
// The same, cut to size - 1 bytes and the terminator (nothing for size <= 0).
char* XmlGatherTextN(XmlNode* node, char* destination, int size);

// --- values --------------------------------------------------------------------

// Finds XmlFindElement(node, element, scope) and delivers one of its texts:
//   - attribute non-empty: the attribute's raw value ("" when absent); for
//     XML_VALUE_NEW_TEXT decoded into an XML_ATTRIBUTE_SCRATCH_SIZE area (cut
//     to fit);
//   - attribute null or empty, XML_VALUE_NEW_TEXT: XmlGatherText of the
//     element in an XML_GATHER_SCRATCH_SIZE area (cut to fit);
//   - attribute null or empty, other types: the raw value of the first text
//     child ("" when there is none).
// Delivery:
//   XML_VALUE_TEXT      maximum > 0: at most maximum bytes copied and
//                       terminated, then decoded in place (a reference cut in
//                       two stays as written); else the whole text undecoded.
//   XML_VALUE_NEW_TEXT  *output (std::free'd first when set) becomes a new
//                       std::malloc'd copy, cut to maximum bytes when
//                       maximum > 0; null when that copy cannot be allocated.
//   SHORT, INT, LONG    an empty text stores nothing; else its leading decimal
//                       number as atol reads it (blanks, sign, digits; 0 when
//                       none; beyond 32 bits saturated), undecoded, raised to
//                       minimum, then lowered to maximum, and stored saturated
//                       to the output's width (16 bits for SHORT, else 32).
//   any other type      nothing stored.
// Returns 0 when no element is found, a scratch area cannot be allocated, or
// the XML_VALUE_NEW_TEXT text is empty (output untouched); else 1. A null
// output stores nothing.
int XmlReadValue(XmlNode* node, const char* element, const char* attribute, int type, long minimum,
                 long maximum, int scope, void* output);
// XmlReadValue with XML_SCOPE_SUBTREE.
int XmlGetValue(XmlNode* node, const char* element, const char* attribute, int type, long minimum,
                long maximum, void* output);
