// glXMLParser: xml:// path resolution, the subtree search and the name, text and
// attribute queries (see glXMLParser.h). Reading and release live in glXMLParser.cpp.
// Paths are resolved in a module-level scratch buffer; the search keeps its
// criteria module-level too. Neither modifies the document.
#include "core/glXMLParser.h"

#include <climits>
#include <cstdio>
#include <cstring>

// The path being resolved, cut to kXMLMaxPath characters.
static char pathScratch[kXMLMaxPath + 1];

// What the running subtree search looks for.
struct private_searchState {
    const char *name;
    const char *filter;  // null: no text filter
    size_t filterLength;
    xmlSearchFunc callback;
};
static private_searchState search = {nullptr, nullptr, 0, nullptr};

static const char kURLPrefix[] = "xml://";
static const size_t kURLPrefixLength = sizeof kURLPrefix - 1;

// One path segment, pointing into the scratch buffer.
struct private_segment {
    bool sibling;  // "%Sibling"
    const char *name;
    size_t nameLength;
    bool hasIndex;
    int index;
    bool hasText;
    const char *text;
    size_t textLength;
};

static xml_node *private_record(_treeNode *node)
{
    return node ? (xml_node *)node->data : nullptr;
}

static bool private_textEquals(const xml_node *rec, const char *text, size_t length)
{
    if ((size_t)rec->elementSize != length)
        return false;
    return length == 0 || memcmp(rec->element, text, length) == 0;
}

static bool private_nameEquals(const xml_node *rec, const char *name, size_t length)
{
    return rec->name && strlen(rec->name) == length && memcmp(rec->name, name, length) == 0;
}

// Digits after "<", saturating instead of overflowing; a sign is allowed.
static int private_parseIndex(const char *p, const char *end, const char **after)
{
    bool negative = false;
    if (p < end && (*p == '-' || *p == '+'))
        negative = *p++ == '-';
    long long value = 0;
    while (p < end && *p >= '0' && *p <= '9') {
        if (value < INT_MAX)
            value = value * 10 + (*p - '0');
        p++;
    }
    if (value > INT_MAX)
        value = INT_MAX;
    *after = p;
    return negative ? -(int)value : (int)value;
}

// Splits [begin, end) into name, optional <index> and optional :text.
static private_segment private_parseSegment(const char *begin, const char *end)
{
    private_segment seg = {};
    static const char kSibling[] = "%Sibling";
    if ((size_t)(end - begin) == sizeof kSibling - 1 && memcmp(begin, kSibling, sizeof kSibling - 1) == 0) {
        seg.sibling = true;
        return seg;
    }
    const char *p = begin;
    while (p < end && *p != '<' && *p != ':')
        p++;
    seg.name = begin;
    seg.nameLength = (size_t)(p - begin);
    if (p < end && *p == '<') {
        seg.hasIndex = true;
        seg.index = private_parseIndex(p + 1, end, &p);
        while (p < end && *p != '>' && *p != ':')
            p++;
        if (p < end && *p == '>')
            p++;
    }
    if (p < end && *p == ':') {
        seg.hasText = true;
        seg.text = p + 1;
        seg.textLength = (size_t)(end - seg.text);
    }
    return seg;
}

// The next segment at or after *cursor (empty ones are skipped); false at the end.
static bool private_nextSegment(const char **cursor, private_segment *seg)
{
    const char *p = *cursor;
    while (*p == '/')
        p++;
    if (!*p)
        return false;
    const char *end = p;
    while (*end && *end != '/')
        end++;
    *seg = private_parseSegment(p, end);
    *cursor = end;
    return true;
}

// The index-th child (from 1; below 1 counts as 1) matching the segment.
static _treeNode *private_getChildOfNode(_treeNode *node, const private_segment *seg, int index)
{
    if (index < 1)
        index = 1;
    for (_treeNode *child = node->child; child; child = child->sibling) {
        xml_node *rec = private_record(child);
        if (!rec || !private_nameEquals(rec, seg->name, seg->nameLength))
            continue;
        if (seg->hasText && !private_textEquals(rec, seg->text, seg->textLength))
            continue;
        if (--index == 0)
            return child;
    }
    return nullptr;
}

static _treeNode *private_resolve(_treeNode *start, const char *path, bool indexedForm, int defaultIndex)
{
    if (!start || !path)
        return nullptr;
    if (strncmp(path, kURLPrefix, kURLPrefixLength) != 0 || path[kURLPrefixLength] == '\0')
        return start;
    size_t length = strnlen(path, kXMLMaxPath);  // cut as the scratch buffer holds it
    memcpy(pathScratch, path, length);
    pathScratch[length] = '\0';
    const char *segments = pathScratch + kURLPrefixLength;

    // The indexed form applies the last index written anywhere to the last segment only.
    int lastIndex = defaultIndex;
    int segmentCount = 0;
    private_segment seg;
    if (indexedForm) {
        for (const char *cursor = segments; private_nextSegment(&cursor, &seg);) {
            segmentCount++;
            if (seg.hasIndex)
                lastIndex = seg.index;
        }
    }

    _treeNode *node = start;
    int index = 1;
    int position = 0;
    for (const char *cursor = segments; private_nextSegment(&cursor, &seg);) {
        position++;
        if (seg.sibling) {
            node = node->sibling;
        } else {
            int use;
            if (indexedForm) {
                use = position == segmentCount ? lastIndex : 1;
            } else {
                if (seg.hasIndex)
                    index = seg.index;
                use = index;
            }
            node = private_getChildOfNode(node, &seg, use);
        }
        if (!node)
            return nullptr;
    }
    return node;
}

_treeNode *glParseXML_getNodeFromURL(_treeNode *start, const char *path)
{
    return private_resolve(start, path, false, 1);
}

_treeNode *glParseXML_getNodeFromURL(_treeNode *start, int index, const char *path)
{
    return private_resolve(start, path, true, index);
}

static void private_searchForNode(_treeNode *node, int depth)
{
    if (depth <= 0)  // the walk's second arrival, on the way back up
        return;
    xml_node *rec = private_record(node);
    if (!rec || !rec->name || strcmp(rec->name, search.name) != 0)
        return;
    if (search.filter && !private_textEquals(rec, search.filter, search.filterLength))
        return;
    search.callback(node);
}

_treeNode *glParseXML_getNodesFromURL(_treeNode *start, const char *path, const char *elementName,
                                      const char *textFilter, xmlSearchFunc callback)
{
    _treeNode *node = private_resolve(start, path, false, 1);
    if (!node || !elementName || !callback)
        return node;
    // Saved and restored so that a callback that searches again does no harm.
    private_searchState saved = search;
    search.name = elementName;
    search.filter = textFilter && *textFilter ? textFilter : nullptr;
    search.filterLength = search.filter ? strlen(search.filter) : 0;
    search.callback = callback;
    seq_mapSubtree_DFSforXML(node, private_searchForNode, 1);
    search = saved;
    return node;
}

int glParseXML_countChildrenOfType(_treeNode *node, const char *name)
{
    if (!node || !name)
        return 0;
    int count = 0;
    for (_treeNode *child = node->child; child; child = child->sibling) {
        xml_node *rec = private_record(child);
        if (rec && rec->name && strcmp(rec->name, name) == 0)
            count++;
    }
    return count;
}

const char *glParseXML_getName(_treeNode *node)
{
    xml_node *rec = private_record(node);
    return rec ? rec->name : nullptr;
}

_treeNode *glParseXML_getElement(_treeNode *node, const char **text, int *size)
{
    xml_node *rec = private_record(node);
    if (text)
        *text = rec ? rec->element : nullptr;
    if (size)
        *size = rec && rec->element ? rec->elementSize : 0;
    return node;
}

const char *glParseXML_getAttribute(xml_node *node, const char *name)
{
    if (!node || !name || !node->attrList)
        return nullptr;
    for (_treeNode *item = node->attrList->child; item; item = item->sibling) {
        xml_attribute *attr = (xml_attribute *)item->data;
        if (attr && attr->name && strcmp(attr->name, name) == 0)
            return attr->data ? attr->data : "TRUE";
    }
    return nullptr;
}

const char *glParseXML_getAttribute(_treeNode *node, const char *name)
{
    return glParseXML_getAttribute(private_record(node), name);
}
