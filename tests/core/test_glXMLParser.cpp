// Tests of the XML reader, xml:// paths, the subtree search and document release.
// Documents live in tests/core/xml/; tests run from the tests/ folder so that
// include paths inside them ("core/xml/...") resolve. Every test checks that
// tracked memory returns to where it started once its documents are removed.
#include <gtest/gtest.h>
#include <unistd.h>

#include <climits>
#include <string>
#include <vector>

#include "core/glMemory.h"
#include "core/glXMLParser.h"

namespace {

const char *kPortionError = "Error: Unable to load a portion of the xml file";

std::string nameOf(_treeNode *node)
{
    const char *name = glParseXML_getName(node);
    return name ? name : "(none)";
}

std::string textOf(_treeNode *node)
{
    const char *text = nullptr;
    int size = -1;
    glParseXML_getElement(node, &text, &size);
    return text ? std::string(text, (size_t)size) : "(none)";
}

std::string attr(_treeNode *node, const char *name)
{
    const char *value = glParseXML_getAttribute(node, name);
    return value ? value : "(none)";
}

std::vector<std::string> childNames(_treeNode *node)
{
    std::vector<std::string> names;
    for (_treeNode *c = node ? node->child : nullptr; c; c = c->sibling)
        names.push_back(nameOf(c));
    return names;
}

int countOf(const std::string &haystack, const std::string &needle)
{
    int n = 0;
    for (size_t at = haystack.find(needle); at != std::string::npos; at = haystack.find(needle, at + 1))
        n++;
    return n;
}

std::vector<_treeNode *> found;
void collect(_treeNode *node)
{
    found.push_back(node);
}

class XMLParser : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_NE(getcwd(previousDir, sizeof previousDir), nullptr);
        ASSERT_EQ(chdir(QUILLMERE_TEST_DATA_DIR), 0);
        startBytes = glAllocated();
        found.clear();
    }
    void TearDown() override
    {
        for (_treeNode *doc : docs)
            glParseXML_removeTree(doc);
        EXPECT_EQ(glAllocated(), startBytes) << "tracked memory not returned";
        EXPECT_EQ(chdir(previousDir), 0);
    }
    _treeNode *load(const char *file)
    {
        _treeNode *doc = glParseXML_createFromFile(file);
        if (doc)
            docs.push_back(doc);
        return doc;
    }
    _treeNode *parse(std::string text)
    {
        _treeNode *doc = glParseXML_createFromData(&text[0]);
        if (doc)
            docs.push_back(doc);
        return doc;
    }
    std::vector<_treeNode *> docs;
    uint32_t startBytes = 0;
    char previousDir[PATH_MAX];
};

TEST_F(XMLParser, PrologLineDecidesWhetherADocumentIsRead)
{
    EXPECT_EQ(load("core/xml/blank_first_line.xml"), nullptr);
    EXPECT_EQ(load("core/xml/no_prolog.xml"), nullptr);
    EXPECT_EQ(load("core/xml/does_not_exist.xml"), nullptr);
    EXPECT_EQ(glParseXML_createFromFile(nullptr), nullptr);
    EXPECT_EQ(glParseXML_createFromData(nullptr), nullptr);
    EXPECT_EQ(parse(""), nullptr);
    EXPECT_EQ(parse("<?xm"), nullptr);

    _treeNode *indented = load("core/xml/indented_prolog.xml");
    ASSERT_NE(indented, nullptr);
    EXPECT_EQ(childNames(indented), std::vector<std::string>{"doc"});

    // Only what follows the prolog line is read; a bare prolog gives an empty document.
    _treeNode *bare = parse("<?xml version=\"1.0\"?>");
    ASSERT_NE(bare, nullptr);
    EXPECT_EQ(bare->child, nullptr);
    EXPECT_EQ(bare->data, nullptr);
    _treeNode *sameLine = parse("<?xml?><lost/>\n<kept/>");
    ASSERT_NE(sameLine, nullptr);
    EXPECT_EQ(childNames(sameLine), std::vector<std::string>{"kept"});
}

TEST_F(XMLParser, LineEndingsGiveTheSameTreeAndStayInRawText)
{
    const char *files[] = {"core/xml/lf.xml", "core/xml/crlf.xml", "core/xml/cr.xml"};
    const char *texts[] = {"one\ntwo", "one\r\ntwo", "one\rtwo"};
    for (int i = 0; i < 3; i++) {
        SCOPED_TRACE(files[i]);
        _treeNode *doc = load(files[i]);
        ASSERT_NE(doc, nullptr);
        _treeNode *top = glParseXML_getNodeFromURL(doc, "xml://doc");
        EXPECT_EQ(childNames(top), (std::vector<std::string>{"item", "item"}));
        EXPECT_EQ(textOf(top->child), texts[i]);
        EXPECT_EQ(attr(top->child->sibling, "n"), "2");
        EXPECT_EQ(textOf(top), "(none)");
    }
}

TEST_F(XMLParser, ElementsHoldEitherRawTextOrChildren)
{
    _treeNode *doc = load("core/xml/level.xml");
    ASSERT_NE(doc, nullptr);
    _treeNode *level = glParseXML_getNodeFromURL(doc, "xml://level");
    ASSERT_NE(level, nullptr);

    EXPECT_EQ(textOf(glParseXML_getNodeFromURL(level, "xml://script")), "if a < b then x = 1 end");
    _treeNode *mixed = glParseXML_getNodeFromURL(level, "xml://mixed");
    EXPECT_EQ(textOf(mixed), "x<b/>y");
    EXPECT_EQ(mixed->child, nullptr);
    _treeNode *spaced = glParseXML_getNodeFromURL(level, "xml://spaced");
    EXPECT_EQ(childNames(spaced), std::vector<std::string>{"b"});
    EXPECT_EQ(textOf(spaced), "(none)");
    EXPECT_EQ(textOf(glParseXML_getNodeFromURL(level, "xml://blank")), "   ");
    _treeNode *empty = glParseXML_getNodeFromURL(level, "xml://empty");
    EXPECT_EQ(textOf(empty), "(none)");
    EXPECT_EQ(empty->child, nullptr);
    EXPECT_EQ(textOf(level), "(none)");
    EXPECT_EQ(textOf(doc), "(none)");  // the root carries no payload
    EXPECT_EQ(nameOf(doc), "(none)");

    // Self-closing with and without a space, and an explicit close, are all leaves.
    _treeNode *fly = glParseXML_getNodeFromURL(level, "xml://animation");
    EXPECT_EQ(glParseXML_countChildrenOfType(fly, "frame"), 3);
    EXPECT_EQ(glParseXML_countChildrenOfType(level, "sprite"), 3);
    EXPECT_EQ(glParseXML_countChildrenOfType(level, "Sprite"), 0);
    EXPECT_EQ(glParseXML_countChildrenOfType(nullptr, "frame"), 0);
    EXPECT_EQ(glParseXML_countChildrenOfType(level, nullptr), 0);

    // A comment ends at the first ">" after two dashes; the declaration is skipped.
    EXPECT_NE(glParseXML_getNodeFromURL(level, "xml://ghost"), nullptr);
    EXPECT_EQ(glParseXML_getNodeFromURL(level, "xml://hidden"), nullptr);
    EXPECT_EQ(childNames(doc), std::vector<std::string>{"level"});
}

TEST_F(XMLParser, AttributesFollowTheQuotingAndTrimmingRules)
{
    testing::internal::CaptureStderr();
    _treeNode *doc = load("core/xml/level.xml");
    std::string log = testing::internal::GetCapturedStderr();
    ASSERT_NE(doc, nullptr);
    EXPECT_EQ(countOf(log, kPortionError), 1) << log;
    EXPECT_EQ(countOf(log, std::string(kPortionError) + "\n"), 0);

    _treeNode *ship = glParseXML_getNodeFromURL(doc, "xml://level/sprite");
    EXPECT_EQ(attr(ship, "type"), "ship");
    EXPECT_EQ(attr(ship, "name"), "big ship");
    EXPECT_EQ(attr(ship, "speed"), "4");
    EXPECT_EQ(attr(ship, "flag"), "TRUE");
    EXPECT_EQ(attr(ship, "Type"), "(none)");
    EXPECT_EQ(attr(ship, "missing"), "(none)");
    EXPECT_EQ(glParseXML_getAttribute((xml_node *)ship->data, "type"), std::string("ship"));

    // Single quotes do not protect spaces; the rest runs into the next name.
    _treeNode *boat = glParseXML_getNodeFromURL(doc, "xml://level/sprite<2>");
    EXPECT_EQ(attr(boat, "type"), "small");
    EXPECT_EQ(attr(boat, "name"), "(none)");

    // x="" is dropped with the portion error; an unquoted value ends at "/",
    // which also ends the tag, so z is never read.
    _treeNode *attrs = glParseXML_getNodeFromURL(doc, "xml://level/attrs");
    EXPECT_EQ(attr(attrs, "x"), "(none)");
    EXPECT_EQ(attr(attrs, "b"), "2");
    EXPECT_EQ(attr(attrs, "path"), "data");
    EXPECT_EQ(attr(attrs, "z"), "(none)");
    EXPECT_EQ(numberOfChildren(((xml_node *)attrs->data)->attrList), 2);

    // A line break before an attribute stays in its name.
    _treeNode *broken = glParseXML_getNodeFromURL(doc, "xml://level/broken");
    EXPECT_EQ(attr(broken, "a"), "1");
    EXPECT_EQ(attr(broken, "image"), "(none)");
    xml_attribute *second = (xml_attribute *)getChild(((xml_node *)broken->data)->attrList, 1)->data;
    EXPECT_EQ(std::string(second->name), "\n\t        image");
    EXPECT_EQ(std::string(second->data), "wrapped.tga");

    // Quoted values may hold ">" and "/"; trimming strips spaces, then every quote.
    _treeNode *more = parse("<?xml?>\n<t a=\"x > y/z\" b='q' d=\"'both'\" =\"v\" c = \"1\"/>");
    ASSERT_NE(more, nullptr);
    _treeNode *t = more->child;
    EXPECT_EQ(attr(t, "a"), "x > y/z");
    EXPECT_EQ(attr(t, "b"), "q");
    EXPECT_EQ(attr(t, "d"), "both");
    EXPECT_EQ(attr(t, "c"), "(none)");  // the value starts at the space after "="
    EXPECT_EQ(t->child, nullptr);
}

TEST_F(XMLParser, IncludesSpliceTopLevelElementsAndSkipWhatCannotBeRead)
{
    testing::internal::CaptureStderr();
    _treeNode *doc = load("core/xml/include_main.xml");
    std::string log = testing::internal::GetCapturedStderr();
    ASSERT_NE(doc, nullptr);
    _treeNode *game = glParseXML_getNodeFromURL(doc, "xml://game");
    EXPECT_EQ(childNames(game),
              (std::vector<std::string>{"first", "partA", "partB", "selfA", "selfB", "last"}));
    _treeNode *leaf = glParseXML_getNodeFromURL(game, "xml://partA/leaf");
    EXPECT_EQ(textOf(leaf), "text of a");
    EXPECT_EQ(leaf->parent->parent, game);
    EXPECT_EQ(attr(glParseXML_getNodeFromURL(game, "xml://partB"), "id"), "b");
    // The missing file, the folder and the file without prolog; then the self-include.
    EXPECT_EQ(countOf(log, "Unable to include file"), 3) << log;
    EXPECT_EQ(countOf(log, "includes itself"), 1) << log;

    // Spliced elements never leave the surrounding markup as text; written with a
    // closing tag, an include still has no content and closes itself.
    _treeNode *spaced = parse("<?xml?>\n<a> <include file=\"core/xml/include_part.xml\"/> </a>");
    ASSERT_NE(spaced, nullptr);
    EXPECT_EQ(childNames(spaced->child), (std::vector<std::string>{"partA", "partB"}));
    EXPECT_EQ(textOf(spaced->child), "(none)");
    _treeNode *closed = parse("<?xml?>\n<a><include file=\"core/xml/include_part.xml\"></include><b/></a>");
    ASSERT_NE(closed, nullptr);
    EXPECT_EQ(childNames(closed->child), (std::vector<std::string>{"partA", "partB", "b"}));
    EXPECT_EQ(childNames(closed), std::vector<std::string>{"a"});
}

TEST_F(XMLParser, MalformedMarkupIsReadForgivingly)
{
    _treeNode *doc = load("core/xml/malformed.xml");
    ASSERT_NE(doc, nullptr);
    // Surplus closing tags never climb above the document; the unclosed c swallows the rest.
    EXPECT_EQ(childNames(doc), (std::vector<std::string>{"root", "c"}));
    EXPECT_NE(glParseXML_getNodeFromURL(doc, "xml://root/a/b"), nullptr);
    EXPECT_EQ(textOf(glParseXML_getNodeFromURL(doc, "xml://c")), "(none)");

    // Truncated markup of every kind ends the scan without harm.
    const char *cut[] = {"<a", "<", "<!", "<!-", "<!-- x", "</", "</a", "<a b", "<a b=", "<a b=\"x",
                         "<a>text", "<a b=1/", "<a>\n  <", "<a/"};
    for (const char *tail : cut) {
        SCOPED_TRACE(tail);
        testing::internal::CaptureStderr();
        EXPECT_NE(parse(std::string("<?xml?>\n") + tail), nullptr);
        testing::internal::GetCapturedStderr();
    }
}

TEST_F(XMLParser, PathsSelectChildrenByNameIndexAndText)
{
    _treeNode *doc = load("core/xml/level.xml");
    ASSERT_NE(doc, nullptr);
    _treeNode *level = glParseXML_getNodeFromURL(doc, "xml://level");
    _treeNode *fly = glParseXML_getNodeFromURL(level, "xml://animation");
    _treeNode *land = glParseXML_getNodeFromURL(level, "xml://animation<2>");
    ASSERT_NE(land, nullptr);
    EXPECT_EQ(attr(land, "name"), "land");

    EXPECT_EQ(attr(glParseXML_getNodeFromURL(fly, "xml://frame<3>"), "image"), "c.tga");
    EXPECT_EQ(attr(glParseXML_getNodeFromURL(fly, "xml://frame<0>"), "image"), "a.tga");
    EXPECT_EQ(glParseXML_getNodeFromURL(fly, "xml://frame<4>"), nullptr);
    EXPECT_EQ(glParseXML_getNodeFromURL(fly, "xml://frame<99999999999999999999>"), nullptr);
    EXPECT_EQ(glParseXML_getNodeFromURL(fly, "xml://%Sibling"), land);
    EXPECT_EQ(glParseXML_getNodeFromURL(level, "xml://animation/%Sibling"), land);
    EXPECT_EQ(glParseXML_getNodeFromURL(level, "xml://%Sibling"), nullptr);

    // An index holds for later segments until another is given.
    _treeNode *grid = glParseXML_getNodeFromURL(doc, "xml:////level//grid/");
    ASSERT_NE(grid, nullptr);
    EXPECT_EQ(textOf(glParseXML_getNodeFromURL(grid, "xml://row<2>/cell")), "r2c2");
    EXPECT_EQ(textOf(glParseXML_getNodeFromURL(grid, "xml://row<2>/cell<1>")), "r2c1");
    EXPECT_EQ(textOf(glParseXML_getNodeFromURL(doc, "xml://level<1>/grid/row<2>/cell")), "r2c2");

    // Indexed form: index 1 on the way, the last written index (or the argument) at the end.
    EXPECT_EQ(textOf(glParseXML_getNodeFromURL(grid, 2, "xml://row/cell")), "r1c2");
    EXPECT_EQ(textOf(glParseXML_getNodeFromURL(grid, 1, "xml://row<2>/cell")), "r1c2");
    EXPECT_EQ(textOf(glParseXML_getNodeFromURL(grid, 1, "xml://row/cell<2>")), "r1c2");
    EXPECT_EQ(attr(glParseXML_getNodeFromURL(fly, 3, "xml://frame"), "image"), "c.tga");
    EXPECT_EQ(attr(glParseXML_getNodeFromURL(fly, 0, "xml://frame"), "image"), "a.tga");
    EXPECT_EQ(glParseXML_getNodeFromURL(fly, 4, "xml://frame"), nullptr);

    // Text filters count only children whose raw text matches exactly.
    EXPECT_EQ(attr(glParseXML_getNodeFromURL(level, "xml://sprite:ship"), "type"), "ship");
    EXPECT_EQ(attr(glParseXML_getNodeFromURL(level, "xml://sprite<2>:ship"), "type"), "shuttle");
    EXPECT_EQ(attr(glParseXML_getNodeFromURL(level, "xml://sprite:boat"), "type"), "small");
    EXPECT_EQ(glParseXML_getNodeFromURL(level, "xml://sprite:shi"), nullptr);
    EXPECT_EQ(glParseXML_getNodeFromURL(level, "xml://sprite<3>:ship"), nullptr);

    // Start node itself, failures, case.
    EXPECT_EQ(glParseXML_getNodeFromURL(level, "xml://"), level);
    EXPECT_EQ(glParseXML_getNodeFromURL(level, "animation"), level);
    EXPECT_EQ(glParseXML_getNodeFromURL(level, "XML://animation"), level);
    EXPECT_EQ(glParseXML_getNodeFromURL(doc, "xml://Level"), nullptr);
    EXPECT_EQ(glParseXML_getNodeFromURL(doc, "xml://level/nothing/frame"), nullptr);
    EXPECT_EQ(glParseXML_getNodeFromURL(nullptr, "xml://level"), nullptr);
    EXPECT_EQ(glParseXML_getNodeFromURL(doc, nullptr), nullptr);
    EXPECT_EQ(glParseXML_getNodeFromURL(nullptr, 1, "xml://level"), nullptr);
}

TEST_F(XMLParser, SubtreeSearchVisitsMatchesInDocumentOrder)
{
    _treeNode *doc = load("core/xml/level.xml");
    ASSERT_NE(doc, nullptr);
    EXPECT_EQ(glParseXML_getNodesFromURL(doc, "xml://", "script", "", collect), doc);
    ASSERT_EQ(found.size(), 4u);
    EXPECT_EQ(textOf(found[0]), "if a < b then x = 1 end");
    EXPECT_EQ(textOf(found[1]), "nested()");
    EXPECT_EQ(textOf(found[2]), "last()");
    EXPECT_EQ(attr(found[3], "language"), "(none)");

    found.clear();
    EXPECT_NE(glParseXML_getNodesFromURL(doc, "xml://level", "script", "last()", collect), nullptr);
    ASSERT_EQ(found.size(), 1u);
    EXPECT_EQ(textOf(found[0]), "last()");

    // Only elements below the resolved node; the resolved node itself is not a match.
    found.clear();
    _treeNode *box = glParseXML_getNodesFromURL(doc, "xml://level/box", "box", nullptr, collect);
    EXPECT_EQ(nameOf(box), "box");
    EXPECT_TRUE(found.empty());
    EXPECT_NE(glParseXML_getNodesFromURL(doc, "xml://level/box", "script", nullptr, collect), nullptr);
    EXPECT_EQ(found.size(), 1u);

    found.clear();
    EXPECT_EQ(glParseXML_getNodesFromURL(doc, "xml://level/nothing", "script", "", collect), nullptr);
    EXPECT_EQ(glParseXML_getNodesFromURL(nullptr, "xml://", "script", "", collect), nullptr);
    EXPECT_TRUE(found.empty());
}

TEST_F(XMLParser, RemovingTreesReleasesEveryString)
{
    uint32_t before = glAllocated();
    _treeNode *doc = glParseXML_createFromFile("core/xml/level.xml");
    ASSERT_NE(doc, nullptr);
    uint32_t loaded = glAllocated();
    EXPECT_GT(loaded, before);

    // A subtree goes with its strings; the rest of the document stays usable.
    _treeNode *level = doc->child;
    int count = numberOfChildren(level);
    glParseXML_removeTree(glParseXML_getNodeFromURL(level, "xml://animation"));
    EXPECT_LT(glAllocated(), loaded);
    EXPECT_EQ(numberOfChildren(level), count - 1);
    EXPECT_EQ(attr(glParseXML_getNodeFromURL(level, "xml://animation"), "name"), "land");
    glParseXML_removeTree(doc);
    EXPECT_EQ(glAllocated(), before);
    glParseXML_removeTree(nullptr);

    // Failed reads release their buffer as well.
    EXPECT_EQ(load("core/xml/no_prolog.xml"), nullptr);
    EXPECT_EQ(glAllocated(), before);
}

TEST_F(XMLParser, OverlongFileNamesAndPathsAreCut)
{
    // "./" repeated up to exactly the name limit, then a tail that must be cut off.
    std::string target = "core/xml/lf.xml";
    size_t pad = kXMLMaxFileName - target.size();
    std::string name;
    for (size_t i = 0; i < pad / 2; i++)
        name += "./";
    name += std::string(pad % 2, '/') + target;
    ASSERT_EQ(name.size(), (size_t)kXMLMaxFileName);
    EXPECT_NE(load((name + "-this-tail-is-cut").c_str()), nullptr);

    _treeNode *doc = load("core/xml/level.xml");
    ASSERT_NE(doc, nullptr);
    std::string path = "xml://level";
    path += std::string(kXMLMaxPath - path.size() - 5, '/') + "/grid";
    ASSERT_EQ(path.size(), (size_t)kXMLMaxPath);
    EXPECT_EQ(nameOf(glParseXML_getNodeFromURL(doc, (path + "/nothing").c_str())), "grid");
    EXPECT_EQ(nameOf(glParseXML_getNodeFromURL(doc, 1, (path + "/nothing").c_str())), "grid");
}

}  // namespace
