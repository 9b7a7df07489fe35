#include "app/optional_module.h"

#include <dlfcn.h>
#include <unistd.h>

#include <map>
#include <mutex>

namespace {

// The folder the program was started from.
std::string ProgramDir() {
    char path[4096];
    const ssize_t n = readlink("/proc/self/exe", path, sizeof path - 1);
    if (n <= 0) return std::string();
    std::string dir(path, size_t(n));
    const size_t slash = dir.rfind('/');
    return slash == std::string::npos ? std::string() : dir.substr(0, slash);
}

void* OpenModule(const char* module, std::string& why) {
    static std::mutex mutex;
    static std::map<std::string, void*> opened;  // never closed: their objects live on
    std::lock_guard<std::mutex> lock(mutex);
    if (auto it = opened.find(module); it != opened.end()) return it->second;
    const std::string path = OptionalPartPath(std::string(module) + ".so", why);
    if (path.empty()) return nullptr;
    void* handle = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (handle == nullptr) {
        const char* error = dlerror();
        why = error != nullptr ? error : path + ": cannot be loaded";
        return nullptr;
    }
    opened[module] = handle;
    return handle;
}

}  // namespace

std::string OptionalPartPath(const std::string& file, std::string& why) {
    const std::string installed = ProgramDir() + "/" GEIGERSIM_MODULE_RELATIVE_DIR "/" + file;
    const std::string built = GEIGERSIM_MODULE_BUILD_DIR "/" + file;
    for (const std::string& path : {installed, built})
        if (access(path.c_str(), F_OK) == 0) return path;
    why = "no " + file + " in " + installed.substr(0, installed.rfind('/')) + " or " GEIGERSIM_MODULE_BUILD_DIR;
    return std::string();
}

void* OptionalModuleSymbol(const char* module, const char* symbol, std::string& why) {
    void* handle = OpenModule(module, why);
    if (handle == nullptr) return nullptr;
    void* found = dlsym(handle, symbol);
    if (found == nullptr) {
        const char* error = dlerror();
        why = error != nullptr ? error : std::string(symbol) + ": not in the module";
    }
    return found;
}
