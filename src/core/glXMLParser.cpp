// glXMLParser: the forgiving XML reader, include splicing and document release
// (see glXMLParser.h). Path resolution and queries live in glXMLParserPaths.cpp.
// Text is scanned up to its terminating zero byte; nothing here recurses except
// a bounded chain of includes, so deep or long documents cannot exhaust the stack.
#include "core/glXMLParser.h"

#include <climits>
#include <cstdio>
#include <cstring>

#include "core/glMemory.h"

// Names of the files being read right now, outermost first: an include that
// names one of them again would never end.
static const char *openFiles[kXMLMaxIncludeDepth + 1];
static int openFileCount = 0;

static bool private_isSpaceOrTab(char c)
{
    return c == ' ' || c == '\t';
}

// White space for the text-or-markup decision: space, tab, LF, VT, FF, CR.
static bool private_isWhiteSpace(char c)
{
    return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

// Tracked, zero-terminated copy of [begin, begin + length), or null.
static char *private_copyString(const char *begin, size_t length)
{
    char *copy = (char *)glMalloc((uint32_t)length + 1);
    if (copy && length)
        memcpy(copy, begin, length);
    return copy;
}

static void private_freeString(char *s)
{
    if (s)
        glFree(s, (uint32_t)strlen(s) + 1);
}

// Releases what an element record owns (not the record itself).
static void private_destructXMLTreeNode(xml_node *node)
{
    if (!node)
        return;
    private_freeString(node->name);
    if (node->element)
        glFree(node->element, (uint32_t)node->elementSize + 1);
    if (node->attrList) {
        // Free each attribute's strings, then drop it: always the first child.
        while (_treeNode *attr = node->attrList->child) {
            xml_attribute *a = (xml_attribute *)attr->data;
            if (a) {
                private_freeString(a->name);
                private_freeString(a->data);
            }
            removeChild(node->attrList, 0);
        }
        destructTree(node->attrList);
    }
    node->name = nullptr;
    node->element = nullptr;
    node->elementSize = 0;
    node->attrList = nullptr;
}

static void private_releaseVisitor(_treeNode *node, int depth)
{
    if (depth > 0)  // first arrival only
        private_destructXMLTreeNode((xml_node *)node->data);
}

// Counts removals, so that whoever keeps what it read from elements can tell
// when their addresses may have been reused.
static uint32_t removals = 0;

uint32_t glParseXML_removalCount(void) { return removals; }

// Releases the strings of the node and its descendants, then the nodes.
static void private_destructXMLTree(_treeNode *node)
{
    removals++;
    seq_mapSubtree_DFSforXML(node, private_releaseVisitor, 1);
    private_destructXMLTreeNode((xml_node *)node->data);
    _treeNode *parent = node->parent;
    if (parent) {
        removeChild(parent, childIndex(node));
    } else {
        node->sibling = nullptr;  // a root owns no siblings
        destructTree(node);
    }
}

void glParseXML_removeTree(_treeNode *node)
{
    if (node)
        private_destructXMLTree(node);
}

void glParseXML_trimWhiteSpace(const char **begin, const char **end)
{
    while (*begin < *end && private_isSpaceOrTab(**begin))
        (*begin)++;
    while (*end > *begin && private_isSpaceOrTab((*end)[-1]))
        (*end)--;
}

void glParseXML_trimQuotes(const char **begin, const char **end)
{
    while (*begin < *end && (**begin == '"' || **begin == '\''))
        (*begin)++;
    while (*end > *begin && ((*end)[-1] == '"' || (*end)[-1] == '\''))
        (*end)--;
}

const char *glParseXML_getLineFromData(const char *data, const char **lineEnd)
{
    const char *p = data;
    while (*p && *p != '\r' && *p != '\n')
        p++;
    *lineEnd = p;
    while (*p == '\r' || *p == '\n')
        p++;
    return p;
}

const char *glParseXML_verifyXMLProlog(const char *data)
{
    if (!data)
        return nullptr;
    const char *lineEnd;
    const char *rest = glParseXML_getLineFromData(data, &lineEnd);
    const char *begin = data;
    glParseXML_trimWhiteSpace(&begin, &lineEnd);
    if (lineEnd - begin < 5 || strncmp(begin, "<?xml", 5) != 0)
        return nullptr;
    return rest;
}

const char *glParseXML_skipCommentTag(const char *data)
{
    const char *p = data;
    for (int i = 0; i < 4 && *p; i++)  // "<!--"
        p++;
    // The dashes that close a comment need not be adjacent to each other.
    int dashes = 0;
    for (; *p; p++) {
        if (*p == '-')
            dashes++;
        else if (*p == '>' && dashes >= 2)
            return p + 1;
    }
    return p;
}

// Position after the next ">" (or the end).
static const char *private_skipPastClose(const char *p)
{
    while (*p && *p != '>')
        p++;
    return *p ? p + 1 : p;
}

const char *glParseXML_skipCurrentElement(const char *data)
{
    const char *p = data;
    while (private_isWhiteSpace(*p))
        p++;
    if (*p == '<')
        return data;
    const char *close = strstr(data, "</");
    return close ? close : data + strlen(data);
}

// Stores one attribute in `list`; a missing value (no "=") is kept as null.
// An empty name or an empty given value is reported and dropped.
static void private_addAttribute(_treeNode *list, const char *nameBegin, const char *nameEnd,
                                 const char *valueBegin, const char *valueEnd)
{
    glParseXML_trimWhiteSpace(&nameBegin, &nameEnd);
    if (valueBegin) {
        glParseXML_trimWhiteSpace(&valueBegin, &valueEnd);
        glParseXML_trimQuotes(&valueBegin, &valueEnd);
    }
    if (nameBegin == nameEnd || (valueBegin && valueBegin == valueEnd)) {
        fprintf(stderr, "Error: Unable to load a portion of the xml file");
        return;
    }
    xml_attribute attr;
    attr.name = private_copyString(nameBegin, (size_t)(nameEnd - nameBegin));
    attr.data = valueBegin ? private_copyString(valueBegin, (size_t)(valueEnd - valueBegin)) : nullptr;
    bool copied = attr.name && (!valueBegin || attr.data);
    if (!copied || !addChild(list, &attr, sizeof attr)) {
        private_freeString(attr.name);
        private_freeString(attr.data);
    }
}

int glParseXML_parseTagFromData(const char *data, xml_node *node, const char **next)
{
    const char *p = data;
    const char *nameBegin = p;
    while (*p && !private_isSpaceOrTab(*p) && *p != '>' && *p != '/')
        p++;
    const char *nameEnd = p;
    glParseXML_trimWhiteSpace(&nameBegin, &nameEnd);
    node->name = private_copyString(nameBegin, (size_t)(nameEnd - nameBegin));
    node->element = nullptr;
    node->elementSize = 0;
    node->attrList = createTree();

    for (;;) {
        if (*p == '\0') {
            *next = p;
            return 0;
        }
        if (*p == '>') {
            *next = p + 1;
            return 0;
        }
        if (*p == '/') {
            *next = p[1] == '>' ? p + 2 : p + 1;
            return 1;
        }
        if (private_isSpaceOrTab(*p)) {
            p++;
            continue;
        }
        // An attribute name runs to "=" (a line break in it stays part of it).
        const char *attrBegin = p;
        while (*p && *p != '=' && *p != '>' && *p != '/')
            p++;
        const char *attrEnd = p;
        if (*p != '=') {
            private_addAttribute(node->attrList, attrBegin, attrEnd, nullptr, nullptr);
            continue;
        }
        p++;
        const char *valueBegin = p;
        if (*p == '"') {
            p++;
            while (*p && *p != '"')
                p++;
            if (*p == '"')
                p++;
        } else {
            while (*p && !private_isSpaceOrTab(*p) && *p != '>' && *p != '/')
                p++;
        }
        private_addAttribute(node->attrList, attrBegin, attrEnd, valueBegin, p);
    }
}

// Moves every top-level element of `doc` to the end of `parent`'s children
// and frees the emptied root of `doc`.
static void private_spliceDocument(_treeNode *parent, _treeNode *doc)
{
    appendChildren(parent, doc);
    glParseXML_removeTree(doc);
}

static bool private_isOpen(const char *name)
{
    for (int i = 0; i < openFileCount; i++) {
        if (strcmp(openFiles[i], name) == 0)
            return true;
    }
    return false;
}

static void private_includeFile(_treeNode *parent, xml_node *include)
{
    const char *fileName = glParseXML_getAttribute(include, "file");
    if (!fileName) {
        fprintf(stderr, "Error: include without a \"file\" attribute skipped\n");
        return;
    }
    char name[kXMLMaxFileName + 1];
    snprintf(name, sizeof name, "%s", fileName);
    if (openFileCount > kXMLMaxIncludeDepth) {
        fprintf(stderr, "Error: includes nested too deeply, \"%s\" skipped\n", name);
        return;
    }
    if (private_isOpen(name)) {
        fprintf(stderr, "Error: \"%s\" includes itself, include skipped\n", name);
        return;
    }
    _treeNode *doc = glParseXML_createFromFile(name);
    if (!doc) {
        fprintf(stderr, "Error: Unable to include file \"%s\"\n", fileName);
        return;
    }
    private_spliceDocument(parent, doc);
}

// Makes [begin, end) the element's text.
static void private_setElementText(_treeNode *node, const char *begin, const char *end)
{
    xml_node *rec = (xml_node *)node->data;
    if (!rec)
        return;
    if (rec->element)
        glFree(rec->element, (uint32_t)rec->elementSize + 1);
    rec->elementSize = 0;
    rec->element = private_copyString(begin, (size_t)(end - begin));
    if (rec->element)
        rec->elementSize = (int)(end - begin);
}

void glParseXML_processXMLFromData(_treeNode *root, const char *data)
{
    if (!root || !data)
        return;
    _treeNode *current = root;
    const char *pendingText = nullptr;  // where the current element's text would start
    const char *p = data;
    while (*p) {
        if (*p != '<') {
            p++;
            continue;
        }
        if (p[1] == '!') {
            if (p[2] == '-' && p[3] == '-')
                p = glParseXML_skipCommentTag(p);
            else
                p = private_skipPastClose(p);
            continue;
        }
        if (p[1] == '/') {
            if (pendingText && pendingText < p && current != root)
                private_setElementText(current, pendingText, p);
            pendingText = nullptr;
            p = private_skipPastClose(p);
            // More closing tags than opening ones never climb above the document.
            if (current != root)
                current = current->parent;
            continue;
        }

        xml_node rec;
        int selfClosing = glParseXML_parseTagFromData(p + 1, &rec, &p);
        if (rec.name && strcmp(rec.name, "include") == 0) {
            private_includeFile(current, &rec);
            private_destructXMLTreeNode(&rec);
            pendingText = nullptr;
            // Written with a closing tag, the include still has no content.
            if (!selfClosing) {
                const char *close = strstr(p, "</");
                p = close ? private_skipPastClose(close) : p + strlen(p);
            }
            continue;
        }
        if (!rec.name) {  // out of memory: drop the element, keep scanning
            private_destructXMLTreeNode(&rec);
            continue;
        }
        _treeNode *node = addChild(current, &rec, sizeof rec);
        if (!node) {
            private_destructXMLTreeNode(&rec);
            continue;
        }
        if (selfClosing) {
            pendingText = nullptr;
        } else {
            current = node;
            pendingText = p;
            p = glParseXML_skipCurrentElement(p);
        }
    }
}

_treeNode *glParseXML_createFromData(char *text)
{
    const char *rest = glParseXML_verifyXMLProlog(text);
    if (!rest)
        return nullptr;
    _treeNode *root = createTree();
    glParseXML_processXMLFromData(root, rest);
    return root;
}

// The whole file in a tracked buffer of size + 1 (zero-terminated), or null.
static char *private_readFile(FILE *file, const char *name, long *bufferSize)
{
    long size = fseek(file, 0, SEEK_END) == 0 ? ftell(file) : -1;
    if (size < 0 || fseek(file, 0, SEEK_SET) != 0) {
        fprintf(stderr, "Error: Unable to determine the size of \"%s\"\n", name);
        return nullptr;
    }
    if (size >= INT_MAX) {
        fprintf(stderr, "Error: \"%s\" is too large to read (%ld bytes)\n", name, size);
        return nullptr;
    }
    char *buffer = (char *)glMalloc((uint32_t)size + 1);
    if (!buffer)
        return nullptr;
    size_t received = fread(buffer, 1, (size_t)size, file);
    if (received != (size_t)size) {
        fprintf(stderr, "Error: Attempted to read %d bytes, but only received %d bytes\n", (int)size,
                (int)received);
        glFree(buffer, (uint32_t)size + 1);
        return nullptr;
    }
    buffer[size] = '\0';
    *bufferSize = size + 1;
    return buffer;
}

_treeNode *glParseXML_createFromFile(const char *fileName)
{
    if (!fileName)
        return nullptr;
    char name[kXMLMaxFileName + 1];
    snprintf(name, sizeof name, "%s", fileName);

    FILE *file = fopen(name, "rb");
    if (!file)
        return nullptr;
    long bufferSize = 0;
    char *buffer = private_readFile(file, name, &bufferSize);
    fclose(file);
    if (!buffer)
        return nullptr;

    openFiles[openFileCount++] = name;
    _treeNode *root = glParseXML_createFromData(buffer);
    openFileCount--;
    glFree(buffer, (uint32_t)bufferSize);
    return root;
}
