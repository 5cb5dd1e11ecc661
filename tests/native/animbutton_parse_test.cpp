// Parameter string of the push button.
#include <gtest/gtest.h>

#include <string>

#include "controls/animbutton_parse.h"

namespace {

// What a string gives: [label] [macro], or the error.
std::string Parsed(const char* data) {
    zyl::AnimButtonParams p;
    if (const int error = zyl::ParseAnimButton(data, &p)) return "error " + std::to_string(error);
    return "[" + p.label + "] [" + p.macro + "]";
}

TEST(ButtonParams, LabelAndMacro) {
    EXPECT_EQ(Parsed("Next;Next()"), "[Next] [Next()]");
    EXPECT_EQ(Parsed("|Go;A()"), "[Go] [A()]");
    EXPECT_EQ(Parsed("Back;A();B()"), "[Back] [A();B()]");
    EXPECT_EQ(Parsed("&Print;Print()"), "[&Print] [Print()]");
    EXPECT_EQ(Parsed("||x;y"), "[|x] [y]") << "only one leading bar goes";
    EXPECT_EQ(Parsed(";"), "[] []");
    for (const char* bad : {"Back", "", static_cast<const char*>(nullptr)})
        EXPECT_EQ(Parsed(bad), "error " + std::to_string(ZYL_ERR_SYNTAX)) << (bad ? bad : "null");
}

}  // namespace
