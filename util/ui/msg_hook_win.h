// msg_hook: an object that takes part in a window's message handling, and the registry hooks are entered in.
#pragma once

#include <windows.h>

#include <cstddef>
#include <cstdint>
#include <map>

class hook_registry;

// A hook may be entered in one registry, under any number of keys; it leaves
// that registry when it is destroyed, so a registry never holds a dead hook.
class msg_hook {
public:
    msg_hook() = default;
    msg_hook(const msg_hook&) = delete;
    msg_hook& operator=(const msg_hook&) = delete;
    virtual ~msg_hook();

    // Sets *handled to true when the message needs no default processing.
    virtual LRESULT on_message(UINT msg, WPARAM wparam, LPARAM lparam, bool* handled) = 0;

    hook_registry* registry() const { return registry_; }

private:
    friend class hook_registry;
    hook_registry* registry_ = nullptr;
};

// An ordered map from a 32-bit key to hooks. It does not own the hooks.
class hook_registry {
public:
    using key_type = std::uint32_t;

    hook_registry() = default;
    hook_registry(const hook_registry&) = delete;
    hook_registry& operator=(const hook_registry&) = delete;
    // Hooks still entered forget this registry, so their own destruction
    // later does not reach a registry that is gone.
    ~hook_registry();

    // Enters `hook` under `key`, replacing what was there. A hook entered in
    // another registry leaves that one first.
    void enter(key_type key, msg_hook& hook);
    // Removes every entry whose value is `hook`; the hook then belongs to no registry.
    void remove(msg_hook& hook);

    msg_hook* find(key_type key) const;
    std::size_t size() const { return entries_.size(); }

private:
    std::map<key_type, msg_hook*> entries_;
};
