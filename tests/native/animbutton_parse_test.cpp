// Parameter string of the push button.
#include <gtest/gtest.h>

#include "controls/animbutton_parse.h"

namespace {

TEST(ButtonParams, LabelAndMacro) {
    zyl::AnimButtonParams p;
    EXPECT_EQ(zyl::ParseAnimButton("Next;Next()", &p), 0);
    EXPECT_EQ(p.label, "Next");
    EXPECT_EQ(p.macro, "Next()");
    EXPECT_EQ(zyl::ParseAnimButton("|Go;A()", &p), 0);
    EXPECT_EQ(p.label, "Go");
    EXPECT_EQ(p.macro, "A()");
    EXPECT_EQ(zyl::ParseAnimButton("Back;A();B()", &p), 0);
    EXPECT_EQ(p.macro, "A();B()");
    EXPECT_EQ(zyl::ParseAnimButton("&Print;Print()", &p), 0);
    EXPECT_EQ(p.label, "&Print");
    EXPECT_EQ(zyl::ParseAnimButton("||x;y", &p), 0);
    EXPECT_EQ(p.label, "|x") << "only one leading bar goes";
    EXPECT_EQ(zyl::ParseAnimButton(";", &p), 0);
    EXPECT_EQ(p.label, "");
    EXPECT_EQ(p.macro, "");
    EXPECT_EQ(zyl::ParseAnimButton("Back", &p), ZYL_ERR_SYNTAX);
    EXPECT_EQ(zyl::ParseAnimButton("", &p), ZYL_ERR_SYNTAX);
    EXPECT_EQ(zyl::ParseAnimButton(nullptr, &p), ZYL_ERR_SYNTAX);
}

}  // namespace
