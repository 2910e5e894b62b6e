#include "util/ui/msg_hook_win.h"

msg_hook::~msg_hook() {
    if (registry_ != nullptr) registry_->remove(*this);
}

hook_registry::~hook_registry() {
    for (auto& entry : entries_) entry.second->registry_ = nullptr;
}

void hook_registry::enter(key_type key, msg_hook& hook) {
    if (hook.registry_ != nullptr && hook.registry_ != this) hook.registry_->remove(hook);
    auto found = entries_.find(key);
    if (found != entries_.end() && found->second != &hook) {
        msg_hook* displaced = found->second;
        found->second = &hook;
        // A hook that lost its last entry no longer belongs here.
        bool still_entered = false;
        for (const auto& entry : entries_)
            if (entry.second == displaced) still_entered = true;
        if (!still_entered) displaced->registry_ = nullptr;
    } else {
        entries_[key] = &hook;
    }
    hook.registry_ = this;
}

void hook_registry::remove(msg_hook& hook) {
    for (auto entry = entries_.begin(); entry != entries_.end();) {
        if (entry->second == &hook)
            entry = entries_.erase(entry);
        else
            ++entry;
    }
    if (hook.registry_ == this) hook.registry_ = nullptr;
}

msg_hook* hook_registry::find(key_type key) const {
    const auto found = entries_.find(key);
    return found != entries_.end() ? found->second : nullptr;
}
