// Loading a shared library at run time, resolving its entry points, unloading it.
#pragma once

#include <memory>
#include <string>

namespace platform {

class DynamicLibrary {
  public:
    // Loads the library by its base name ("7-zip32" is lib7-zip32.so here, 7-zip32.dll
    // on Windows): beside the executable first, then by the system's search order.
    // Returns null when it cannot be loaded.
    static std::unique_ptr<DynamicLibrary> Load(const std::string& baseName);
    ~DynamicLibrary();  // unloads
    DynamicLibrary(const DynamicLibrary&) = delete;
    DynamicLibrary& operator=(const DynamicLibrary&) = delete;

    // The entry point's address, or null when the library lacks it.
    void* Resolve(const char* entryPoint) const;

    static std::string FileName(const std::string& baseName);

  private:
    explicit DynamicLibrary(void* handle) : handle_(handle) {}
    void* handle_;
};

}  // namespace platform
