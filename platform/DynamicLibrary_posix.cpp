#include <dlfcn.h>

#include "DynamicLibrary.h"
#include "ExecutablePath.h"

namespace platform {

std::string DynamicLibrary::FileName(const std::string& baseName) {
    return "lib" + baseName + ".so";
}

std::unique_ptr<DynamicLibrary> DynamicLibrary::Load(const std::string& baseName) {
    const std::string fileName = FileName(baseName);
    const std::string besideExecutable = (ExecutablePath().parent_path() / fileName).string();
    void* handle = ::dlopen(besideExecutable.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (handle == nullptr) {
        handle = ::dlopen(fileName.c_str(), RTLD_NOW | RTLD_LOCAL);
    }
    if (handle == nullptr) {
        return nullptr;
    }
    return std::unique_ptr<DynamicLibrary>(new DynamicLibrary(handle));
}

DynamicLibrary::~DynamicLibrary() {
    ::dlclose(handle_);
}

void* DynamicLibrary::Resolve(const char* entryPoint) const {
    return ::dlsym(handle_, entryPoint);
}

}  // namespace platform
