// Change mark: the first position of a sequence that changed since its follower last looked.
#pragma once

#include <cstddef>
#include <utility>

// Kept by the owner of a sequence (the samples, the buckets) for the one that
// follows it with a record of its own: the first position whose item was
// added, replaced, moved or removed since the follower last took the mark.
class change_mark {
public:
    static constexpr std::size_t none = static_cast<std::size_t>(-1);

    void changed_at(std::size_t i) {
        if (i < first_) first_ = i;
    }
    // The first changed position, `none` when nothing changed; the mark then starts afresh.
    std::size_t take() { return std::exchange(first_, none); }

private:
    // A follower that has seen nothing yet has everything to learn.
    std::size_t first_ = 0;
};
