// The n-ary tree container (see tree.h). Each node keeps its last child, so
// appending costs the same however long the list; no element count is kept:
// indexing and counting walk the child list. The recursive walks recurse once
// per level only (siblings are looped), so long lists cannot exhaust the stack.
#include "tree.h"

#include <cstddef>
#include <cstdio>
#include <vector>

#include "glMemory.h"

// Stores a fresh copy of the payload in a node that has none. Returns false
// when the copy could not be allocated (glMalloc has logged it).
static bool private_storePayload(_treeNode *node, const void *data, int32_t size, const char *where)
{
    node->data = nullptr;
    node->size = 0;
    if (size < 0) {
        fprintf(stderr, "%s: negative payload size %d ignored\n", where, (int)size);
        return true;
    }
    if (size == 0)
        return true;
    void *copy = glMallocWithBytes((uint32_t)size, data);
    if (!copy)
        return false;
    node->data = copy;
    node->size = size;
    return true;
}

static void private_freeNode(_treeNode *node)
{
    glFree(node->data, (uint32_t)node->size);
    glFree(node, sizeof(_treeNode));
}

// A detached node holding a copy of the payload, or null.
static _treeNode *private_newNode(_treeNode *parent, const void *data, int32_t size, const char *where)
{
    _treeNode *node = createTree();
    if (!private_storePayload(node, data, size, where)) {
        private_freeNode(node);
        return nullptr;
    }
    node->parent = parent;
    return node;
}

_treeNode *createTree(void)
{
    // Node allocation failure is fatal inside glZeroMalloc.
    return (_treeNode *)glZeroMalloc(sizeof(_treeNode));
}

void initTreeNode(_treeNode *node)
{
    if (!node)
        return;
    node->data = nullptr;
    node->size = 0;
    node->child = nullptr;
    node->sibling = nullptr;
    node->parent = nullptr;
    node->lastChild = nullptr;
}

// The last child of a node. The kept one is trusted only while it still looks
// like the end of this node's list; otherwise the list is walked.
static _treeNode *private_lastChild(_treeNode *parent)
{
    _treeNode *last = parent->lastChild;
    if (parent->child && last && last->parent == parent && !last->sibling)
        return last;
    last = parent->child;
    while (last && last->sibling)
        last = last->sibling;
    return last;
}

void destructTree(_treeNode *node)
{
    if (!node)
        return;
    // Iterative: free leaves first, climbing through the parent links, and
    // stop on reaching the parent of the node we started from.
    _treeNode *stop = node->parent;
    _treeNode *cur = node;
    while (cur) {
        if (cur->child) {
            cur = cur->child;
            continue;
        }
        _treeNode *next = cur->sibling;
        _treeNode *up = cur->parent;
        private_freeNode(cur);
        if (next) {
            cur = next;
        } else {
            if (up == stop)
                break;
            up->child = nullptr;  // all of its children are gone
            up->lastChild = nullptr;
            cur = up;
        }
    }
}

_treeNode *addChild(_treeNode *parent, const void *data, int32_t size)
{
    if (!parent)
        return nullptr;
    _treeNode *node = private_newNode(parent, data, size, "addChild");
    if (!node)
        return nullptr;
    _treeNode *last = private_lastChild(parent);
    if (last)
        last->sibling = node;
    else
        parent->child = node;
    parent->lastChild = node;
    return node;
}

_treeNode *addChildToFront(_treeNode *parent, const void *data, int32_t size)
{
    if (!parent)
        return nullptr;
    _treeNode *node = private_newNode(parent, data, size, "addChildToFront");
    if (!node)
        return nullptr;
    if (!parent->child)
        parent->lastChild = node;
    node->sibling = parent->child;
    parent->child = node;
    return node;
}

void appendChildren(_treeNode *parent, _treeNode *from)
{
    if (!parent || !from || !from->child || parent == from)
        return;
    _treeNode *first = from->child;
    _treeNode *moved = first;
    for (_treeNode *n = first; n; n = n->sibling) {
        n->parent = parent;
        moved = n;
    }
    _treeNode *last = private_lastChild(parent);
    if (last)
        last->sibling = first;
    else
        parent->child = first;
    parent->lastChild = moved;
    from->child = nullptr;
    from->lastChild = nullptr;
}

void setData(_treeNode *node, const void *data, int32_t size)
{
    if (!node)
        return;
    glFree(node->data, (uint32_t)node->size);
    private_storePayload(node, data, size, "setData");
}

// Takes `cur` (the child after `prev`, or the first) out of the list and frees it.
static void private_unlinkAndDestroy(_treeNode *parent, _treeNode *prev, _treeNode *cur)
{
    if (prev)
        prev->sibling = cur->sibling;
    else
        parent->child = cur->sibling;
    if (parent->lastChild == cur)
        parent->lastChild = prev;
    cur->sibling = nullptr;
    destructTree(cur);
}

void removeChild(_treeNode *parent, int index)
{
    if (!parent || index < 0)
        return;
    _treeNode *prev = nullptr;
    _treeNode *cur = parent->child;
    for (int i = 0; cur && i < index; i++) {
        prev = cur;
        cur = cur->sibling;
    }
    if (!cur)
        return;
    private_unlinkAndDestroy(parent, prev, cur);
}

void removeChildAfter(_treeNode *parent, _treeNode *prev)
{
    if (!parent)
        return;
    _treeNode *cur = prev ? prev->sibling : parent->child;
    if (cur)
        private_unlinkAndDestroy(parent, prev, cur);
}

void removeLastChild(_treeNode *parent)
{
    int count = numberOfChildren(parent);
    if (count > 0)
        removeChild(parent, count - 1);
}

_treeNode *getParent(_treeNode *node)
{
    return node ? node->parent : nullptr;
}

_treeNode *getSibling(_treeNode *node)
{
    return node ? node->sibling : nullptr;
}

_treeNode *getChild(_treeNode *node, int index)
{
    if (!node || index < 0)
        return nullptr;
    _treeNode *cur = node->child;
    for (int i = 0; cur && i < index; i++)
        cur = cur->sibling;
    return cur;
}

void *getData(_treeNode *node)
{
    return node ? node->data : nullptr;
}

int childIndex(_treeNode *node)
{
    if (!node || !node->parent)
        return 0;
    int index = 0;
    for (_treeNode *cur = node->parent->child; cur && cur != node; cur = cur->sibling)
        index++;
    return index;
}

int numberOfChildren(_treeNode *node)
{
    if (!node)
        return 0;
    int count = 0;
    for (_treeNode *cur = node->child; cur; cur = cur->sibling)
        count++;
    return count;
}

void mapTree_DFS(_treeNode *node, treeMapFunc visit, int depth)
{
    if (!visit)
        return;
    while (node) {
        if (node->child)
            mapTree_DFS(node->child, visit, depth + 1);
        visit(node, depth);
        node = node->sibling;
    }
}

void mapTree_BFS(_treeNode *node, treeMapFunc visit, int depth)
{
    if (!node || !visit)
        return;
    std::vector<_treeNode *> row;
    for (; node; node = node->sibling) {
        visit(node, depth);
        row.push_back(node);
    }
    // Children of the last sibling first.
    for (size_t i = row.size(); i-- > 0;) {
        if (row[i]->child)
            mapTree_BFS(row[i]->child, visit, depth + 1);
    }
}

// The iterative walk behind the seq_ operations. `forXML` adds the arrival
// calls on the way up; the walk ends when it climbs to `stop` (null: above
// the root). Marks are cleared on every downward or sideways arrival so that
// those left by an earlier walk do not matter.
static void private_seqWalk(_treeNode *node, treeMapFunc visit, int depth, bool forXML, _treeNode *stop)
{
    _treeNode *cur = node;
    cur->visited = 0;
    while (cur) {
        if (!cur->visited) {
            if (forXML)
                visit(cur, depth);
            if (cur->child) {
                cur = cur->child;
                cur->visited = 0;
                depth++;
                continue;
            }
            if (!forXML)
                visit(cur, depth);
        } else {
            visit(cur, forXML ? -depth : depth);
        }
        cur->visited = 1;
        if (cur->sibling) {
            cur = cur->sibling;
            cur->visited = 0;
        } else {
            cur = cur->parent;
            if (!cur || cur == stop)
                break;
            cur->visited = 1;
            depth--;
        }
    }
}

void seq_mapTree_DFS(_treeNode *node, treeMapFunc visit, int depth)
{
    if (node && visit)
        private_seqWalk(node, visit, depth, false, nullptr);
}

void seq_mapTree_DFSforXML(_treeNode *node, treeMapFunc visit, int depth)
{
    if (node && visit)
        private_seqWalk(node, visit, depth, true, nullptr);
}

void seq_mapSubtree_DFSforXML(_treeNode *node, treeMapFunc visit, int depth)
{
    if (node && node->child && visit)
        private_seqWalk(node->child, visit, depth, true, node);
}
