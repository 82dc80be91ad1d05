#pragma once
// A fresh folder for the files of the running test, named after it.
#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <string>

namespace kessig::test {

inline std::filesystem::path scratchFolder(const std::string& prefix) {
    namespace fs = std::filesystem;
    const fs::path dir = fs::temp_directory_path() / (prefix + std::to_string(::getpid()) + "-" +
                                                      ::testing::UnitTest::GetInstance()->current_test_info()->name());
    fs::remove_all(dir);
    fs::create_directories(dir);
    return dir;
}

} // namespace kessig::test
