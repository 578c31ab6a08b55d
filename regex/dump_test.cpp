// The dump of a narrow pattern's node graph.
#include <gtest/gtest.h>

#include "regex/pattern.h"

namespace {

TEST(DumpTest, SmallPattern) {
  auto p = Pattern::create("(a|b)*\\d$");
  testing::internal::CaptureStdout();
  p->dump();
  EXPECT_EQ(testing::internal::GetCapturedStdout(),
            "Pattern((a|b)*\\d$):\n"
            "  NFAStartNode\n"
            "  NFASubStartNode\n"
            "  NFAGroupLoopPrologueNode(gi=1)\n"
            "  NFAGroupLoopNode(gi=1, min=0, max=2147483647, type=greedy)\n"
            "  NFAClassNode(10 vals, inv=false)\n"
            "  NFAEndOfInputNode(term=false)\n"
            "  NFAEndNode\n");
}

TEST(DumpTest, BranchesQuantifiersAndQuotes) {
  auto p = Pattern::create("x+?|(?<=q)\\Qy\\E", Pattern::CASE_INSENSITIVE);
  testing::internal::CaptureStdout();
  p->dump();
  EXPECT_EQ(testing::internal::GetCapturedStdout(),
            "Pattern(x+?|(?<=q)\\Qy\\E):\n"
            "  NFAStartNode\n"
            "  NFAOrNode\n"
            "    one\n"
            "      NFASubStartNode\n"
            "      NFALazyQuantifierNode(min=1, max=2147483647)\n"
            "        inner\n"
            "          NFACICharNode(0x78)\n"
            "          NFAAcceptNode\n"
            "      NFAAcceptNode\n"
            "      NFAAcceptNode\n"
            "      NFAEndNode\n"
            "    two\n"
            "      NFASubStartNode\n"
            "      NFALookBehindNode(str=q, pos=true)\n"
            "      NFACIQuoteNode(y)\n"
            "      NFAAcceptNode\n"
            "      NFAAcceptNode\n"
            "      NFAEndNode\n");
}

}  // namespace
