#include "util/sys/lib_loader_win.h"

#include "util/sys/name_scramble.h"
#include "util/sys/string_convert.h"

namespace {

// MAX_PATH plus the terminating NUL.
constexpr UINT directory_buffer_size = 261;

bool scrambled(const std::wstring& name) {
    return !name.empty() && name[0] == L'.';
}

} // namespace

lib_loader::lib_loader(directory_reader read_system_dir, directory_reader read_windows_dir)
    : system_dir_{read_system_dir, false, {}}, windows_dir_{read_windows_dir, false, {}} {}

FARPROC lib_loader::get_proc(const std::wstring& library, const std::string& entry, bool release_on_failure) {
    HMODULE handle = nullptr;
    {
        lock_guard hold(lock_);
        const auto found = libraries_.find(library);
        if (found == libraries_.end()) {
            handle = load_lib(library);
            libraries_.emplace(library, lib_loader::entry{handle, 1});
        } else {
            InterlockedIncrement(&found->second.count);
            handle = found->second.handle;
        }
    }
    if (!handle) return nullptr;
    const std::string name = !entry.empty() && entry[0] == '.' ? unscramble_name(entry.substr(1)) : entry;
    const FARPROC proc = GetProcAddress(handle, name.c_str());
    if (!proc && release_on_failure) release_lib(library);
    return proc;
}

void lib_loader::release_lib(const std::wstring& library) {
    lock_guard hold(lock_);
    const auto found = libraries_.find(library);
    if (found == libraries_.end()) return;
    if (InterlockedDecrement(&found->second.count) == 0) {
        if (found->second.handle) FreeLibrary(found->second.handle);
        libraries_.erase(found);
    }
}

long lib_loader::references(const std::wstring& library) const {
    lock_guard hold(lock_);
    const auto found = libraries_.find(library);
    return found == libraries_.end() ? 0 : found->second.count;
}

std::wstring lib_loader::system_dir() const {
    lock_guard hold(lock_);
    return directory(system_dir_);
}

std::wstring lib_loader::windows_dir() const {
    lock_guard hold(lock_);
    return directory(windows_dir_);
}

// Read once, kept until exit. A directory that cannot be read, or whose name
// does not fit the buffer, stays empty.
const std::wstring& lib_loader::directory(cached_dir& dir) const {
    if (dir.read) return dir.path;
    dir.read = true;
    wchar_t buffer[directory_buffer_size];
    const UINT length = dir.reader(buffer, directory_buffer_size);
    if (length == 0 || length >= directory_buffer_size) return dir.path;
    dir.path.assign(buffer, length);
    if (dir.path.back() != L'\\') dir.path += L'\\';
    return dir.path;
}

// Runs under the lock.
HMODULE lib_loader::load_lib(const std::wstring& library) {
    if (library.find(L'\\') != std::wstring::npos) return LoadLibraryW(library.c_str());
    const std::wstring name =
        scrambled(library) ? to_wide(unscramble_name(to_narrow(library.substr(1)))) : library;
    if (name.empty()) return nullptr;
    // An empty directory would leave a bare name, which the system looks for
    // along its search path (the program's folder first): that attempt is skipped.
    for (cached_dir* dir : {&system_dir_, &windows_dir_}) {
        const std::wstring& prefix = directory(*dir);
        if (prefix.empty()) continue;
        if (const HMODULE handle = LoadLibraryW((prefix + name).c_str())) return handle;
    }
    return nullptr;
}

dyn_proc::dyn_proc(lib_loader& loader, const std::wstring& library, const std::string& entry)
    : loader_(loader), library_(library), entry_(entry), proc_(loader.get_proc(library_, entry_, true)) {}

dyn_proc::~dyn_proc() {
    if (proc_) loader_.release_lib(library_);
}
