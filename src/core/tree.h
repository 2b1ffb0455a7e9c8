// The engine's one container: an n-ary tree of _treeNode records. Lists are
// trees of depth one (a head node whose children are the elements). Every
// node owns a private copy of its payload, made on insertion and freed with
// the node; a payload holding pointers is copied shallowly, so whatever those
// pointers own must be released by the user before the node goes.
// Nodes and payloads are tracked allocations (glMemory.h).
// Every operation accepts a null node and then does nothing (result null
// or 0). Not thread-safe: the iterative walks write the
// `visited` marks, so two walks of one tree must not interleave.
#pragma once

#include <cstdint>

struct _treeNode {
    void *data;          // the node's own copy of its payload, or null
    int32_t size;        // byte size of data; 0 when there is none
    int visited;         // scratch mark of the iterative walks
    _treeNode *child;    // first child
    _treeNode *sibling;  // next sibling
    _treeNode *parent;   // null for a root
    _treeNode *lastChild;  // last child, kept by the operations below so that
                           // appending costs the same however long the list
};

// Called by the walks with each node and its depth.
typedef void (*treeMapFunc)(_treeNode *node, int depth);

// A new zeroed node: no payload, no links.
_treeNode *createTree(void);

// Clears the payload pointer, its size and the links (frees nothing).
void initTreeNode(_treeNode *node);

// Frees the node's later siblings, its children, its payload and the node.
// To free a single node, unlink it from its parent first and clear its sibling.
void destructTree(_treeNode *node);

// Appends (or, ToFront, prepends) a child holding a copy of `size` bytes from
// `data`. Size 0 gives a child without payload; a null `data` with a size
// gives a zero-filled payload. Returns the new node, or null for a null parent.
_treeNode *addChild(_treeNode *parent, const void *data, int32_t size);
_treeNode *addChildToFront(_treeNode *parent, const void *data, int32_t size);

// Moves every child of `from` to the end of `parent`'s children, in order;
// `from` is left without children. Costs one step per child moved.
void appendChildren(_treeNode *parent, _treeNode *from);

// Frees the old payload, then stores a copy of the new one (size 0: none).
void setData(_treeNode *node, const void *data, int32_t size);

// Unlinks the child at `index` (0-based) and destroys it with its subtree.
// An index outside the child list removes nothing.
void removeChild(_treeNode *parent, int index);
void removeLastChild(_treeNode *parent);
// Unlinks the child after `prev` (the first child when `prev` is null) and
// destroys it with its subtree, without walking the list. `prev` must be a
// child of `parent` or null; nothing happens when it has no next sibling.
void removeChildAfter(_treeNode *parent, _treeNode *prev);

_treeNode *getParent(_treeNode *node);
_treeNode *getSibling(_treeNode *node);
// The index-th child (0-based), null past the end or for a negative index.
_treeNode *getChild(_treeNode *node, int index);
void *getData(_treeNode *node);
// Position among the parent's children; 0 for a root.
int childIndex(_treeNode *node);
int numberOfChildren(_treeNode *node);

// Post-order walk: each node after all of its descendants, siblings in list
// order, then the node's later siblings. Started on a root, the root comes last.
void mapTree_DFS(_treeNode *node, treeMapFunc visit, int depth);

// A node and all its later siblings are visited before any of their children;
// the children of the last sibling come first.
void mapTree_BFS(_treeNode *node, treeMapFunc visit, int depth);

// The mapTree_DFS order without recursion. Started on a node that has later
// siblings or a parent, the walk goes on through them up to the root.
void seq_mapTree_DFS(_treeNode *node, treeMapFunc visit, int depth);

// The same walk, calling the visitor on every arrival at a node: +depth on the
// first (before its children), -depth when coming back up from its last
// child. A leaf is visited once; the top node at depth 0 gets 0 both times.
void seq_mapTree_DFSforXML(_treeNode *node, treeMapFunc visit, int depth);

// seq_mapTree_DFSforXML over the node's children only, the first child
// starting at `depth`; the walk stops when it climbs back to the node (which
// itself is not visited). Nothing happens when the node has no children.
void seq_mapSubtree_DFSforXML(_treeNode *node, treeMapFunc visit, int depth);
