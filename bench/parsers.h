// The XML parsers that the benchmarks set side by side, each behind the same
// call: parse one file into a tree and free it again.
//
//   ours        XmlParserFile + XmlFreeDoc
//   expat-tree  expat fed in 64 KiB pieces, building a tree of its own: one
//               heap node per element, attribute, text run, comment and CDATA
//               section, names and values copied (white-space-only text runs
//               are dropped, as ours drops them)
//   libxml2     xmlReadFile with no options + xmlFreeDoc
//   pugixml     xml_document::load_file with the default options (which keep
//               no comments and no white-space-only text)
//   floor       no tree: the file read in 65535-byte pieces and every byte
//               classified through a 256-entry table, the least any parser
//               of this file could do
//
// The three competitors link into the benchmark programs only, never into the
// product.
#pragma once

#include <cstddef>
#include <string>

enum BenchParser {
    PARSER_OURS,
    PARSER_EXPAT_TREE,
    PARSER_LIBXML2,
    PARSER_PUGIXML,
    PARSER_FLOOR,
    PARSER_COUNT
};

// "ours", "expat-tree", ...; null outside the range.
const char* BenchParserName(int parser);
// The parser with that name, or -1.
int BenchParserByName(const std::string& name);

// What one parse saw. nodes counts the tree's nodes of every kind (elements,
// attributes, text runs, comments, CDATA sections, processing instructions);
// for the floor it is the number of bytes read.
struct ParseOutcome {
    bool ok;
    std::size_t nodes;
};

// Parses the file at path and frees the tree. With countNodes the tree is
// walked before it is freed (outside the timed loops only).
ParseOutcome BenchParse(int parser, const char* path, bool countNodes);
