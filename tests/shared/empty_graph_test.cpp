// What a graph without a clip answers, whichever media layer holds it.
#include <gtest/gtest.h>

#include "platform/shared/empty_graph.h"

namespace tessiva {
namespace {

TEST(EmptyGraph, AnswersZeroAndSucceedsWhereTheFrameworkWouldFail) {
    const auto refuses = [](double& value) {
        value = 99.0;
        return Status::failure(Status::kNotImplemented, "DirectShow: get_Duration");
    };
    double seconds = -1.0;
    EXPECT_TRUE(empty_graph::seconds(false, seconds, refuses).ok());
    EXPECT_EQ(seconds, 0.0);
    // With a clip, the framework's own answer stands, failures included.
    EXPECT_EQ(empty_graph::seconds(true, seconds, refuses).code(), Status::kNotImplemented);
    int runs = 0;
    const auto run = [&] {
        ++runs;
        return Status::failure("DirectShow: Run");
    };
    EXPECT_TRUE(empty_graph::control(false, run).ok());
    EXPECT_EQ(runs, 0);
    EXPECT_FALSE(empty_graph::control(true, run).ok());
    EXPECT_EQ(runs, 1);
}

}  // namespace
}  // namespace tessiva
