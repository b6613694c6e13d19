// The shell's part of the settings file: where the file is found under the
// installation folder, the language of the texts, the work area, and the
// texts of the chosen message catalogue.
//
// Window-free: the dialog calls these and shows what they return. Texts are
// returned as pointers into the settings document, exactly as it stores them
// (ISO-8859-1, references not decoded), and live as long as the document.
// Parsing the file is the XML library's, the barcode models are
// circulation/barcode_settings.h's.
#pragma once

#include "Qvxml/xmldoc.h"
#include "Qvxml/xmlparser.h"

#include <cstddef>
#include <string>

// Size of the buffer that holds the settings file's path, NUL included: a
// path of more than kSettingsPathSize - 1 characters does not fit.
constexpr std::size_t kSettingsPathSize = 512;

// The folder `name` of the installation: installPath, the separator, name and
// the separator again ("/opt/quorvel/Admin/"). installPath is taken verbatim,
// so a trailing separator is doubled and passed on as it is.
std::string InstallSubdir(const std::string& installPath, const char* name);

// The settings file in the folder adminFolder (which ends with its
// separator): adminFolder followed by "quorvp.xml". Returns true with the
// path in *path when it fits kSettingsPathSize; false, with the full
// (unfitting) path in *path, when it does not: such a path is never opened,
// because cutting it short could name another file.
bool SettingsFilePath(const std::string& adminFolder, std::string* path);

// The message shown when the settings file at path cannot be opened (or its
// path does not fit): "File not found\n" and the path.
std::string SettingsMissingText(const std::string& path);

// The message shown when the settings file at path opened but gave no
// document (report from XmlParserFileReport): the path, where reading stopped
// and why, and the hint to run quorvcheck on the file.
std::string SettingsUnreadableText(const std::string& path, const XmlParseReport& report);

// The start-up warning for a settings document that the reader took only in
// part, or that names no work area; the empty text for a sound file. A file
// was taken in part when a token was dropped (the first one is named, with
// its line and column), it ended inside a token, or an element was still
// open at its end. With no "workarea" value the day's operations cannot be
// recorded, and the warning says so.
std::string SettingsWarningText(const std::string& path, XmlDoc* doc, const XmlParseReport& report);

// The "value" of the root's "lang" / "workarea" element (the root itself when
// so named, else its first child of that name); the empty text when the
// element or the attribute is absent, or root is null.
const char* SettingsLanguage(XmlNode* root);
const char* SettingsWorkArea(XmlNode* root);

// The catalogue candidates: the root itself when it is named "messages" (then
// it is the only candidate), else the root's child elements of that name, in
// document order. FirstCatalogue gives the first (null when there is none or
// root is null), NextCatalogue the one after candidate (null after the last).
XmlNode* FirstCatalogue(XmlNode* root);
XmlNode* NextCatalogue(XmlNode* root, XmlNode* candidate);

// The language of a catalogue: its raw "xml:lang" value, "" when absent.
const char* CatalogueLanguage(XmlNode* catalogue);

// The catalogue for language: the first candidate whose "xml:lang" (absent
// counting as "") equals language byte for byte, case included. Null when
// none does or root is null; a null language counts as "".
XmlNode* ChooseCatalogue(XmlNode* root, const char* language);

// The "text" of the first element below messages (depth first, in document
// order, messages itself not counted) whose "ID" equals key; null when
// messages is null, no element has that key, or it has no text.
const char* CatalogueText(XmlNode* messages, const char* key);

// text, or the empty text in place of null: how every caller shows a text
// that the catalogue lacks.
inline const char* TextOrEmpty(const char* text) {
    return text != nullptr ? text : "";
}
