// Markup scanner of the XML library: cuts the parser's input into tokens, one
// per call, and reads the XML declaration, tag names and attributes out of
// complete tokens.
//
// The scanner decides only where a token ends and what kind it is; the parser
// driver turns tokens into nodes, and references are decoded only when text
// is read out of the tree. It reads with XmlNextChar (xmlchar.h) in the mode
// given by the document's source encoding index, never at or past the end
// position: a token that the end cuts off comes back as XML_TOK_INCOMPLETE,
// and the caller scans it again from the token's start once more input has
// arrived. Nothing allocates. Apart from the three buffers of the tag readers
// no state lives between calls.
//
// Not thread-safe: XmlReadTagName and XmlReadAttribute return text in buffers
// shared by the whole process, so only one parse may run at a time and a
// caller copies what it needs before the next call of the same reader.
#pragma once

// Token kinds. 8, 10 and 12 are never produced.
enum {
    XML_TOK_ERROR = -1,          // malformed markup or a character that may not stand there
    XML_TOK_SPACE = 0,           // a run of TAB LF CR space not following character data
    XML_TOK_INCOMPLETE = 1,      // the end cuts the token
    XML_TOK_START_TAG = 2,       // a start tag without "="
    XML_TOK_START_TAG_ATTRS = 3, // a start tag with at least one "="
    XML_TOK_EMPTY_TAG_ATTRS = 4, // "/>" with at least one "="
    XML_TOK_EMPTY_TAG = 5,       // "/>" without "="
    XML_TOK_END_TAG = 6,
    XML_TOK_COMMENT = 7,  // "<!--" to "-->"
    XML_TOK_CDATA = 9,    // "<![CDATA[" to "]]>"
    XML_TOK_TEXT = 11,    // character data up to the next "<" or the end
    XML_TOK_DOCTYPE = 13, // "<!DOCTYPE" to its ">"
    XML_TOK_PI = 14       // "<?" to "?>", the XML declaration included
};

// Sizes of the readers' buffers, NUL included: a tag name or attribute name
// holds at most 8191 bytes, an attribute value 65535, a declaration value
// 1023. Longer text is cut at that limit; the reader still goes on to the
// text's real end, so the positions it returns are those of the whole text.
constexpr int XML_NAME_BUFFER_SIZE = 8192;
constexpr int XML_VALUE_BUFFER_SIZE = 65536;
constexpr int XML_DECL_VALUE_SIZE = 1024;

// All token functions take mode (the source encoding index, see XmlNextChar),
// the position to scan from and the end of the input, store the token kind in
// *kind (not null) and return a position. For kinds 2 to 14 the token is the
// byte range from the position passed in to the position returned, which lies
// just after its final ">", or for XML_TOK_TEXT at the "<" that ends it or at
// end. For XML_TOK_SPACE it is the first byte after the run. With
// XML_TOK_ERROR it is where the character that made the token malformed
// begins (never before the position passed in, never past end), so that a
// reader can be told where; with XML_TOK_INCOMPLETE it means nothing.

// The next token from position:
//   - at or past end: XML_TOK_SPACE, position unchanged;
//   - a run of white space: XML_TOK_SPACE up to its first other byte (or end);
//   - "<": the markup token (XmlCheckTokenMarkup), XML_TOK_INCOMPLETE when
//     the "<" is the last byte;
//   - anything else begins character data, which runs, its white space and
//     ">" and references included, up to the next "<" (XML_TOK_TEXT) or to
//     end (XML_TOK_TEXT ending at end). A character or reference inside it
//     that end cuts off makes the whole run XML_TOK_INCOMPLETE; a bad
//     reference or, in mode 0, a malformed UTF-8 sequence XML_TOK_ERROR.
const char* XmlNextToken(int mode, const char* position, const char* end, int* kind);

// From the byte after a "<": "/" goes to XmlCheckTokenEndTag, a name-start
// character (XmlIsNameStartClass) to XmlCheckTokenStartTag, "![" to
// XmlCheckTokenCData, "!-" to XmlCheckTokenComment, "!D" to
// XmlCheckTokenDocType, "?" to XmlCheckTokenPI, each from after what selected
// it; anything else is XML_TOK_ERROR, so a tag name never begins with a
// digit, "-", "." or white space.
const char* XmlCheckTokenMarkup(int mode, const char* position, const char* end, int* kind);

// The recognisers. Each starts where the markup that selected it ends, and
// each gives XML_TOK_INCOMPLETE when end comes before its token is complete.
// Inside start tags, comments, CDATA sections, DOCTYPEs and processing
// instructions a malformed UTF-8 sequence is stepped over one byte at a time.

// After the first character of the element name. A state machine over the
// element name, attribute names, "=", and values quoted with ' or " decides:
// values must be quoted (a name character after "=" is an error), an attribute
// may follow a closing quote directly, "<" is an error even inside a value and
// references are allowed only inside one; ! ? [ ] - . * and bad characters
// are passed over everywhere. ">" outside a name or after a complete value
// gives XML_TOK_START_TAG, or XML_TOK_START_TAG_ATTRS when an "=" was seen;
// "/>" outside quotes (also after a bare name or "=") gives XML_TOK_EMPTY_TAG
// or XML_TOK_EMPTY_TAG_ATTRS the same way; "/" followed by anything else is
// XML_TOK_ERROR.
const char* XmlCheckTokenStartTag(int mode, const char* position, const char* end, int* kind);

// After "</". The first character must be a name-start character. Name
// characters, "-" and "." are accepted until the first white space, "="
// anywhere; ">" gives XML_TOK_END_TAG. Anything else is XML_TOK_ERROR.
const char* XmlCheckTokenEndTag(int mode, const char* position, const char* end, int* kind);

// After "<!-". The next character must be "-". "--" may stand only right
// before the final ">", which ends XML_TOK_COMMENT; "---" is XML_TOK_ERROR.
const char* XmlCheckTokenComment(int mode, const char* position, const char* end, int* kind);

// After "<![". "CDATA[" must follow (XML_TOK_INCOMPLETE when end cuts it after
// matching bytes). The section ends with XML_TOK_CDATA at the first ">" after
// two or more "]" in a row; a ">" after fewer leaves the count as it is.
// Writes "XmlCheckTokenCData CH_INVALID" for each bad character and
// "XmlCheckTokenCData saltando caracter" for each byte stepped over, at
// level 8 for module "xml"; the scanner traces nothing else.
const char* XmlCheckTokenCData(int mode, const char* position, const char* end, int* kind);

// After "<!D". "OCTYPE" must follow (same rule as "CDATA"). Without an
// internal subset the first ">" ends XML_TOK_DOCTYPE, quotes not being
// tracked; after a "[", only "]>" (no white space between) ends it, and a "]"
// followed by anything else, or a "]" before any "[", is XML_TOK_ERROR.
const char* XmlCheckTokenDocType(int mode, const char* position, const char* end, int* kind);

// After "<?". The target must begin with a name-start character. "?>" ends
// XML_TOK_PI; any other "?" and any ">" before it are XML_TOK_ERROR.
const char* XmlCheckTokenPI(int mode, const char* position, const char* end, int* kind);

// Reads the XML declaration between position (after the five bytes "<?xml")
// and end (the end of its processing-instruction token), character by
// character in mode. Accepts, in this order only,
//   S version Eq Q value Q [S? encoding Eq Q value Q] [S? standalone Eq Q value Q] S? "?>"
// with S white space, Eq "=" with optional white space around it, Q an
// apostrophe or a double quotation mark closed by the same kind. Names are
// matched as leading bytes, so "encodingx" fails at the "x". Each character of
// a value contributes its first byte (only ASCII values come through intact);
// a bad character or the end before the closing quote fails.
// Returns 0 when the declaration is good, -1 otherwise; traces nothing.
// *encoding and *standalone are set to 0 first. version (1024 bytes) receives
// the version text, unchecked, with its NUL as soon as it has been read;
// *encoding the XmlEncodingIndex of the encoding value (-1 for a name the
// table does not hold); *standalone 1 for "yes", 0 for "no", and any other
// standalone value makes the result -1. After -1 the outputs mean nothing.
// Values longer than 1023 bytes are cut there. Null outputs are not written.
int XmlParseDeclaration(int mode, const char* position, const char* end, char* version,
                        int* encoding, int* standalone);

// Copies the tag name that begins at position into the name buffer: every byte
// up to white space or one of / = > ? ("." "-" "!" "*" and the like included),
// cut at 8191 bytes. Returns the buffer (NUL-terminated, valid until the next
// call); *after, when after is not null, gets the position where the name
// ends. Call it only on a complete tag, which always ends with ">"; it never
// looks past that ">". A null position gives the empty name.
const char* XmlReadTagName(const char* position, const char** after);

// Reads one attribute at position inside a complete start tag that ends just
// before tagEnd (the position after its ">"):
//   1. white space is skipped; the name runs up to white space, "=", ">" or "/";
//   2. white space, one "=" if there is one, and white space are skipped;
//   3. a value that begins with ' or " runs to the next byte equal to that
//      quote, which is then skipped; otherwise it runs up to white space, ">"
//      or "/" (so it may be empty);
//   4. white space after it is skipped.
// *name and *value get the attribute-name and attribute-value buffers (names
// cut at 8191 bytes, values at 65535; values raw, references as written; both
// valid until the next call). Returns tagEnd when the byte now is "/" or ">",
// else the position where the next attribute begins. Never reads at or past
// tagEnd; with position at or past it, both texts are empty and tagEnd is
// returned.
const char* XmlReadAttribute(const char* position, const char* tagEnd, const char** name,
                             const char** value);
