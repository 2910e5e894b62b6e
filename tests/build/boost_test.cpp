// The Boost pieces the library builds its callbacks from compile and behave with every toolchain.
#include <boost/function.hpp>
#include <boost/lambda/bind.hpp>
#include <boost/lambda/lambda.hpp>
#include <gtest/gtest.h>

namespace {

struct counter {
    int total = 0;
    void add(int amount) { total += amount; }
};

} // namespace

TEST(boost_callbacks, member_binder_with_constant) {
    counter c;
    boost::function<void()> callback = boost::lambda::bind(&counter::add, &c, 5);
    callback();
    callback();
    EXPECT_EQ(c.total, 10);
}

TEST(boost_callbacks, empty_function_throws_bad_function_call) {
    boost::function<void()> callback;
    EXPECT_TRUE(callback.empty());
    EXPECT_THROW(callback(), boost::bad_function_call);
}
