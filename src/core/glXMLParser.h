// glXMLParser: reads the engine's XML documents into trees and answers xml://
// path, name, text and attribute queries on them.
// The reader is small and forgiving: it takes the subset of XML the data files
// use, keeps element text raw (script code with "<" comparisons survives), and
// splices `include` files into the including document. Malformed markup is not
// rejected. There is no writer, no entity decoding and no validation.
// Main thread only: the path scratch buffer and the search state are module-level.
#pragma once

#include "core/tree.h"

// Payload of every element node of a document (the root node has none).
struct xml_node {
    char *name;          // element name (tracked, owned)
    char *element;       // raw text, zero-terminated, or null (tracked, owned)
    int elementSize;     // length of element; 0 when there is none
    _treeNode *attrList; // list head; children carry xml_attribute payloads
};

struct xml_attribute {
    char *name;  // owned
    char *data;  // owned; null for an attribute written without "=" (reads as "TRUE")
};

// Called by glParseXML_getNodesFromURL for every matching element.
typedef void (*xmlSearchFunc)(_treeNode *node);

// Longest file name the reader opens (longer names are cut) and longest
// xml:// path it resolves (longer paths are cut).
enum { kXMLMaxFileName = 1023, kXMLMaxPath = 255 };
// Deepest chain of nested includes; a deeper include is skipped.
enum { kXMLMaxIncludeDepth = 32 };

// Reads the whole file (raw bytes) and parses it. Null for a missing file
// (no message: the caller reports), a short read (logged) or a bad prolog.
_treeNode *glParseXML_createFromFile(const char *fileName);

// Checks the prolog line, then parses the rest. Null without a prolog.
// The text is not kept: the tree holds copies.
_treeNode *glParseXML_createFromData(char *text);

// Releases the strings of the node and of all its descendants, then unlinks
// the node from its parent (or, for a root, frees the whole tree).
void glParseXML_removeTree(_treeNode *node);
// Changes whenever a tree or subtree is removed: an element read before is
// the same element only while this stays the same.
uint32_t glParseXML_removalCount(void);

// Resolves an xml:// path relative to `start`. A path that does not begin
// with "xml://", or is exactly "xml://", gives `start` itself. Segments:
// "%Sibling" (next sibling), name, name<n> (n-th such child, from 1), either
// followed by ":text" (only children whose raw text is exactly that count).
// An index stays in force for later segments until another is given.
_treeNode *glParseXML_getNodeFromURL(_treeNode *start, const char *path);

// Indexed form: every segment but the last is matched with index 1; the last
// uses the most recent index written in the path, or else `index`.
_treeNode *glParseXML_getNodeFromURL(_treeNode *start, int index, const char *path);

// Resolves the path, then calls `callback` for every element below the
// resolved node, in document order, named `elementName` and, when `textFilter`
// is non-empty, whose raw text equals it. Returns the resolved node or null.
_treeNode *glParseXML_getNodesFromURL(_treeNode *start, const char *path, const char *elementName,
                                      const char *textFilter, xmlSearchFunc callback);

// Number of direct children named `name` (0 for a null node or name).
int glParseXML_countChildrenOfType(_treeNode *node, const char *name);

// The element name, or null for a null node or one without payload.
const char *glParseXML_getName(_treeNode *node);

// Stores the raw text and its length (null and 0 when there is none).
// Returns the node, or null for a null node.
_treeNode *glParseXML_getElement(_treeNode *node, const char **text, int *size);

// Value of the first attribute named `name` (case-sensitive); "TRUE" for an
// attribute written without a value; null when absent.
const char *glParseXML_getAttribute(_treeNode *node, const char *name);
const char *glParseXML_getAttribute(xml_node *node, const char *name);

// --- Steps of the reader, usable on their own (they never modify the text) ---

// Start of the text after the prolog line, or null when the first line
// (trimmed of spaces and tabs) does not begin with "<?xml".
const char *glParseXML_verifyXMLProlog(const char *data);

// Narrows [*begin, *end) past leading and trailing spaces and tabs.
void glParseXML_trimWhiteSpace(const char **begin, const char **end);

// Narrows [*begin, *end) past leading and trailing " and ' characters.
void glParseXML_trimQuotes(const char **begin, const char **end);

// The line at `data` ends at *lineEnd (first CR or LF, or the end); returns
// the start of the next line (after the whole run of CR/LF).
const char *glParseXML_getLineFromData(const char *data, const char **lineEnd);

// `data` points at "<!--"; returns the position after the comment's ">".
const char *glParseXML_skipCommentTag(const char *data);

// `data` is just after an opening tag. Content that begins (after white space)
// with "<" is markup and nothing is skipped; otherwise it is text and the
// result is the first "</" after it (or the end).
const char *glParseXML_skipCurrentElement(const char *data);

// Parses a tag starting just after its "<" into `node` (name and a fresh
// attribute list, all owned by `node`); *next receives where scanning
// resumes. Returns 1 when the tag is self-closing.
int glParseXML_parseTagFromData(const char *data, xml_node *node, const char **next);

// Scans the markup of `data` (the text after the prolog) into `root`'s children.
void glParseXML_processXMLFromData(_treeNode *root, const char *data);
