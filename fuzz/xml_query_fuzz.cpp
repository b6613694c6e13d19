// Every reader of the document tree over a fuzzed document: what the element
// and ID searches find lies in their scope and has the name or ID asked for,
// bounded text gathering and decoding give a prefix of the unbounded result
// within their room, typed values of every type keep to their limits and
// rooms, and the document's barcode models give matches in range.
//
// Input: four bytes of minimum, four of maximum, then the document up to the
// first NUL, then barcodes separated by NULs.
#include "fuzz_support.h"

#include "circulation/barcode_settings.h"

#include <algorithm>
#include <climits>
#include <cstring>

namespace {

// Whether node is start or reached from it through parents (below) or
// previous siblings.
bool Reaches(const XmlNode* node, const XmlNode* start, bool below) {
    for (const XmlNode* p = node; p != nullptr; p = below ? p->parent : p->previousSibling) {
        if (p == start) {
            return true;
        }
    }
    return false;
}

void CheckFind(XmlNode* start, const char* name) {
    for (int scope : {XML_SCOPE_SELF, XML_SCOPE_SUBTREE, XML_SCOPE_CHILDREN, XML_SCOPE_FOLLOWING}) {
        const XmlNode* found = XmlFindElement(start, name, scope);
        FUZZ_CHECK(found == nullptr ||
                       (found->kind == XML_NODE_ELEMENT && std::strcmp(found->name, name) == 0 &&
                        (found == start ||
                         (scope == XML_SCOPE_CHILDREN ? found->parent == start
                          : scope == XML_SCOPE_FOLLOWING
                              ? Reaches(found, start, false)
                              : scope != XML_SCOPE_SELF && Reaches(found, start, true)))),
                   "found another name or outside the scope " + std::to_string(scope));
    }
}

// The bounded text is a prefix of the whole one and fits its room.
void CheckBounded(const std::string& whole, const char* bounded, const char* end, int size) {
    const std::size_t n = static_cast<std::size_t>(end - bounded);
    FUZZ_CHECK(n == std::strlen(bounded) && (size <= 0 || n < static_cast<std::size_t>(size)) &&
                   whole.compare(0, n, bounded) == 0,
               "bounded text misplaced, too long or not a prefix");
}

void CheckTexts(XmlNode* node, std::size_t documentSize, int size) {
    std::vector<char> whole(documentSize + 1);
    const std::string gathered(whole.data(), XmlGatherText(node, whole.data()));
    std::vector<char> room(static_cast<std::size_t>(std::max(size, 1)));
    CheckBounded(gathered, room.data(), XmlGatherTextN(node, room.data(), size), size);
    for (XmlNode* a = node->firstAttribute; a != nullptr; a = a->nextSibling) {
        std::string decoded(a->value != nullptr ? a->value : "");
        decoded.resize(static_cast<std::size_t>(XmlDecodeEntities(decoded.data(), decoded.data()) -
                                                decoded.data()));
        CheckBounded(decoded, room.data(), XmlDecodeEntitiesN(a->value, room.data(), size), size);
    }
}

// Every result type, texts into a room of exactly the size the contract allows.
void CheckValues(XmlNode* start, const char* attribute, long minimum, long maximum,
                 std::size_t documentSize) {
    std::vector<char> text(
        (maximum > 0 ? std::min<std::size_t>(std::size_t(maximum), documentSize) : documentSize) +
        1);
    XmlGetValue(start, start->name, attribute, XML_VALUE_TEXT, minimum, maximum, text.data());
    FUZZ_CHECK(std::memchr(text.data(), '\0', text.size()) != nullptr, "text not terminated");
    char* copy = nullptr;
    if (XmlGetValue(start, start->name, attribute, XML_VALUE_NEW_TEXT, minimum, maximum, &copy)) {
        FUZZ_CHECK(copy[0] != '\0' && (maximum <= 0 || std::strlen(copy) <= std::size_t(maximum)),
                   "new text empty or longer than its maximum");
    }
    std::free(copy);
    // The limits were read as 32-bit numbers: only the short ones need clamping.
    std::int32_t number = static_cast<std::int32_t>(minimum);
    std::int16_t little =
        static_cast<std::int16_t>(std::clamp<long>(minimum, INT16_MIN, INT16_MAX));
    XmlGetValue(start, start->name, attribute, XML_VALUE_LONG, minimum, maximum, &number);
    XmlGetValue(start, start->name, attribute, XML_VALUE_SHORT, minimum, maximum, &little);
    FUZZ_CHECK(minimum > maximum || (number >= minimum && number <= maximum &&
                                     little >= std::clamp<long>(minimum, INT16_MIN, INT16_MAX) &&
                                     little <= std::clamp<long>(maximum, INT16_MIN, INT16_MAX)),
               "number outside its limits");
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    FuzzBytes in(data, size);
    const long minimum = in.Int(), maximum = in.Int();
    const std::string text = in.Until('\0');
    DocPtr doc = Parse(text);
    const std::vector<XmlNode*> nodes = TreeNodes(doc.get());
    // Names, attributes and IDs of the document's first nodes, and start
    // nodes spread over it: every shape of tree, quick on a large document.
    std::vector<const char*> names = {"", "nl", "mbarcode"};
    std::vector<const char*> attributes = {"", "ID", "text", "value"};
    for (std::size_t i = 0; i < nodes.size() && names.size() < 12; ++i) {
        names.push_back(nodes[i]->name);
        for (XmlNode* a = nodes[i]->firstAttribute; a != nullptr; a = a->nextSibling) {
            attributes.push_back(a->name);
            names.push_back(a->value);
        }
    }
    attributes.resize(std::min<std::size_t>(attributes.size(), 12));
    const int room = static_cast<int>(std::clamp<long>(maximum, -1, 1 << 16));
    for (std::size_t i = 0; i < nodes.size() && i < 200; i += 1 + i / 8) {
        XmlNode* start = nodes[i];
        for (const char* name : names) {
            CheckFind(start, name);
            XmlNode* found = XmlFindById(start, name);
            FUZZ_CHECK(found == nullptr || (found != start && Reaches(found, start, true) &&
                                            std::strcmp(XmlGetAttribute(found, "ID"), name) == 0),
                       "found by ID");
        }
        CheckTexts(start, text.size(), room);
        for (const char* attribute : attributes) {
            CheckValues(start, attribute, minimum, maximum, text.size());
        }
    }
    ReleaseBarcodeModels();
    FUZZ_CHECK(LoadBarcodeModels(doc.get()) == (g_barcodeModels != nullptr ? 1 : 0), "load");
    while (!in.rest.empty()) {
        std::int32_t value = 0;
        char kind = '?';
        auto captured = std::make_unique<char[]>(BARCODE_CAPTURE_SIZE);
        const int result = MatchBarcode(in.Until('\0', 300).c_str(), &value, &kind, captured.get());
        FUZZ_CHECK(result >= BARCODE_OK && result <= BARCODE_BAD_CHECK, "match result");
    }
    ReleaseBarcodeModels();
    return 0;
}
