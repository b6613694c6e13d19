// The message catalogue of a settings document as the desk client picks it:
// which "messages" element serves the configured language, and the keys whose
// texts the client shows. Window-free; reading the document is the XML
// library's business.
#pragma once

#include "Qvxml/xmldoc.h"

// One text the client shows: its key and, in plain words, where it appears.
struct CatalogueKey {
    const char* key;
    const char* where;
};

// Every key the client looks up, in the order an administrator reads them.
extern const CatalogueKey kCatalogueKeys[];
extern const int kCatalogueKeyCount;

// The first catalogue candidate: the root itself when it is named "messages"
// (then it is the only candidate), else the root's first child element of
// that name; null when there is none or root is null.
XmlNode* FirstCatalogue(XmlNode* root);

// The candidate after candidate: the next following sibling element named
// "messages"; null after the last, and always null when candidate is root
// (a root named "messages" is the only candidate).
XmlNode* NextCatalogue(XmlNode* root, XmlNode* candidate);

// The language of a catalogue: its raw "xml:lang" value, "" when absent.
const char* CatalogueLanguage(XmlNode* catalogue);

// The catalogue the client uses for lang: the first candidate, in document
// order, whose "xml:lang" (absent counting as "") equals lang byte for byte,
// case included. Null when none does, or for a null root. A null lang counts
// as "".
XmlNode* ChooseCatalogue(XmlNode* root, const char* lang);

// The text the client shows for key from catalogue: the "text" attribute
// (raw, references undecoded) of the first descendant whose "ID" is key.
// Null when catalogue is null, no element has that ID, or it has no text;
// the client then shows the empty text.
const char* CatalogueText(XmlNode* catalogue, const char* key);
