// The order in which the search tries pieces is its behaviour: any change to it shows in the
// signature of `tessera bench`, pinned here for the shipped puzzle and for the small speed set.
#include <gtest/gtest.h>

#include <string>

#include "test_support.h"

namespace tessera {
namespace {

TEST(BenchSignature, StaysAsPinned) {
    const std::string shipped = (test::shipped_data() / "zdroj.txt").string();
    const std::string small = (test::shipped_data().parent_path() / "scripts" / "speed_pieces.txt").string();
    struct Case {
        std::string args, signature;
    };
    const Case cases[] = {
        {"--pieces " + shipped, "8c98237440f1dba2"},
        {"--pieces " + shipped + " --no-limits", "b87f9aaf26947442"},
        {"--pieces " + small, "de459eab8e8fede5"},
    };
    for (const Case& c : cases) {
        test::ScratchDir dir;
        const test::Outcome run = test::run_tessera("bench " + c.args);
        ASSERT_EQ(run.status, 0) << c.args << "\n" << run.err;
        EXPECT_NE(run.out.find("signature=" + c.signature), std::string::npos) << c.args << "\n" << run.out;
    }
}

}  // namespace
}  // namespace tessera
