// Holds the fake library loaded for the whole test, so that its records outlive the
// binding's own loading and unloading, and starts each test with a clean record.
#pragma once

#include <dlfcn.h>
#include <gtest/gtest.h>

#include "ExecutablePath.h"
#include "FakeLibraryState.h"

class FakeLibraryTest : public ::testing::Test {
  protected:
    void SetUp() override {
        const auto path = platform::ExecutablePath().parent_path() / "lib7-zip32.so";
        handle_ = ::dlopen(path.c_str(), RTLD_NOW);
        ASSERT_NE(handle_, nullptr) << "the fake library must stand beside the test: " << path;
        auto state =
            reinterpret_cast<FakeLibraryStateFunction>(::dlsym(handle_, "FakeLibraryState"));
        ASSERT_NE(state, nullptr);
        fake_ = state();
        *fake_ = FakeLibrary{};
    }
    void TearDown() override {
        if (handle_ != nullptr) {
            *fake_ = FakeLibrary{};
            ::dlclose(handle_);
        }
    }

    FakeLibrary& Fake() { return *fake_; }

  private:
    void* handle_ = nullptr;
    FakeLibrary* fake_ = nullptr;
};
