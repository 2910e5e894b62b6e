// description_table: the process-wide table of named descriptions, from a narrow key to a wide text.
#pragma once

#include "util/sys/critical_section.h"

#include <map>
#include <string>

// A component files its description at its first use, which may happen on any
// thread, so the table keeps a lock of its own.
class description_map {
public:
    description_map() = default;
    description_map(const description_map&) = delete;
    description_map& operator=(const description_map&) = delete;

    // Replaces any earlier entry under `key`.
    void file(const std::string& key, const std::wstring& text) {
        lock_guard hold(lock_);
        entries_[key] = text;
    }
    // Empty when nothing is filed under `key`.
    std::wstring find(const std::string& key) const {
        lock_guard hold(lock_);
        const auto found = entries_.find(key);
        return found == entries_.end() ? std::wstring() : found->second;
    }
    std::size_t size() const {
        lock_guard hold(lock_);
        return entries_.size();
    }

private:
    mutable critical_section lock_;
    std::map<std::string, std::wstring> entries_;
};

// Empty at start-up.
extern description_map description_table;
