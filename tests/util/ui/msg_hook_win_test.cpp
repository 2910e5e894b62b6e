#include "util/ui/msg_hook_win.h"

#include <gtest/gtest.h>
#include <windows.h>

#include <memory>

namespace {

class test_hook : public msg_hook {
public:
    LRESULT on_message(UINT, WPARAM, LPARAM, bool*) override { return 0; }
};

TEST(msg_hook, destroyed_hook_leaves_every_entry_of_its_registry) {
    hook_registry registry;
    test_hook kept;
    auto leaving = std::make_unique<test_hook>();
    registry.enter(1, *leaving);
    registry.enter(2, kept);
    registry.enter(3, *leaving);
    registry.enter(4, *leaving);
    EXPECT_EQ(registry.size(), 4u);
    EXPECT_EQ(leaving->registry(), &registry);
    leaving.reset();
    EXPECT_EQ(registry.size(), 1u);
    EXPECT_EQ(registry.find(2), &kept);
    EXPECT_EQ(registry.find(1), nullptr);
    EXPECT_EQ(registry.find(4), nullptr);
}

TEST(msg_hook, hook_belongs_to_one_registry_and_outlives_it_safely) {
    test_hook hook, other;
    {
        hook_registry first;
        {
            hook_registry second;
            first.enter(7, hook);
            second.enter(8, hook);
            EXPECT_EQ(first.size(), 0u);
            EXPECT_EQ(hook.registry(), &second);
        }
        // The registry went first: the hook no longer points at it.
        EXPECT_EQ(hook.registry(), nullptr);

        // A hook displaced from its only key belongs nowhere; one displaced
        // from one of two keys stays.
        first.enter(1, hook);
        first.enter(1, other);
        EXPECT_EQ(hook.registry(), nullptr);
        first.enter(2, other);
        first.enter(2, hook);
        EXPECT_EQ(other.registry(), &first);
        EXPECT_EQ(first.find(1), &other);
        EXPECT_EQ(first.find(2), &hook);
        first.remove(other);
        EXPECT_EQ(other.registry(), nullptr);
        EXPECT_EQ(first.size(), 1u);
    }
    EXPECT_EQ(hook.registry(), nullptr);
}

} // namespace
