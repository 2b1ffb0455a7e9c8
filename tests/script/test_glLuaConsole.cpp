// Script console: line limits, wrapping, paragraphs and the error reporter.
#include <gtest/gtest.h>

#include <string>

#include "script/glLua.h"
#include "script/glLuaConsole.h"

class Console : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_EQ(glLua_prestartup(), 1);
        L = glLua_getLuaRef();
    }
    void TearDown() override { glLua_shutdown(); }

    // The newest `count` lines, oldest first, one per text line.
    static std::string newest(int count) {
        std::string text;
        for (int i = count - 1; i >= 0; i--) text += std::string(luaConsole_getLine(i) ? luaConsole_getLine(i) : "?") + "\n";
        return text;
    }
    lua_State *L = nullptr;
};

TEST_F(Console, KeepsTheNewestThirtyLines) {
    for (int i = 1; i <= 31; i++) console_addString(std::to_string(i).c_str());
    EXPECT_EQ(luaConsole_lineCount(), 30);
    EXPECT_STREQ(luaConsole_getLine(0), "31");
    EXPECT_STREQ(luaConsole_getLine(29), "2");
}

TEST_F(Console, WrapsAtFourHundredSixtyPixels) {
    std::string line(100, 'x');
    line[75] = 'A';  // last character of the first piece
    console_addString(line.c_str());
    ASSERT_EQ(luaConsole_lineCount(), 2);
    EXPECT_EQ(std::string(luaConsole_getLine(1)), line.substr(0, 76));
    EXPECT_EQ(std::string(luaConsole_getLine(0)), line.substr(76));

    // 456 pixels stay one line; 462 wrap.
    console_addString(std::string(76, 'y').c_str());
    console_addString(std::string(460 / 6 + 1, 'z').c_str());
    EXPECT_EQ(std::string(luaConsole_getLine(2)), std::string(76, 'y'));
    EXPECT_EQ(std::string(luaConsole_getLine(1)), std::string(76, 'z'));
    EXPECT_EQ(std::string(luaConsole_getLine(0)), "z");

    // A very long line keeps only its last 30 pieces, each 76 wide.
    console_addString(std::string(76 * 1000 + 3, 'w').c_str());
    EXPECT_EQ(luaConsole_lineCount(), 30);
    EXPECT_EQ(std::string(luaConsole_getLine(0)), "www");
    EXPECT_EQ(std::string(luaConsole_getLine(1)).size(), 76u);
}

TEST_F(Console, ParagraphsSplitAtLineEnds) {
    console_addParagraph("one\r\ntwo\r\n\r\n\nthree\r\n");
    EXPECT_EQ(luaConsole_lineCount(), 3);
    EXPECT_EQ(newest(3), "one\ntwo\nthree\n");

    int length = 0;
    const char *text = "a\n  bb\nlast";
    EXPECT_EQ(getLineInParagraph(text, 2, &length), text + 2);
    EXPECT_EQ(length, 4);
    EXPECT_EQ(getLineInParagraph(text, 3, &length), nullptr);  // not ended by LF
    EXPECT_EQ(getLineInParagraph(text, 0, &length), nullptr);
}

TEST_F(Console, ScriptFunctionsCheckTheirArguments) {
    EXPECT_EQ(glLua_runScript(L, "console_setColor(0.1, 0.1, 0.1)\nconsole_setColor(0.1, 0.1, 0.1)", 1), 0);
    float r, g, b;
    luaConsole_getColor(&r, &g, &b);
    EXPECT_NEAR(r, 0.8f, 1e-5);
    EXPECT_NEAR(g, 0.8f, 1e-5);
    EXPECT_NEAR(b, 0.8f, 1e-5);

    EXPECT_EQ(glLua_runScript(L, "local ok, m = pcall(console_setColor, 1, '2', 3)\nassert(m == "
                                 "'usage: console_setColor(<Double red>, <Double green>, <Double blue>)')\n"
                                 "ok, m = pcall(console_addString, 5)\n"
                                 "assert(m == 'usage: console_addString(<String string>)')",
                              1),
              0);
    EXPECT_EQ(glLua_runScript(L, "console_addString('p\\nq')\nprint('a', 1)", 1), 0);
    EXPECT_EQ(newest(3), "p\nq\na\t1\n");
}

TEST_F(Console, SyntaxErrorQuotesTheFailingLine) {
    const char *script = "x = 1\ny = 2\n   \tz = = 3\nw = 4\n";
    EXPECT_NE(glLua_runScript(L, script, 1), 0);
    EXPECT_STREQ(luaConsole_getLine(2), "Syntax Error: ");
    EXPECT_STREQ(luaConsole_getLine(1), "z = = 3");
    EXPECT_NE(std::string(luaConsole_getLine(0)).find(":3: unexpected symbol near '='"), std::string::npos);
}

TEST_F(Console, RunTimeErrorQuotesTheWholeScript) {
    // The syntax error of an earlier script must not be quoted for this one.
    glLua_runScript(L, "a = = 1\n", 1);
    EXPECT_NE(glLua_runScript(L, "local t = nil\nt.x = 1\n", 1), 0);
    EXPECT_STREQ(luaConsole_getLine(3), "Syntax Error: ");
    EXPECT_STREQ(luaConsole_getLine(2), "local t = nil");
    EXPECT_STREQ(luaConsole_getLine(1), "t.x = 1");
    EXPECT_NE(std::string(luaConsole_getLine(0)).find("attempt to index local 't'"), std::string::npos);
}

TEST_F(Console, ReporterQuotesOnlyANonBlankLine) {
    static const char script[] = "a = 1\n  \t\nb = 2\n";
    ASSERT_EQ(glLua_runScript(L, script, 1), 0);
    ASSERT_EQ(glLua_getLastScript(), script);
    luaConsole_setErrorLine(2);
    luaConsole_reportError("blank");
    EXPECT_EQ(luaConsole_lineCount(), 1);
    luaConsole_setErrorLine(3);
    luaConsole_reportError("third");
    EXPECT_EQ(newest(3), "Syntax Error: \nb = 2\nthird\n");
    luaConsole_setErrorLine(9);
    luaConsole_reportError("missing");
    EXPECT_EQ(newest(5), "Syntax Error: \na = 1\n  \t\nb = 2\nmissing\n");

    EXPECT_EQ(luaConsole_errorLineFromMessage("[string \"a:1: b\"]:17: oops"), 17);
    EXPECT_EQ(luaConsole_errorLineFromMessage("no line here"), 0);
}
