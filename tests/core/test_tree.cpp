// Tree container: list operations, payload ownership and the walk orders.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "core/glMemory.h"
#include "core/tree.h"

static std::string walkLog;

static void logVisit(_treeNode *node, int depth)
{
    walkLog += (node->data ? (const char *)node->data : "?") + std::to_string(depth) + " ";
}

static _treeNode *addNamed(_treeNode *parent, const char *name)
{
    return addChild(parent, name, (int32_t)strlen(name) + 1);
}

// root -> A, B; A -> A1
static _treeNode *smallTree()
{
    _treeNode *root = createTree();
    setData(root, "root", 5);
    addNamed(addNamed(root, "A"), "A1");
    addNamed(root, "B");
    return root;
}

TEST(Tree, WalkOrders)
{
    uint32_t before = glAllocated();
    _treeNode *root = smallTree();
    walkLog.clear(); mapTree_DFS(root, logVisit, 0);
    EXPECT_EQ(walkLog, "A12 A1 B1 root0 ");
    walkLog.clear(); mapTree_BFS(root, logVisit, 0);
    EXPECT_EQ(walkLog, "root0 A1 B1 A12 ");
    // The iterative walks must not be thrown by marks left from a previous walk.
    for (int pass = 0; pass < 2; pass++) {
        walkLog.clear(); seq_mapTree_DFS(root, logVisit, 0);
        EXPECT_EQ(walkLog, "A12 A1 B1 root0 ");
        walkLog.clear(); seq_mapTree_DFSforXML(root, logVisit, 0);
        EXPECT_EQ(walkLog, "root0 A1 A12 A-1 B1 root0 ");
    }
    walkLog.clear(); seq_mapSubtree_DFSforXML(root, logVisit, 1);
    EXPECT_EQ(walkLog, "A1 A12 A-1 B1 ");
    walkLog.clear(); seq_mapSubtree_DFSforXML(getChild(root, 1), logVisit, 1);
    EXPECT_EQ(walkLog, "");
    // Started below the root, the iterative walk goes on up through the parent.
    walkLog.clear(); seq_mapTree_DFS(getChild(root, 0), logVisit, 1);
    EXPECT_EQ(walkLog, "A12 A1 B1 root0 ");
    destructTree(root);
    EXPECT_EQ(glAllocated(), before);
}

TEST(Tree, IterativeWalkMatchesRecursiveOnUnevenTree)
{
    _treeNode *root = createTree();
    setData(root, "r", 2);
    char name[32];
    for (int i = 0; i < 4; i++) {
        snprintf(name, sizeof name, "n%d", i);
        _treeNode *n = addNamed(root, name);
        for (int j = 0; j < i; j++) {
            snprintf(name, sizeof name, "n%d%d", i, j);
            _treeNode *m = addNamed(n, name);
            if (j == 1) addNamed(m, "leaf");
        }
    }
    walkLog.clear(); mapTree_DFS(root, logVisit, 0);
    std::string recursive = walkLog;
    walkLog.clear(); seq_mapTree_DFS(root, logVisit, 0);
    EXPECT_EQ(walkLog, recursive);
    EXPECT_EQ(recursive, "n01 n102 n11 n202 leaf3 n212 n21 n302 leaf3 n312 n322 n31 r0 ");
    walkLog.clear(); mapTree_BFS(root, logVisit, 0);
    EXPECT_EQ(walkLog, "r0 n01 n11 n21 n31 n302 n312 n322 leaf3 n202 n212 leaf3 n102 ");
    destructTree(root);
}

TEST(Tree, ListOperations)
{
    _treeNode *list = createTree();
    EXPECT_EQ(getChild(list, 0), nullptr);
    addNamed(list, "b");
    addNamed(list, "c");
    addChildToFront(list, "a", 2);
    EXPECT_EQ(numberOfChildren(list), 3);
    EXPECT_EQ(getChild(list, 3), nullptr);
    EXPECT_EQ(getChild(list, -1), nullptr);
    EXPECT_STREQ((const char *)getData(getChild(list, 0)), "a");
    EXPECT_EQ(childIndex(getChild(list, 2)), 2);
    EXPECT_EQ(getParent(getChild(list, 2)), list);
    EXPECT_EQ(childIndex(list), 0);

    removeChild(list, 5);
    EXPECT_EQ(numberOfChildren(list), 3);
    removeChild(list, 1);  // middle
    EXPECT_STREQ((const char *)getData(getSibling(getChild(list, 0))), "c");
    removeLastChild(list);
    EXPECT_EQ(numberOfChildren(list), 1);
    removeChild(list, 0);
    EXPECT_EQ(numberOfChildren(list), 0);
    EXPECT_EQ(list->child, nullptr);
    destructTree(list);
}

// Every list operation against a model, in a long pseudo-random sequence:
// the order, the count and the kept last child must agree after each step.
TEST(Tree, ListOperationsMatchAModelInAnyOrder)
{
    uint32_t before = glAllocated();
    _treeNode *list = createTree();
    std::vector<int> model;
    uint32_t seed = 12345;
    auto next = [&](uint32_t n) { seed = seed * 1103515245u + 12345u; return (seed >> 8) % n; };
    for (int step = 0, value = 0; step < 3000; step++) {
        int size = (int)model.size();
        switch (next(6)) {
        case 0: addChild(list, &value, sizeof value); model.push_back(value++); break;
        case 1: addChildToFront(list, &value, sizeof value); model.insert(model.begin(), value++); break;
        case 2: {  // an index one past either end removes nothing
            int index = (int)next((uint32_t)size + 2) - 1;
            removeChild(list, index);
            if (index >= 0 && index < size) model.erase(model.begin() + index);
            break;
        }
        case 3: {
            int after = (int)next((uint32_t)size + 1) - 1;  // -1: the first child
            removeChildAfter(list, after < 0 ? nullptr : getChild(list, after));
            if (after + 1 < size) model.erase(model.begin() + after + 1);
            break;
        }
        case 4: removeLastChild(list); if (size) model.pop_back(); break;
        default: {
            _treeNode *other = createTree();
            for (uint32_t k = next(3); k > 0; k--) {
                addChild(other, &value, sizeof value);
                model.push_back(value++);
            }
            appendChildren(list, other);
            EXPECT_EQ(other->child, nullptr);
            destructTree(other);
        }
        }
        std::vector<int> seen;
        for (_treeNode *n = list->child; n; n = n->sibling) {
            EXPECT_EQ(n->parent, list);
            seen.push_back(*(int *)n->data);
        }
        ASSERT_EQ(seen, model) << "after step " << step;
        ASSERT_EQ(list->lastChild, model.empty() ? nullptr : getChild(list, (int)model.size() - 1));
    }
    destructTree(list);
    EXPECT_EQ(glAllocated(), before);
}

TEST(Tree, PayloadsAreTrackedCopies)
{
    uint32_t before = glAllocated();
    _treeNode *list = createTree();
    char source[] = "abc";
    _treeNode *node = addChild(list, source, 4);
    source[0] = 'x';
    EXPECT_STREQ((const char *)getData(node), "abc");
    EXPECT_EQ(glAllocated(), before + 2 * sizeof(_treeNode) + 4);

    _treeNode *empty = addChild(list, source, 0);
    EXPECT_EQ(empty->data, nullptr);
    setData(node, "longer", 7);
    EXPECT_EQ(glAllocated(), before + 3 * sizeof(_treeNode) + 7);
    setData(node, source, 0);
    EXPECT_EQ(node->data, nullptr);
    EXPECT_EQ(node->size, 0);
    // A size without a source gives a zeroed payload.
    _treeNode *zeroed = addChild(list, nullptr, 8);
    ASSERT_NE(zeroed->data, nullptr);
    EXPECT_EQ(((const char *)zeroed->data)[7], 0);
    EXPECT_EQ(addChild(list, source, -4)->data, nullptr);
    destructTree(list);
    EXPECT_EQ(glAllocated(), before);
}

TEST(Tree, NullNodesAreAccepted)
{
    EXPECT_EQ(addChild(nullptr, "a", 2), nullptr);
    EXPECT_EQ(getData(nullptr), nullptr);
    removeChild(nullptr, 0);
    destructTree(nullptr);
    walkLog.clear();
    seq_mapTree_DFSforXML(nullptr, logVisit, 0);
    EXPECT_EQ(walkLog, "");
}

static int visits;
static void countVisit(_treeNode *, int) { visits++; }

// Long lists must neither exhaust the stack in the walks nor in destruction.
TEST(Tree, LongListsDoNotExhaustTheStack)
{
    uint32_t before = glAllocated();
    const int count = 500000;
    _treeNode *list = createTree();
    for (int i = 0; i < count; i++)
        addChildToFront(list, &i, sizeof i);
    visits = 0; mapTree_DFS(list->child, countVisit, 1);
    EXPECT_EQ(visits, count);
    visits = 0; mapTree_BFS(list->child, countVisit, 1);
    EXPECT_EQ(visits, count);
    destructTree(list);
    EXPECT_EQ(glAllocated(), before);
}
