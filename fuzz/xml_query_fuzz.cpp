// Every reader of the document tree over a fuzzed document: the element
// search in each scope, the search by ID, attributes, text gathering and
// reference decoding (bounded and unbounded agree), the typed value reader
// in every result type with fuzzed limits, and the barcode models of the
// document tried on fuzzed barcodes.
//
// Input: four bytes of minimum, four of maximum, then the document up to the
// first NUL, then barcodes separated by NULs.
#include "fuzz_support.h"

#include "circulation/barcode.h"
#include "circulation/barcode_settings.h"

#include <algorithm>
#include <climits>
#include <cstring>
#include <set>

namespace {

// Start nodes and names tried per document: enough to reach every shape of
// tree, few enough that a large document stays quick.
constexpr std::size_t kStarts = 24;
constexpr std::size_t kNames = 12;

bool IsBelow(const XmlNode* node, const XmlNode* ancestor) {
    for (const XmlNode* p = node->parent; p != nullptr; p = p->parent) {
        if (p == ancestor) {
            return true;
        }
    }
    return false;
}

bool IsFollowing(const XmlNode* node, const XmlNode* start) {
    for (const XmlNode* s = start->nextSibling; s != nullptr; s = s->nextSibling) {
        if (s == node) {
            return true;
        }
    }
    return false;
}

void CheckFind(XmlNode* start, const char* name) {
    const int scopes[] = {
        XML_SCOPE_SELF, XML_SCOPE_SUBTREE, XML_SCOPE_CHILDREN, XML_SCOPE_FOLLOWING, 7, -1};
    for (int scope : scopes) {
        XmlNode* found = XmlFindElement(start, name, scope);
        if (found == nullptr) {
            FUZZ_CHECK(start == nullptr || name == nullptr || start->kind != XML_NODE_ELEMENT ||
                           std::strcmp(start->name, name) != 0,
                       "a start node with the name is not found");
            continue;
        }
        FUZZ_CHECK(found->kind == XML_NODE_ELEMENT && std::strcmp(found->name, name) == 0,
                   "found an element of another name");
        const bool inScope =
            found == start || (scope == XML_SCOPE_CHILDREN    ? found->parent == start
                               : scope == XML_SCOPE_FOLLOWING ? IsFollowing(found, start)
                               : scope == XML_SCOPE_SELF      ? false
                                                              : IsBelow(found, start));
        FUZZ_CHECK(inScope, "found outside the scope " + std::to_string(scope));
    }
}

// Bounded and unbounded decoding and gathering agree: the bounded text is a
// prefix of the whole one and fits its room.
void CheckBounded(const std::string& whole, const char* bounded, const char* end, int size) {
    const std::size_t n = static_cast<std::size_t>(end - bounded);
    FUZZ_CHECK(n == std::strlen(bounded), "terminator misplaced");
    FUZZ_CHECK(size <= 0 || n <= static_cast<std::size_t>(size - 1), "bounded text too long");
    FUZZ_CHECK(whole.compare(0, n, bounded) == 0, "bounded text is not a prefix");
}

void CheckTexts(XmlNode* node, std::size_t documentSize, int size) {
    std::vector<char> whole(documentSize + 1);
    const char* end = XmlGatherText(node, whole.data());
    FUZZ_CHECK(end >= whole.data() && end < whole.data() + whole.size(), "gathered too much");
    const std::string gathered(whole.data(), static_cast<std::size_t>(end - whole.data()));
    std::vector<char> room(static_cast<std::size_t>(std::max(size, 1)));
    CheckBounded(gathered, room.data(), XmlGatherTextN(node, room.data(), size), size);
    for (XmlNode* a = node->firstAttribute; a != nullptr; a = a->nextSibling) {
        std::string decoded(a->value != nullptr ? a->value : "");
        const char* stop = XmlDecodeEntities(decoded.data(), decoded.data());
        FUZZ_CHECK(stop <= decoded.data() + decoded.size(), "decoding grew the text");
        decoded.resize(static_cast<std::size_t>(stop - decoded.data()));
        CheckBounded(decoded, room.data(), XmlDecodeEntitiesN(a->value, room.data(), size), size);
    }
}

void CheckValues(XmlNode* start, const char* element, const char* attribute, long minimum,
                 long maximum, std::size_t documentSize) {
    for (int scope : {XML_SCOPE_SELF, XML_SCOPE_SUBTREE, XML_SCOPE_CHILDREN}) {
        // An exact room, so that writing past what the contract allows is caught.
        std::vector<char> text((maximum > 0
                                    ? std::min<std::size_t>(std::size_t(maximum), documentSize)
                                    : documentSize) +
                               1);
        XmlReadValue(start, element, attribute, XML_VALUE_TEXT, minimum, maximum, scope,
                     text.data());
        FUZZ_CHECK(std::memchr(text.data(), '\0', text.size()) != nullptr, "text not terminated");
        char* copy = nullptr;
        if (XmlReadValue(start, element, attribute, XML_VALUE_NEW_TEXT, minimum, maximum, scope,
                         &copy) == 1) {
            FUZZ_CHECK(copy != nullptr && copy[0] != '\0' &&
                           (maximum <= 0 || std::strlen(copy) <= std::size_t(maximum)),
                       "new text empty or longer than its maximum");
        }
        std::free(copy);
        std::int32_t number = std::clamp<long>(minimum, INT32_MIN, INT32_MAX);
        std::int16_t little = std::clamp<long>(minimum, INT16_MIN, INT16_MAX);
        XmlReadValue(start, element, attribute, XML_VALUE_LONG, minimum, maximum, scope, &number);
        XmlReadValue(start, element, attribute, XML_VALUE_SHORT, minimum, maximum, scope, &little);
        FUZZ_CHECK(minimum > maximum ||
                       (number >= std::clamp<long>(minimum, INT32_MIN, INT32_MAX) &&
                        number <= std::clamp<long>(maximum, INT32_MIN, INT32_MAX) &&
                        little >= std::clamp<long>(minimum, INT16_MIN, INT16_MAX) &&
                        little <= std::clamp<long>(maximum, INT16_MIN, INT16_MAX)),
                   "number outside its limits");
    }
}

void CheckBarcodes(XmlDoc* doc, FuzzBytes& in) {
    std::set<char> kinds = {'L', 'C', 'X'};
    ReleaseBarcodeModels();
    FUZZ_CHECK(LoadBarcodeModels(doc) == (g_barcodeModels != nullptr ? 1 : 0), "load result");
    for (const BarcodeModel* m = g_barcodeModels; m != nullptr; m = m->next) {
        FUZZ_CHECK(std::strlen(m->pattern) <= 50 && m->pattern[0] != '\0', "pattern length");
        FUZZ_CHECK(m->checkMethod >= 1 && m->checkMethod <= 9999, "check method");
        kinds.insert(m->kind);
    }
    while (!in.Empty()) {
        std::int32_t value = 0;
        char kind = '?';
        auto captured = std::make_unique<char[]>(BARCODE_CAPTURE_SIZE);
        const int result = MatchBarcode(in.Until('\0', 300).c_str(), &value, &kind, captured.get());
        FUZZ_CHECK(result >= BARCODE_OK && result <= BARCODE_BAD_CHECK, "match result");
        FUZZ_CHECK(kind == '?' || kinds.count(kind) == 1, "kind " + std::string(1, kind));
    }
    ReleaseBarcodeModels();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    FuzzBytes in(data, size);
    const auto minimum = static_cast<long>(static_cast<std::int32_t>(in.Word()));
    const auto maximum = static_cast<long>(static_cast<std::int32_t>(in.Word()));
    const std::string text = in.Until('\0');
    DocPtr doc = Parse(text);
    const std::vector<XmlNode*> nodes = TreeNodes(doc.get());

    std::vector<const char*> names = {nullptr, "", "nl", "mbarcode", "messages"};
    std::vector<const char*> attributes = {nullptr, "", "ID", "text", "html", "value"};
    std::vector<const char*> ids = {nullptr, ""};
    for (XmlNode* n : nodes) {
        if (n->kind == XML_NODE_ELEMENT && names.size() < kNames) {
            names.push_back(n->name);
        }
        for (XmlNode* a = n->firstAttribute; a != nullptr && ids.size() < kNames;
             a = a->nextSibling) {
            attributes.push_back(a->name);
            ids.push_back(a->value);
        }
    }
    attributes.resize(std::min(attributes.size(), kNames));

    std::vector<XmlNode*> starts = {nullptr, XmlGetRootElement(doc.get())};
    for (std::size_t i = 0; i < nodes.size() && starts.size() < kStarts; i += 1 + i / 8) {
        starts.push_back(nodes[i]);
    }
    const int room = static_cast<int>(std::clamp<long>(maximum, -1, 1 << 16));
    for (XmlNode* start : starts) {
        for (const char* name : names) {
            CheckFind(start, name);
        }
        for (const char* id : ids) {
            XmlNode* found = XmlFindById(start, id);
            FUZZ_CHECK(found == nullptr || (IsBelow(found, start) &&
                                            std::strcmp(XmlGetAttribute(found, "ID"), id) == 0),
                       "found by ID");
        }
        if (start == nullptr) {
            continue;
        }
        CheckTexts(start, text.size(), room);
        for (const char* attribute : attributes) {
            XmlGetAttribute(start, attribute);
            CheckValues(start, start->name, attribute, minimum, maximum, text.size());
            CheckValues(start, names.back(), attribute, minimum, maximum, text.size());
        }
    }
    CheckBarcodes(doc.get(), in);
    return 0;
}
