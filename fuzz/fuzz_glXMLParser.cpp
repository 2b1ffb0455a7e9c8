// Fuzz target for the XML reader: arbitrary bytes become a document (the text
// before the first zero byte; the bytes after it, if any, are one more xml://
// path to resolve). Paths are also built from the names and texts the document
// itself holds, so that resolution and the subtree search reach real matches.
// Every document is removed again and tracked memory must return to its start.
// Run it from the tests/ folder: the seed documents name their includes
// relative to it ("core/xml/...").
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "core/glMemory.h"
#include "core/glXMLParser.h"

static int visits = 0;

static void countVisit(_treeNode *node)
{
    // Touch what a caller would read.
    const char *text;
    int size;
    glParseXML_getElement(node, &text, &size);
    if (text && (int)strlen(text) != size)
        abort();
    visits++;
}

static std::string nameOf(_treeNode *node)
{
    const char *name = glParseXML_getName(node);
    return name ? name : "";
}

static void queryNode(_treeNode *node)
{
    if (!node)
        return;
    xml_node *rec = (xml_node *)node->data;
    if (rec && rec->attrList && rec->attrList->child) {
        xml_attribute *first = (xml_attribute *)rec->attrList->child->data;
        if (!glParseXML_getAttribute(node, first->name))
            abort();  // the first attribute must always be found by its own name
    }
    glParseXML_countChildrenOfType(node, nameOf(node->child).c_str());
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    uint32_t start = glAllocated();
    std::string text((const char *)data, size);
    std::string extraPath;
    size_t zero = text.find('\0');
    if (zero != std::string::npos)
        extraPath = text.substr(zero + 1);

    _treeNode *doc = glParseXML_createFromData(&text[0]);
    if (!doc)
        return 0;

    _treeNode *top = doc->child;
    _treeNode *inner = top ? top->child : nullptr;
    std::string a = nameOf(top), b = nameOf(inner);
    const char *innerText = nullptr;
    int innerSize = 0;
    glParseXML_getElement(inner, &innerText, &innerSize);

    std::string paths[] = {
        "xml://",
        "xml://" + a,
        "xml://" + a + "/" + b,
        "xml://" + a + "<2>/" + b,
        "xml://" + a + "/" + b + "<3>/%Sibling",
        "xml://%Sibling/" + a + "<0>",
        "xml://" + a + "/" + b + ":" + (innerText ? innerText : ""),
        extraPath.c_str(),
    };
    for (const std::string &path : paths) {
        queryNode(glParseXML_getNodeFromURL(doc, path.c_str()));
        queryNode(glParseXML_getNodeFromURL(doc, 2, path.c_str()));
        glParseXML_getNodesFromURL(doc, path.c_str(), b.c_str(), innerText, countVisit);
        glParseXML_getNodesFromURL(doc, path.c_str(), a.c_str(), "", countVisit);
    }

    // Remove a subtree first, then the rest; every byte must come back.
    if (inner)
        glParseXML_removeTree(inner);
    glParseXML_removeTree(doc);
    if (glAllocated() != start) {
        fprintf(stderr, "tracked memory leaked: %u bytes\n", (unsigned)(glAllocated() - start));
        abort();
    }
    return 0;
}
